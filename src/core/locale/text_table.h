// The numbered text table of the interface: captions of the dialog controls
// (numbers below 4000, each the identifier of its control) and the five
// message texts (4000 to 4004), one text per language slot; the list of
// language names; the reader of Config.dat; and the language currently
// applied. Qt Core only: the dialog sets the captions this class hands out.
#ifndef TAVIX_CORE_LOCALE_TEXT_TABLE_H
#define TAVIX_CORE_LOCALE_TEXT_TABLE_H

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QStringView>

// Text number -> texts by language slot, iterated in ascending number order.
using TextTable = QMap<int, QStringList>;

// The message texts of the current language.
struct MessageTexts
{
    QString HelpText;             // 4000, shown by the Help button
    QString SendingProgramText;   // 4001, progress note of a firmware upload
    QString SortFailedText;       // 4002, the input data cannot be sorted
    QString IntervalTooShortText; // 4003, logging interval below 0.1 s
    QString InvalidVariableText;  // 4004, the chosen graph variable does not exist
};

// One caption for the dialog to set: the control with identifier id gets text.
struct ControlCaption
{
    int id;
    QString text;

    friend bool operator==(const ControlCaption &, const ControlCaption &) = default;
};

// White space as the C library's iswspace sees it in glibc's UTF-8 locales:
// U+0009 to U+000D, U+0020, U+1680, U+2000 to U+2006, U+2008 to U+200A, U+2028,
// U+2029, U+205F and U+3000. The no-break spaces U+00A0, U+2007 and U+202F and
// U+0085 are not white space here, unlike QChar::isSpace, so a caption may
// start or end with a no-break space.
bool IsConfigWhiteSpace(char16_t unit);

// text without the IsConfigWhiteSpace code units at both ends.
QStringView TrimConfigWhiteSpace(QStringView text);

class LocaleTexts
{
public:
    // The text numbers that are message texts start here.
    static constexpr int FirstMessageNumber = 4000;
    // The logging start/stop button: two captions per language.
    static constexpr int LoggingButtonNumber = 1051;

    // Empty table and language list; the message texts hold the English
    // built-in texts; CurrentLanguage is 2 until a language is applied.
    LocaleTexts();

    // The 53 numbers the groups of Config.dat are assigned to, in file order.
    static const QList<int> &ConfigOrder();
    // All 57 numbers of the table, ascending: ConfigOrder plus 1025, 1046,
    // 1047 and 1048, which the file never supplies.
    static const QList<int> &AllTextNumbers();

    // The largest Config.dat that is read (16 MiB): hundreds of times any
    // real text table, small enough to be read at once at start-up.
    static constexpr qint64 MaxConfigFileBytes = qint64(16) << 20;

    // Reads the table from the file at path (by default Config.dat in the
    // working directory; never a Qt resource). Returns false, with nothing
    // changed, when the file is missing, is not a regular file (a named pipe
    // would keep the read waiting), cannot be opened, holds more than
    // MaxConfigFileBytes (nothing of it is read then), cannot be read to its
    // end or finds no memory to be read into, or gives no language name or
    // no caption group (another encoding, other line ends, an empty file):
    // such a file counts as missing, so the built-in texts are used. For
    // every reason but a missing file ConfigProblem() then says what was wrong.
    // Otherwise loads it with LoadConfigBytes and returns true.
    bool LoadConfigFile(const QString &path = QStringLiteral("Config.dat"));

    // Why the last LoadConfigFile did not use an existing file, in one line
    // naming the file; empty when it was used or simply missing.
    const QString &ConfigProblem() const { return m_configProblem; }

    // Loads the table from the bytes of a Config.dat file: every one of the 57
    // numbers gets an empty list, the file's groups fill the language names
    // and the lists, and the message texts are set from slot 0. This is the
    // file's reading alone: texts the file leaves empty stay empty here. Never fails:
    // bytes in another encoding simply hold no groups. Returns the number of
    // groups given to numbers of ConfigOrder. Time and memory are linear in
    // the file: text after the last group end line is not looked at.
    int LoadConfigBytes(const QByteArray &bytes);

    // Fills the language names and all 57 lists with the built-in texts, then
    // applies the first language: CurrentLanguage becomes 1 and the message
    // texts are set from slot 0.
    void BuildBuiltInTexts();

    // The text of number for a language slot: the list's text at slot when the
    // list has more than slot texts; otherwise its first text; the empty
    // string for an empty list or a number not in the table. A negative slot
    // has no text of its own and gives the first text. When the table comes
    // from LoadConfigFile, a text that would be empty is the built-in text of the
    // number instead: in the slot's language when the file's name of it is a
    // built-in language name ("English", "中文"), else in English.
    QString LookupText(int number, int slot) const;

    // The logging button's caption for a language slot: the stop caption
    // (slot 2i+1) while logging runs, the start caption (slot 2i) otherwise.
    QString LoggingCaption(int languageSlot, bool running) const;

    // Sets the five message texts from LookupText(number, slot), in the order
    // 4002, 4003, 4004, 4001, 4000.
    void SetMessageTexts(int slot);

    // Makes the language of slot current: CurrentLanguage becomes slot + 1 and
    // the message texts are set from that slot. Returns the captions the
    // dialog sets, in order: every number below 4000 in ascending order with
    // LookupText(number, slot), then the logging button once more with
    // LoggingCaption(slot, loggingRunning), which therefore wins.
    QList<ControlCaption> ApplyLanguage(int slot, bool loggingRunning);

    const TextTable &textTable() const { return m_textTable; }
    const QStringList &LanguageNames() const { return m_languageNames; }
    const MessageTexts &CurrentMessageTexts() const { return m_messageTexts; }
    // 1-based number of the language applied last.
    int CurrentLanguage() const { return m_currentLanguage; }

    // True while the language applied is Chinese: the language list names
    // it as the built-in texts name Chinese ("中文").
    bool IsChinese() const;
    // A text the program says beyond the table (a message of its own) in the
    // current language: chinese while IsChinese(), else english. Every such
    // text of the window exists in both.
    QString Pick(const QString &english, const QString &chinese) const;

private:
    // What ParseConfigLine keeps between the lines of one load.
    struct ConfigParseState
    {
        QString buffer;         // the text under construction
        QStringList group;      // texts closed since the last group end
        int groupEnds = 0;      // group end lines seen, empty groups included
        qsizetype orderPos = 0; // next number of ConfigOrder to receive a group
    };

    void ParseConfigLine(QStringView line, ConfigParseState &state);

    TextTable m_textTable;
    bool m_fromFile = false; // LoadConfigFile filled the table: empty texts fall back
    QString m_configProblem;
    QStringList m_languageNames;
    MessageTexts m_messageTexts;
    int m_currentLanguage = 2;
};

#endif
