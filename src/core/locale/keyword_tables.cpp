#include "core/locale/keyword_tables.h"

#include <algorithm>
#include <iterator>

// Replacements are padded with blanks so that the Chinese text keeps the report's
// columns roughly where the English keyword had them. Row 11's key starts with
// U+00BA (masculine ordinal indicator), the character the instrument prints
// before C, not the degree sign. "Mixint Ratio" is the instrument's own spelling
// and stays beside the correctly spelt "Mixing Ratio".
const ReplacementTable &TranslationRows()
{
    static const ReplacementTable rows = {
        {QStringLiteral("File "), QStringLiteral("文件")},
        {QStringLiteral("S/N:"), QStringLiteral("序列号:")},
        {QStringLiteral("Time Constant"), QStringLiteral("时间常数     ")},
        {QStringLiteral("Log Interval"), QStringLiteral("时间间隔    ")},
        {QStringLiteral("sec"), QStringLiteral("秒")},
        {QStringLiteral("Date"), QStringLiteral("日期")},
        {QStringLiteral("Display Time"), QStringLiteral("时间常数      ")},
        {QStringLiteral("Measuring Time"), QStringLiteral("测量时间     ")},
        {QStringLiteral("Time"), QStringLiteral("时间")},
        {QStringLiteral("m/s"), QStringLiteral("米/秒")},
        {QStringLiteral("\u00BAC"), QStringLiteral("摄氏度")},
        {QStringLiteral("B-hPa"), QStringLiteral("百帕")},
        {QStringLiteral("Log "), QStringLiteral("记录")},
        {QStringLiteral("Barometer"), QStringLiteral("大气压     ")},
        {QStringLiteral("Avg Velocity"), QStringLiteral("平均值         ")},
        {QStringLiteral("Max"), QStringLiteral("最大值")},
        {QStringLiteral("Min"), QStringLiteral("最小值")},
        {QStringLiteral("Std Deviation"), QStringLiteral("标准方差        ")},
        {QStringLiteral("Signature"), QStringLiteral("签名")},
        {QStringLiteral("Avg Temp"), QStringLiteral("平均温度  ")},
        {QStringLiteral("Note"), QStringLiteral("记录")},
        {QStringLiteral("Measurements"), QStringLiteral("测量数       ")},
        {QStringLiteral("Average by Points"), QStringLiteral("点平均")},
        {QStringLiteral("Rel Humidity"), QStringLiteral("相对湿度")},
        {QStringLiteral("Temperature"), QStringLiteral("温度          ")},
        {QStringLiteral("Dew Point"), QStringLiteral("露点温度")},
        {QStringLiteral("Mixint Ratio"), QStringLiteral("绝对温度")},
        {QStringLiteral("Draught Rating"), QStringLiteral("吹风感         ")},
        {QStringLiteral("Diam."), QStringLiteral("直径")},
        {QStringLiteral("Area"), QStringLiteral("面积")},
        {QStringLiteral("Duct Traverse Flow"), QStringLiteral("点平均风量")},
        {QStringLiteral("K2-factor"), QStringLiteral("K2常数")},
        {QStringLiteral("Avg Pressure"), QStringLiteral("平均压差       ")},
        {QStringLiteral("Avg Flow"), QStringLiteral("平均风量   ")},
        {QStringLiteral("Pressure"), QStringLiteral("压差")},
        {QStringLiteral("Velocity"), QStringLiteral("风速")},
        {QStringLiteral("Avg Humidity"), QStringLiteral("平均相对湿度")},
        {QStringLiteral("Mixing Ratio"), QStringLiteral("含湿量")},
        {QStringLiteral("K-factor"), QStringLiteral("K系数        ")},
    };
    return rows;
}

const ReplacementTable &AbbreviationRows()
{
    static const ReplacementTable rows = {
        {QStringLiteral("Time Constant"), QStringLiteral("TC")},
        {QStringLiteral("Measuring Time"), QStringLiteral("MT")},
        {QStringLiteral("Barometer"), QStringLiteral("Ba")},
        {QStringLiteral("Avg Velocity"), QStringLiteral("AV")},
        {QStringLiteral("Std Deviation"), QStringLiteral("StdD")},
        {QStringLiteral("Avg Temp"), QStringLiteral("AT")},
        {QStringLiteral("Draught Rating"), QStringLiteral("DR")},
    };
    return rows;
}

void BuildKeywordTables(ReplacementTable &translationTable, ReplacementTable &abbreviationTable)
{
    translationTable.append(TranslationRows());
    abbreviationTable.append(AbbreviationRows());
}

namespace {

// Finds a key: the text is searched for the key's first character with the
// platform's vectorised character search, and the rest of the key is
// compared only where that character is. The keys of the tables start with
// capitals, which are rare in the texts they are applied to (mostly digits
// and separators), so most of a text is passed over many characters at a
// time.
class KeySearcher
{
public:
    explicit KeySearcher(QStringView key) : m_key(key) {}

    // First occurrence at or after from, -1 if none.
    qsizetype Find(QStringView text, qsizetype from) const
    {
        const qsizetype m = m_key.size();
        const qsizetype n = text.size();
        const QChar first = m_key.front();
        const char16_t *t = text.utf16();
        const char16_t *k = m_key.utf16();
        for (qsizetype pos = from; pos + m <= n; ++pos) {
            pos = text.indexOf(first, pos);
            if (pos < 0 || pos + m > n)
                return -1;
            if (std::equal(k + 1, k + m, t + pos + 1))
                return pos;
        }
        return -1;
    }

private:
    QStringView m_key;
};

// One row over the whole text in one pass: every match found left to right,
// resuming after it, and the text rebuilt once from the pieces between the
// matches and the replacements (or overwritten in place when key and
// replacement have the same length). The text is left alone when the key
// does not occur.
void ReplaceAll(QString &text, const ReplacementRow &row)
{
    const KeySearcher searcher(row.key);
    const qsizetype keyLength = row.key.size();
    qsizetype match = searcher.Find(text, 0);
    if (match < 0)
        return;
    if (row.replacement.size() == keyLength) {
        QChar *data = text.data();
        while (match >= 0) {
            std::copy(row.replacement.cbegin(), row.replacement.cend(), data + match);
            match = searcher.Find(text, match + keyLength);
        }
        return;
    }
    if (row.replacement.size() < keyLength) {
        // A shorter replacement: the text closes up in place, the writing
        // position never passing the reading one (the searches read only
        // the part not yet moved).
        QChar *data = text.data();
        qsizetype write = match;
        qsizetype done = match;
        while (match >= 0) {
            std::copy(data + done, data + match, data + write);
            write += match - done;
            std::copy(row.replacement.cbegin(), row.replacement.cend(), data + write);
            write += row.replacement.size();
            done = match + keyLength;
            match = searcher.Find(text, done);
        }
        std::copy(data + done, data + text.size(), data + write);
        text.truncate(write + (text.size() - done));
        return;
    }
    const QStringView source(text);
    QString result;
    result.reserve(row.replacement.size() > keyLength ? source.size() + source.size() / 8 : source.size());
    qsizetype done = 0;
    while (match >= 0) {
        result.append(source.sliced(done, match - done));
        result.append(row.replacement);
        done = match + keyLength;
        match = searcher.Find(source, done);
    }
    result.append(source.sliced(done));
    text = std::move(result);
}

} // namespace

QString ApplyReplacementTable(QString text, const ReplacementTable &table)
{
    for (const ReplacementRow &row : table) {
        // An empty key has nothing to find.
        if (row.key.isEmpty())
            continue;
        ReplaceAll(text, row);
    }
    return text;
}

bool ReplacementTableSpansLines(const ReplacementTable &table)
{
    for (const ReplacementRow &row : table) {
        if (row.key.contains(QLatin1Char('\n')))
            return true;
    }
    return false;
}
