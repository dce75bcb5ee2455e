// What the window's tests stand on: a temporary folder that is the working
// directory (no Config.dat there, so the built-in texts are used) and holds
// the program's profile (emptied before every test, so no device is
// remembered and none opens at start-up), and the simulated instrument,
// reset before every test. Call InitTestCase from initTestCase and Init from
// init; a failed check inside them fails the test that called them.
#ifndef TAVIX_TESTS_DIALOG_FIXTURE_H
#define TAVIX_TESTS_DIALOG_FIXTURE_H

#include "core/device/d2xx_types.h"
#include "gui/main_window/costrum_dlg.h"
#include "scripted_prompts.h"
#include "sim_control.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

class DialogFixture
{
public:
    QTemporaryDir dir;
    SimControl sim;

    void InitTestCase()
    {
        QVERIFY(dir.isValid());
        QVERIFY(sim.IsLoaded());
        QVERIFY(QDir::setCurrent(dir.path()));
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir.path());
    }

    // The instrument reset (replying at once when fastReplies is set, so
    // that every poll reads the reply to its own request), the profile
    // emptied, no device ready.
    void Init(bool fastReplies = false)
    {
        QCOMPARE(sim.Set("RESET"), 0);
        if (fastReplies)
            QCOMPARE(sim.Set("TAVIXSIM_BAUD=0"), 0);
        QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("tavixterminal"),
                  QStringLiteral("tavixterminal"))
            .clear();
        g_bDeviceReady = 0;
    }

    QString FilePath(const QString &name) const { return dir.filePath(name); }

    // A fresh file named after the running test, into which the instrument
    // writes every call it takes; its path.
    QString StartTrace()
    {
        const QString path = dir.filePath(QStringLiteral("trace-%1.txt").arg(QTest::currentTestFunction()));
        QFile::remove(path);
        [&] { QCOMPARE(sim.Set("TAVIXSIM_TRACE=" + path.toLocal8Bit()), 0); }();
        return path;
    }

    // Opens the simulated instrument by its serial number with 300 ms
    // time-outs, as Open does, and marks it ready, without the reset and
    // the settle time.
    static void OpenDevice(COstrumDlg &dlg)
    {
        QCOMPARE(dlg.FtOpenEx("TX300001", FT_OPEN_BY_SERIAL_NUMBER), FT_STATUS(FT_OK));
        QCOMPARE(dlg.FtSetTimeouts(300, 300), FT_STATUS(FT_OK));
        g_bDeviceReady = 1;
    }

    // A main dialog on the simulated instrument, shown, answering through
    // prompts, whose messages of the start-up are cleared.
    static void ShowDialog(ScriptedPrompts &prompts, std::unique_ptr<COstrumDlg> &dlg)
    {
        prompts = ScriptedPrompts();
        dlg = std::make_unique<COstrumDlg>(prompts, QStringLiteral(TAVIX_SIM_LIBRARY));
        dlg->show();
        QVERIFY(QTest::qWaitForWindowExposed(dlg.get()));
        prompts.messages.clear();
    }
};

#endif
