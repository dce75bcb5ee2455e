#include "core/sorting/log_record.h"

// Lengths below 0x8000 take one code unit; longer ones two, the first with
// its top bit set (texts are shorter than 2^30 code units).
LogFieldList::LogFieldList(const QStringList &texts)
{
    *this << texts;
}

void LogFieldList::append(QStringView text)
{
    const qsizetype n = text.size();
    if (n < 0x8000) {
        m_data.append(QChar(char16_t(n)));
    } else {
        m_data.append(QChar(char16_t(0x8000 | ((n >> 15) & 0x7FFF))));
        m_data.append(QChar(char16_t(n & 0x7FFF)));
        ++m_longCount;
    }
    m_data.append(text);
    ++m_count;
}

void LogFieldList::append(const QStringView *texts, qsizetype count)
{
    qsizetype units = 0;
    for (qsizetype i = 0; i < count; ++i)
        units += texts[i].size() + (texts[i].size() < 0x8000 ? 1 : 2);
    const qsizetype start = m_data.size();
    m_data.resize(start + units);
    QChar *out = m_data.data() + start;
    for (qsizetype i = 0; i < count; ++i) {
        const qsizetype n = texts[i].size();
        if (n < 0x8000) {
            *out++ = QChar(char16_t(n));
        } else {
            *out++ = QChar(char16_t(0x8000 | ((n >> 15) & 0x7FFF)));
            *out++ = QChar(char16_t(n & 0x7FFF));
            ++m_longCount;
        }
        std::copy(texts[i].begin(), texts[i].end(), out);
        out += n;
    }
    m_count += qint32(count);
}

bool LogFieldList::equals(const QStringView *texts, qsizetype count) const
{
    if (count != m_count)
        return false;
    qsizetype i = 0;
    for (QStringView text : *this) {
        if (text != texts[i++])
            return false;
    }
    return true;
}

LogFieldList &LogFieldList::operator<<(const QStringList &texts)
{
    for (const QString &text : texts)
        append(text);
    return *this;
}

QStringView LogFieldList::at(qsizetype i) const
{
    if (i < 0 || i >= m_count)
        return QStringView();
    auto it = begin();
    while (i-- > 0)
        ++it;
    return *it;
}

QString LogFieldList::join(QChar separator) const
{
    QString joined;
    bool first = true;
    for (QStringView text : *this) {
        if (!first)
            joined += separator;
        joined += text;
        first = false;
    }
    return joined;
}

QStringList LogFieldList::toStringList() const
{
    QStringList texts;
    texts.reserve(m_count);
    for (QStringView text : *this)
        texts.append(text.toString());
    return texts;
}

bool operator==(const LogFieldList &a, const QStringList &b)
{
    if (a.size() != b.size())
        return false;
    qsizetype i = 0;
    for (QStringView text : a) {
        if (text != b[i++])
            return false;
    }
    return true;
}

LogRowList::LogRowList(const QList<QStringList> &rows)
{
    m_rows.reserve(rows.size());
    for (const QStringList &row : rows)
        append(LogFieldList(row));
}

void LogRowList::appendTaken(QList<LogFieldList> &rows)
{
    m_rows.reserve(m_rows.size() + rows.size());
    for (LogFieldList &row : rows)
        append(std::move(row));
    rows.clear();
}

qsizetype LogRowList::textSize() const
{
    if (m_counted)
        return m_textSize;
    qsizetype units = 0;
    for (const LogFieldList &row : m_rows)
        units += row.textSize();
    return units;
}

qsizetype LogRowList::fieldCount() const
{
    if (m_counted)
        return m_fieldCount;
    qsizetype count = 0;
    for (const LogFieldList &row : m_rows)
        count += row.size();
    return count;
}
