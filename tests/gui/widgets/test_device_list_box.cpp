// The owner-drawn device list: its colour decisions, the order of its
// entries, the item height and what it paints.
#include "gui/widgets/device_list_box.h"

#include <QImage>
#include <QPainter>
#include <QStyle>
#include <QtTest>

using namespace DeviceItemPaint;

Q_DECLARE_METATYPE(DeviceItemPaint::DrawAction)

namespace {

// Distinct made-up system colours, so that every decision shows which one it took.
SystemColours TestSystemColours()
{
    SystemColours system;
    system.window = QColor(250, 250, 240);
    system.windowText = QColor(10, 20, 30);
    system.highlightText = QColor(240, 240, 200);
    system.grayText = QColor(128, 128, 128);
    return system;
}

// True when the rectangle holds at least one pixel near the colour (text is
// anti-aliased, so only its core pixels match exactly).
bool HasPixelNear(const QImage &image, const QRect &rect, const QColor &colour, int tolerance = 40)
{
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        for (int x = rect.left(); x <= rect.right(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            if (qAbs(pixel.red() - colour.red()) <= tolerance && qAbs(pixel.green() - colour.green()) <= tolerance
                && qAbs(pixel.blue() - colour.blue()) <= tolerance)
                return true;
        }
    }
    return false;
}

QImage Render(QWidget &widget)
{
    QImage image(widget.size(), QImage::Format_RGB32);
    image.fill(Qt::magenta);
    widget.render(&image);
    return image;
}

} // namespace

class TestDeviceListBox : public QObject
{
    Q_OBJECT
private slots:
    void decide_data();
    void decide();
    void colourValues();
    void entriesAreAlphabetical();
    void itemHeightIsTheCheckMarkHeight();
    void selectedItemIsDrawnOnBlue();
    void redItemIsRedAndCyanWhenSelected();
    void textStartsAtTheItemsLeftEdge();
    void emptyListPaintsNothing();
    void selectionHelpers();
};

void TestDeviceListBox::decide_data()
{
    QTest::addColumn<quint32>("colourValue");
    QTest::addColumn<bool>("selected");
    QTest::addColumn<bool>("disabled");
    QTest::addColumn<DrawAction>("action");
    QTest::addColumn<QColor>("text");
    QTest::addColumn<QColor>("fill"); // invalid: no fill
    QTest::addColumn<bool>("focusFrame");

    const SystemColours sys = TestSystemColours();
    const QColor none;
    const QColor blue(0, 0, 255);
    // Colour values are 0x00BBGGRR: 0x000000FF is red.
    QTest::newRow("system colours, unselected, whole item")
        << quint32(0) << false << false << DrawAction::DrawEntire << sys.windowText << none << false;
    QTest::newRow("system colours, selected: highlight text on blue")
        << quint32(0) << true << false << DrawAction::DrawEntire << sys.highlightText << blue << false;
    QTest::newRow("system colours, disabled: grey text")
        << quint32(0) << false << true << DrawAction::DrawEntire << sys.grayText << none << false;
    QTest::newRow("system colours, selected and disabled: selection wins")
        << quint32(0) << true << true << DrawAction::DrawEntire << sys.highlightText << blue << false;
    QTest::newRow("red item drawn red")
        << quint32(0x000000FF) << false << false << DrawAction::DrawEntire << QColor(255, 0, 0) << none << false;
    QTest::newRow("red item selected: cyan on blue")
        << quint32(0x000000FF) << true << false << DrawAction::DrawEntire << QColor(0, 255, 255) << blue << false;
    QTest::newRow("red item disabled: grey")
        << quint32(0x000000FF) << false << true << DrawAction::DrawEntire << sys.grayText << none << false;
    QTest::newRow("blue item selected: yellow")
        << quint32(0x00FF0000) << true << false << DrawAction::DrawEntire << QColor(255, 255, 0) << blue << false;
    QTest::newRow("item 0x00204060 selected: inverse 0x00DFBF9F")
        << quint32(0x00204060) << true << false << DrawAction::DrawEntire << QColor(0x9F, 0xBF, 0xDF) << blue
        << false;
    QTest::newRow("deselected: background back to the window colour")
        << quint32(0) << false << false << DrawAction::SelectChange << sys.windowText << sys.window << false;
    QTest::newRow("newly selected: blue")
        << quint32(0) << true << false << DrawAction::SelectChange << sys.highlightText << blue << false;
    QTest::newRow("focus gained on a selected item: frame only")
        << quint32(0) << true << false << DrawAction::FocusChange << sys.highlightText << none << true;
    QTest::newRow("focus lost on an unselected item: frame toggled again")
        << quint32(0) << false << false << DrawAction::FocusChange << sys.windowText << none << true;
}

void TestDeviceListBox::decide()
{
    QFETCH(quint32, colourValue);
    QFETCH(bool, selected);
    QFETCH(bool, disabled);
    QFETCH(DrawAction, action);
    QFETCH(QColor, text);
    QFETCH(QColor, fill);
    QFETCH(bool, focusFrame);

    const ItemColours colours = Decide(colourValue, selected, disabled, action, TestSystemColours());
    QCOMPARE(colours.text, text);
    QCOMPARE(colours.fill.has_value(), fill.isValid());
    if (fill.isValid())
        QCOMPARE(*colours.fill, fill);
    QCOMPARE(colours.toggleFocusFrame, focusFrame);
}

void TestDeviceListBox::colourValues()
{
    QCOMPARE(InverseColourValue(0x000000FFu), 0x00FFFF00u);
    QCOMPARE(InverseColourValue(0x00123456u), 0x00EDCBA9u);
    QCOMPARE(InverseColourValue(0x00000000u), 0x00FFFFFFu);
    // The top byte is not part of the colour.
    QCOMPARE(InverseColourValue(0xFF000000u), 0x00FFFFFFu);
    QCOMPARE(FromColourValue(0x00FF8040u), QColor(0x40, 0x80, 0xFF));
    QCOMPARE(SelectedBackground(), QColor(0, 0, 255));
}

void TestDeviceListBox::entriesAreAlphabetical()
{
    CMyListBox list;
    for (const char *text : {"Tavix3000 s/n TX300002", "b", "Tavix3000 s/n TX300001", "A", "a2", "C"})
        list.AddString(QString::fromLatin1(text));
    QStringList shown;
    for (int i = 0; i < list.count(); ++i)
        shown.append(list.GetText(i));
    QCOMPARE(shown, (QStringList{"A", "a2", "b", "C", "Tavix3000 s/n TX300001", "Tavix3000 s/n TX300002"}));
    // The colour value travels with its item.
    list.AddString(QStringLiteral("0 red"), 0x000000FF);
    QCOMPARE(list.item(0)->text(), QStringLiteral("0 red"));
    QCOMPARE(list.item(0)->data(Qt::UserRole).toUInt(), 0x000000FFu);
    QCOMPARE(list.item(1)->data(Qt::UserRole).toUInt(), 0u);
}

void TestDeviceListBox::itemHeightIsTheCheckMarkHeight()
{
    CMyListBox list;
    list.resize(250, 75);
    list.AddString(QStringLiteral("Tavix3000 s/n TX300001"));
    list.AddString(QStringLiteral("Tavix3000 s/n TX300002"));
    list.show();
    const int indicator = list.style()->pixelMetric(QStyle::PM_IndicatorHeight, nullptr, &list);
    QVERIFY(indicator > 0);
    QCOMPARE(list.ItemHeight(), indicator);
    QCOMPARE(list.sizeHintForRow(0), indicator);
    QCOMPARE(list.visualItemRect(list.item(1)).top() - list.visualItemRect(list.item(0)).top(), indicator);
}

void TestDeviceListBox::selectedItemIsDrawnOnBlue()
{
    CMyListBox list;
    list.resize(250, 75);
    list.AddString(QStringLiteral("Tavix3000 s/n TX300001"));
    list.AddString(QStringLiteral("Tavix3000 s/n TX300002"));
    list.SetCurSel(1);
    list.show();
    const QImage image = Render(list);
    const QPoint offset = list.viewport()->mapTo(&list, QPoint(0, 0));
    const QRect selected = list.visualItemRect(list.item(1)).translated(offset);
    const QRect unselected = list.visualItemRect(list.item(0)).translated(offset);
    // Right of the text the item is plain background.
    const QPoint selectedBackground(selected.right() - 3, selected.center().y());
    const QPoint unselectedBackground(unselected.right() - 3, unselected.center().y());
    QCOMPARE(image.pixelColor(selectedBackground), QColor(0, 0, 255));
    QCOMPARE(image.pixelColor(unselectedBackground), list.palette().color(QPalette::Base));
    // The selected text is in the highlight-text colour.
    const QColor highlightText = list.palette().color(QPalette::Active, QPalette::HighlightedText);
    QVERIFY(HasPixelNear(image, selected, highlightText));
}

void TestDeviceListBox::redItemIsRedAndCyanWhenSelected()
{
    CMyListBox list;
    list.resize(250, 75);
    list.AddString(QStringLiteral("MMMM red"), 0x000000FF);
    list.show();
    QImage image = Render(list);
    const QPoint offset = list.viewport()->mapTo(&list, QPoint(0, 0));
    const QRect rect = list.visualItemRect(list.item(0)).translated(offset);
    QVERIFY(HasPixelNear(image, rect, QColor(255, 0, 0)));
    QVERIFY(!HasPixelNear(image, rect, QColor(0, 255, 255)));

    list.SetCurSel(0);
    image = Render(list);
    QVERIFY(HasPixelNear(image, rect, QColor(0, 255, 255)));
    QVERIFY(!HasPixelNear(image, rect, QColor(255, 0, 0)));
}

void TestDeviceListBox::textStartsAtTheItemsLeftEdge()
{
    CMyListBox list;
    list.resize(250, 75);
    list.AddString(QStringLiteral("MMMM"), 0x00000000);
    list.SetCurSel(0);
    list.show();
    const QImage image = Render(list);
    const QPoint offset = list.viewport()->mapTo(&list, QPoint(0, 0));
    const QRect rect = list.visualItemRect(list.item(0)).translated(offset);
    // The first column that is not blue background holds text.
    int firstText = -1;
    for (int x = rect.left(); x <= rect.right() && firstText < 0; ++x) {
        for (int y = rect.top(); y <= rect.bottom(); ++y) {
            if (image.pixelColor(x, y) != QColor(0, 0, 255)) {
                firstText = x;
                break;
            }
        }
    }
    QVERIFY(firstText >= rect.left());
    QVERIFY2(firstText <= rect.left() + 2, qPrintable(QString::number(firstText - rect.left())));
}

void TestDeviceListBox::emptyListPaintsNothing()
{
    // The delegate with no item (index below 0) leaves the picture as it was.
    CMyListBox list;
    QImage image(40, 20, QImage::Format_RGB32);
    image.fill(Qt::magenta);
    {
        QPainter painter(&image);
        QStyleOptionViewItem option;
        option.rect = QRect(0, 0, 40, 20);
        option.state = QStyle::State_Selected | QStyle::State_Enabled | QStyle::State_HasFocus;
        option.font = list.font();
        list.itemDelegate()->paint(&painter, option, QModelIndex());
    }
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            QCOMPARE(image.pixelColor(x, y), QColor(Qt::magenta));

    // The empty list itself draws as an empty box.
    list.resize(250, 75);
    list.show();
    const QImage empty = Render(list);
    QVERIFY(!HasPixelNear(empty, list.viewport()->geometry(), QColor(0, 0, 255), 0));
}

void TestDeviceListBox::selectionHelpers()
{
    CMyListBox list;
    QCOMPARE(list.GetCurSel(), -1);
    list.SetCurSel(0); // nothing to select
    QCOMPARE(list.GetCurSel(), -1);
    QCOMPARE(list.GetText(0), QString());
    list.AddString(QStringLiteral("b"));
    list.AddString(QStringLiteral("a"));
    list.SetCurSel(1);
    QCOMPARE(list.GetCurSel(), 1);
    QCOMPARE(list.GetText(list.GetCurSel()), QStringLiteral("b"));
    list.SetCurSel(-1);
    QCOMPARE(list.GetCurSel(), -1);
}

QTEST_MAIN(TestDeviceListBox)
#include "test_device_list_box.moc"
