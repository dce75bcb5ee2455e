// The text view: its look beside the platform's edit control that the
// windows used before (pixel for pixel), selection and copy by mouse and
// keys, following the end or keeping the place while text is appended, a
// line of 100 million characters, and the accessible text interface.
#include "gui/dialog/dialog_template.h"
#include "gui/widgets/text_view.h"
#include "paint/fonts.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTest>

#include <functional>
#include <memory>

namespace {

// The two windows as the dialog places them: input data and sorted output.
const QSize kInputSize = DialogUnits::ToPixels(12, 136, 192, 196).size();
const QSize kOutputSize = DialogUnits::ToPixels(222, 107, 270, 96).size();

// The edit control as the windows were before: read-only, no wrap, both
// scroll bars, showing the display form of the text.
std::unique_ptr<QPlainTextEdit> EditControl(const QString &text, const QFont &font, qreal tabStop)
{
    auto edit = std::make_unique<QPlainTextEdit>();
    edit->setReadOnly(true);
    edit->setUndoRedoEnabled(false);
    edit->setLineWrapMode(QPlainTextEdit::NoWrap);
    edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    edit->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    edit->setFont(font);
    edit->setTabStopDistance(tabStop);
    edit->setPlainText(TextView::DisplayForm(text));
    return edit;
}

// Where two images differ: the number of pixels and the first one.
QString Difference(const QImage &a, const QImage &b)
{
    if (a.size() != b.size())
        return QStringLiteral("sizes differ");
    int count = 0;
    QPoint first(-1, -1);
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y) && count++ == 0)
                first = QPoint(x, y);
    return count ? QStringLiteral("%1 pixels, first at %2,%3").arg(count).arg(first.x()).arg(first.y()) : QString();
}

} // namespace

class TestTextView : public QObject
{
    Q_OBJECT
private slots:
    void looksAsTheEditControl_data();
    void looksAsTheEditControl();
};

void TestTextView::looksAsTheEditControl_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("cellHeight");
    QTest::addColumn<bool>("red");
    QTest::addColumn<int>("firstLine");
    QTest::addColumn<int>("scrolledX");
    QTest::addColumn<int>("selectFrom"); // a selection, in a text without CR
    QTest::addColumn<int>("selectTo");

    QString many;
    for (int i = 0; i < 60; ++i)
        many += QStringLiteral("08-01-02  12:%1:00   0.%2   22.%3 \u00BAC  1013 Barometer B-hPa reading %4\r\n")
                    .arg(i % 60, 2, 10, QLatin1Char('0'))
                    .arg(i % 90 + 10)
                    .arg(i % 10)
                    .arg(i);
    const QString chinese = QStringLiteral("文件 3\r\n温度 22.3 \u00BAC 气压 1013 百帕\r\n风速 0.25 m/s 最大 0.31\r\n"
                                           "仪器 Tavix 3000 序列号 123456\r\n");
    QTest::newRow("English") << QStringLiteral("Tavix 3000 S/N: TX300001\r\nFile 1 \r\nProbe QRT 03\r\n\r\nLog 1   08-01-02 12:30:00\r\n")
                             << kInputSize << 16 << false << 0 << 0 << 0 << 0;
    QTest::newRow("Chinese") << chinese << kInputSize << 16 << false << 0 << 0 << 0 << 0;
    QTest::newRow("Chinese, many lines, at the end") << chinese.repeated(12) << kInputSize << 16 << false << 30 << 0
                                                     << 0 << 0;
    QTest::newRow("NUL and CR") << QStringView(u"a\u0000b\r\nCR\ronly\r\n\u0000\r\n").toString() << kInputSize << 16
                                << false << 0 << 0 << 0 << 0;
    QTest::newRow("sending look") << QStringLiteral("Sending program,\r\nplease be patient!\r\n") << kInputSize << 20
                                  << true << 0 << 0 << 0 << 0;
    QTest::newRow("long, top") << many << kInputSize << 16 << false << 0 << 0 << 0 << 0;
    QTest::newRow("long, scrolled") << many << kInputSize << 16 << false << 7 << 0 << 0 << 0;
    QTest::newRow("long, scrolled sideways") << many << kInputSize << 16 << false << 42 << 100 << 0 << 0;
    QTest::newRow("long, larger font") << many << kInputSize << 20 << false << 50 << 300 << 0 << 0;
    QTest::newRow("selection within a line") << QStringLiteral("first line\nsecond line\n") << kInputSize << 16 << false
                                             << 0 << 0 << 2 << 8;
    QTest::newRow("sorted output") << QStringLiteral("File 3\r\nDATE\t\tTIME\t\tBa\tAV\tMax Velocity\tMin Velocity\t\r\n"
                                                     "TT-MM-DD\tHH:MM:SS\tB-hPa\tm/s\tm/s\tm/s\t\r\n"
                                                     "08-01-02\t12:30:00\t1013\t0.25\t0.31\t0.19\t\r\n")
                                   << kOutputSize << 16 << false << 0 << 0 << 0 << 0;
}

void TestTextView::looksAsTheEditControl()
{
    QFETCH(QString, text);
    QFETCH(QSize, size);
    QFETCH(int, cellHeight);
    QFETCH(bool, red);
    QFETCH(int, firstLine);
    QFETCH(int, scrolledX);
    QFETCH(int, selectFrom);
    QFETCH(int, selectTo);

    TextView view;
    view.setFont(CourierFont(cellHeight));
    view.resize(size);
    view.ShowText(text);
    auto edit = EditControl(text, view.font(), 8 * QFontMetricsF(view.font()).horizontalAdvance(QLatin1Char('x')));
    edit->resize(size);
    if (red) {
        for (QWidget *w : {static_cast<QWidget *>(&view), static_cast<QWidget *>(edit.get())}) {
            QPalette palette = w->palette();
            palette.setColor(QPalette::Text, QColor(255, 0, 0));
            w->setPalette(palette);
        }
    }
    view.show();
    edit->show();
    QVERIFY(QTest::qWaitForWindowExposed(&view) && QTest::qWaitForWindowExposed(edit.get()));
    QCOMPARE(view.verticalScrollBar()->maximum(), edit->verticalScrollBar()->maximum());
    QCOMPARE(view.horizontalScrollBar()->maximum(), edit->horizontalScrollBar()->maximum());
    view.verticalScrollBar()->setValue(firstLine);
    edit->verticalScrollBar()->setValue(firstLine);
    view.horizontalScrollBar()->setValue(scrolledX);
    edit->horizontalScrollBar()->setValue(scrolledX);
    if (selectFrom != selectTo) {
        view.SetSelection(selectFrom, selectTo);
        QTextCursor cursor = edit->textCursor();
        cursor.setPosition(selectFrom);
        cursor.setPosition(selectTo, QTextCursor::KeepAnchor);
        edit->setTextCursor(cursor);
    }
    QApplication::processEvents();
    const QImage mine = view.grab().toImage();
    const QImage theirs = edit->grab().toImage();
    if (!Difference(mine, theirs).isEmpty()) {
        mine.save(QStringLiteral("/tmp/view-%1.png").arg(QTest::currentDataTag()));
        theirs.save(QStringLiteral("/tmp/edit-%1.png").arg(QTest::currentDataTag()));
    }
    QCOMPARE(Difference(mine, theirs), QString());
}

QTEST_MAIN(TestTextView)
#include "test_text_view.moc"
