// The main dialog shell: controls at start-up, data exchange, the About
// entry, the driver wrappers' messages and the "Send Program" switching,
// Escape, Enter and EXIT.
#include "dialog_fixture.h"
#include "gui/dialog/data_exchange.h"
#include "gui/main_window/costrum_dlg.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QMenuBar>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QLineEdit *Edit(COstrumDlg &dlg, int id)
{
    return qobject_cast<QLineEdit *>(dlg.GetDlgItem(id));
}

QAbstractButton *Button(COstrumDlg &dlg, int id)
{
    return qobject_cast<QAbstractButton *>(dlg.GetDlgItem(id));
}

} // namespace

class TestMainDialog : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void controlsHiddenAtStart();
    void templatePositions();
    void visibleControlsDoNotOverlap();
    void radioExchange();
    void floatExchange();
    void intervalThatIsNoNumberFailsTheTransfer();
    void menuBarHasTheAboutItem();
    void pollTimerRuns();
    void missingLibraryMessages();
    void sendProgramFollowsTheDevice();
    void escapeKeepsTheDialogOpen();
    void enterNeverPressesExit();
    void exitKeepsDialogOpenWhenTransferFails();
    void exitClosesDeviceAndLibrary();
    void closeBoxEndsTheDialog();

private:
    DialogFixture m_fixture;
};

void TestMainDialog::initTestCase()
{
    m_fixture.InitTestCase();
}

void TestMainDialog::init()
{
    m_fixture.Init();
}

void TestMainDialog::controlsHiddenAtStart()
{
    ScriptedPrompts prompts;
    COstrumDlg dlg(prompts, QStringLiteral(TAVIX_SIM_LIBRARY));
    dlg.show();
    for (int id : {1078, 1067, 1062, 1071, 1049, 1050, 1028, 1029, 1081, 1065, 1066, 1046, 1047, 1048, 1027,
                   1026, 1068, 1025, 1033, 1019, 1061, 1063, 1064, 1082, 1083})
        QVERIFY2(!dlg.GetDlgItem(id)->isVisible(), qPrintable(QString::number(id)));
    for (int id : {1, 1015, 1030, 1024, 1031, 1035, 1043, 1044, 1045, 1084, 1055, 1060, 1079, 1080, 1089, 1090,
                   1051, 1053, 1054, 1093, 1094, 1038})
        QVERIFY2(dlg.GetDlgItem(id)->isVisible(), qPrintable(QString::number(id)));
    QVERIFY(!dlg.GetDlgItem(1093)->isEnabled());
}

void TestMainDialog::templatePositions()
{
    ScriptedPrompts prompts;
    COstrumDlg dlg(prompts, QStringLiteral(TAVIX_SIM_LIBRARY));
    // Worked by hand from the template: x * 6 / 4 and y * 13 / 8, rounded.
    QCOMPARE(dlg.GetDlgItem(1030)->geometry(), QRect(18, 18, 44, 23));
    QCOMPARE(dlg.GetDlgItem(1031)->geometry(), QRect(18, 221, 288, 319));
    QCOMPARE(dlg.GetDlgItem(1)->geometry(), QRect(774, 20, 74, 29));
    // Start Logging (12, 409, 72, 12): top 664.625 -> 665, bottom 684.125 -> 684.
    QCOMPARE(dlg.GetDlgItem(1051)->geometry(), QRect(18, 665, 108, 19));
    QCOMPARE(dlg.GetDlgItem(1)->accessibleName(), QStringLiteral("EXIT"));
    QCOMPARE(dlg.GetDlgItem(1015)->accessibleName(), QStringLiteral("Status"));
    QCOMPARE(dlg.GetDlgItem(1031)->accessibleName(), QStringLiteral("Input data"));
    QCOMPARE(dlg.GetDlgItem(1053)->accessibleName(), QStringLiteral("Interval"));
}

void TestMainDialog::visibleControlsDoNotOverlap()
{
    ScriptedPrompts prompts;
    COstrumDlg dlg(prompts, QStringLiteral(TAVIX_SIM_LIBRARY));
    dlg.show();
    const QRect chart(388, 350, 460, 292);
    QList<QWidget *> visible;
    for (QWidget *control : dlg.Controls()) {
        if (control->isVisible() && !control->inherits("QGroupBox"))
            visible.append(control);
    }
    for (qsizetype i = 0; i < visible.size(); ++i) {
        QVERIFY2(!visible[i]->geometry().intersects(chart), qPrintable(visible[i]->objectName()));
        for (qsizetype j = i + 1; j < visible.size(); ++j) {
            QVERIFY2(!visible[i]->geometry().intersects(visible[j]->geometry()),
                     qPrintable(visible[i]->objectName() + " / " + visible[j]->objectName()));
        }
    }
}

void TestMainDialog::radioExchange()
{
    ScriptedPrompts prompts;
    COstrumDlg dlg(prompts, QStringLiteral(TAVIX_SIM_LIBRARY));
    // Log type 0 is checked at start; clear the group: none checked reads -1.
    QVERIFY(Button(dlg, 1043)->isChecked());
    dlg.m_nLogType = -1;
    QVERIFY(dlg.UpdateData(false));
    for (int id : {1043, 1044, 1045, 1046, 1047, 1048})
        QVERIFY(!Button(dlg, id)->isChecked());
    dlg.m_nLogType = 5;
    QVERIFY(dlg.UpdateData(true));
    QCOMPARE(dlg.m_nLogType, -1);

    // Writing an index checks that button only.
    dlg.m_nLogpVariable = 5;
    QVERIFY(dlg.UpdateData(false));
    for (int id : {1084, 1055, 1056, 1057, 1058, 1060})
        QVERIFY(!Button(dlg, id)->isChecked());
    QVERIFY(Button(dlg, 1059)->isChecked());
    dlg.m_nLogpVariable = 0;
    QVERIFY(dlg.UpdateData(true));
    QCOMPARE(dlg.m_nLogpVariable, 5);

    // A click checks the button and clears the rest of its group only.
    Button(dlg, 1044)->click();
    QVERIFY(Button(dlg, 1044)->isChecked());
    QVERIFY(dlg.UpdateData(true));
    QCOMPARE(dlg.m_nLogType, 1);
    QCOMPARE(dlg.m_nLogpVariable, 5);
}

void TestMainDialog::floatExchange()
{
    ScriptedPrompts prompts;
    COstrumDlg dlg(prompts, QStringLiteral(TAVIX_SIM_LIBRARY));
    QCOMPARE(Edit(dlg, 1053)->text(), QStringLiteral("1"));
    Edit(dlg, 1053)->setText(QStringLiteral("2.5"));
    QVERIFY(dlg.UpdateData(true));
    QCOMPARE(dlg.m_fInterval, 2.5f);
    QVERIFY(dlg.UpdateData(false));
    QCOMPARE(Edit(dlg, 1053)->text(), QStringLiteral("2.5"));
    // Six significant digits.
    dlg.m_fInterval = 1.0005f;
    QVERIFY(dlg.UpdateData(false));
    QCOMPARE(Edit(dlg, 1053)->text(), QStringLiteral("1.0005"));
    dlg.m_fInterval = 0.1234567f;
    QVERIFY(dlg.UpdateData(false));
    QCOMPARE(Edit(dlg, 1053)->text(), QStringLiteral("0.123457"));
    QCOMPARE(DataExchange::FormatFloat(1234567.0f), QStringLiteral("1.23457e+06"));
    float value = 0;
    QVERIFY(DataExchange::ParseFloat(QStringLiteral("  0.1 "), &value));
    QCOMPARE(value, 0.1f);
    QVERIFY(!DataExchange::ParseFloat(QStringLiteral("1.5s"), &value));
    QVERIFY(!DataExchange::ParseFloat(QString(), &value));
}

void TestMainDialog::intervalThatIsNoNumberFailsTheTransfer()
{
    ScriptedPrompts prompts;
    COstrumDlg dlg(prompts, QStringLiteral(TAVIX_SIM_LIBRARY));
    prompts.messages.clear();
    dlg.m_fInterval = 2.5f;
    QVERIFY(dlg.UpdateData(false));
    Edit(dlg, 1053)->setText(QStringLiteral("abc"));
    // Bindings before the interval are still taken in.
    Button(dlg, 1043)->setChecked(false);
    Button(dlg, 1045)->setChecked(true);
    QVERIFY(!dlg.UpdateData(true));
    QCOMPARE(prompts.messages, QStringList{QStringLiteral("Please enter a number.")});
    QCOMPARE(dlg.m_fInterval, 2.5f);
    QCOMPARE(dlg.m_nLogType, 2);
}

void TestMainDialog::menuBarHasTheAboutItem()
{
    ScriptedPrompts prompts;
    COstrumDlg dlg(prompts, QStringLiteral(TAVIX_SIM_LIBRARY));
    const QList<QAction *> actions = dlg.MenuBar()->actions();
    QCOMPARE(actions.size(), 1);
    QCOMPARE(actions.first()->text(), QStringLiteral("&TavixTerminal..."));
    QCOMPARE(actions.first()->data().toInt(), 188);
    QVERIFY(actions.first()->menu() == nullptr); // a command, not a drop-down
}

void TestMainDialog::pollTimerRuns()
{
    ScriptedPrompts prompts;
    COstrumDlg dlg(prompts, QStringLiteral(TAVIX_SIM_LIBRARY));
    QVERIFY(dlg.IsTimerActive(COstrumDlg::TIMER_POLL));
    QCOMPARE(dlg.TimerPeriod(COstrumDlg::TIMER_POLL), 10);
    QVERIFY(!dlg.IsTimerActive(COstrumDlg::TIMER_LOG));
    // While no device is ready the poll does nothing: no driver message, no text.
    QTest::qWait(50);
    QVERIFY(dlg.m_strInput.isEmpty());
}

void TestMainDialog::missingLibraryMessages()
{
    ScriptedPrompts prompts;
    COstrumDlg dlg(prompts, QStringLiteral("/nonexistent/libftd2xx.so"));
    // The load message comes first; the start-up connection then meets the
    // empty wrappers.
    QVERIFY(!prompts.messages.isEmpty());
    QCOMPARE(prompts.messages.first(), QStringLiteral("Error: Can't Load /nonexistent/libftd2xx.so"));
    prompts.messages.clear();
    DWORD value = 0;
    char buffer[4] = {};
    QCOMPARE(dlg.FtOpen(0), FT_STATUS(1));
    QCOMPARE(dlg.FtOpenEx("TX300001", FT_OPEN_BY_SERIAL_NUMBER), FT_STATUS(1));
    QCOMPARE(dlg.FtListDevices(&value, nullptr, FT_LIST_NUMBER_ONLY), FT_STATUS(1));
    QCOMPARE(dlg.FtClose(), FT_STATUS(1));
    QCOMPARE(dlg.FtRead(buffer, 1, &value), FT_STATUS(1));
    QCOMPARE(dlg.FtWrite(buffer, 1, &value), FT_STATUS(1));
    QCOMPARE(dlg.FtResetDevice(), FT_STATUS(1));
    QCOMPARE(dlg.FtPurge(FT_PURGE_RX), FT_STATUS(1));
    QCOMPARE(dlg.FtSetTimeouts(300, 300), FT_STATUS(1));
    QCOMPARE(dlg.FtGetStatus(&value, &value, &value), FT_STATUS(1));
    QCOMPARE(dlg.FtSetChars(0, 0, 0, 0), FT_STATUS(1));
    QCOMPARE(dlg.FtSetEventNotification(0, nullptr), FT_STATUS(1));
    QCOMPARE(prompts.messages,
             (QStringList{"FT_Open is not valid!", "FT_OpenEx is not valid!", "FT_ListDevices is not valid!",
                          "FT_Close is not valid!", "FT_Read is not valid!", "FT_Write is not valid!",
                          "FT_ResetDevice is not valid!", "FT_Purge is not valid!",
                          "FT_SetTimeouts is not valid!", "FT_GetQueueStatus is not valid!",
                          "FT_SetChars is not valid!", "FT_SetEventNotification is not valid!"}));
}

void TestMainDialog::sendProgramFollowsTheDevice()
{
    ScriptedPrompts prompts;
    COstrumDlg dlg(prompts, QStringLiteral(TAVIX_SIM_LIBRARY));
    QWidget *sendProgram = dlg.GetDlgItem(1093);
    dlg.FtClose();
    QVERIFY(!sendProgram->isEnabled());
    QCOMPARE(dlg.FtOpen(0), FT_STATUS(FT_OK));
    QVERIFY(sendProgram->isEnabled());
    QVERIFY(dlg.IsDeviceOpen());
    // The close that precedes a new open disables it too.
    dlg.FtClose();
    QVERIFY(!sendProgram->isEnabled());
    QVERIFY(!dlg.IsDeviceOpen());
    // A failed open leaves it disabled.
    QVERIFY(dlg.FtOpenEx("NOSUCHDEVICE", FT_OPEN_BY_SERIAL_NUMBER) != FT_OK);
    QVERIFY(!sendProgram->isEnabled());
    QCOMPARE(dlg.FtOpenEx("TX300001", FT_OPEN_BY_SERIAL_NUMBER), FT_STATUS(FT_OK));
    QVERIFY(sendProgram->isEnabled());
}

void TestMainDialog::escapeKeepsTheDialogOpen()
{
    ScriptedPrompts prompts;
    COstrumDlg dlg(prompts, QStringLiteral(TAVIX_SIM_LIBRARY));
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    QTest::keyClick(&dlg, Qt::Key_Escape);
    QVERIFY(dlg.isVisible());
    QCOMPARE(dlg.result(), 0);
}

void TestMainDialog::enterNeverPressesExit()
{
    ScriptedPrompts prompts;
    COstrumDlg dlg(prompts, QStringLiteral(TAVIX_SIM_LIBRARY));
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    dlg.GetDlgItem(1)->setFocus();
    QTest::keyClick(dlg.GetDlgItem(1), Qt::Key_Return);
    QTest::keyClick(&dlg, Qt::Key_Enter);
    QVERIFY(dlg.isVisible());
    QCOMPARE(dlg.result(), 0);
}

void TestMainDialog::exitKeepsDialogOpenWhenTransferFails()
{
    ScriptedPrompts prompts;
    COstrumDlg dlg(prompts, QStringLiteral(TAVIX_SIM_LIBRARY));
    dlg.show();
    QCOMPARE(dlg.FtOpen(0), FT_STATUS(FT_OK));
    prompts.messages.clear();
    Edit(dlg, 1053)->setText(QStringLiteral("abc"));
    Button(dlg, 1)->click();
    QVERIFY(dlg.isVisible());
    QCOMPARE(prompts.messages, QStringList{QStringLiteral("Please enter a number.")});
    QVERIFY(dlg.m_driver.IsLoaded());
    QVERIFY(dlg.IsDeviceOpen());
    QVERIFY(dlg.GetDlgItem(1093)->isEnabled());
}

void TestMainDialog::exitClosesDeviceAndLibrary()
{
    ScriptedPrompts prompts;
    COstrumDlg dlg(prompts, QStringLiteral(TAVIX_SIM_LIBRARY));
    dlg.show();
    QCOMPARE(dlg.FtOpen(0), FT_STATUS(FT_OK));
    Button(dlg, 1)->click();
    QVERIFY(!dlg.isVisible());
    QCOMPARE(dlg.result(), 1);
    QVERIFY(!dlg.IsDeviceOpen());
    QVERIFY(!dlg.m_driver.IsLoaded());
}

void TestMainDialog::closeBoxEndsTheDialog()
{
    const QString trace = m_fixture.StartTrace();
    {
        ScriptedPrompts prompts;
        COstrumDlg dlg(prompts, QStringLiteral(TAVIX_SIM_LIBRARY));
        dlg.show();
        QCOMPARE(dlg.FtOpen(0), FT_STATUS(FT_OK));
        Edit(dlg, 1053)->setText(QStringLiteral("x1"));
        dlg.close();
        QVERIFY(dlg.isVisible()); // the failed transfer keeps it open
        Edit(dlg, 1053)->setText(QStringLiteral("3"));
        dlg.close();
        QVERIFY(!dlg.isVisible());
        QCOMPARE(dlg.result(), 1);
        QCOMPARE(dlg.m_fInterval, 3.0f);
    }
    // The device the dialog still held is closed as the dialog goes, so the
    // port is free at once.
    QFile file(trace);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll().contains("FT_Close"));
}

QTEST_MAIN(TestMainDialog)
#include "test_main_dialog.moc"
