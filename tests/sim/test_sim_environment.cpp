// Settings taken from the environment when the library is loaded: this test
// sets the variables before it loads the library (its own process, so no
// other test sees them), then checks that each one took effect, that a
// value the simulator cannot use leaves the default, and that RESET goes
// back to the built-in defaults rather than to the environment.
#include "sim_library.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestSimEnvironment : public QObject {
    Q_OBJECT

private:
    SimLibrary m_sim;
    QTemporaryDir m_dir;
    QString m_tracePath;

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_tracePath = m_dir.filePath(QStringLiteral("trace.txt"));
        const QString printout = m_dir.filePath(QStringLiteral("printout.txt"));
        QFile file(printout);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("File 1 \r\nTavix\r\n");
        file.close();
        qputenv("TAVIXSIM_DEVICES", "TXA, TXB=Bench Tavix");
        qputenv("TAVIXSIM_PROBE_REPLY", "0x3F");
        qputenv("TAVIXSIM_BAUD", "0");
        qputenv("TAVIXSIM_TRACE", m_tracePath.toLocal8Bit());
        qputenv("TAVIXSIM_PRINTOUT", printout.toLocal8Bit());
        qputenv("TAVIXSIM_AUTOPRINT", "yes"); // cannot be used: stays off
        qputenv("TAVIXSIM_FAULTS", "write_fail_after=2");
        QString error;
        QVERIFY2(m_sim.load(QStringLiteral(TAVIX_SIM_LIBRARY), &error), qPrintable(error));
    }

    void settingsFromTheEnvironment()
    {
        DWORD count = 0;
        QCOMPARE(m_sim.listDevices(&count, nullptr, FT_LIST_NUMBER_ONLY), FT_OK);
        QCOMPARE(count, DWORD(2));
        char name[64] = {};
        QCOMPARE(m_sim.listDevices(reinterpret_cast<void *>(quintptr(1)), name,
                                   FT_LIST_BY_INDEX | FT_OPEN_BY_DESCRIPTION),
                 FT_OK);
        QCOMPARE(QByteArray(name), QByteArray("Bench Tavix"));

        FT_HANDLE handle = m_sim.openSerial("TXA");
        QVERIFY(handle);
        QCOMPARE(m_sim.writeByte(handle, 0x80), FT_OK);
        QCOMPARE(m_sim.waiting(handle), 1); // baud 0: there at once, no print-out after it
        QCOMPARE(m_sim.collect(handle, 1, 1000), QByteArray("\x3F"));
        QCOMPARE(m_sim.writeByte(handle, 0x0D), FT_OK);
        QCOMPARE(m_sim.collect(handle, 16, 1000), QByteArray("File 1 \r\nTavix\r\n"));
        QCOMPARE(m_sim.writeByte(handle, 0x0D), FT_IO_ERROR); // the third write
        QCOMPARE(m_sim.close(handle), FT_OK);

        QFile trace(m_tracePath);
        QVERIFY(trace.open(QIODevice::ReadOnly));
        QVERIFY(trace.readAll().startsWith("FT_ListDevices flags=0x80000000 status=0 count=2\n"));
    }

    void resetGoesBackToBuiltInDefaults()
    {
        QCOMPARE(m_sim.set("RESET"), 0);
        FT_HANDLE handle = m_sim.openSerial("TX300001");
        QVERIFY(handle);
        QCOMPARE(m_sim.setTimeouts(handle, 300, 300), FT_OK);
        QCOMPARE(m_sim.writeByte(handle, 0x80), FT_OK);
        QCOMPARE(m_sim.collect(handle, 1, 2000), QByteArray("\x80"));
        QCOMPARE(m_sim.close(handle), FT_OK);
    }
};

QTEST_GUILESS_MAIN(TestSimEnvironment)
#include "test_sim_environment.moc"
