// The main dialog used from the keyboard and through its accessibility
// interface, with the simulated instrument open: the focus and the tab
// stops, Space on EXIT, the radio groups, and Send Program after the device
// went away while its file dialog was open.
#include "core/device/profile.h"
#include "dialog_fixture.h"
#include "gui/main_window/costrum_dlg.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QKeySequence>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>
#include <memory>

namespace {

// Prompts whose file dialog lets something happen while it is open.
class WaitingPrompts : public ScriptedPrompts
{
public:
    QString OpenFileName(const QString &filter) override
    {
        whileOpen();
        return ScriptedPrompts::OpenFileName(filter);
    }
    std::function<void()> whileOpen = [] {};
};

QAbstractButton *Button(COstrumDlg &dlg, int id) { return qobject_cast<QAbstractButton *>(dlg.GetDlgItem(id)); }
int FocusId() { return ControlIdOf(QApplication::focusWidget()); }

// The checked buttons of the radio group that holds the button member.
QList<int> Checked(COstrumDlg &dlg, int member)
{
    QList<int> checked;
    for (const ControlTemplate &t : MainDialogTemplate().controls) {
        const QList<int> group = RadioGroup(MainDialogTemplate(), t.id);
        for (int id : group)
            if ((t.flags & FlagGroupStart) && group.contains(member) && Button(dlg, id)->isChecked())
                checked << id;
    }
    return checked;
}

} // namespace

class TestDialogKeyboard : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void focusTabStopsAndSpaceOnExit();
    void radioGroups_data();
    void radioGroups();
    void sendProgramAfterTheDeviceWentAway();

private:
    // The dialog shown and active, with the remembered instrument open and ready.
    std::unique_ptr<COstrumDlg> Start(ScriptedPrompts &prompts)
    {
        m_fixture.Init(true);
        Profile::WriteDeviceText(1, QStringLiteral("Tavix3000 s/n TX300001"));
        auto dlg = std::make_unique<COstrumDlg>(prompts, QStringLiteral(TAVIX_SIM_LIBRARY));
        dlg->show();
        dlg->activateWindow();
        const bool ready = QTest::qWaitForWindowActive(dlg.get()) && QTest::qWaitFor([] { return g_bDeviceReady; });
        return ready ? std::move(dlg) : nullptr;
    }

    DialogFixture m_fixture;
    SimControl &m_sim = m_fixture.sim;
};

void TestDialogKeyboard::initTestCase()
{
    m_fixture.InitTestCase();
}

void TestDialogKeyboard::focusTabStopsAndSpaceOnExit()
{
    ScriptedPrompts prompts;
    auto dlg = Start(prompts);
    QVERIFY(dlg);
    QAccessible::queryAccessibleInterface(Button(*dlg, 1044))->actionInterface()->doAction(
        QAccessibleActionInterface::toggleAction()); // "QRT Log": the plain variables show
    dlg->m_strInput = QStringLiteral("420 characters captured\r\n");
    // The focus starts on "Search"; each radio group is one stop, at its
    // checked button; hidden controls and the device list are none.
    const QList<int> stops{1030, 1024, 1015, 1018, 1020, 1022, 1023, 1039, 1031, 1021, 1051, 1053, 1038, 1094,
                           1093, 1,    1044, 1035, 1054, 1032, 1034, 1089, 1079, 1080, 1090, 1063, 1030};
    QList<int> seen{FocusId()};
    while (seen.size() < stops.size()) {
        QWidget *focus = QApplication::focusWidget();
        QVERIFY(focus && dlg->isVisible());
        QVERIFY(!QAccessible::queryAccessibleInterface(focus)->text(QAccessible::Name).isEmpty());
        if (FocusId() == 1) // Space on EXIT is sent to the instrument and ends nothing
            QTest::keyClick(focus, Qt::Key_Space);
        QTest::keyClick(focus, Qt::Key_Tab);
        seen << FocusId();
    }
    QCOMPARE(seen, stops);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    QCOMPARE(FocusId(), 1063);
    // The instrument answered the space with a display line; the text is intact.
    QTRY_VERIFY(dlg->m_strInput.startsWith(QStringLiteral("420 characters captured\r\n  ")));
    QVERIFY(dlg->isVisible() && dlg->IsDeviceOpen());
    // The mouse still ends the program, once the display line received is
    // let go.
    prompts.saveQuestionAnswers << Prompts::SaveAnswer::Discard;
    QTest::mouseClick(Button(*dlg, 1), Qt::LeftButton);
    QCOMPARE(prompts.questions.size(), 1);
    QVERIFY(!dlg->isVisible());
}

void TestDialogKeyboard::radioGroups_data()
{
    QTest::addColumn<int>("start");     // clicked with the mouse first, or 0
    QTest::addColumn<int>("disabled");  // or 0
    QTest::addColumn<QString>("input"); // an accessible action on button, or a key
    QTest::addColumn<int>("button");
    QTest::addColumn<int>("checked");
    QTest::addColumn<QStringList>("sorted"); // the files Sort picks then, when given
    const QString toggle = QAccessibleActionInterface::toggleAction();
    const QString press = QAccessibleActionInterface::pressAction();
    QTest::newRow("Toggle QRT Log") << 0 << 0 << toggle << 1044 << 1044 << QStringList{"File 1", "File 5"};
    QTest::newRow("Press QRT 31 Logp") << 0 << 0 << press << 1045 << 1045 << QStringList{"File 4"};
    QTest::newRow("Toggle checked QRT 03 Logp") << 0 << 0 << toggle << 1043 << 1043 << QStringList();
    QTest::newRow("Toggle hidden Description") << 0 << 0 << toggle << 1027 << 1028 << QStringList();
    QTest::newRow("Toggle disabled QRT Log") << 0 << 1044 << toggle << 1044 << 1043 << QStringList();
    QTest::newRow("Down skips disabled QRT Log") << 1043 << 1044 << "Down" << 1045 << 1045 << QStringList();
    QTest::newRow("Down wraps over hidden types") << 1045 << 0 << "Down" << 1043 << 1043 << QStringList();
    QTest::newRow("Right from Barometer") << 1084 << 0 << "Right" << 1055 << 1055 << QStringList();
    QTest::newRow("Left wraps to DR%") << 1084 << 0 << "Left" << 1060 << 1060 << QStringList();
    QTest::newRow("Down on lone Auto Scroll") << 1039 << 0 << "Down" << 1039 << 1039 << QStringList();
}

void TestDialogKeyboard::radioGroups()
{
    QFETCH(int, start);
    QFETCH(int, disabled);
    QFETCH(QString, input);
    QFETCH(int, button);
    QFETCH(int, checked);
    QFETCH(QStringList, sorted);
    ScriptedPrompts prompts;
    auto dlg = Start(prompts);
    QVERIFY(dlg);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return); // the instrument prints its files
    QTRY_VERIFY(dlg->m_strInput.count(QStringLiteral(" Signature ....")) == 7);
    if (start)
        QTest::mouseClick(Button(*dlg, start), Qt::LeftButton);
    dlg->EnableControl(disabled, false);
    QSignalSpy command(Button(*dlg, button), &QAbstractButton::clicked);
    QAccessibleInterface *radio = QAccessible::queryAccessibleInterface(Button(*dlg, button));
    QCOMPARE(radio->role(), QAccessible::RadioButton);
    if (start)
        QTest::keyClick(QApplication::focusWidget(), QKeySequence(input)[0].key());
    else
        radio->actionInterface()->doAction(input);

    QCOMPARE(Checked(*dlg, button), QList<int>{checked});
    QCOMPARE(radio->state().checked, checked == button);
    QCOMPARE(command.size(), checked == button ? 1 : 0); // the button's command ran
    QCOMPARE(FocusId(), start ? button : 1030);
    if (!sorted.isEmpty()) {
        QTest::mouseClick(Button(*dlg, 1035), Qt::LeftButton);
        const QStringList lines = dlg->m_strSortedOutput.split(QStringLiteral("\r\n"));
        QCOMPARE(lines.filter(QRegularExpression(QStringLiteral("^File \\d+$"))), sorted);
    }
}

void TestDialogKeyboard::sendProgramAfterTheDeviceWentAway()
{
    WaitingPrompts prompts;
    prompts.openAnswers = {QStringLiteral(TAVIX_SOURCE_DIR "/README.md")};
    auto dlg = Start(prompts);
    QVERIFY(dlg);
    bool lost = false;
    prompts.whileOpen = [&] { // the instrument is unplugged; the poll finds it
        m_sim.Set("UNPLUG");
        lost = QTest::qWaitFor([&] { return !dlg->IsDeviceOpen(); });
    };
    dlg->m_strInput = QStringLiteral("captured");
    QTest::mouseClick(Button(*dlg, 1093), Qt::LeftButton);
    QVERIFY(lost && prompts.openDialogs == 1);
    QVERIFY(!dlg->IsFirmwareUploadRunning() && !dlg->m_bSending);
    QCOMPARE(dlg->m_strInput, QStringLiteral("captured"));
}

QTEST_MAIN(TestDialogKeyboard)
#include "test_dialog_keyboard.moc"
