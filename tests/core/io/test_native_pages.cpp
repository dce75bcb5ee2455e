// The room of a text read a block at a time: a part given back reads as
// zero, and nothing outside it changes, whether its ends fall on memory
// pages or within them.
#include "core/io/native_pages.h"

#include <QRandomGenerator>
#include <QTest>

#include <vector>

class TestNativePages : public QObject
{
    Q_OBJECT

private slots:
    void givesBackExactlyItsRange();
};

void TestNativePages::givesBackExactlyItsRange()
{
    // A room of several pages, filled with a pattern and a copy of it kept;
    // random ranges (page-aligned blocks, ranges within a page, across
    // several, empty, clipped at the ends) given back in turn.
    constexpr qsizetype kUnits = 5 * 2048 + 777;
    PagedRoom room;
    room.Take(kUnits);
    QVERIFY(room.Data());
    QCOMPARE(room.Units(), kUnits);
    for (qsizetype i = 0; i < kUnits; ++i)
        QCOMPARE(room.Data()[i], char16_t(0)); // a new room reads as zero
    std::vector<char16_t> expected(static_cast<size_t>(kUnits));
    QRandomGenerator rng(97);
    for (int round = 0; round < 200; ++round) {
        for (qsizetype i = 0; i < kUnits; ++i)
            room.Data()[i] = expected[size_t(i)] = char16_t(1 + (i * 7 + round) % 0xFFFE);
        qsizetype from = 0;
        qsizetype count = 0;
        switch (rng.bounded(3)) {
        case 0: // a whole block of pages
            from = 2048 * qsizetype(rng.bounded(5));
            count = 2048 * qsizetype(1 + rng.bounded(2));
            break;
        case 1: // anywhere, past the end too
            from = qsizetype(rng.bounded(int(kUnits) + 10)) - 5;
            count = qsizetype(rng.bounded(int(kUnits)));
            break;
        default: // within one page
            from = qsizetype(rng.bounded(int(kUnits)));
            count = qsizetype(rng.bounded(100));
            break;
        }
        room.GiveBack(from, count);
        const qsizetype a = qBound<qsizetype>(0, from, kUnits);
        const qsizetype b = qBound<qsizetype>(a, from + count, kUnits);
        for (qsizetype i = a; i < b; ++i)
            expected[size_t(i)] = 0;
        for (qsizetype i = 0; i < kUnits; ++i) {
            if (room.Data()[i] != expected[size_t(i)])
                QFAIL(qPrintable(QStringLiteral("round %1: unit %2 of the range [%3, +%4) reads %5, not %6")
                                     .arg(round).arg(i).arg(from).arg(count).arg(int(room.Data()[i]))
                                     .arg(int(expected[size_t(i)]))));
        }
    }
}

QTEST_GUILESS_MAIN(TestNativePages)
#include "test_native_pages.moc"
