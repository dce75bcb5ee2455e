// The interface language in the dialog: captions of every control of the
// text table, the language list, message texts, help and the translated save.
#include "config_file_writer.h"
#include "core/locale/help_texts.h"
#include "gui/main_window/costrum_dlg.h"
#include "scripted_prompts.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

class TestLanguageSwitch : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void builtInEnglishAtStart();
    void chineseRewritesEveryCaption();
    void helpFollowsTheLanguage();
    void loggingCaptionFollowsTheLanguage();
    void configFileWithThreeLanguages();
    void unusableConfigFileGivesBuiltInTexts();
    void translatedSaveWritesWholeText();

private:
    void ChooseLanguage(COstrumDlg &dlg, int index);

    QTemporaryDir m_dir;
    QString m_startDir;
};

void TestLanguageSwitch::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_dir.path());
    m_startDir = QDir::currentPath();
}

void TestLanguageSwitch::init()
{
    // Config.dat is read from the working directory: start in an empty one.
    QDir(m_dir.path()).mkpath(QStringLiteral("work"));
    QFile::remove(m_dir.filePath(QStringLiteral("work/Config.dat")));
    QVERIFY(QDir::setCurrent(m_dir.filePath(QStringLiteral("work"))));
}

void TestLanguageSwitch::ChooseLanguage(COstrumDlg &dlg, int index)
{
    auto *combo = qobject_cast<QComboBox *>(dlg.GetDlgItem(1038));
    combo->setCurrentIndex(index);
    emit combo->activated(index); // what a choice in the list sends
}

void TestLanguageSwitch::builtInEnglishAtStart()
{
    ScriptedPrompts prompts;
    COstrumDlg dlg(prompts, QStringLiteral(TAVIX_SIM_LIBRARY));
    QCOMPARE(dlg.CurrentLanguage, 1);
    auto *combo = qobject_cast<QComboBox *>(dlg.GetDlgItem(1038));
    QCOMPARE(combo->count(), 2);
    QCOMPARE(combo->itemText(0), QStringLiteral("English"));
    QCOMPARE(combo->itemText(1), QStringLiteral("中文"));
    QCOMPARE(combo->currentIndex(), 0);
    QCOMPARE(dlg.GetDlgItemText(1), QStringLiteral("EXIT"));
    QCOMPARE(dlg.GetDlgItemText(1068), QStringLiteral("Open:"));
    QCOMPARE(dlg.GetDlgItemText(1028), QStringLiteral("Serial Number")); // template had a trailing blank
    QCOMPARE(dlg.GetDlgItemText(1077), QStringLiteral("Sorted output data from Tavix3000"));
    QCOMPARE(dlg.GetDlgItemText(1051), QStringLiteral("Start Logging"));
    QCOMPARE(dlg.GetDlgItemText(1061), QStringLiteral("Log:"));
}

void TestLanguageSwitch::chineseRewritesEveryCaption()
{
    ScriptedPrompts prompts;
    COstrumDlg dlg(prompts, QStringLiteral(TAVIX_SIM_LIBRARY));
    ChooseLanguage(dlg, 1);
    QCOMPARE(dlg.CurrentLanguage, 2);
    auto *combo = qobject_cast<QComboBox *>(dlg.GetDlgItem(1038));
    QCOMPARE(combo->currentIndex(), 1);
    QCOMPARE(combo->count(), 2);
    // Every number below 4000 has its slot-1 caption, hidden controls included.
    for (int number : LocaleTexts::AllTextNumbers()) {
        if (number >= 4000 || number == 1051)
            continue;
        QCOMPARE(dlg.GetDlgItemText(number), dlg.LookupText(number, 1));
    }
    QCOMPARE(dlg.GetDlgItemText(1), QStringLiteral("退出"));
    QCOMPARE(dlg.GetDlgItemText(1094), QStringLiteral("帮助"));
    QCOMPARE(dlg.GetDlgItemText(1025), QStringLiteral("译成中文保存")); // hidden
    QCOMPARE(dlg.GetDlgItemText(1043), QStringLiteral("QRT 03 Logp")); // same in every language
    QCOMPARE(dlg.GetDlgItemText(1051), QStringLiteral("开始记录"));
    // Controls outside the table keep their captions.
    QCOMPARE(dlg.GetDlgItemText(1082), QStringLiteral("Var3"));
    QCOMPARE(dlg.GetDlgItemText(1079), QStringLiteral("<-"));
    QCOMPARE(dlg.windowTitle(), QStringLiteral("TavixTerminal  2.0"));
    // Messages follow.
    QCOMPARE(dlg.CurrentMessageTexts().IntervalTooShortText, QStringLiteral("最小时间间隔应大于0.1s!"));

    // Back to English; choosing the active language again changes nothing.
    ChooseLanguage(dlg, 0);
    QCOMPARE(dlg.GetDlgItemText(1), QStringLiteral("EXIT"));
    ChooseLanguage(dlg, 0);
    QCOMPARE(dlg.GetDlgItemText(1), QStringLiteral("EXIT"));
    QCOMPARE(combo->currentIndex(), 0);
    QCOMPARE(dlg.CurrentMessageTexts().IntervalTooShortText,
             QStringLiteral("The interval should be bigger than 0.1s!"));
}

void TestLanguageSwitch::helpFollowsTheLanguage()
{
    ScriptedPrompts prompts;
    COstrumDlg dlg(prompts, QStringLiteral(TAVIX_SIM_LIBRARY));
    prompts.messages.clear();
    qobject_cast<QAbstractButton *>(dlg.GetDlgItem(1094))->click();
    ChooseLanguage(dlg, 1);
    qobject_cast<QAbstractButton *>(dlg.GetDlgItem(1094))->click();
    ChooseLanguage(dlg, 0);
    qobject_cast<QAbstractButton *>(dlg.GetDlgItem(1094))->click();
    QCOMPARE(prompts.messages, (QStringList{EnglishHelpText(), ChineseHelpText(), EnglishHelpText()}));
}

void TestLanguageSwitch::loggingCaptionFollowsTheLanguage()
{
    ScriptedPrompts prompts;
    COstrumDlg dlg(prompts, QStringLiteral(TAVIX_SIM_LIBRARY));
    dlg.m_bLogging = true;
    ChooseLanguage(dlg, 1);
    QCOMPARE(dlg.GetDlgItemText(1051), QStringLiteral("停止记录"));
    ChooseLanguage(dlg, 0);
    QCOMPARE(dlg.GetDlgItemText(1051), QStringLiteral("Stop Logging"));
    dlg.m_bLogging = false;
    ChooseLanguage(dlg, 0);
    QCOMPARE(dlg.GetDlgItemText(1051), QStringLiteral("Start Logging"));
}

void TestLanguageSwitch::configFileWithThreeLanguages()
{
    // Header, three names, then 1068 with two texts, 1030 with three; the rest empty.
    QStringList lines{QStringLiteral("header"), kGroupEndLine};
    lines << GroupLines({QStringLiteral("One"), QStringLiteral("Two"), QStringLiteral("Three")});
    lines << GroupLines({QStringLiteral("A0"), QStringLiteral("A1")});
    lines << GroupLines({QStringLiteral("S0"), QStringLiteral("S1"), QStringLiteral("S2")});
    QFile file(QStringLiteral("Config.dat"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(ConfigFileBytes(lines));
    file.close();

    ScriptedPrompts prompts;
    COstrumDlg dlg(prompts, QStringLiteral(TAVIX_SIM_LIBRARY));
    auto *combo = qobject_cast<QComboBox *>(dlg.GetDlgItem(1038));
    QCOMPARE(combo->count(), 3);
    QCOMPARE(combo->itemText(2), QStringLiteral("Three"));
    QCOMPARE(dlg.GetDlgItemText(1030), QStringLiteral("S0"));
    ChooseLanguage(dlg, 2);
    QCOMPARE(dlg.CurrentLanguage, 3);
    QCOMPARE(dlg.GetDlgItemText(1030), QStringLiteral("S2"));
    QCOMPARE(dlg.GetDlgItemText(1068), QStringLiteral("A0")); // a short list shows its first text
    // An empty list, and a number the file never supplies, show the built-in
    // caption: in English, as "Three" is no built-in language.
    QCOMPARE(dlg.GetDlgItemText(1), QStringLiteral("EXIT"));
    QCOMPARE(dlg.GetDlgItemText(1025), QStringLiteral("Translate keywords into chinese and save"));
}

void TestLanguageSwitch::unusableConfigFileGivesBuiltInTexts()
{
    // A Config.dat saved as UTF-8 holds no marker line that can be read.
    QFile file(QStringLiteral("Config.dat"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("header\r\n*******************\r\nEnglish\r\n*******************\r\nOpen:\r\n"
               "*******************\r\n");
    file.close();

    ScriptedPrompts prompts;
    COstrumDlg dlg(prompts, QStringLiteral(TAVIX_SIM_LIBRARY));
    auto *combo = qobject_cast<QComboBox *>(dlg.GetDlgItem(1038));
    QCOMPARE(combo->count(), 2);
    QCOMPARE(combo->itemText(1), QStringLiteral("中文"));
    QCOMPARE(dlg.GetDlgItemText(1), QStringLiteral("EXIT"));
    QCOMPARE(dlg.GetDlgItemText(1068), QStringLiteral("Open:"));
    QCOMPARE(dlg.CurrentMessageTexts().IntervalTooShortText, QStringLiteral("The interval should be bigger than 0.1s!"));
    QVERIFY(QFile::remove(QStringLiteral("Config.dat")));
}

void TestLanguageSwitch::translatedSaveWritesWholeText()
{
    ScriptedPrompts prompts;
    COstrumDlg dlg(prompts, QStringLiteral(TAVIX_SIM_LIBRARY));
    const QString input = QStringLiteral("  File 2 \r\nTime Constant 1 sec\r\nNo full stop at the end  ");
    dlg.m_strInput = input;
    const QString path = m_dir.filePath(QStringLiteral("translated.txt"));

    // Cancelled: nothing is written.
    dlg.OnTranslateKeywords();
    QVERIFY(!QFile::exists(path));

    prompts.saveAnswers << path;
    dlg.OnTranslateKeywords();
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    const QString expected = QStringLiteral("  文件2 \r\n时间常数      1 秒\r\nNo full stop at the end  ");
    QByteArray expectedBytes("\xFF\xFE", 2);
    for (QChar c : expected) {
        expectedBytes.append(char(c.unicode() & 0xFF));
        expectedBytes.append(char(c.unicode() >> 8));
    }
    QCOMPARE(bytes, expectedBytes);
    QCOMPARE(dlg.m_strInput, input); // neither translated nor trimmed
}

QTEST_MAIN(TestLanguageSwitch)
#include "test_language_switch.moc"
