// The window as a desktop program, on the simulated instrument: ending with
// unsaved input data (EXIT and the close box ask Save, Discard or Cancel),
// keys held with Ctrl or Alt, the window's place and the language kept
// across starts (on two offscreen screens), the program's messages and
// Qt's own texts in the chosen language, a value being typed while the
// instrument prints, and the character count under the input window.
#include "core/device/profile.h"
#include "dialog_fixture.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QScreen>
#include <QtTest>

#include <memory>

namespace {

using Answer = Prompts::SaveAnswer;

const QByteArray kPrintout = "File 1\r\nTavix 3000 s/n TX300001\r\n";
const QString kQuestion =
    QStringLiteral("The input data has not been saved. Save it before the program ends?");

QAbstractButton *Button(COstrumDlg &dlg, int id) { return qobject_cast<QAbstractButton *>(dlg.GetDlgItem(id)); }
QLineEdit *Edit(COstrumDlg &dlg, int id) { return qobject_cast<QLineEdit *>(dlg.GetDlgItem(id)); }

QByteArray ReadAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void ChooseLanguage(COstrumDlg &dlg, int index)
{
    auto *languages = qobject_cast<QComboBox *>(dlg.GetDlgItem(1038));
    languages->setCurrentIndex(index);
    emit languages->activated(index);
}

} // namespace

class TestSession : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void unsavedInput_data();
    void unsavedInput();
    void endingAnswers_data();
    void endingAnswers();
    void shortcutKeysAreNotForwarded_data();
    void shortcutKeysAreNotForwarded();
    void placeKeptOnAScreen_data();
    void placeKeptOnAScreen();
    void languageNotKeptBetweenRuns();
    void messagesInTheChosenLanguage();
    void valueBeingTypedIsKept();

private:
    // The dialog shown and active, the instrument open, printing kPrintout on PRINT.
    std::unique_ptr<COstrumDlg> Start(ScriptedPrompts &prompts)
    {
        m_fixture.Init(true);
        [&] { QCOMPARE(m_sim.Set("TAVIXSIM_PRINTOUT=" + m_printout.toLocal8Bit()), 0); }();
        std::unique_ptr<COstrumDlg> dlg;
        DialogFixture::ShowDialog(prompts, dlg);
        dlg->activateWindow();
        if (!QTest::qWaitForWindowActive(dlg.get()))
            return nullptr;
        DialogFixture::OpenDevice(*dlg);
        return dlg;
    }
    // The instrument prints; true once the poll has taken all of it.
    bool Capture(COstrumDlg &dlg)
    {
        const qsizetype before = dlg.m_strInput.size();
        return m_sim.Set("PRINT") == 0
               && QTest::qWaitFor([&] { return dlg.m_strInput.size() == before + kPrintout.size(); }, 10000);
    }

    DialogFixture m_fixture;
    SimControl &m_sim = m_fixture.sim;
    QString m_printout;
};

void TestSession::initTestCase()
{
    m_fixture.InitTestCase();
    m_printout = m_fixture.FilePath(QStringLiteral("printout.bin"));
    QFile file(m_printout);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(kPrintout) == kPrintout.size());
}

void TestSession::unsavedInput_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<bool>("asked");
    QTest::newRow("nothing received") << QStringList{} << false;
    QTest::newRow("captured") << QStringList{"capture"} << true;
    QTest::newRow("captured, cleared") << QStringList{"capture", "clear"} << false;
    QTest::newRow("captured, saved") << QStringList{"capture", "save"} << false;
    QTest::newRow("captured, saved, captured") << QStringList{"capture", "save", "capture"} << true;
    QTest::newRow("opened into an empty window") << QStringList{"open"} << false;
    QTest::newRow("opened after a capture") << QStringList{"capture", "save", "open"} << true;
    QTest::newRow("received while logging") << QStringList{"log"} << false;
    // The backup file holds only what came while logging ran.
    QTest::newRow("captured, then logged") << QStringList{"capture", "log"} << true;
}

void TestSession::unsavedInput()
{
    QFETCH(QStringList, steps);
    QFETCH(bool, asked);
    ScriptedPrompts prompts;
    auto dlg = Start(prompts);
    QVERIFY(dlg);
    const QString opened = m_fixture.FilePath(QStringLiteral("opened.txt"));
    QFile file(opened);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(QByteArray("\xFF\xFEo\0k\0", 6)) == 6);
    file.close();
    for (const QString &step : steps) {
        if (step == QLatin1String("capture")) {
            QVERIFY(Capture(*dlg));
        } else if (step == QLatin1String("clear")) {
            dlg->OnClearInput();
        } else if (step == QLatin1String("save")) {
            prompts.saveAnswers << m_fixture.FilePath(QStringLiteral("saved.txt"));
            dlg->OnSaveInput();
        } else if (step == QLatin1String("open")) {
            prompts.openAnswers << opened;
            dlg->OnOpenInput();
        } else if (step == QLatin1String("log")) {
            Edit(*dlg, 1053)->setText(QStringLiteral("0.2"));
            prompts.saveAnswers << m_fixture.FilePath(QStringLiteral("backup.txt"));
            dlg->OnStartLogging();
            QTRY_VERIFY_WITH_TIMEOUT(dlg->m_strInput.contains(QStringLiteral("m/s")), 10000);
        }
    }
    QVERIFY2(prompts.messages.isEmpty(), qPrintable(prompts.messages.join(u'\n')));
    // Unanswered, the question is cancelled: the window stays.
    Button(*dlg, 1)->click();
    QCOMPARE(prompts.questions, asked ? QStringList{kQuestion} : QStringList{});
    QCOMPARE(dlg->isVisible(), asked);
    if (asked) {
        prompts.saveQuestionAnswers << Answer::Discard;
        Button(*dlg, 1)->click();
        QVERIFY(!dlg->isVisible());
    }
}

void TestSession::endingAnswers_data()
{
    QTest::addColumn<bool>("closeBox");
    QTest::addColumn<int>("answer");
    QTest::addColumn<QString>("saveTo"); // the save dialog's answer; empty: cancelled
    QTest::addColumn<bool>("ends");
    QTest::addColumn<int>("messages");
    const auto save = int(Answer::Save), discard = int(Answer::Discard), cancel = int(Answer::Cancel);
    QTest::newRow("EXIT, Save") << false << save << "kept.txt" << true << 0;
    QTest::newRow("close box, Save") << true << save << "kept.txt" << true << 0;
    QTest::newRow("EXIT, Save, file dialog cancelled") << false << save << "" << false << 0;
    QTest::newRow("close box, Save into a missing folder") << true << save << "none/kept.txt" << false << 1;
    QTest::newRow("EXIT, Discard") << false << discard << "" << true << 0;
    QTest::newRow("close box, Discard") << true << discard << "" << true << 0;
    QTest::newRow("EXIT, Cancel") << false << cancel << "" << false << 0;
    QTest::newRow("close box, Cancel") << true << cancel << "" << false << 0;
}

void TestSession::endingAnswers()
{
    QFETCH(bool, closeBox);
    QFETCH(int, answer);
    QFETCH(QString, saveTo);
    QFETCH(bool, ends);
    QFETCH(int, messages);
    ScriptedPrompts prompts;
    auto dlg = Start(prompts);
    QVERIFY(dlg);
    QVERIFY(Capture(*dlg));
    const QString path = saveTo.isEmpty() ? QString() : m_fixture.FilePath(saveTo);
    QFile::remove(m_fixture.FilePath(QStringLiteral("kept.txt")));
    prompts.saveQuestionAnswers << Answer(answer);
    prompts.saveAnswers << path;
    if (closeBox)
        dlg->close();
    else
        Button(*dlg, 1)->click();
    QCOMPARE(prompts.questions, QStringList{kQuestion});
    QCOMPARE(prompts.saveDialogs, answer == int(Answer::Save) ? 1 : 0);
    QCOMPARE(prompts.messages.size(), messages);
    QCOMPARE(dlg->isVisible(), !ends);
    QCOMPARE(dlg->result(), ends ? 1 : 0);
    // EXIT closes the device only when the program ends.
    if (!closeBox)
        QCOMPARE(dlg->IsDeviceOpen(), !ends);
    const bool written = ends && answer == int(Answer::Save);
    QCOMPARE(QFile::exists(m_fixture.FilePath(QStringLiteral("kept.txt"))), written);
    if (written) {
        QByteArray expected("\xFF\xFE", 2);
        for (char c : kPrintout)
            expected.append(c).append('\0');
        QCOMPARE(ReadAll(path), expected);
    }
}

void TestSession::shortcutKeysAreNotForwarded_data()
{
    QTest::addColumn<int>("focus");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QString>("sent"); // the byte written, in hex; empty: none
    const int ctrl = Qt::ControlModifier, alt = Qt::AltModifier, none = Qt::NoModifier;
    QTest::newRow("V") << 1031 << int(Qt::Key_V) << none << "76";
    QTest::newRow("Shift+V") << 1031 << int(Qt::Key_V) << int(Qt::ShiftModifier) << "76";
    QTest::newRow("Ctrl+V") << 1031 << int(Qt::Key_V) << ctrl << "";
    QTest::newRow("Alt+V") << 1031 << int(Qt::Key_V) << alt << "";
    QTest::newRow("Ctrl+F7") << 1031 << int(Qt::Key_F7) << ctrl << "";
    QTest::newRow("Enter") << 1031 << int(Qt::Key_Return) << none << "0D";
    QTest::newRow("Ctrl+Enter") << 1031 << int(Qt::Key_Return) << ctrl << "";
    QTest::newRow("Alt+Enter on the keypad") << 1031 << int(Qt::Key_Enter) << alt << "";
    QTest::newRow("Space") << 1031 << int(Qt::Key_Space) << none << "20";
    QTest::newRow("Alt+Space") << 1031 << int(Qt::Key_Space) << alt << "";
    QTest::newRow("Ctrl+Enter on EXIT") << 1 << int(Qt::Key_Return) << ctrl << "";
    QTest::newRow("Ctrl+Space on EXIT") << 1 << int(Qt::Key_Space) << ctrl << "";
}

void TestSession::shortcutKeysAreNotForwarded()
{
    QFETCH(int, focus);
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(QString, sent);
    ScriptedPrompts prompts;
    auto dlg = Start(prompts);
    QVERIFY(dlg);
    const QString trace = m_fixture.StartTrace();
    dlg->GetDlgItem(focus)->setFocus();
    QCOMPARE(QApplication::focusWidget(), dlg->GetDlgItem(focus));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QStringList writes;
    for (const QString &line : QString::fromLatin1(ReadAll(trace)).split(u'\n'))
        if (line.startsWith(QStringLiteral("FT_Write")))
            writes << line.section(QStringLiteral("data="), 1);
    QCOMPARE(writes, sent.isEmpty() ? QStringList{} : QStringList{sent});
    // No key ends the program.
    QVERIFY(dlg->isVisible());
    QCOMPARE(dlg->result(), 0);
}

void TestSession::placeKeptOnAScreen_data()
{
    // Two screens side by side, 1280 x 1024 each (see main()).
    QTest::addColumn<QPoint>("saved");
    QTest::addColumn<QPoint>("expected");
    QTest::addColumn<bool>("placed"); // false: where the system puts a new window
    QTest::newRow("on the first screen") << QPoint(40, 30) << QPoint(40, 30) << true;
    QTest::newRow("on the second screen") << QPoint(1400, 50) << QPoint(1400, 50) << true;
    QTest::newRow("over the right edge: moved back") << QPoint(2400, 50) << QPoint(-1, 50) << true;
    QTest::newRow("above the top: moved down") << QPoint(100, -300) << QPoint(100, 0) << true;
    QTest::newRow("on a screen that is gone") << QPoint(5000, 50) << QPoint() << false;
}

void TestSession::placeKeptOnAScreen()
{
    QFETCH(QPoint, saved);
    QFETCH(QPoint, expected);
    QFETCH(bool, placed);
    QCOMPARE(QGuiApplication::screens().size(), 2);
    ScriptedPrompts prompts;
    QSize frame;
    {
        auto dlg = Start(prompts);
        QVERIFY(dlg);
        dlg->move(saved);
        frame = dlg->frameGeometry().size();
        Button(*dlg, 1)->click();
        QVERIFY(!dlg->isVisible());
        QCOMPARE(Profile::ReadWindowRect(), QRect(saved, frame));
    }
    // The next start: the remembered place, kept wholly on a screen.
    if (expected.x() < 0)
        expected.setX(2560 - frame.width());
    COstrumDlg dlg(prompts, QStringLiteral(TAVIX_SIM_LIBRARY));
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    if (placed) {
        QCOMPARE(dlg.frameGeometry().topLeft(), expected);
    } else {
        QVERIFY(dlg.frameGeometry().topLeft() != saved);
        QVERIFY(QGuiApplication::screenAt(dlg.frameGeometry().center()));
    }
}

void TestSession::languageNotKeptBetweenRuns()
{
    // Every run starts with the first language; the choice is written
    // nowhere, while the window's place is kept.
    ScriptedPrompts prompts;
    {
        auto dlg = Start(prompts);
        QVERIFY(dlg);
        ChooseLanguage(*dlg, 1);
        QCOMPARE(dlg->GetDlgItemText(1), QStringLiteral("退出"));
    }
    COstrumDlg dlg(prompts, QStringLiteral(TAVIX_SIM_LIBRARY));
    QCOMPARE(dlg.CurrentLanguage, 1);
    QCOMPARE(dlg.GetDlgItemText(1), QStringLiteral("EXIT"));
    QCOMPARE(qobject_cast<QComboBox *>(dlg.GetDlgItem(1038))->currentIndex(), 0);
    const QSettings profile(Profile::FilePath(), QSettings::IniFormat);
    QVERIFY(!profile.allKeys().join(QLatin1Char(' ')).contains(QStringLiteral("Language")));
}

void TestSession::messagesInTheChosenLanguage()
{
    ScriptedPrompts prompts;
    auto dlg = Start(prompts);
    QVERIFY(dlg);
    const QString missing = m_fixture.FilePath(QStringLiteral("none/file.txt"));
    const auto failures = [&] {
        prompts.messages.clear();
        prompts.saveAnswers << missing << missing;
        prompts.openAnswers << missing;
        dlg->OnSaveInput();      // cannot be written
        dlg->OnOpenInput();      // cannot be read
        dlg->OnStartLogging();   // the backup file cannot be created
        Edit(*dlg, 1053)->setText(QStringLiteral("x"));
        dlg->OnStartLogging();   // no number
        Edit(*dlg, 1053)->setText(QStringLiteral("1"));
        return prompts.messages;
    };
    const QStringList english = failures();
    QCOMPARE(english.size(), 4);
    QVERIFY2(english.at(0).startsWith(QStringLiteral("Cannot write the file")), qPrintable(english.at(0)));
    QVERIFY2(english.at(1).startsWith(QStringLiteral("Cannot open file")), qPrintable(english.at(1)));
    QVERIFY2(english.at(2).startsWith(QStringLiteral("The backup file")), qPrintable(english.at(2)));
    QCOMPARE(english.at(3), QStringLiteral("Please enter a number."));
    // Qt's own texts are English.
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Cancel"));

    ChooseLanguage(*dlg, 1);
    const QStringList chinese = failures();
    QCOMPARE(chinese.size(), 4);
    // The system's reason in Chinese too, and what became of the file.
    QCOMPARE(chinese.at(0), QStringLiteral("无法写入文件“%1”。\n系统说明：没有那个文件或目录；未写入任何内容。")
                                .arg(QDir::toNativeSeparators(missing)));
    QVERIFY2(chinese.at(1).startsWith(QStringLiteral("无法读取文件“")), qPrintable(chinese.at(1)));
    QVERIFY2(chinese.at(2).startsWith(QStringLiteral("无法创建备份文件“")), qPrintable(chinese.at(2)));
    QCOMPARE(chinese.at(3), QStringLiteral("请输入一个数字。"));
    // Qt's Chinese translations from the system: buttons and file dialogs.
    QVERIFY2(dlg->m_qtTranslations.IsChineseInstalled(),
             qPrintable(QStringLiteral("no qtbase_zh_CN.qm in %1 (package qt6-translations-l10n)")
                            .arg(QtTranslations::Folder())));
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("取消"));
    QVERIFY(QCoreApplication::translate("QFileDialog", "Look in:") != QStringLiteral("Look in:"));
    // The question at the end is asked in Chinese too.
    QVERIFY(Capture(*dlg));
    dlg->close();
    QCOMPARE(prompts.questions, QStringList{QStringLiteral("输入数据尚未保存。是否在退出前保存？")});

    ChooseLanguage(*dlg, 0);
    QVERIFY(!dlg->m_qtTranslations.IsChineseInstalled());
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Cancel"));
    QCOMPARE(failures(), english);
}

void TestSession::valueBeingTypedIsKept()
{
    ScriptedPrompts prompts;
    auto dlg = Start(prompts);
    QVERIFY(dlg);
    QLineEdit *interval = Edit(*dlg, 1053);
    interval->setFocus();
    interval->selectAll();
    QTest::keyClicks(interval, QStringLiteral("0.5"));
    // The instrument prints: every tick writes the members back, but not
    // into the edit being typed into.
    QVERIFY(Capture(*dlg));
    dlg->UpdateData(false);
    QCOMPARE(interval->text(), QStringLiteral("0.5"));
    QCOMPARE(dlg->m_fInterval, 1.0f);
    // Leaving it takes the value in; later transfers show the member.
    QTest::keyClick(interval, Qt::Key_Tab);
    QVERIFY(!interval->hasFocus());
    QCOMPARE(dlg->m_fInterval, 0.5f);
    dlg->UpdateData(false);
    QCOMPARE(interval->text(), QStringLiteral("0.5"));

    // Typed, then a command pressed with the mouse while the instrument prints.
    interval->setFocus();
    interval->selectAll();
    QTest::keyClicks(interval, QStringLiteral("0.3"));
    QVERIFY(Capture(*dlg));
    prompts.saveAnswers << m_fixture.FilePath(QStringLiteral("typed.txt"));
    QTest::mouseClick(Button(*dlg, 1051), Qt::LeftButton);
    QVERIFY(dlg->m_bLogging);
    QCOMPARE(dlg->m_fInterval, 0.3f);
    QCOMPARE(dlg->TimerPeriod(COstrumDlg::TIMER_LOG), 300);
    dlg->OnStartLogging();

    // An edit that is not being typed into shows its member as before.
    dlg->m_fInterval = 2.0f;
    dlg->UpdateData(false);
    QCOMPARE(interval->text(), QStringLiteral("2"));
    QVERIFY(prompts.messages.isEmpty());
}

// Two offscreen screens side by side, so that a remembered place can lie on
// either or on neither.
int main(int argc, char *argv[])
{
    QTemporaryDir config;
    const QString path = config.filePath(QStringLiteral("screens.json"));
    QFile file(path);
    if (!config.isValid() || !file.open(QIODevice::WriteOnly))
        return 1;
    file.write(R"({"screens": [
        {"name": "left", "x": 0, "y": 0, "width": 1280, "height": 1024, "logicalDpi": 96, "dpr": 1},
        {"name": "right", "x": 1280, "y": 0, "width": 1280, "height": 1024, "logicalDpi": 96, "dpr": 1}]})");
    file.close();
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + path.toLocal8Bit());
    QApplication app(argc, argv);
    TestSession test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "test_session.moc"
