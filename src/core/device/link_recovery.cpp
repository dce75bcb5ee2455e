#include "core/device/link_recovery.h"

#include "core/locale/text_table.h"

namespace {

// A time as the status line and the message show it: HH:MM:SS, with the
// date in front when the other end of the span lies on another day.
QString ClockText(const QDateTime &time, bool withDate)
{
    return time.toString(withDate ? QStringLiteral("yyyy-MM-dd HH:mm:ss") : QStringLiteral("HH:mm:ss"));
}

} // namespace

void LinkRecovery::Begin(const Target &target, Cause cause, const QDateTime &since, qint64 nowMs)
{
    m_target = target;
    m_cause = cause;
    m_since = since;
    m_openFailure.clear();
    m_nextLookMs = nowMs + kLookPeriodMs;
    m_searching = true;
    m_stage = Stage::Looking;
}

DWORD LinkRecovery::ListFlags() const
{
    switch (m_target.openMode) {
    case 0:
        return FT_OPEN_BY_DESCRIPTION;
    case 1:
        return FT_OPEN_BY_SERIAL_NUMBER;
    default:
        return 0;
    }
}

bool LinkRecovery::IsListed(const DeviceNameList &listing) const
{
    if (listing.outcome != DeviceNameList::Listed)
        return false;
    if (ListFlags() == 0)
        return listing.count > 0;
    return listing.names.contains(m_target.name);
}

bool LinkRecovery::NoteOpenFailure(const QString &reason)
{
    // An open that fails without a reason after one with a reason is a new
    // cause too: the old words no longer apply.
    if (reason == m_openFailure)
        return false;
    m_openFailure = reason;
    return true;
}

bool LinkRecovery::NoteNotListed()
{
    if (m_openFailure.isEmpty())
        return false;
    m_openFailure.clear();
    return true;
}

QString LinkRecovery::StatusText(const LocaleTexts &texts) const
{
    const QString since = ClockText(m_since, false);
    QString text = m_cause == Cause::Lost
                       ? QStringLiteral("Device is not open. ")
                             + texts.Pick(QStringLiteral("Lost since %1, searching...").arg(since),
                                          QStringLiteral("自 %1 起断开，正在搜索…").arg(since))
                       : QStringLiteral("Device not responding - ")
                             + texts.Pick(QStringLiteral("searching since %1...").arg(since),
                                          QStringLiteral("自 %1 起正在搜索…").arg(since));
    if (!m_openFailure.isEmpty())
        text += texts.Pick(QStringLiteral(" Last try: %1").arg(m_openFailure),
                           QStringLiteral(" 上次尝试：%1").arg(m_openFailure));
    return text;
}

QString LinkRecovery::BackMessage(const LocaleTexts &texts, const QDateTime &back, bool loggingResumed) const
{
    const bool otherDay = m_since.date() != back.date();
    const QString from = ClockText(m_since, otherDay);
    const QString to = ClockText(back, otherDay);
    const QString name = m_target.name.isEmpty() || ListFlags() == 0 ? QString() : m_target.name;
    QString text;
    if (m_cause == Cause::Lost) {
        text = name.isEmpty()
                   ? texts.Pick(QStringLiteral("The instrument was lost from %1 to %2 and is connected again.")
                                    .arg(from, to),
                                QStringLiteral("仪器在 %1 至 %2 期间断开，现已重新连接。").arg(from, to))
                   : texts.Pick(QStringLiteral("The instrument %1 was lost from %2 to %3 and is connected again.")
                                    .arg(name, from, to),
                                QStringLiteral("仪器 %1 在 %2 至 %3 期间断开，现已重新连接。").arg(name, from, to));
    } else {
        text = name.isEmpty()
                   ? texts.Pick(QStringLiteral("The instrument was not found from %1 to %2; it is connected now.")
                                    .arg(from, to),
                                QStringLiteral("仪器在 %1 至 %2 期间未找到，现已连接。").arg(from, to))
                   : texts.Pick(QStringLiteral("The instrument %1 was not found from %2 to %3; it is connected now.")
                                    .arg(name, from, to),
                                QStringLiteral("仪器 %1 在 %2 至 %3 期间未找到，现已连接。").arg(name, from, to));
    }
    if (loggingResumed)
        text += texts.Pick(QStringLiteral(" Display-value logging goes on into the same backup file."),
                           QStringLiteral("显示值记录继续写入同一备份文件。"));
    return text;
}
