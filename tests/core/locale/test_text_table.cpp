// Tests of the numbered text table: the Config.dat reader and its edge cases,
// the lookup fallbacks, the built-in texts, the language switch and the
// sample Config.dat shipped with the program.
#include "core/locale/text_table.h"
#include "config_file_writer.h"
#include "core/locale/built_in_texts.h"
#include "core/locale/help_texts.h"
#include "core/locale/system_reasons.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cerrno>
#include <initializer_list>
#include <utility>

namespace {

const QString GE = kGroupEndLine;
const QString SEP = kSeparatorLine;

// A header group and the language-name group "English" / "中文".
QStringList Headers()
{
    return {QStringLiteral("Header"), GE, QStringLiteral("English"), SEP, QStringLiteral("中文"), GE};
}

// All 57 numbers with empty lists, except the given ones.
TextTable Table(std::initializer_list<std::pair<int, QStringList>> lists = {})
{
    TextTable table;
    for (const int number : LocaleTexts::AllTextNumbers())
        table.insert(number, QStringList());
    for (const auto &[number, texts] : lists)
        table.insert(number, texts);
    return table;
}

const QStringList kEnglishChinese = {QStringLiteral("English"), QStringLiteral("中文")};

} // namespace

class TestTextTable : public QObject
{
    Q_OBJECT

private slots:
    void initialMessageTextsAreEnglish();

    void parseLines_data();
    void parseLines();

    void parseBytes_data();
    void parseBytes();
    void loadKeepsLanguageNamesWhenFileHasNone();
    void loadResetsBuiltInTable();
    void missingSortFailedGroupGivesEmptyText();
    void groupsBeyondTheLastNumberAreIgnored();

    void lookupText_data();
    void lookupText();
    void loggingCaption_data();
    void loggingCaption();

    void loadConfigFileFailures();
    void loadConfigFileReadsFile();
    void unusableFileCountsAsMissing_data();
    void unusableFileCountsAsMissing();
    void namedPipeCountsAsMissing();
    void largeOrUnreadableFileCountsAsMissing_data();
    void largeOrUnreadableFileCountsAsMissing();
    void emptyTextsFallBackToBuiltIn();

    void configOrder();
    void builtInTableHasAllNumbers();
    void builtInRows_data();
    void builtInRows();
    void builtInSortFailedQuotes();
    void buildBuiltInAppliesFirstLanguage();

    void applyLanguage();
    void applyLanguageThirdLanguageFallsBack();

    void whiteSpace_data();
    void whiteSpace();

    void sampleConfigFileMatchesBuiltIn();

    void systemReasons_data();
    void systemReasons();
};

void TestTextTable::initialMessageTextsAreEnglish()
{
    const LocaleTexts texts;
    QVERIFY(texts.textTable().isEmpty());
    QVERIFY(texts.LanguageNames().isEmpty());
    QCOMPARE(texts.CurrentLanguage(), 2);
    QCOMPARE(texts.CurrentMessageTexts().IntervalTooShortText,
             QStringLiteral("The interval should be bigger than 0.1s!"));
    QCOMPARE(texts.CurrentMessageTexts().InvalidVariableText,
             QStringLiteral("No corresponding variation, please choose Variation again!"));
    QCOMPARE(texts.CurrentMessageTexts().SendingProgramText,
             QStringLiteral("Sending program,\r\nplease be patient!\r\n"));
    QVERIFY(texts.CurrentMessageTexts().SortFailedText.startsWith(QStringLiteral("Data can not be sorted")));
    QVERIFY(texts.CurrentMessageTexts().HelpText.startsWith(QStringLiteral("TavixTerminal 2.0\r\n  \r\n")));
}

void TestTextTable::parseLines_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<TextTable>("table");

    QTest::newRow("well-formed start")
        << (Headers() << "Open:" << SEP << "打开:" << GE << "Search" << SEP << "搜索" << GE) << kEnglishChinese
        << Table({{1068, {"Open:", "打开:"}}, {1030, {"Search", "搜索"}}});

    QTest::newRow("markers with blanks and tabs around them")
        << (QStringList{"Header", " \t******************* ", "English", "  ***\t", "中文", "\t*******************"}
            << "Open:" << "\t *** " << "打开:" << "*******************   ")
        << kEnglishChinese << Table({{1068, {"Open:", "打开:"}}});

    QTest::newRow("markers with ideographic spaces around them")
        << (Headers() << "Open:" << QStringLiteral("\u3000***\u2003") << "打开:" << QStringLiteral("\u3000") + GE)
        << kEnglishChinese << Table({{1068, {"Open:", "打开:"}}});

    QTest::newRow("a no-break space is not white space")
        << (Headers() << QStringLiteral("\u00A0***") << GE) << kEnglishChinese
        << Table({{1068, {QStringLiteral("\u00A0***")}}});

    QTest::newRow("twenty asterisks are content")
        << (Headers() << "a" << "********************" << GE) << kEnglishChinese
        << Table({{1068, {"a\r\n********************"}}});

    QTest::newRow("four asterisks are content")
        << (Headers() << "****" << SEP << "b" << GE) << kEnglishChinese << Table({{1068, {"****", "b"}}});

    QTest::newRow("two asterisks are content")
        << (Headers() << "**" << GE) << kEnglishChinese << Table({{1068, {"**"}}});

    QTest::newRow("two separators in a row add no empty text")
        << (Headers() << "a" << SEP << SEP << "b" << SEP << GE) << kEnglishChinese << Table({{1068, {"a", "b"}}});

    QTest::newRow("separator right after the group end adds no empty text")
        << (Headers() << SEP << "a" << GE) << kEnglishChinese << Table({{1068, {"a"}}});

    QTest::newRow("empty group after the headers does not shift the assignment")
        << (Headers() << GE << "Search" << GE << SEP << GE << "Open" << GE) << kEnglishChinese
        << Table({{1068, {"Search"}}, {1030, {"Open"}}});

    QTest::newRow("empty first header group still counts")
        << QStringList{GE, "English", SEP, "中文", GE, "Open:", GE} << kEnglishChinese
        << Table({{1068, {"Open:"}}});

    QTest::newRow("first header group names the languages when the second is empty")
        << QStringList{"English", SEP, "Deutsch", GE, GE, "Open:", GE}
        << QStringList{"English", "Deutsch"} << Table({{1068, {"Open:"}}});

    QTest::newRow("second header group replaces the first")
        << QStringList{"Free", SEP, "form", GE, "English", GE, "Open:", GE} << QStringList{"English"}
        << Table({{1068, {"Open:"}}});

    QTest::newRow("file starting with an empty line")
        << (QStringList{""} << Headers() << "Open:" << GE) << kEnglishChinese << Table({{1068, {"Open:"}}});

    QTest::newRow("first line of a single character is skipped")
        << QStringList{"A", GE, GE, "Open:", GE} << QStringList() << Table({{1068, {"Open:"}}});

    QTest::newRow("first line of a byte-order mark is skipped")
        << QStringList{QStringLiteral("\uFEFF"), GE, GE, "Open:", GE} << QStringList()
        << Table({{1068, {"Open:"}}});

    QTest::newRow("single character after a leading empty line is content")
        << QStringList{"", "A", GE, GE, "Open:", GE} << QStringList{"A"} << Table({{1068, {"Open:"}}});

    QTest::newRow("single character later on is content")
        << (Headers() << "T" << GE) << kEnglishChinese << Table({{1068, {"T"}}});

    QTest::newRow("three-line text: blank line vanishes, words trimmed")
        << (Headers() << "  alpha  " << "      " << "beta   " << GE) << kEnglishChinese
        << Table({{1068, {"alpha\r\nbeta"}}});

    QTest::newRow("lines of a text are trimmed and joined by one CR LF")
        << (Headers() << "\tone" << "two\t" << " three " << GE) << kEnglishChinese
        << Table({{1068, {"one\r\ntwo\r\nthree"}}});

    QTest::newRow("lone CR inside a line is kept")
        << (Headers() << "a\rb" << GE) << kEnglishChinese << Table({{1068, {"a\rb"}}});

    QTest::newRow("lone LF at the ends of a line is trimmed")
        << (Headers() << "\na\n" << "b" << GE) << kEnglishChinese << Table({{1068, {"a\r\nb"}}});

    QTest::newRow("text of blank lines only is dropped")
        << (Headers() << "   " << "\t" << SEP << "x" << GE) << kEnglishChinese << Table({{1068, {"x"}}});

    QTest::newRow("group of blank lines only is empty and skipped")
        << (Headers() << "   " << GE << "x" << GE) << kEnglishChinese << Table({{1068, {"x"}}});

    QTest::newRow("content after the last group end is ignored")
        << (Headers() << "Open:" << GE << "Search" << SEP << "搜索") << kEnglishChinese
        << Table({{1068, {"Open:"}}});

    QTest::newRow("no group end: nothing is assigned")
        << QStringList{"English", SEP, "中文", SEP} << QStringList() << Table();

    QTest::newRow("only the header group")
        << QStringList{"English", SEP, "中文", GE} << kEnglishChinese << Table();

    QTest::newRow("three language names")
        << QStringList{"H", "x", GE, "English", SEP, "中文", SEP, "Deutsch", GE}
        << QStringList{"English", "中文", "Deutsch"} << Table();
}

void TestTextTable::parseLines()
{
    QFETCH(QStringList, lines);
    QFETCH(QStringList, names);
    QFETCH(TextTable, table);

    LocaleTexts texts;
    texts.LoadConfigBytes(ConfigFileBytes(lines));
    QCOMPARE(texts.LanguageNames(), names);
    QCOMPARE(texts.textTable(), table);
    QCOMPARE(texts.CurrentMessageTexts().HelpText, QString());
}

void TestTextTable::parseBytes_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QStringList>("texts1068");

    // "E" GE "中" GE "O" GE as UTF-16 LE: E = 45 00, 中 = 2D 4E, O = 4F 00,
    // * = 2A 00, CR LF = 0D 00 0A 00.
    QByteArray body;
    const auto unit = [&body](char16_t u) {
        body.append(char(u & 0xFF));
        body.append(char(u >> 8));
    };
    const auto line = [&](std::initializer_list<char16_t> units) {
        for (const char16_t u : units)
            unit(u);
        unit(u'\r');
        unit(u'\n');
    };
    const auto groupEnd = [&] {
        for (int i = 0; i < 19; ++i)
            unit(u'*');
        unit(u'\r');
        unit(u'\n');
    };
    line({u'H', u'd'});
    groupEnd();
    line({u'E', u'n'});
    line({u'*', u'*', u'*'});
    line({u'\u4E2D', u'\u6587'});
    groupEnd();
    line({u'O', u'k'});
    groupEnd();

    const QByteArray bom("\xFF\xFE", 2);
    QTest::newRow("empty file") << QByteArray() << QStringList() << QStringList();
    QTest::newRow("file of one byte") << QByteArray("\xFF", 1) << QStringList() << QStringList();
    QTest::newRow("byte-order mark only") << bom << QStringList() << QStringList();
    QTest::newRow("byte-order mark and one byte") << bom + '*' << QStringList() << QStringList();
    QTest::newRow("UTF-16 LE with byte-order mark")
        << bom + body << QStringList{"En", "中文"} << QStringList{"Ok"};
    QTest::newRow("odd last byte is ignored")
        << bom + body + 'X' << QStringList{"En", "中文"} << QStringList{"Ok"};
    QTest::newRow("first two bytes are not checked")
        << QByteArray("AB") + body << QStringList{"En", "中文"} << QStringList{"Ok"};
    QTest::newRow("no CR LF after the last group end")
        << bom + body.chopped(4) << QStringList{"En", "中文"} << QStringList{"Ok"};
    QTest::newRow("file without byte-order mark loses its first character")
        << body << QStringList{"En", "中文"} << QStringList{"Ok"};

    QByteArray bigEndian;
    for (qsizetype i = 0; i + 1 < body.size(); i += 2)
        bigEndian.append(body[i + 1]).append(body[i]);
    QTest::newRow("UTF-16 big-endian gives no groups")
        << QByteArray("\xFE\xFF", 2) + bigEndian << QStringList() << QStringList();
    QTest::newRow("UTF-8 gives no groups")
        << QByteArray("\xEF\xBB\xBFHd\r\n*******************\r\nEn\r\n***\r\n\xE4\xB8\xAD\r\n"
                      "*******************\r\nOk\r\n*******************\r\n")
        << QStringList() << QStringList();
}

void TestTextTable::parseBytes()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, names);
    QFETCH(QStringList, texts1068);

    LocaleTexts texts;
    texts.LoadConfigBytes(bytes);
    QCOMPARE(texts.LanguageNames(), names);
    QCOMPARE(texts.textTable(), Table({{1068, texts1068}}));
    QCOMPARE(texts.CurrentMessageTexts().SortFailedText, QString());
    QCOMPARE(texts.CurrentMessageTexts().HelpText, QString());
}

void TestTextTable::loadKeepsLanguageNamesWhenFileHasNone()
{
    LocaleTexts texts;
    texts.LoadConfigBytes(ConfigFileBytes({"Deutsch", SEP, "Français", GE}));
    texts.LoadConfigBytes(QByteArray("\xEF\xBB\xBFno groups here", 17));
    QCOMPARE(texts.LanguageNames(), (QStringList{"Deutsch", "Français"}));
    QCOMPARE(texts.textTable(), Table());
}

void TestTextTable::loadResetsBuiltInTable()
{
    LocaleTexts texts;
    texts.BuildBuiltInTexts();
    texts.LoadConfigBytes(ConfigFileBytes(Headers() << "Open:" << GE));
    QCOMPARE(texts.textTable(), Table({{1068, {"Open:"}}}));
    QCOMPARE(texts.LookupText(1, 0), QString());
    QCOMPARE(texts.CurrentMessageTexts().IntervalTooShortText, QString());
}

void TestTextTable::missingSortFailedGroupGivesEmptyText()
{
    // Groups for the 48 caption numbers of ConfigOrder, then the file ends:
    // 4002 and the other message numbers get no group.
    QStringList lines = Headers();
    for (int i = 0; i < 48; ++i)
        lines << QStringLiteral("caption %1").arg(i) << GE;
    LocaleTexts texts;
    texts.LoadConfigBytes(ConfigFileBytes(lines));
    QCOMPARE(texts.LookupText(1094, 0), QStringLiteral("caption 47"));
    QCOMPARE(texts.LookupText(1068, 1), QStringLiteral("caption 0"));
    QCOMPARE(texts.textTable().value(4002), QStringList());
    QCOMPARE(texts.CurrentMessageTexts().SortFailedText, QString());
    QCOMPARE(texts.CurrentMessageTexts().IntervalTooShortText, QString());
    QCOMPARE(texts.CurrentMessageTexts().InvalidVariableText, QString());
    QCOMPARE(texts.CurrentMessageTexts().SendingProgramText, QString());
    QCOMPARE(texts.CurrentMessageTexts().HelpText, QString());
}

void TestTextTable::groupsBeyondTheLastNumberAreIgnored()
{
    // 53 groups fill ConfigOrder; 4001 is the last number. A 54th group and a
    // trailing text change nothing.
    QStringList lines = Headers();
    for (int i = 0; i < 53; ++i)
        lines << QStringLiteral("g%1").arg(i) << SEP << QStringLiteral("z%1").arg(i) << GE;
    lines << "extra" << GE << "tail";
    LocaleTexts texts;
    texts.LoadConfigBytes(ConfigFileBytes(lines));
    QCOMPARE(texts.textTable().value(1068), (QStringList{"g0", "z0"}));
    QCOMPARE(texts.textTable().value(1051), (QStringList{"g18", "z18"}));
    QCOMPARE(texts.textTable().value(4002), (QStringList{"g48", "z48"}));
    QCOMPARE(texts.textTable().value(4000), (QStringList{"g51", "z51"}));
    QCOMPARE(texts.textTable().value(4001), (QStringList{"g52", "z52"}));
    QCOMPARE(texts.textTable().size(), 57);
    for (const int number : {1025, 1046, 1047, 1048})
        QCOMPARE(texts.textTable().value(number), QStringList());
    QCOMPARE(texts.CurrentMessageTexts().SortFailedText, QStringLiteral("g48"));
    QCOMPARE(texts.CurrentMessageTexts().IntervalTooShortText, QStringLiteral("g49"));
    QCOMPARE(texts.CurrentMessageTexts().InvalidVariableText, QStringLiteral("g50"));
    QCOMPARE(texts.CurrentMessageTexts().HelpText, QStringLiteral("g51"));
    QCOMPARE(texts.CurrentMessageTexts().SendingProgramText, QStringLiteral("g52"));
}

void TestTextTable::lookupText_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<int>("slot");
    QTest::addColumn<QString>("expected");

    // 1068 has three texts, 1030 two, 1024 one, 1027 none; 9999 is not in the table.
    QTest::newRow("three texts, slot 0") << 1068 << 0 << "O-en";
    QTest::newRow("three texts, slot 2") << 1068 << 2 << "O-de";
    QTest::newRow("three texts, slot 3 falls back") << 1068 << 3 << "O-en";
    QTest::newRow("two texts, slot 1") << 1030 << 1 << "S-zh";
    QTest::newRow("two texts, slot 2 falls back") << 1030 << 2 << "S-en";
    QTest::newRow("one text, slot 1 falls back") << 1024 << 1 << "P";
    QTest::newRow("negative slot gives first text") << 1068 << -1 << "O-en";
    QTest::newRow("empty list") << 1027 << 0 << "";
    QTest::newRow("empty list, slot 2") << 1027 << 2 << "";
    QTest::newRow("unknown number") << 9999 << 0 << "";
    QTest::newRow("unknown negative number") << -5 << 1 << "";
}

void TestTextTable::lookupText()
{
    QFETCH(int, number);
    QFETCH(int, slot);
    QFETCH(QString, expected);

    LocaleTexts texts;
    texts.LoadConfigBytes(ConfigFileBytes({"H", GE, "English", SEP, "中文", SEP, "Deutsch", GE, "O-en", SEP,
                                           "O-zh", SEP, "O-de", GE, "S-en", SEP, "S-zh", GE, "P", GE}));
    QCOMPARE(texts.LanguageNames().size(), 3);
    QCOMPARE(texts.LookupText(number, slot), expected);
}

void TestTextTable::loggingCaption_data()
{
    QTest::addColumn<int>("languageSlot");
    QTest::addColumn<bool>("running");
    QTest::addColumn<QString>("expected");

    QTest::newRow("English stopped") << 0 << false << "Start Logging";
    QTest::newRow("English running") << 0 << true << "Stop Logging";
    QTest::newRow("Chinese stopped") << 1 << false << "开始记录";
    QTest::newRow("Chinese running") << 1 << true << "停止记录";
    QTest::newRow("third language falls back to the first text") << 2 << true << "Start Logging";
}

void TestTextTable::loggingCaption()
{
    QFETCH(int, languageSlot);
    QFETCH(bool, running);
    QFETCH(QString, expected);

    LocaleTexts texts;
    texts.BuildBuiltInTexts();
    QCOMPARE(texts.LoggingCaption(languageSlot, running), expected);
}

void TestTextTable::loadConfigFileFailures()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());

    LocaleTexts texts;
    texts.BuildBuiltInTexts();
    const TextTable before = texts.textTable();

    QVERIFY(!texts.LoadConfigFile(dir.filePath(QStringLiteral("Config.dat"))));
    QVERIFY(!texts.LoadConfigFile(dir.path()));
    QCOMPARE(texts.textTable(), before);
    QCOMPARE(texts.LanguageNames(), kEnglishChinese);
    QCOMPARE(texts.CurrentMessageTexts().IntervalTooShortText,
             QStringLiteral("The interval should be bigger than 0.1s!"));

    // A file that opens but cannot be read: the memory file of this process
    // fails with an I/O error at offset 0.
    QFile mem(QStringLiteral("/proc/self/mem"));
    if (!mem.open(QIODevice::ReadOnly))
        QSKIP("/proc/self/mem cannot be opened here");
    mem.readAll();
    if (mem.error() == QFileDevice::NoError)
        QSKIP("/proc/self/mem reads without error here");
    mem.close();
    QVERIFY(!texts.LoadConfigFile(QStringLiteral("/proc/self/mem")));
    QCOMPARE(texts.textTable(), before);
    QCOMPARE(texts.LanguageNames(), kEnglishChinese);
}

void TestTextTable::loadConfigFileReadsFile()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QFile file(dir.filePath(QStringLiteral("Config.dat")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(ConfigFileBytes(Headers() << "Open:" << SEP << "打开:" << GE));
    file.close();

    LocaleTexts texts;
    QVERIFY(texts.LoadConfigFile(file.fileName()));
    QCOMPARE(texts.LanguageNames(), kEnglishChinese);
    QCOMPARE(texts.textTable(), Table({{1068, {"Open:", "打开:"}}}));

    // The default name is Config.dat in the working directory.
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir.path()));
    LocaleTexts fromWorkingDir;
    const bool loaded = fromWorkingDir.LoadConfigFile();
    QVERIFY(QDir::setCurrent(previous));
    QVERIFY(loaded);
    QCOMPARE(fromWorkingDir.LookupText(1068, 1), QStringLiteral("打开:"));

    // The texts the file leaves empty are the built-in ones of the language.
    QCOMPARE(texts.LookupText(1030, 0), QStringLiteral("Search"));
    QCOMPARE(texts.LookupText(1030, 1), QStringLiteral("搜索"));
    QCOMPARE(texts.CurrentMessageTexts().IntervalTooShortText,
             QStringLiteral("The interval should be bigger than 0.1s!"));
}

void TestTextTable::unusableFileCountsAsMissing_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("reason");

    const QByteArray good = ConfigFileBytes(Headers() << "Open:" << GE);
    QString text = QString::fromUtf8("Header\r\n*******************\r\nEnglish\r\n*******************\r\n"
                                     "Open:\r\n*******************\r\n");
    QByteArray bigEndian("\xFE\xFF", 2);
    for (const QChar ch : text)
        bigEndian.append(char(ch.unicode() >> 8)).append(char(ch.unicode() & 0xFF));
    // The same file with its CR LF cut down to LF or CR.
    QByteArray lfOnly = good;
    lfOnly.replace(QByteArray("\r\0\n\0", 4), QByteArray("\n\0", 2));
    QByteArray crOnly = good;
    crOnly.replace(QByteArray("\r\0\n\0", 4), QByteArray("\r\0", 2));
    QByteArray random;
    quint32 x = 12345;
    for (int i = 0; i < 4096; ++i) {
        x = x * 1103515245u + 12345u;
        random.append(char(x >> 24));
    }

    QTest::newRow("UTF-8 without byte-order mark") << text.toUtf8() << "8-bit or UTF-8 text";
    QTest::newRow("UTF-8 with byte-order mark") << QByteArray("\xEF\xBB\xBF") + text.toUtf8() << "UTF-8 with a byte-order mark";
    QTest::newRow("UTF-16 big-endian") << bigEndian << "UTF-16 big-endian";
    QTest::newRow("LF-only line ends") << lfOnly << "LF-only line ends";
    QTest::newRow("CR-only line ends") << crOnly << "CR-only line ends";
    QTest::newRow("empty") << QByteArray() << "empty";
    QTest::newRow("byte-order mark only") << QByteArray("\xFF\xFE", 2) << "empty";
    QTest::newRow("random bytes") << random << "not UTF-16 little-endian with CR LF line ends";
    QTest::newRow("language names but no caption group")
        << ConfigFileBytes(Headers()) << "no caption group after the language names";
}

void TestTextTable::unusableFileCountsAsMissing()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("Config.dat"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();

    LocaleTexts texts;
    QVERIFY(!texts.LoadConfigFile(path));
    // Nothing was changed: the start-up builds the built-in texts next.
    QVERIFY(texts.textTable().isEmpty());
    QVERIFY(texts.LanguageNames().isEmpty());
    QCOMPARE(texts.CurrentMessageTexts().IntervalTooShortText,
             QStringLiteral("The interval should be bigger than 0.1s!"));
    QVERIFY2(texts.ConfigProblem().startsWith(path + QStringLiteral(": ")), qPrintable(texts.ConfigProblem()));
    QVERIFY2(texts.ConfigProblem().contains(reason), qPrintable(texts.ConfigProblem()));
    QVERIFY(!texts.ConfigProblem().contains(QLatin1Char('\n')));

    // A missing file says nothing, as before.
    QVERIFY(!texts.LoadConfigFile(dir.filePath(QStringLiteral("none.dat"))));
    QCOMPARE(texts.ConfigProblem(), QString());
}

void TestTextTable::namedPipeCountsAsMissing()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("Config.dat"));
    if (QProcess::execute(QStringLiteral("mkfifo"), {path}) != 0)
        QSKIP("mkfifo is not available");
    // Opening a pipe without a writer would wait for ever.
    LocaleTexts texts;
    QVERIFY(!texts.LoadConfigFile(path));
    QVERIFY(texts.textTable().isEmpty());
    QVERIFY(texts.ConfigProblem().contains(QStringLiteral("not a regular file")));
}

void TestTextTable::largeOrUnreadableFileCountsAsMissing_data()
{
    // A good file grown to size (sparse: the system gives zeros without
    // storing them), or another path. Each is told in one line, the table
    // unchanged, and nothing of a file past the limit is read.
    QTest::addColumn<qint64>("size");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("reason");
    const qint64 limit = LocaleTexts::MaxConfigFileBytes;
    QTest::newRow("3 GB, sparse") << (qint64(3) << 30) << QString()
                                  << "it holds 3221225472 bytes, more than the 16777216 bytes a text table is read from";
    QTest::newRow("one byte over the limit") << limit + 1 << QString()
                                             << "it holds 16777217 bytes, more than the 16777216 bytes";
    QTest::newRow("a read that fails") << qint64(0) << QStringLiteral("/proc/self/mem")
                                       << "/proc/self/mem: it cannot be read (";
}

void TestTextTable::largeOrUnreadableFileCountsAsMissing()
{
    QFETCH(qint64, size);
    QFETCH(QString, path);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    if (path.isEmpty()) {
        path = dir.filePath(QStringLiteral("Config.dat"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(ConfigFileBytes(Headers() << "Open:" << GE));
        QVERIFY(file.resize(size));
    }
    LocaleTexts texts;
    const QString result = QStringLiteral("%1 %2 %3")
                               .arg(texts.LoadConfigFile(path))
                               .arg(texts.textTable().size())
                               .arg(texts.ConfigProblem());
    QVERIFY2(result.startsWith(QStringLiteral("0 0 %1: ").arg(path)), qPrintable(result));
    QVERIFY2(result.contains(reason), qPrintable(result));
    QVERIFY2(result.endsWith(QStringLiteral("; the built-in texts are used")), qPrintable(result));
}

void TestTextTable::emptyTextsFallBackToBuiltIn()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("Config.dat"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    // German (not a built-in language) and Chinese; 1068 and 1030 given, 1030
    // for German only; the rest, 1051 and the messages included, missing.
    file.write(ConfigFileBytes({"H", GE, "Deutsch", SEP, "中文", GE, "Offen:", SEP, "开:", GE, "Suchen", GE}));
    file.close();

    LocaleTexts texts;
    QVERIFY(texts.LoadConfigFile(path));
    QCOMPARE(texts.LookupText(1068, 0), QStringLiteral("Offen:"));
    QCOMPARE(texts.LookupText(1068, 1), QStringLiteral("开:"));
    // A short list still gives its first text.
    QCOMPARE(texts.LookupText(1030, 1), QStringLiteral("Suchen"));
    // Empty: German falls back to English, Chinese to Chinese.
    QCOMPARE(texts.LookupText(1024, 0), QStringLiteral("Open"));
    QCOMPARE(texts.LookupText(1024, 1), QStringLiteral("打开"));
    QCOMPARE(texts.LoggingCaption(0, true), QStringLiteral("Stop Logging"));
    QCOMPARE(texts.LoggingCaption(1, false), QStringLiteral("开始记录"));
    QCOMPARE(texts.CurrentMessageTexts().SortFailedText, BuiltInTextTable().value(4002).at(0));
    texts.ApplyLanguage(1, false);
    QCOMPARE(texts.CurrentMessageTexts().IntervalTooShortText, QStringLiteral("最小时间间隔应大于0.1s!"));
    // The file's own reading keeps them empty.
    QCOMPARE(texts.textTable().value(1024), QStringList());
}

void TestTextTable::configOrder()
{
    const QList<int> &order = LocaleTexts::ConfigOrder();
    QCOMPARE(order.size(), 53);
    QCOMPARE(order.first(), 1068);
    QCOMPARE(order.at(18), 1051);
    QCOMPARE(order.at(21), 1);
    QCOMPARE(order.at(47), 1094);
    QCOMPARE(order.mid(48), (QList<int>{4002, 4003, 4004, 4000, 4001}));
    QCOMPARE(QSet<int>(order.begin(), order.end()).size(), 53);
    for (const int hidden : {1025, 1046, 1047, 1048})
        QVERIFY(!order.contains(hidden));

    const QList<int> &all = LocaleTexts::AllTextNumbers();
    QCOMPARE(all.size(), 57);
    QCOMPARE(all.first(), 1);
    QCOMPARE(all.at(1), 1018);
    QCOMPARE(all.last(), 4004);
    QVERIFY(std::is_sorted(all.begin(), all.end()));
}

void TestTextTable::builtInTableHasAllNumbers()
{
    const TextTable table = BuiltInTextTable();
    QCOMPARE(table.keys(), LocaleTexts::AllTextNumbers());
    for (auto it = table.cbegin(); it != table.cend(); ++it) {
        QCOMPARE(it.value().size(), it.key() == 1051 ? 4 : 3);
        QVERIFY2(!it.value().at(0).isEmpty(), qPrintable(QString::number(it.key())));
        QVERIFY2(!it.value().at(1).isEmpty(), qPrintable(QString::number(it.key())));
    }
    QCOMPARE(BuiltInLanguageNames(), kEnglishChinese);
}

void TestTextTable::builtInRows_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<QStringList>("texts");

    QTest::newRow("1 EXIT") << 1 << QStringList{"EXIT", "退出", ""};
    QTest::newRow("1068 label with colon") << 1068 << QStringList{"Open:", "打开:", ""};
    QTest::newRow("1028 without trailing blank") << 1028 << QStringList{"Serial Number", "设备码", ""};
    QTest::newRow("1025 hidden translate button")
        << 1025 << QStringList{"Translate keywords into chinese and save", "译成中文保存", ""};
    QTest::newRow("1033 copy sorted data") << 1033 << QStringList{"Copy to clipboard", "拷贝", ""};
    QTest::newRow("1023 copy input data") << 1023 << QStringList{"Copy to clipboard", "复制", ""};
    QTest::newRow("1043 same in every slot") << 1043 << QStringList{"QRT 03 Logp", "QRT 03 Logp", "QRT 03 Logp"};
    QTest::newRow("1047 hidden log type")
        << 1047 << QStringList{"QRT Log no interval", "QRT Log no interval", "QRT Log no interval"};
    QTest::newRow("1060 DR%") << 1060 << QStringList{"DR%", "DR%", "DR%"};
    QTest::newRow("1072 same English, empty third") << 1072 << QStringList{"Intervals/s", "Intervals/s", ""};
    QTest::newRow("1051 start and stop captions")
        << 1051 << QStringList{"Start Logging", "Stop Logging", "开始记录", "停止记录"};
    QTest::newRow("1076 language selection") << 1076 << QStringList{"Language selection", "语言选择(Language)", ""};
    QTest::newRow("1074 sort group") << 1074 << QStringList{"Sort data from Tavix3000", "对Tavix3000数据排序", ""};
    QTest::newRow("1094 Help") << 1094 << QStringList{"Help", "帮助", ""};
    QTest::newRow("4001 progress note")
        << 4001 << QStringList{"Sending program,\r\nplease be patient!\r\n", "写程序中,\r\n请耐心等待!\r\n", ""};
    QTest::newRow("4003 interval")
        << 4003 << QStringList{"The interval should be bigger than 0.1s!", "最小时间间隔应大于0.1s!", ""};
    QTest::newRow("4004 invalid variable, full-width comma and exclamation mark")
        << 4004
        << QStringList{"No corresponding variation, please choose Variation again!",
                       QStringLiteral("无效选项\uFF0C请重选\uFF01"), ""};
}

void TestTextTable::builtInRows()
{
    QFETCH(int, number);
    QFETCH(QStringList, texts);
    QCOMPARE(BuiltInTextTable().value(number), texts);
}

void TestTextTable::builtInSortFailedQuotes()
{
    const QStringList texts = BuiltInTextTable().value(4002);
    const QString english = texts.at(0);
    QCOMPARE(english.size(), 169);
    QVERIFY(english.startsWith(QStringLiteral("Data can not be sorted, it maybe caused by uncompleted file transfer.")));
    QVERIFY(english.endsWith(QStringLiteral("button on Tavix 3000 again!")));
    QCOMPARE(english.indexOf(QStringLiteral("Please \u201DClear input data\u201D and")), 70);
    QVERIFY(english.contains(QStringLiteral("long press \u201Cprint\u201D button")));
    QCOMPARE(english.count(QChar(0x201C)), 1);
    QCOMPARE(english.count(QChar(0x201D)), 3);
    QCOMPARE(english.count(QChar(u'"')), 0);

    const QString chinese = texts.at(1);
    QCOMPARE(chinese,
             QStringLiteral("数据不能排序\uFF0C可能由于不完整的数据传输所造成。请单击\u201C清空\u201D并长按Tavix3000"
                            "仪器上的\u201Cprint\u201D按钮再次传送数据!"));
    QCOMPARE(texts.at(2), QString());
}

void TestTextTable::buildBuiltInAppliesFirstLanguage()
{
    LocaleTexts texts;
    texts.BuildBuiltInTexts();
    QCOMPARE(texts.LanguageNames(), kEnglishChinese);
    QCOMPARE(texts.CurrentLanguage(), 1);
    QCOMPARE(texts.textTable(), BuiltInTextTable());
    QCOMPARE(texts.CurrentMessageTexts().HelpText, EnglishHelpText());
    QCOMPARE(texts.CurrentMessageTexts().SendingProgramText,
             QStringLiteral("Sending program,\r\nplease be patient!\r\n"));

    // A repeated call lists the languages once.
    texts.BuildBuiltInTexts();
    QCOMPARE(texts.LanguageNames(), kEnglishChinese);
}

void TestTextTable::applyLanguage()
{
    LocaleTexts texts;
    texts.BuildBuiltInTexts();

    const QList<ControlCaption> chinese = texts.ApplyLanguage(1, false);
    QCOMPARE(texts.CurrentLanguage(), 2);
    // 52 numbers below 4000, then the logging button once more.
    QCOMPARE(chinese.size(), 53);
    QCOMPARE(chinese.first(), (ControlCaption{1, QStringLiteral("退出")}));
    QCOMPARE(chinese.at(1), (ControlCaption{1018, QStringLiteral("清空")}));
    QVERIFY(chinese.contains(ControlCaption{1094, QStringLiteral("帮助")}));
    QVERIFY(chinese.contains(ControlCaption{1043, QStringLiteral("QRT 03 Logp")}));
    QVERIFY(chinese.contains(ControlCaption{1025, QStringLiteral("译成中文保存")}));
    QVERIFY(chinese.contains(ControlCaption{1051, QStringLiteral("Stop Logging")}));
    QCOMPARE(chinese.last(), (ControlCaption{1051, QStringLiteral("开始记录")}));
    for (qsizetype i = 1; i + 1 < chinese.size(); ++i)
        QVERIFY(chinese.at(i - 1).id < chinese.at(i).id);
    QCOMPARE(texts.CurrentMessageTexts().HelpText, ChineseHelpText());
    QCOMPARE(texts.CurrentMessageTexts().IntervalTooShortText, QStringLiteral("最小时间间隔应大于0.1s!"));
    QCOMPARE(texts.CurrentMessageTexts().SendingProgramText, QStringLiteral("写程序中,\r\n请耐心等待!\r\n"));

    const QList<ControlCaption> chineseLogging = texts.ApplyLanguage(1, true);
    QCOMPARE(chineseLogging.last(), (ControlCaption{1051, QStringLiteral("停止记录")}));

    const QList<ControlCaption> english = texts.ApplyLanguage(0, true);
    QCOMPARE(texts.CurrentLanguage(), 1);
    QCOMPARE(english.first(), (ControlCaption{1, QStringLiteral("EXIT")}));
    QCOMPARE(english.last(), (ControlCaption{1051, QStringLiteral("Stop Logging")}));
    QCOMPARE(texts.CurrentMessageTexts().HelpText, EnglishHelpText());

    // Applying the same language again gives the same captions.
    QCOMPARE(texts.ApplyLanguage(0, true), english);
}

void TestTextTable::applyLanguageThirdLanguageFallsBack()
{
    // Three names; 1068 has three texts, 1030 two, 1051 two (no stop captions).
    QStringList lines{"H", GE, "English", SEP, "中文", SEP, "Deutsch", GE, "Open:", SEP, "打开:", SEP, "Öffnen:", GE,
                      "Search", SEP, "搜索", GE};
    for (int i = 2; i < 18; ++i)
        lines << QStringLiteral("c%1").arg(i) << GE;
    lines << "Start Logging" << SEP << "开始记录" << GE;

    LocaleTexts texts;
    texts.LoadConfigBytes(ConfigFileBytes(lines));
    QCOMPARE(texts.LanguageNames().size(), 3);
    const QList<ControlCaption> captions = texts.ApplyLanguage(2, false);
    QCOMPARE(texts.CurrentLanguage(), 3);
    QVERIFY(captions.contains(ControlCaption{1068, QStringLiteral("Öffnen:")}));
    QVERIFY(captions.contains(ControlCaption{1030, QStringLiteral("Search")}));
    QVERIFY(captions.contains(ControlCaption{1, QString()}));
    QCOMPARE(captions.last(), (ControlCaption{1051, QStringLiteral("Start Logging")}));
    QCOMPARE(texts.CurrentMessageTexts().HelpText, QString());
}

void TestTextTable::whiteSpace_data()
{
    QTest::addColumn<int>("unit");
    QTest::addColumn<bool>("space");

    QTest::newRow("tab") << 0x09 << true;
    QTest::newRow("line feed") << 0x0A << true;
    QTest::newRow("vertical tab") << 0x0B << true;
    QTest::newRow("form feed") << 0x0C << true;
    QTest::newRow("carriage return") << 0x0D << true;
    QTest::newRow("space") << 0x20 << true;
    QTest::newRow("ogham space mark") << 0x1680 << true;
    QTest::newRow("en quad") << 0x2000 << true;
    QTest::newRow("six-per-em space") << 0x2006 << true;
    QTest::newRow("figure space is no-break") << 0x2007 << false;
    QTest::newRow("punctuation space") << 0x2008 << true;
    QTest::newRow("hair space") << 0x200A << true;
    QTest::newRow("zero width space") << 0x200B << false;
    QTest::newRow("line separator") << 0x2028 << true;
    QTest::newRow("paragraph separator") << 0x2029 << true;
    QTest::newRow("narrow no-break space") << 0x202F << false;
    QTest::newRow("medium mathematical space") << 0x205F << true;
    QTest::newRow("ideographic space") << 0x3000 << true;
    QTest::newRow("no-break space") << 0xA0 << false;
    QTest::newRow("next line") << 0x85 << false;
    QTest::newRow("unit separator") << 0x1F << false;
    QTest::newRow("null") << 0x00 << false;
    QTest::newRow("byte-order mark") << 0xFEFF << false;
    QTest::newRow("asterisk") << 0x2A << false;
}

void TestTextTable::whiteSpace()
{
    QFETCH(int, unit);
    QFETCH(bool, space);
    QCOMPARE(IsConfigWhiteSpace(char16_t(unit)), space);
    const QString padded = QString(QChar(unit)) + QStringLiteral("x") + QChar(unit);
    QCOMPARE(TrimConfigWhiteSpace(padded).toString(), space ? QStringLiteral("x") : padded);
}

void TestTextTable::sampleConfigFileMatchesBuiltIn()
{
    const QString path = QStringLiteral(TAVIX_SOURCE_DIR "/src/core/locale/Config.dat");
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QCOMPARE(bytes.left(2), QByteArray("\xFF\xFE", 2));
    // The committed file is what the generator writes from the built-in texts.
    QCOMPARE(bytes, ConfigFileBytes(SampleConfigLines(BuiltInLanguageNames(), BuiltInTextTable())));

    LocaleTexts texts;
    QVERIFY(texts.LoadConfigFile(path));
    QCOMPARE(texts.LanguageNames(), kEnglishChinese);

    LocaleTexts builtIn;
    builtIn.BuildBuiltInTexts();
    for (const int number : LocaleTexts::ConfigOrder()) {
        if (number == 4000 || number == 4001)
            continue;
        for (int slot = 0; slot < 2; ++slot)
            QCOMPARE(texts.LookupText(number, slot), builtIn.LookupText(number, slot));
    }
    QCOMPARE(texts.textTable().value(1051),
             (QStringList{"Start Logging", "Stop Logging", "开始记录", "停止记录"}));
    for (const int number : {1025, 1046, 1047, 1048})
        QCOMPARE(texts.textTable().value(number), QStringList());

    // The file cannot hold a final CR LF (every text is trimmed), so the
    // progress note ends without one.
    QCOMPARE(texts.LookupText(4001, 0), QStringLiteral("Sending program,\r\nplease be patient!"));
    QCOMPARE(texts.LookupText(4001, 1), QStringLiteral("写程序中,\r\n请耐心等待!"));

    // The help texts come back line for line, except the title's second line
    // of two blanks, which trims to a blank line and vanishes.
    const QString english = texts.LookupText(4000, 0);
    QVERIFY(english.startsWith(QStringLiteral("TavixTerminal 2.0\r\nTavixTerminal 2.0 is free software")));
    QCOMPARE(english, EnglishHelpText().replace(QStringLiteral("TavixTerminal 2.0\r\n  \r\n"),
                                               QStringLiteral("TavixTerminal 2.0\r\n")));
    QCOMPARE(english.size(), EnglishHelpText().size() - 4);
    const QString chinese = texts.LookupText(4000, 1);
    QCOMPARE(chinese, ChineseHelpText().replace(QStringLiteral("TavixTerminal 2.0\r\n  \r\n"),
                                               QStringLiteral("TavixTerminal 2.0\r\n")));

    QCOMPARE(texts.CurrentMessageTexts().HelpText, english);
    QCOMPARE(texts.CurrentMessageTexts().SortFailedText, builtIn.LookupText(4002, 0));

    // Switching to Chinese gives the built-in Chinese captions.
    QList<ControlCaption> fromFile = texts.ApplyLanguage(1, false);
    QList<ControlCaption> fromBuiltIn = builtIn.ApplyLanguage(1, false);
    QCOMPARE(fromFile.size(), fromBuiltIn.size());
    // The numbers the file never supplies (1025, 1046, 1047, 1048) fall back
    // to their built-in captions as well.
    for (qsizetype i = 0; i < fromFile.size(); ++i)
        QCOMPARE(fromFile.at(i), fromBuiltIn.at(i));
}

void TestTextTable::systemReasons_data()
{
    QTest::addColumn<QString>("reason");  // %1: the system's words for EACCES
    QTest::addColumn<QString>("english");
    QTest::addColumn<QString>("chinese");
    const QString denied = qt_error_string(EACCES);
    QTest::newRow("the system's words") << "%1" << denied << QString::fromUtf8("权限不够");
    QTest::newRow("a sentence that holds them")
        << "no temporary file can be made in its folder (%1), so it cannot be replaced as a whole"
        << QStringLiteral("no temporary file can be made in its folder (%1), so it cannot be replaced as a whole")
               .arg(denied)
        << QStringLiteral("no temporary file can be made in its folder (%1), so it cannot be replaced as a whole")
                   .arg(denied)
               + QString::fromUtf8("（权限不够）");
    QTest::newRow("no system words") << "a link that is not followed" << "a link that is not followed"
                                     << "a link that is not followed";
}

void TestTextTable::systemReasons()
{
    QFETCH(QString, reason);
    LocaleTexts texts;
    texts.BuildBuiltInTexts();
    const QString given = reason.contains(QLatin1String("%1")) ? reason.arg(qt_error_string(EACCES)) : reason;
    QTEST(SystemReasonText(given, texts), "english");
    QCOMPARE(SystemReasonText(ENOSPC, texts), qt_error_string(ENOSPC));
    texts.ApplyLanguage(1, false);
    QTEST(SystemReasonText(given, texts), "chinese");
    QCOMPARE(SystemReasonText(ENOSPC, texts), QString::fromUtf8("设备上没有空间"));
    // A number the table does not hold keeps the system's words.
    QCOMPARE(SystemReasonText(EDOM, texts), qt_error_string(EDOM));
}

QTEST_GUILESS_MAIN(TestTextTable)
#include "test_text_table.moc"
