// The control template as data: dialog-unit conversion worked by hand,
// radio groups, ids.
#include "gui/dialog/dialog_template.h"

#include <QtTest>

class TestDialogTemplate : public QObject
{
    Q_OBJECT
private slots:
    void dialogUnits_data();
    void dialogUnits();
    void dialogSize();
    void radioGroups_data();
    void radioGroups();
    void idsAreUniqueAndKnown();
};

void TestDialogTemplate::dialogUnits_data()
{
    QTest::addColumn<QList<int>>("units");
    QTest::addColumn<QRect>("pixels");
    // Search (12, 11, 29, 14): left 18, top 17.875 -> 18, right 61.5 -> 62, bottom 40.625 -> 41.
    QTest::newRow("Search button") << QList<int>{12, 11, 29, 14} << QRect(18, 18, 44, 23);
    // Input window (12, 136, 192, 196): top 221, right 306, bottom 539.5 -> 540.
    QTest::newRow("input window") << QList<int>{12, 136, 192, 196} << QRect(18, 221, 288, 319);
    // EXIT (516, 12, 49, 18): left 774, top 19.5 -> 20, right 847.5 -> 848, bottom 48.75 -> 49.
    QTest::newRow("EXIT") << QList<int>{516, 12, 49, 18} << QRect(774, 20, 74, 29);
    // Interval edit (155, 407, 30, 14): left 232.5 -> 233, top 661.375 -> 661, right 277.5 -> 278, bottom 684.125 -> 684.
    QTest::newRow("interval") << QList<int>{155, 407, 30, 14} << QRect(233, 661, 45, 23);
}

void TestDialogTemplate::dialogUnits()
{
    QFETCH(QList<int>, units);
    QFETCH(QRect, pixels);
    QCOMPARE(DialogUnits::ToPixels(units[0], units[1], units[2], units[3]), pixels);
}

void TestDialogTemplate::dialogSize()
{
    const DialogTemplate &dialog = MainDialogTemplate();
    QCOMPARE(dialog.width, 580);
    QCOMPARE(dialog.height, 444);
    QCOMPARE(DialogUnits::ToPixelsX(dialog.width), 870);
    QCOMPARE(DialogUnits::ToPixelsY(dialog.height), 722); // 721.5 rounds up
    QCOMPARE(QString::fromUtf16(dialog.title), QStringLiteral("TavixTerminal  2.0"));
}

void TestDialogTemplate::radioGroups_data()
{
    QTest::addColumn<int>("leader");
    QTest::addColumn<QList<int>>("members");
    QTest::newRow("open mode") << 1027 << QList<int>{1027, 1028, 1029};
    QTest::newRow("auto scroll alone") << 1039 << QList<int>{1039};
    QTest::newRow("log type") << 1043 << QList<int>{1043, 1044, 1045, 1046, 1047, 1048};
    QTest::newRow("Logp variables") << 1084 << QList<int>{1084, 1055, 1056, 1057, 1058, 1059, 1060};
    QTest::newRow("plain variables") << 1063 << QList<int>{1063, 1064, 1082, 1083};
    QTest::newRow("time and hour") << 1065 << QList<int>{1065, 1066};
    QTest::newRow("not a radio button") << 1030 << QList<int>{};
}

void TestDialogTemplate::radioGroups()
{
    QFETCH(int, leader);
    QFETCH(QList<int>, members);
    QCOMPARE(RadioGroup(MainDialogTemplate(), leader), members);
}

void TestDialogTemplate::idsAreUniqueAndKnown()
{
    const DialogTemplate &dialog = MainDialogTemplate();
    QSet<int> ids;
    for (const ControlTemplate &control : dialog.controls) {
        QVERIFY2(!ids.contains(control.id), qPrintable(QString::number(control.id)));
        ids.insert(control.id);
    }
    // Every control the program names: 1 and 1015 to 1094 but the unused numbers.
    for (int id : {1, 1015, 1018, 1019, 1020, 1021, 1022, 1023, 1024, 1025, 1026, 1027, 1028, 1029, 1030, 1031,
                   1032, 1033, 1034, 1035, 1036, 1038, 1039, 1042, 1043, 1044, 1045, 1046, 1047, 1048, 1049,
                   1050, 1051, 1053, 1054, 1055, 1056, 1057, 1058, 1059, 1060, 1061, 1062, 1063, 1064, 1065,
                   1066, 1067, 1068, 1069, 1070, 1071, 1072, 1073, 1074, 1075, 1076, 1077, 1078, 1079, 1080,
                   1081, 1082, 1083, 1084, 1089, 1090, 1093, 1094})
        QVERIFY2(ids.contains(id), qPrintable(QString::number(id)));
    QCOMPARE(ids.size(), 69); // nothing beyond the named controls
}

QTEST_GUILESS_MAIN(TestDialogTemplate)
#include "test_dialog_template.moc"
