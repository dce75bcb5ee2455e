// Tests of the built-in help texts and the About texts.
#include "core/locale/help_texts.h"

#include <QTest>

namespace {

QStringList Lines(const QString &text)
{
    return text.split(QStringLiteral("\r\n"));
}

bool HasEdgeWhiteSpace(const QString &line)
{
    return !line.isEmpty() && (line.front().isSpace() || line.back().isSpace());
}

} // namespace

class TestHelpTexts : public QObject
{
    Q_OBJECT

private slots:
    void layout_data();
    void layout();
    void englishFragments_data();
    void englishFragments();
    void englishQuotes();
    void englishFirmwareSection();
    void chineseFragments_data();
    void chineseFragments();
    void platformPassages_data();
    void platformPassages();
    void aboutTexts();
};

void TestHelpTexts::layout_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("maxLineLength");
    QTest::addColumn<int>("minLength");
    QTest::addColumn<int>("maxLength");

    QTest::newRow("English, Windows") << EnglishHelpText(HelpPlatform::Windows) << 93 << 2600 << 3000;
    QTest::newRow("Chinese, Windows") << ChineseHelpText(HelpPlatform::Windows) << 72 << 1250 << 1600;
    QTest::newRow("English, Linux") << EnglishHelpText(HelpPlatform::Linux) << 93 << 2600 << 3400;
    QTest::newRow("Chinese, Linux") << ChineseHelpText(HelpPlatform::Linux) << 72 << 1250 << 1600;
}

void TestHelpTexts::layout()
{
    QFETCH(QString, text);
    QFETCH(int, maxLineLength);
    QFETCH(int, minLength);
    QFETCH(int, maxLength);

    QVERIFY2(text.size() >= minLength && text.size() <= maxLength, qPrintable(QString::number(text.size())));
    // Only CR LF pairs break lines.
    QCOMPARE(text.count(u'\r'), text.count(QStringLiteral("\r\n")));
    QCOMPARE(text.count(u'\n'), text.count(QStringLiteral("\r\n")));
    QVERIFY(!text.endsWith(u'\n'));

    const QStringList lines = Lines(text);
    QVERIFY(lines.size() > 20);
    QCOMPARE(lines.at(0), QStringLiteral("TavixTerminal 2.0"));
    QCOMPARE(lines.at(1), QStringLiteral("  "));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString &line = lines.at(i);
        QVERIFY2(line.size() <= maxLineLength, qPrintable(line));
        if (i == 1)
            continue;
        // Lines survive Config.dat, which trims them and drops blank ones.
        QVERIFY2(!line.trimmed().isEmpty(), qPrintable(QString::number(i)));
        QVERIFY2(!HasEdgeWhiteSpace(line), qPrintable(line));
        QVERIFY2(line != QStringLiteral("***"), qPrintable(line));
    }
    // The maker's web address is never spelt out.
    QVERIFY(!text.contains(QStringLiteral("http"), Qt::CaseInsensitive));
    QVERIFY(!text.contains(QStringLiteral("www"), Qt::CaseInsensitive));
}

void TestHelpTexts::englishFragments_data()
{
    QTest::addColumn<QString>("fragment");

    QTest::newRow("web site") << "the Tavix web site";
    QTest::newRow("USB port") << "through the USB port";
    QTest::newRow("driver setup") << "double-clicking \u2018CDM_Setup.exe\u2019";
    QTest::newRow("driver message") << "\u2018FTDI CDM drivers have been successfully installed\u2019";
    QTest::newRow("Menu 2") << "Menu 2";
    QTest::newRow("search") << "press \u2018search\u2019";
    QTest::newRow("device listed") << "\u2018tavix 3000 s/n xxxxxx\u2019";
    QTest::newRow("Open") << "click \u2018Open\u2019";
    QTest::newRow("ready") << "\u2018Device is ready\u2019";
    QTest::newRow("Print with ASCII apostrophes") << "long press of the 'Print' button";
    QTest::newRow("log modes") << "\u2018Log\u2019 and \u2018LogP\u2019 modes";
    QTest::newRow("decimal sign") << "decimal sign";
    QTest::newRow("Log button with ASCII apostrophes") << "5. The 'Log' button in the lower left corner";
    QTest::newRow("10 Hz") << "10 Hz";
    QTest::newRow("0.1 s") << "0.1 s";
    QTest::newRow("backup file") << "backup";
    QTest::newRow("multi-point") << "multi-point logging program";
    QTest::newRow("firmware file") << "\u2018XXXXXXX.PRO\u2019";
    QTest::newRow("Send Program") << "Click \u2018Send Program\u2019 in the upper right corner";
    QTest::newRow("export menu") << "\u2018Export CSV...\u2019";
}

void TestHelpTexts::englishFragments()
{
    QFETCH(QString, fragment);
    QVERIFY2(EnglishHelpText(HelpPlatform::Windows).contains(fragment), qPrintable(fragment));
}

void TestHelpTexts::englishQuotes()
{
    const QString text = EnglishHelpText(HelpPlatform::Windows);
    // Typographic quotes pair up; the only ASCII apostrophes are around Print and Log.
    QCOMPARE(text.count(QChar(0x2018)), text.count(QChar(0x2019)));
    QCOMPARE(text.count(u'\''), 4);
    QCOMPARE(text.count(QChar(0x201C)) + text.count(QChar(0x201D)) + text.count(u'"'), 0);
    QCOMPARE(text.count(QStringLiteral("the Tavix web site")), 2);
}

void TestHelpTexts::englishFirmwareSection()
{
    const QStringList lines = Lines(EnglishHelpText(HelpPlatform::Windows));
    const qsizetype heading = lines.indexOf(QStringLiteral("Update the software inside Tavix 3000 with TavixTerminal 2.0:"));
    QVERIFY(heading > 0);
    QVERIFY(lines.at(heading + 1).startsWith(QStringLiteral("\u2022 ")));
    qsizetype bullets = 0;
    for (const QString &line : lines)
        bullets += line.startsWith(QChar(0x2022)) ? 1 : 0;
    QCOMPARE(bullets, qsizetype(EnglishHelpText().count(QChar(0x2022))));
    QVERIFY(bullets >= 4);
    QVERIFY(EnglishHelpText().contains(
        QStringLiteral("\u2022 WARNING!! Never turn off your PC or disconnect the instrument while updating the firmware,")));
}

void TestHelpTexts::chineseFragments_data()
{
    QTest::addColumn<QString>("fragment");

    QTest::newRow("web site") << "Tavix网站";
    QTest::newRow("driver setup") << "\u2018CDM_Setup.exe\u2019";
    QTest::newRow("driver message") << "\u2018FTDI CDM drivers have been successfully installed\u2019";
    QTest::newRow("manual page 27") << "第27页";
    QTest::newRow("manual page 24") << "第24页";
    QTest::newRow("language choice") << "\u2018中文\u2019";
    QTest::newRow("Menu1 key") << "\u2018Menu1\u2019";
    QTest::newRow("Note Book") << "Note Book";
    QTest::newRow("LogBook") << "LogBook";
    QTest::newRow("search button") << "\u2018搜索\u2019";
    QTest::newRow("open button") << "\u2018打开\u2019";
    QTest::newRow("device listed") << "\u2018tavix 3000 s/n xxxxxx\u2019";
    QTest::newRow("ready") << "\u2018Device is ready\u2019";
    QTest::newRow("Print") << "'Print'";
    QTest::newRow("start logging button") << "\u2018开始记录\u2019";
    QTest::newRow("interval") << "interval/s=0.1";
    QTest::newRow("firmware file") << "\u2018XXXXXXX.PRO\u2019";
    QTest::newRow("send program button") << "\u2018写入程序\u2019";
    QTest::newRow("graphs drawn automatically") << "自动将排序结果绘制成图形";
    QTest::newRow("firmware heading") << "\r\n用TavixTerminal 2.0更新Tavix 3000内部的软件：\r\n\u2022 ";
}

void TestHelpTexts::chineseFragments()
{
    QFETCH(QString, fragment);
    QVERIFY2(ChineseHelpText(HelpPlatform::Windows).contains(fragment), qPrintable(fragment));
}

void TestHelpTexts::platformPassages_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("present");
    QTest::addColumn<QStringList>("absent");

    const QStringList windowsOnly{"CDM_Setup.exe", "FTDI CDM drivers"};
    const QStringList linuxOnly{"ftdi_sio", "60-tavixterminal.rules", "\u2018dialout\u2019",
                                "sudo usermod -aG dialout $USER"};
    QTest::newRow("English, Windows") << EnglishHelpText(HelpPlatform::Windows)
                                      << windowsOnly + QStringList{"language settings of Windows in the Control Panel"}
                                      << linuxOnly;
    QTest::newRow("English, Linux") << EnglishHelpText(HelpPlatform::Linux)
                                    << linuxOnly + QStringList{"no driver has to be installed", "udev rule",
                                                               "decimal comma and a decimal point"}
                                    << windowsOnly + QStringList{"Windows", "Control Panel"};
    QTest::newRow("Chinese, Windows") << ChineseHelpText(HelpPlatform::Windows)
                                      << windowsOnly + QStringList{"首次使用前安装驱动程序："} << linuxOnly;
    QTest::newRow("Chinese, Linux") << ChineseHelpText(HelpPlatform::Linux)
                                    << linuxOnly + QStringList{"无需安装驱动程序", "udev规则", "重新登录"}
                                    << windowsOnly + QStringList{"Windows", "安装USB驱动程序"};
}

void TestHelpTexts::platformPassages()
{
    QFETCH(QString, text);
    QFETCH(QStringList, present);
    QFETCH(QStringList, absent);
    for (const QString &fragment : present)
        QVERIFY2(text.contains(fragment), qPrintable(fragment));
    for (const QString &fragment : absent)
        QVERIFY2(!text.contains(fragment), qPrintable(fragment));
    // Both platforms share everything else: the steps and the firmware section.
    QVERIFY(text.contains(QStringLiteral("XXXXXXX.PRO")));
    QVERIFY(text.contains(QStringLiteral("'Print'")));
#ifdef Q_OS_WIN
    QCOMPARE(RunningHelpPlatform(), HelpPlatform::Windows);
#else
    QCOMPARE(RunningHelpPlatform(), HelpPlatform::Linux);
    QCOMPARE(EnglishHelpText(), EnglishHelpText(HelpPlatform::Linux));
    QCOMPARE(ChineseHelpText(), ChineseHelpText(HelpPlatform::Linux));
#endif
}

void TestHelpTexts::aboutTexts()
{
    QCOMPARE(AboutBoxTitle(), QStringLiteral("About TavixTerminal2.0"));
    QCOMPARE(AboutVersionText(), QStringLiteral("TavixTerminal Version 2.0"));
    QCOMPARE(AboutMenuText(), QStringLiteral("&TavixTerminal..."));
    QVERIFY(AboutNoticeText().contains(QStringLiteral("Tavix")));
}

QTEST_GUILESS_MAIN(TestHelpTexts)
#include "test_help_texts.moc"
