// Calls on one handle from two threads, as the program makes them: the
// firmware upload writes while the poll reads. Nothing may be lost,
// duplicated or reordered, and a waiting read must not block a writer.
#include "sim_library.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <thread>

namespace {
const QByteArray kVersionLine = "Tavix 3000 version 1.23\r\n";
}

class TestSimConcurrency : public QObject {
    Q_OBJECT

private:
    SimLibrary m_sim;
    QTemporaryDir m_dir;

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QString error;
        QVERIFY2(m_sim.load(QStringLiteral(TAVIX_SIM_LIBRARY), &error), qPrintable(error));
    }

    void init() { QCOMPARE(m_sim.set("RESET"), 0); }

    void requestsFromOneThreadRepliesReadByAnother_data()
    {
        QTest::addColumn<int>("baud");
        QTest::addColumn<int>("maxRequests");
        QTest::newRow("no pacing, 1.5 s of requests") << 0 << 10000000;
        QTest::newRow("115200 baud") << 115200 << 300;
        QTest::newRow("1 Mbaud") << 1000000 << 1500;
    }

    // One thread sends requests as fast as it can for up to 1.5 s, the other
    // polls like the program. The requests follow a fixed pattern (two 'v',
    // then a probe), so the expected stream is known: every reply must come
    // exactly once, whole and in order.
    void requestsFromOneThreadRepliesReadByAnother()
    {
        QFETCH(int, baud);
        QFETCH(int, maxRequests);
        QCOMPARE(m_sim.set("TAVIXSIM_BAUD=" + QByteArray::number(baud)), 0);
        FT_HANDLE handle = m_sim.openSerial("TX300001");
        QVERIFY(handle);
        QCOMPARE(m_sim.setTimeouts(handle, 300, 300), FT_OK);

        auto request = [](int i) { return i % 3 == 2 ? '\x80' : 'v'; };
        std::atomic<int> failures{0};
        std::atomic<int> sent{0};
        std::atomic<bool> done{false};
        std::thread writer([&] {
            QElapsedTimer timer;
            timer.start();
            for (int i = 0; i < maxRequests && timer.elapsed() < 1500; ++i) {
                if (m_sim.writeByte(handle, request(i)) != FT_OK)
                    ++failures;
                ++sent;
            }
            done = true;
        });
        QByteArray received;
        QElapsedTimer timer;
        timer.start();
        qsizetype expectedSize = -1;
        while (timer.elapsed() < 30000 && received.size() != expectedSize) {
            received += m_sim.collect(handle, received.size() + 1, 50);
            if (done && expectedSize < 0) {
                const int count = sent.load();
                expectedSize = (count / 3) * (2 * kVersionLine.size() + 1)
                               + (count % 3) * kVersionLine.size();
            }
        }
        writer.join();
        QCOMPARE(failures.load(), 0);
        QVERIFY(sent.load() > 100);
        QByteArray expected;
        for (int i = 0; i < sent.load(); ++i)
            expected += request(i) == 'v' ? kVersionLine : QByteArray("\x80");
        QCOMPARE(received.size(), expected.size());
        QVERIFY(received == expected);
        QCOMPARE(m_sim.waiting(handle), 0); // nothing extra
        QCOMPARE(m_sim.close(handle), FT_OK);
    }

    // The firmware upload's pattern: 128-byte blocks continued after partial
    // acceptance, while the poll keeps asking for status and reading.
    void firmwareWrittenWhilePolling()
    {
        const QString out = m_dir.filePath(QStringLiteral("stress.pro"));
        QCOMPARE(m_sim.set("TAVIXSIM_FIRMWARE_OUT=" + out.toLocal8Bit()), 0);
        QCOMPARE(m_sim.set("TAVIXSIM_FAULTS=partial_write=50"), 0);
        FT_HANDLE handle = m_sim.openSerial("TX300001");
        QVERIFY(handle);
        QCOMPARE(m_sim.setTimeouts(handle, 300, 300), FT_OK);

        QByteArray program;
        quint32 state = 12345;
        for (int i = 0; i < 96 * 1024; ++i) {
            state = state * 1103515245u + 12345u;
            program.append(char(state >> 24));
        }
        std::atomic<bool> writing{true};
        std::atomic<int> failures{0};
        // The writer gives up at the first failed write (an instrument that
        // switched itself off takes nothing more) and after 30 s at the
        // latest, so that the join below always returns.
        std::thread writer([&] {
            QElapsedTimer writeTimer;
            writeTimer.start();
            for (qsizetype offset = 0; offset < program.size() && failures == 0; offset += 128) {
                QByteArray block = program.mid(offset, 128);
                qsizetype position = 0;
                while (position < block.size() && failures == 0) {
                    DWORD sent = 0;
                    if (m_sim.write(handle, block.data() + position, DWORD(block.size() - position), &sent) != FT_OK
                        || writeTimer.elapsed() > 30000)
                        ++failures;
                    position += sent;
                }
            }
            writing = false;
        });
        // The poll: status and reads until the instrument has said OK and
        // switched itself off.
        QByteArray received;
        int polls = 0;
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < 20000) {
            DWORD rx = 0, tx = 0, events = 0;
            if (m_sim.getStatus(handle, &rx, &tx, &events) != FT_OK)
                break;
            ++polls;
            if (rx > 0) {
                char buffer[600];
                DWORD got = 0;
                m_sim.read(handle, buffer, qMin<DWORD>(rx, 600), &got);
                received.append(buffer, got);
            }
        }
        writer.join();
        QCOMPARE(failures.load(), 0);
        QVERIFY(!writing.load());
        QVERIFY(polls > 10); // the poll really ran beside the writer
        QCOMPARE(received, QByteArray("\r\nProgram OK\r\n"));
        QCOMPARE(m_sim.programBytes(), quint64(program.size()));
        QFile file(out);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll() == program);
        QCOMPARE(m_sim.close(handle), FT_IO_ERROR);
    }

    void waitingReadDoesNotBlockTheWriter()
    {
        FT_HANDLE handle = m_sim.openSerial("TX300001");
        QVERIFY(handle);
        QCOMPARE(m_sim.setTimeouts(handle, 10000, 300), FT_OK);
        std::atomic<int> got{-1};
        QByteArray buffer(kVersionLine.size(), '\0');
        std::thread reader([&] {
            DWORD count = 0;
            m_sim.read(handle, buffer.data(), DWORD(buffer.size()), &count);
            got = int(count);
        });
        QTest::qWait(50);
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(m_sim.writeByte(handle, 'v'), FT_OK);
        QVERIFY(timer.elapsed() < 1000); // the write went past the waiting read
        QTRY_COMPARE_WITH_TIMEOUT(got.load(), int(kVersionLine.size()), 5000);
        reader.join();
        QVERIFY(timer.elapsed() < 5000); // woken by the reply, not by the 10 s time-out
        QCOMPARE(buffer, kVersionLine);
        QCOMPARE(m_sim.close(handle), FT_OK);
    }

    // Open, talk and close from two threads over and over, each on its own
    // instrument, with settings changed from a third, for about a second.
    void openTalkCloseLoop()
    {
        QCOMPARE(m_sim.set("TAVIXSIM_DEVICES=TX1,TX2"), 0);
        std::atomic<int> errors{0};
        std::atomic<bool> stop{false};
        auto worker = [&](const char *serial) {
            while (!stop) {
                FT_HANDLE handle = m_sim.openSerial(serial);
                if (!handle) {
                    ++errors;
                    continue;
                }
                m_sim.setTimeouts(handle, 300, 300);
                if (m_sim.writeByte(handle, 0x80) != FT_OK)
                    ++errors;
                char byte = 0;
                DWORD got = 0;
                if (m_sim.read(handle, &byte, 1, &got) != FT_OK || got != 1 || byte != '\x80')
                    ++errors;
                if (m_sim.close(handle) != FT_OK)
                    ++errors;
            }
        };
        std::thread first(worker, "TX1");
        std::thread second(worker, "TX2");
        QElapsedTimer timer;
        timer.start();
        int changes = 0;
        while (timer.elapsed() < 1200) {
            m_sim.set(changes++ % 2 ? "TAVIXSIM_BAUD=0" : "TAVIXSIM_BAUD=1000000");
            QThread::msleep(5);
        }
        stop = true;
        first.join();
        second.join();
        QCOMPARE(errors.load(), 0);
        QVERIFY(changes > 10);
    }
};

QTEST_GUILESS_MAIN(TestSimConcurrency)
#include "test_sim_concurrency.moc"
