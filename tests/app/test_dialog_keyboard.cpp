// The main dialog used from the keyboard and through its accessibility
// interface, with the simulated instrument open: where the focus starts,
// Space on EXIT, the radio groups (accessible actions, arrow keys), the tab
// order, the accessible names, and Send Program after the device was lost.
#include "app/costrum_dlg.h"
#include "app/profile.h"
#include "charts/my_chart.h"
#include "scripted_prompts.h"
#include "sim_control.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
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
        if (whileOpen)
            whileOpen();
        return ScriptedPrompts::OpenFileName(filter);
    }
    std::function<void()> whileOpen;
};

QAbstractButton *Button(COstrumDlg &dlg, int id)
{
    return qobject_cast<QAbstractButton *>(dlg.GetDlgItem(id));
}

int FocusId()
{
    return ControlIdOf(QApplication::focusWidget());
}

// The checked buttons of the radio group that holds the button member.
QList<int> Checked(COstrumDlg &dlg, int member)
{
    QList<int> checked;
    for (const ControlTemplate &t : MainDialogTemplate().controls) {
        const QList<int> group = RadioGroup(MainDialogTemplate(), t.id);
        if ((t.flags & FlagGroupStart) && group.contains(member)) {
            for (int id : group)
                if (Button(dlg, id)->isChecked())
                    checked << id;
        }
    }
    return checked;
}

} // namespace

class TestDialogKeyboard : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void focusStartsOffExitAndSpaceNeverPressesIt();
    void accessibleRadioActions_data();
    void accessibleRadioActions();
    void arrowsMoveWithinTheGroup_data();
    void arrowsMoveWithinTheGroup();
    void tabOrder_data();
    void tabOrder();
    void everyControlHasAName();
    void sendProgramAfterTheDeviceWentAway_data();
    void sendProgramAfterTheDeviceWentAway();

private:
    // The dialog shown and active, with the remembered instrument open and ready.
    std::unique_ptr<COstrumDlg> Start(ScriptedPrompts &prompts);

    QTemporaryDir m_profileDir;
    SimControl m_sim;
};

void TestDialogKeyboard::initTestCase()
{
    QVERIFY(m_profileDir.isValid());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_profileDir.path());
    QVERIFY(m_sim.IsLoaded());
}

std::unique_ptr<COstrumDlg> TestDialogKeyboard::Start(ScriptedPrompts &prompts)
{
    m_sim.Set("RESET");
    m_sim.Set("TAVIXSIM_BAUD=0");
    Profile::WriteDeviceText(1, QStringLiteral("Tavix3000 s/n TX300001"));
    auto dlg = std::make_unique<COstrumDlg>(prompts, QStringLiteral(TAVIX_SIM_LIBRARY));
    dlg->show();
    dlg->activateWindow();
    if (!QTest::qWaitForWindowActive(dlg.get()) || !QTest::qWaitFor([] { return g_bDeviceReady == 1; }, 10000))
        return nullptr;
    return dlg;
}

void TestDialogKeyboard::focusStartsOffExitAndSpaceNeverPressesIt()
{
    ScriptedPrompts prompts;
    auto dlg = Start(prompts);
    QVERIFY(dlg);
    QCOMPARE(FocusId(), 1030); // "Search", the first tab stop
    dlg->m_strInput = QStringLiteral("420 characters captured\r\n");
    QAbstractButton *exit = Button(*dlg, 1);
    exit->setFocus();
    QTest::keyClick(exit, Qt::Key_Space);
    // The instrument got 0x20 and answers with a display line; nothing ended.
    QTRY_VERIFY_WITH_TIMEOUT(dlg->m_strInput.contains(QStringLiteral("m/s")), 10000);
    QVERIFY(dlg->m_strInput.startsWith(QStringLiteral("420 characters captured\r\n")));
    QVERIFY(dlg->isVisible());
    QVERIFY(dlg->IsDeviceOpen());
    // Space still presses other buttons; the mouse still ends the program.
    Button(*dlg, 1018)->setFocus();
    QTest::keyClick(Button(*dlg, 1018), Qt::Key_Space);
    QVERIFY(!dlg->m_strInput.startsWith(QStringLiteral("420")));
    QTest::mouseClick(exit, Qt::LeftButton);
    QVERIFY(!dlg->isVisible());
    QCOMPARE(dlg->result(), 1);
}

void TestDialogKeyboard::accessibleRadioActions_data()
{
    QTest::addColumn<int>("button");
    QTest::addColumn<bool>("toggle"); // else Press
    QTest::addColumn<bool>("disable");
    QTest::addColumn<int>("checked");
    QTest::addColumn<QStringList>("sorted"); // files Sort picks afterwards, when given
    QTest::newRow("Toggle QRT Log") << 1044 << true << false << 1044 << QStringList{"File 1", "File 5"};
    QTest::newRow("Press QRT 31 Logp") << 1045 << false << false << 1045 << QStringList{"File 4"};
    QTest::newRow("Toggle checked QRT 03 Logp") << 1043 << true << false << 1043
                                                << QStringList{"File 2", "File 3"};
    QTest::newRow("Press Vmax") << 1056 << false << false << 1056 << QStringList();
    QTest::newRow("Toggle hidden Description") << 1027 << true << false << 1028 << QStringList();
    QTest::newRow("Press hidden Var2") << 1064 << false << false << 1063 << QStringList();
    QTest::newRow("Toggle disabled QRT Log") << 1044 << true << true << 1043 << QStringList();
}

void TestDialogKeyboard::accessibleRadioActions()
{
    QFETCH(int, button);
    QFETCH(bool, toggle);
    QFETCH(bool, disable);
    QFETCH(int, checked);
    QFETCH(QStringList, sorted);
    ScriptedPrompts prompts;
    auto dlg = Start(prompts);
    QVERIFY(dlg);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return); // the instrument prints its files
    // Two reports and five log files, each ending with its signature line.
    const QString signature = QStringLiteral(" Signature .................\r\n");
    QTRY_VERIFY_WITH_TIMEOUT(dlg->m_strInput.count(signature) == 7
                                 && dlg->m_strInput.endsWith(signature + QStringLiteral("\r\n")),
                             10000);
    dlg->EnableControl(button, !disable);
    QSignalSpy command(Button(*dlg, button), &QAbstractButton::clicked);

    QAccessibleInterface *radio = QAccessible::queryAccessibleInterface(Button(*dlg, button));
    QCOMPARE(radio->role(), QAccessible::RadioButton);
    QVERIFY(radio->state().checkable);
    radio->actionInterface()->doAction(toggle ? QAccessibleActionInterface::toggleAction()
                                              : QAccessibleActionInterface::pressAction());
    QCOMPARE(Checked(*dlg, button), QList<int>{checked});
    QCOMPARE(command.size(), checked == button ? 1 : 0);
    QCOMPARE(radio->state().checked, checked == button);
    if (!sorted.isEmpty()) {
        QTest::mouseClick(Button(*dlg, 1035), Qt::LeftButton);
        QStringList files;
        for (const QString &line : dlg->m_strSortedOutput.split(QStringLiteral("\r\n")))
            if (line.startsWith(QStringLiteral("File ")))
                files << line;
        QCOMPARE(files, sorted);
    }
}

void TestDialogKeyboard::arrowsMoveWithinTheGroup_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("to");
    QTest::newRow("Down from QRT 31 Logp wraps over the hidden types") << 1045 << int(Qt::Key_Down) << 1043;
    QTest::newRow("Up from QRT 03 Logp wraps") << 1043 << int(Qt::Key_Up) << 1045;
    QTest::newRow("Right from Barometer") << 1084 << int(Qt::Key_Right) << 1055;
    QTest::newRow("Left from Barometer wraps to DR%") << 1084 << int(Qt::Key_Left) << 1060;
    QTest::newRow("Down on the lone Auto Scroll checks it again") << 1039 << int(Qt::Key_Down) << 1039;
}

void TestDialogKeyboard::arrowsMoveWithinTheGroup()
{
    QFETCH(int, from);
    QFETCH(int, key);
    QFETCH(int, to);
    ScriptedPrompts prompts;
    auto dlg = Start(prompts);
    QVERIFY(dlg);
    QTest::mouseClick(Button(*dlg, from), Qt::LeftButton);
    QCOMPARE(FocusId(), from);
    QSignalSpy command(Button(*dlg, to), &QAbstractButton::clicked);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key(key));
    QCOMPARE(FocusId(), to);
    QCOMPARE(Checked(*dlg, from), QList<int>{to});
    QCOMPARE(command.size(), 1);
}

void TestDialogKeyboard::tabOrder_data()
{
    QTest::addColumn<int>("logType"); // chosen through the accessible action first, or 0
    QTest::addColumn<QList<int>>("stops");
    const QList<int> head{1030, 1024, 1015, 1018, 1020, 1022, 1023, 1039, 1031, 1021, 1051, 1053, 1038, 1094, 1093, 1};
    const QList<int> tail{1035, 1054, 1032, 1034, 1089, 1079, 1080, 1090};
    QTest::newRow("at start") << 0 << head + QList<int>{1043} + tail + QList<int>{1084};
    QTest::newRow("QRT Log chosen") << 1044 << head + QList<int>{1044} + tail + QList<int>{1063};
}

void TestDialogKeyboard::tabOrder()
{
    QFETCH(int, logType);
    QFETCH(QList<int>, stops);
    ScriptedPrompts prompts;
    auto dlg = Start(prompts);
    QVERIFY(dlg);
    if (logType)
        QAccessible::queryAccessibleInterface(Button(*dlg, logType))
            ->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    Button(*dlg, 1030)->setFocus();
    QList<int> seen{FocusId()};
    for (qsizetype i = 1; i <= stops.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        seen << FocusId();
    }
    QCOMPARE(seen, stops + QList<int>{1030}); // round and back to Search
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    QCOMPARE(FocusId(), stops.last());
}

void TestDialogKeyboard::everyControlHasAName()
{
    ScriptedPrompts prompts;
    auto dlg = Start(prompts);
    QVERIFY(dlg);
    QList<QWidget *> controls = dlg->Controls().values();
    controls << dlg->m_pChart;
    for (QWidget *control : controls) {
        if (control->isVisible())
            QVERIFY2(!QAccessible::queryAccessibleInterface(control)->text(QAccessible::Name).isEmpty(),
                     qPrintable(control->objectName()));
    }
    const QList<std::pair<QWidget *, QString>> fixed{
        {dlg->GetDlgItem(1015), "Status"},        {dlg->GetDlgItem(1021), "Info value"},
        {dlg->GetDlgItem(1026), "Device"},        {dlg->GetDlgItem(1031), "Input data"},
        {dlg->GetDlgItem(1054), "Sorted output"}, {dlg->GetDlgItem(1053), "Interval"},
        {controls.last(), "Log graph"}};
    for (const auto &[control, name] : fixed)
        QCOMPARE(QAccessible::queryAccessibleInterface(control)->text(QAccessible::Name), name);
}

void TestDialogKeyboard::sendProgramAfterTheDeviceWentAway_data()
{
    QTest::addColumn<bool>("unplug"); // else closed
    QTest::newRow("unplugged, found by the poll") << true;
    QTest::newRow("closed") << false;
}

void TestDialogKeyboard::sendProgramAfterTheDeviceWentAway()
{
    QFETCH(bool, unplug);
    QTemporaryDir dir;
    QFile program(dir.filePath(QStringLiteral("new.pro")));
    QVERIFY(program.open(QIODevice::WriteOnly) && program.write(QByteArray(300, 'P')) == 300);
    program.close();
    WaitingPrompts prompts;
    prompts.openAnswers = {program.fileName()};
    auto dlg = Start(prompts);
    QVERIFY(dlg);
    bool lost = false;
    prompts.whileOpen = [&] {
        if (unplug)
            m_sim.Set("UNPLUG");
        else
            dlg->FtClose();
        lost = QTest::qWaitFor([&] { return !dlg->IsDeviceOpen(); }, 10000);
    };
    dlg->m_strInput = QStringLiteral("captured");
    QTest::mouseClick(Button(*dlg, 1093), Qt::LeftButton);
    QCOMPARE(prompts.openDialogs, 1);
    QVERIFY(lost);
    QVERIFY(!dlg->IsFirmwareUploadRunning());
    QVERIFY(!dlg->m_bSending);
    QCOMPARE(dlg->m_strInput, QStringLiteral("captured"));
    QLibrary sim(m_sim.Path());
    auto programBytes = reinterpret_cast<unsigned long long (*)()>(sim.resolve("TavixSim_ProgramBytes"));
    QVERIFY(programBytes);
    QCOMPARE(programBytes(), 0ull);
}

QTEST_MAIN(TestDialogKeyboard)
#include "test_dialog_keyboard.moc"
