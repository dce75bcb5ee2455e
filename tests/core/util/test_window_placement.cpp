// Where a remembered window opens when the screens changed, worked by hand
// on a 1920 x 1080 screen with a 1280 x 1024 one to its right; and the
// window's frame and the language kept in the profile.
#include "core/device/profile.h"
#include "core/util/window_placement.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

class TestWindowPlacement : public QObject
{
    Q_OBJECT
private slots:
    void placement_data();
    void placement();
    void profileKeepsTheFrame();
};

void TestWindowPlacement::placement_data()
{
    QTest::addColumn<QRect>("saved");
    QTest::addColumn<QList<QRect>>("screens");
    QTest::addColumn<bool>("placed");
    QTest::addColumn<QPoint>("expected");

    const QRect wide(0, 0, 1920, 1080), right(1920, 0, 1280, 1024);
    const QList<QRect> both{wide, right};
    QTest::newRow("inside the first screen") << QRect(10, 10, 300, 200) << both << true << QPoint(10, 10);
    QTest::newRow("inside the second screen") << QRect(2000, 500, 300, 200) << both << true << QPoint(2000, 500);
    QTest::newRow("over the first's right edge") << QRect(1800, 10, 300, 200) << QList<QRect>{wide} << true
                                                 << QPoint(1620, 10);
    QTest::newRow("mostly on the second: moved into it") << QRect(1900, 10, 300, 200) << both << true
                                                         << QPoint(1920, 10);
    QTest::newRow("below the second's bottom") << QRect(2000, 900, 300, 200) << both << true << QPoint(2000, 824);
    QTest::newRow("left of and above the first") << QRect(-50, -20, 300, 200) << both << true << QPoint(0, 0);
    QTest::newRow("larger than the screen: its corner") << QRect(1900, 100, 1400, 1100) << both << true
                                                        << QPoint(1920, 0);
    QTest::newRow("on a screen that is gone") << QRect(2500, 100, 300, 200) << QList<QRect>{wide} << false
                                              << QPoint();
    QTest::newRow("touching only the edge") << QRect(1920, 0, 300, 200) << QList<QRect>{wide} << false << QPoint();
    QTest::newRow("nothing remembered") << QRect() << both << false << QPoint();
    QTest::newRow("no screen") << QRect(10, 10, 300, 200) << QList<QRect>{} << false << QPoint();
}

void TestWindowPlacement::placement()
{
    QFETCH(QRect, saved);
    QFETCH(QList<QRect>, screens);
    QFETCH(bool, placed);
    QFETCH(QPoint, expected);
    const std::optional<QPoint> place = PlaceRememberedWindow(saved, screens);
    QCOMPARE(place.has_value(), placed);
    if (placed)
        QCOMPARE(*place, expected);
}

void TestWindowPlacement::profileKeepsTheFrame()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir.path());
    QCOMPARE(Profile::ReadWindowRect(), QRect());
    Profile::WriteWindowRect(QRect(-120, 35, 870, 760));
    QCOMPARE(Profile::ReadWindowRect(), QRect(-120, 35, 870, 760));
    // The device selection beside it is untouched, and an unreadable value
    // counts as nothing remembered.
    QCOMPARE(Profile::ReadDeviceText(1), Profile::DefaultDeviceText());
    Profile::WriteProfileString(QStringLiteral("WindowRect"), QStringLiteral("12,x,3,4"));
    QCOMPARE(Profile::ReadWindowRect(), QRect());
}

QTEST_GUILESS_MAIN(TestWindowPlacement)
#include "test_window_placement.moc"
