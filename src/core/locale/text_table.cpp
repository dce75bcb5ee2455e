#include "core/locale/text_table.h"

#include "core/io/native_file.h"
#include "core/locale/built_in_texts.h"

#include <QFile>
#include <QFileInfo>
#include <QSysInfo>

#include <algorithm>
#include <cstring>
#include <new>

namespace {

constexpr QStringView kTextSeparator = u"***";
constexpr QStringView kGroupEnd = u"*******************"; // nineteen asterisks
constexpr QStringView kLineBreak = u"\r\n";

bool IsLineBreakUnit(QChar ch)
{
    return ch == u'\r' || ch == u'\n';
}

// Decodes the bytes of Config.dat: the first two bytes (the byte-order mark
// FF FE) are skipped unchecked, then (N div 2) - 1 UTF-16 little-endian code
// units follow; an odd last byte is ignored and fewer than four bytes give
// no text.
QString DecodeConfigBytes(const QByteArray &bytes)
{
    const qsizetype count = bytes.size() / 2 - 1;
    QString text;
    if (count <= 0)
        return text;
    text.resize(count);
    QChar *out = text.data();
    const auto *in = reinterpret_cast<const unsigned char *>(bytes.constData()) + 2;
    if constexpr (QSysInfo::ByteOrder == QSysInfo::LittleEndian) {
        std::memcpy(out, in, size_t(count) * 2);
    } else {
        for (qsizetype i = 0; i < count; ++i)
            out[i] = QChar(static_cast<char16_t>(in[2 * i] | (in[2 * i + 1] << 8)));
    }
    return text;
}

// The end of the last line of text that trims to the group end (the
// position of its CR LF, or the end of the text), 0 when there is none.
// Searched backward for the asterisks, so text after that line is passed
// over once, quickly.
qsizetype EndOfLastGroupEnd(QStringView all)
{
    qsizetype from = all.size();
    for (;;) {
        const qsizetype hit = all.lastIndexOf(kGroupEnd, from);
        if (hit < 0)
            return 0;
        const qsizetype lineBreak = all.first(hit).lastIndexOf(kLineBreak);
        const qsizetype lineStart = lineBreak < 0 ? 0 : lineBreak + kLineBreak.size();
        qsizetype lineEnd = all.indexOf(kLineBreak, hit);
        if (lineEnd < 0)
            lineEnd = all.size();
        if (TrimConfigWhiteSpace(all.sliced(lineStart, lineEnd - lineStart)) == kGroupEnd)
            return lineEnd;
        // Nothing else on this line can make it a group end line.
        if (lineBreak < 0)
            return 0;
        from = lineBreak;
    }
}

// The text of number for slot in table: the rule of LookupText without the
// built-in fallback.
QString TableText(const TextTable &table, int number, int slot)
{
    const auto it = table.constFind(number);
    if (it == table.cend() || it->isEmpty())
        return QString();
    if (slot >= 0 && slot < it->size())
        return it->at(slot);
    return it->first();
}

} // namespace

bool IsConfigWhiteSpace(char16_t unit)
{
    if ((unit >= 0x0009 && unit <= 0x000D) || unit == 0x0020)
        return true;
    if (unit < 0x1680)
        return false;
    return unit == 0x1680 || (unit >= 0x2000 && unit <= 0x2006) || (unit >= 0x2008 && unit <= 0x200A)
           || unit == 0x2028 || unit == 0x2029 || unit == 0x205F || unit == 0x3000;
}

QStringView TrimConfigWhiteSpace(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && IsConfigWhiteSpace(text[begin].unicode()))
        ++begin;
    while (end > begin && IsConfigWhiteSpace(text[end - 1].unicode()))
        --end;
    return text.sliced(begin, end - begin);
}

LocaleTexts::LocaleTexts()
{
    const TextTable builtIn = BuiltInTextTable();
    m_messageTexts.HelpText = builtIn.value(4000).value(0);
    m_messageTexts.SendingProgramText = builtIn.value(4001).value(0);
    m_messageTexts.SortFailedText = builtIn.value(4002).value(0);
    m_messageTexts.IntervalTooShortText = builtIn.value(4003).value(0);
    m_messageTexts.InvalidVariableText = builtIn.value(4004).value(0);
}

const QList<int> &LocaleTexts::ConfigOrder()
{
    static const QList<int> order = {
        1068, 1030, 1024, 1027, 1028, 1029, 1018, 1020, 1022, 1023, 1069, 1039, 1070, 1071,
        1035, 1043, 1044, 1045, 1051, 1072, 1036, 1,    1032, 1033, 1034, 1084, 1055, 1056,
        1057, 1058, 1059, 1060, 1061, 1063, 1064, 1065, 1066, 1062, 1067, 1042, 1073, 1074,
        1075, 1076, 1077, 1078, 1093, 1094, 4002, 4003, 4004, 4000, 4001,
    };
    return order;
}

const QList<int> &LocaleTexts::AllTextNumbers()
{
    static const QList<int> numbers = [] {
        QList<int> all = ConfigOrder();
        all << 1025 << 1046 << 1047 << 1048;
        std::sort(all.begin(), all.end());
        return all;
    }();
    return numbers;
}

namespace {

// Why a Config.dat that gave no language name or no caption group is of no
// use, as far as its bytes tell.
QString DescribeConfigProblem(const QByteArray &bytes, const QString &text, bool hasNames)
{
    const QString wanted = QStringLiteral("not UTF-16 little-endian with CR LF line ends");
    if (text.isEmpty())
        return QStringLiteral("empty (%1)").arg(wanted);
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QStringLiteral("UTF-8 with a byte-order mark, %1").arg(wanted);
    if (bytes.startsWith("\xFE\xFF"))
        return QStringLiteral("UTF-16 big-endian, %1").arg(wanted);
    if (!bytes.startsWith("\xFF\xFE")) {
        if (!bytes.contains('\0'))
            return QStringLiteral("8-bit or UTF-8 text without a byte-order mark, %1").arg(wanted);
        return wanted;
    }
    if (!text.contains(kLineBreak)) {
        if (text.contains(QLatin1Char('\n')))
            return QStringLiteral("LF-only line ends, %1").arg(wanted);
        if (text.contains(QLatin1Char('\r')))
            return QStringLiteral("CR-only line ends, %1").arg(wanted);
    }
    return hasNames ? QStringLiteral("no caption group after the language names")
                    : QStringLiteral("no language names (%1?)").arg(wanted);
}

} // namespace

bool LocaleTexts::LoadConfigFile(const QString &path)
{
    m_configProblem.clear();
    // A missing file says nothing: the built-in texts are the normal case.
    if (!QFileInfo::exists(NativeFile::FileSystemPath(path)))
        return false;
    const auto refuse = [this, &path](const QString &why) {
        m_configProblem = QStringLiteral("%1: %2; the built-in texts are used").arg(path, why);
        return false;
    };
    // Only a regular file is read, and never waited on: a named pipe or a
    // device could keep start-up waiting for ever.
    QFile file;
    bool stream = false;
    QString reason;
    if (!NativeFile::OpenForReading(file, path, false, &stream, &reason))
        return refuse(reason);
    // The size is known before anything is read, so a huge file (or a
    // sparse one) costs neither time nor memory.
    if (file.size() > MaxConfigFileBytes)
        return refuse(QStringLiteral("it holds %1 bytes, more than the %2 bytes a text table is read from")
                          .arg(file.size())
                          .arg(MaxConfigFileBytes));
    try {
        // A file that opens but fails while being read is treated like a
        // missing one, so that the built-in texts are used instead of a
        // truncated table; so is one that finds no memory to be read into.
        const QByteArray bytes = file.readAll();
        if (file.error() != QFileDevice::NoError)
            return refuse(QStringLiteral("it cannot be read (%1)").arg(file.errorString()));

        // A file that gives no language name or no caption group would blank
        // the whole interface: it counts as missing, with the reason told.
        LocaleTexts loaded(*this);
        const int captionGroups = loaded.LoadConfigBytes(bytes);
        if (loaded.m_languageNames.isEmpty() || captionGroups == 0)
            return refuse(DescribeConfigProblem(bytes, DecodeConfigBytes(bytes), !loaded.m_languageNames.isEmpty()));
        *this = std::move(loaded);
    } catch (const std::bad_alloc &) {
        return refuse(QStringLiteral("there is not enough memory to read it"));
    }
    m_fromFile = true;
    SetMessageTexts(0);
    return true;
}

int LocaleTexts::LoadConfigBytes(const QByteArray &bytes)
{
    m_textTable.clear();
    for (const int number : AllTextNumbers())
        m_textTable.insert(number, QStringList());
    m_fromFile = false;

    // On a little-endian machine the bytes after the byte-order mark are
    // the code units already: they are read where they are, not copied.
    QString decoded;
    QStringView all;
    const qsizetype units = bytes.size() / 2 - 1;
    const char *start = bytes.constData() + 2;
    if (QSysInfo::ByteOrder == QSysInfo::LittleEndian && units > 0
        && reinterpret_cast<quintptr>(start) % alignof(char16_t) == 0) {
        all = QStringView(reinterpret_cast<const char16_t *>(start), units);
    } else {
        decoded = DecodeConfigBytes(bytes);
        all = decoded;
    }

    // Content after the last group end line is never used: the lines are
    // read only up to the end of that line.
    const qsizetype usedEnd = EndOfLastGroupEnd(all);

    ConfigParseState state;
    bool firstLine = true;
    for (qsizetype begin = 0; begin < usedEnd;) {
        qsizetype end = all.indexOf(kLineBreak, begin);
        if (end < 0 || end > usedEnd)
            end = usedEnd;
        const QStringView line = all.sliced(begin, end - begin);
        // Empty lines carry nothing. A first line of a single character is
        // skipped as well, such as a second byte-order mark U+FEFF that an
        // editor left at the start of the text.
        if (!line.isEmpty() && !(firstLine && line.size() == 1))
            ParseConfigLine(line, state);
        firstLine = false;
        begin = end + kLineBreak.size();
    }

    SetMessageTexts(0);
    return int(state.orderPos);
}

void LocaleTexts::ParseConfigLine(QStringView rawLine, ConfigParseState &state)
{
    const QStringView line = TrimConfigWhiteSpace(rawLine);
    const bool isSeparator = line == kTextSeparator;
    const bool isGroupEnd = line == kGroupEnd;

    if (isSeparator || isGroupEnd) {
        // A marker closes the current text; an empty text is dropped, so a
        // group never holds one.
        // The buffer itself becomes the text, trimmed in place, so a long
        // text is not copied again.
        const QStringView closed = TrimConfigWhiteSpace(state.buffer);
        if (!closed.isEmpty()) {
            const qsizetype begin = closed.data() - state.buffer.constData();
            state.buffer.truncate(begin + closed.size());
            state.buffer.remove(0, begin);
            state.group.append(std::move(state.buffer));
        }
        state.buffer = QString();
    }

    if (isGroupEnd) {
        ++state.groupEnds;
        // An empty group still counts as a group end but takes no number.
        if (state.group.isEmpty())
            return;
        // Once all numbers have their group, further groups are ignored.
        if (state.orderPos >= ConfigOrder().size())
            return;
        // The groups ending first and second are headers: a non-empty one
        // replaces the language names, so the second wins when it has texts.
        if (state.groupEnds <= 2) {
            m_languageNames = state.group;
        } else {
            m_textTable.insert(ConfigOrder().at(state.orderPos), state.group);
            ++state.orderPos;
        }
        state.group.clear();
        state.buffer.clear();
        return;
    }

    if (isSeparator)
        return;
    // Once every number has its group no text is used any more.
    if (state.orderPos >= ConfigOrder().size())
        return;

    // A content line. Dropping the CR and LF at the end of the buffer before
    // appending CR LF and the line joins the lines of a text by one CR LF and
    // lets blank lines vanish: a blank line only adds a CR LF that the next
    // line removes again. The CR and LF at the start of the buffer stay until
    // the text is closed, where trimming removes them with the rest of the
    // white space at its ends; lines are trimmed, so no other white space
    // can stand there. The buffer thus only grows at its end.
    qsizetype end = state.buffer.size();
    while (end > 0 && IsLineBreakUnit(state.buffer.at(end - 1)))
        --end;
    state.buffer.truncate(end);
    state.buffer += kLineBreak;
    state.buffer += line;
}

void LocaleTexts::BuildBuiltInTexts()
{
    // Replaced rather than appended to (the list is empty when this runs at
    // start-up), so that a repeated call does not list the languages twice.
    m_languageNames = BuiltInLanguageNames();
    const TextTable builtIn = BuiltInTextTable();
    for (auto it = builtIn.cbegin(); it != builtIn.cend(); ++it)
        m_textTable.insert(it.key(), it.value());
    m_currentLanguage = 1;
    m_fromFile = false;
    SetMessageTexts(0);
}

QString LocaleTexts::LookupText(int number, int slot) const
{
    const QString text = TableText(m_textTable, number, slot);
    if (!text.isEmpty() || !m_fromFile)
        return text;
    // A text the file left empty: the built-in text of the number in the
    // chosen language when the file names that language, else in English.
    static const TextTable builtIn = BuiltInTextTable();
    const bool logging = number == LoggingButtonNumber;
    const int language = logging ? (slot < 0 ? slot : slot / 2) : slot;
    const qsizetype known = language >= 0 && language < m_languageNames.size()
                                ? BuiltInLanguageNames().indexOf(m_languageNames.at(language))
                                : -1;
    const int builtInLanguage = known < 0 ? 0 : int(known);
    const int builtInSlot = logging ? 2 * builtInLanguage + (slot < 0 ? 0 : slot % 2) : builtInLanguage;
    return TableText(builtIn, number, builtInSlot);
}

QString LocaleTexts::LoggingCaption(int languageSlot, bool running) const
{
    return LookupText(LoggingButtonNumber, 2 * languageSlot + (running ? 1 : 0));
}

void LocaleTexts::SetMessageTexts(int slot)
{
    m_messageTexts.SortFailedText = LookupText(4002, slot);
    m_messageTexts.IntervalTooShortText = LookupText(4003, slot);
    m_messageTexts.InvalidVariableText = LookupText(4004, slot);
    m_messageTexts.SendingProgramText = LookupText(4001, slot);
    m_messageTexts.HelpText = LookupText(4000, slot);
}

QList<ControlCaption> LocaleTexts::ApplyLanguage(int slot, bool loggingRunning)
{
    m_currentLanguage = slot + 1;
    QList<ControlCaption> captions;
    for (auto it = m_textTable.cbegin(); it != m_textTable.cend(); ++it) {
        if (it.key() >= FirstMessageNumber)
            break;
        captions.append({it.key(), LookupText(it.key(), slot)});
    }
    captions.append({LoggingButtonNumber, LoggingCaption(slot, loggingRunning)});
    SetMessageTexts(slot);
    return captions;
}

bool LocaleTexts::IsChinese() const
{
    const qsizetype slot = m_currentLanguage - 1;
    return slot >= 0 && slot < m_languageNames.size()
        && m_languageNames.at(slot) == BuiltInLanguageNames().value(1);
}

QString LocaleTexts::Pick(const QString &english, const QString &chinese) const
{
    return IsChinese() ? chinese : english;
}
