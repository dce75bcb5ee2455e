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
    m_openFailure = OpenFailure();
    m_noAnswer = false;
    m_reply.clear();
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

bool LinkRecovery::NoteOpenFailure(const OpenFailure &failure)
{
    // An open that fails without a reason after one with a reason is a new
    // cause too: the old words no longer apply.
    if (!m_noAnswer && failure.words == m_openFailure.words)
        return false;
    m_openFailure = failure;
    m_noAnswer = false;
    m_reply.clear();
    return true;
}

bool LinkRecovery::NoteOpenFailure(const QString &reason)
{
    OpenFailure failure;
    failure.words = reason;
    return NoteOpenFailure(failure);
}

bool LinkRecovery::NoteNoAnswer(const QString &reply)
{
    if (m_noAnswer && reply == m_reply)
        return false;
    m_openFailure = OpenFailure();
    m_noAnswer = true;
    m_reply = reply;
    return true;
}

bool LinkRecovery::NoteNotListed()
{
    if (m_openFailure.IsEmpty() && !m_noAnswer)
        return false;
    m_openFailure = OpenFailure();
    m_noAnswer = false;
    m_reply.clear();
    return true;
}

QString LinkRecovery::openFailure() const
{
    return m_openFailure.words;
}

namespace {

// A failed try in two words, for the status box.
QString ShortReason(const OpenFailure &failure, const LocaleTexts &texts)
{
    switch (failure.kind) {
    case TAVIXSERIAL_OPEN_BUSY:
        return texts.Pick(QStringLiteral("port busy"), QStringLiteral("端口被占用"));
    case TAVIXSERIAL_OPEN_PERMISSION:
        return texts.Pick(QStringLiteral("no access"), QStringLiteral("无权限"));
    case TAVIXSERIAL_OPEN_NOT_A_PORT:
        return texts.Pick(QStringLiteral("not a port"), QStringLiteral("不是串口"));
    case TAVIXSERIAL_OPEN_MISSING:
    case TAVIXSERIAL_OPEN_NO_DEVICE:
    case TAVIXSERIAL_OPEN_NO_CONTROLLING_TERMINAL:
    case TAVIXSERIAL_OPEN_NOT_LISTED:
        return texts.Pick(QStringLiteral("no port"), QStringLiteral("无端口"));
    case TAVIXSERIAL_OPEN_ALREADY_OPEN:
        return texts.Pick(QStringLiteral("open here"), QStringLiteral("已打开"));
    default:
        return texts.Pick(QStringLiteral("not opened"), QStringLiteral("打不开"));
    }
}

} // namespace

QString LinkRecovery::StatusText(const LocaleTexts &texts) const
{
    const QString since = ClockText(m_since, false);
    const bool lost = m_cause == Cause::Lost;
    QString reason;
    if (m_noAnswer)
        reason = texts.Pick(QStringLiteral("no answer"), QStringLiteral("无应答"));
    else if (!m_openFailure.IsEmpty())
        reason = ShortReason(m_openFailure, texts);
    if (reason.isEmpty())
        return lost ? texts.Pick(QStringLiteral("Lost %1, searching").arg(since),
                                 QStringLiteral("%1 断开，搜索中").arg(since))
                    : texts.Pick(QStringLiteral("Searching since %1").arg(since),
                                 QStringLiteral("%1 起搜索中").arg(since));
    return lost ? texts.Pick(QStringLiteral("Lost %1: %2").arg(since, reason),
                             QStringLiteral("%1 断开：%2").arg(since, reason))
                : texts.Pick(QStringLiteral("Searching: %1").arg(reason), QStringLiteral("搜索中：%1").arg(reason));
}

QString LinkRecovery::StatusTip(const LocaleTexts &texts) const
{
    const QString since = ClockText(m_since, false);
    QString text = m_cause == Cause::Lost
                       ? texts.Pick(QStringLiteral("Device is not open. Lost since %1, searching...").arg(since),
                                    QStringLiteral("设备未打开。自 %1 起断开，正在搜索…").arg(since))
                       : texts.Pick(QStringLiteral("Device not responding - searching since %1...").arg(since),
                                    QStringLiteral("设备无响应，自 %1 起正在搜索…").arg(since));
    QString reason = OpenFailureText(m_openFailure, texts);
    if (m_noAnswer)
        reason = texts.Pick(QStringLiteral("no response from the instrument"), QStringLiteral("仪器无应答")) + m_reply;
    if (!reason.isEmpty())
        text += texts.Pick(QStringLiteral(" Last try: %1").arg(reason), QStringLiteral(" 上次尝试：%1").arg(reason));
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
