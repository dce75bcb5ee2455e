// The text view: its look beside the platform's edit control that the
// windows used before (pixel for pixel), selection and copy by mouse and
// keys, following the end or keeping the place while text is appended, a
// line of 100 million characters, and the accessible text interface.
#include "gui/dialog/dialog_template.h"
#include "gui/widgets/text_line_index.h"
#include "gui/widgets/text_selection.h"
#include "gui/widgets/text_view.h"
#include "paint/fonts.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QPlainTextEdit>
#include <QRandomGenerator>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <QThread>

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

// A text with U+0000 in it, all of it (a QStringView of the literal would
// end at the first U+0000).
template <size_t N>
QString Held(const char16_t (&units)[N])
{
    return QString::fromUtf16(units, N - 1);
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

// Where what the window shows on the screen differs from a fresh paint of
// it: a view that kept stale pixels differs.
QString ShownAgainstFresh(QWidget &view)
{
    const QImage onScreen = view.screen()->grabWindow(view.winId()).toImage().convertToFormat(QImage::Format_RGB32);
    const QImage fresh = view.grab().toImage().convertToFormat(QImage::Format_RGB32);
    return Difference(onScreen, fresh);
}

} // namespace

class TestTextView : public QObject
{
    Q_OBJECT
private slots:
    void looksAsTheEditControl_data();
    void looksAsTheEditControl();
    void lineIndex_data();
    void lineIndex();
    void caretSteps_data();
    void caretSteps();
    void selectAndCopy_data();
    void selectAndCopy();
    void dragBeyondTheEdgeScrolls();
    void paintedAsItScrollsAlong();
    void appendFollowsOrKeepsThePlace();
    void replacedBySameLengthText();
    void framesHeldWhileTextStreamsIn();
    void everyFrameShowsAllAppendedAtTheEnd();
    void lineOfHundredMillionCharacters();
    void accessibleText();
};

void TestTextView::looksAsTheEditControl_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("cellHeight");
    QTest::addColumn<bool>("red");
    QTest::addColumn<int>("firstLine");
    QTest::addColumn<int>("scrolledX");
    QTest::addColumn<int>("selectFrom"); // a selection, as positions in the text held
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
    QTest::newRow("NUL and CR") << Held(u"a\u0000b\r\nCR\ronly\r\n\u0000\r\n") << kInputSize << 16
                                << false << 0 << 0 << 0 << 0;
    QTest::newRow("sending look") << QStringLiteral("Sending program,\r\nplease be patient!\r\n") << kInputSize << 20
                                  << true << 0 << 0 << 0 << 0;
    QTest::newRow("long, top") << many << kInputSize << 16 << false << 0 << 0 << 0 << 0;
    QTest::newRow("long, scrolled") << many << kInputSize << 16 << false << 7 << 0 << 0 << 0;
    QTest::newRow("long, scrolled sideways") << many << kInputSize << 16 << false << 42 << 100 << 0 << 0;
    QTest::newRow("long, larger font") << many << kInputSize << 20 << false << 50 << 300 << 0 << 0;
    QTest::newRow("selection within a line") << QStringLiteral("first line\nsecond line\n") << kInputSize << 16 << false
                                             << 0 << 0 << 2 << 8;
    QTest::newRow("selection over CR LF") << QStringLiteral("first line\r\nsecond line\r\nthird\r\n") << kInputSize << 16
                                          << false << 0 << 0 << 2 << 16;
    QTest::newRow("selection over tabs and an empty line")
        << QStringLiteral("File 3\r\n\r\nDATE\t\tTIME\t\tBa\tAV\r\nTT-MM-DD\tHH:MM:SS\tB-hPa\tm/s\r\n") << kOutputSize << 16 << false
        << 0 << 0 << 3 << 40;
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

    // The windows' font is drawn a glyph at a time (no layout) for plain
    // characters: that too gives the edit control's pixels.
    TextLineLayout layout;
    layout.SetFont(CourierFont(cellHeight));
    QCOMPARE(layout.PlainWidth(), QFontMetricsF(layout.Font()).horizontalAdvance(QLatin1Char('x')));

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
        // The edit control holds the text without CR.
        const auto shown = [&](int position) { return position - int(text.first(position).count(u'\r')); };
        QTextCursor cursor = edit->textCursor();
        cursor.setPosition(shown(selectFrom));
        cursor.setPosition(shown(selectTo), QTextCursor::KeepAnchor);
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

// ---- The index and the caret steps ----------------------------------------------------

void TestTextView::lineIndex_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<qsizetype>>("starts");
    QTest::addColumn<qsizetype>("longest");

    QTest::newRow("empty") << QString() << QList<qsizetype>{0} << qsizetype(0);
    QTest::newRow("one LF") << QStringLiteral("\n") << QList<qsizetype>{0, 1} << qsizetype(0);
    QTest::newRow("CR LF lines") << QStringLiteral("ab\r\ncde\r\n") << QList<qsizetype>{0, 4, 9} << qsizetype(1);
    QTest::newRow("no LF at the end") << QStringLiteral("a\nbcdef") << QList<qsizetype>{0, 2} << qsizetype(1);
    QTest::newRow("a CR alone breaks nothing") << QStringLiteral("a\rb\n\n") << QList<qsizetype>{0, 4, 5} << qsizetype(0);
}

void TestTextView::lineIndex()
{
    QFETCH(QString, text);
    QFETCH(QList<qsizetype>, starts);
    QFETCH(qsizetype, longest);
    TextLineIndex built;
    built.Rebuild(text);
    // Appended one character at a time (a CR LF split between two appends included).
    TextLineIndex grown;
    for (qsizetype n = 1; n <= text.size(); ++n)
        grown.Extend(QStringView(text).first(n));
    for (const TextLineIndex *index : {&built, &grown}) {
        QCOMPARE(index->Length(), text.size());
        QCOMPARE(index->LineCount(), starts.size());
        for (qsizetype line = 0; line < starts.size(); ++line) {
            QCOMPARE(index->LineStart(line), starts[line]);
            QCOMPARE(index->LineEnd(line), line + 1 < starts.size() ? starts[line + 1] - 1 : text.size());
            for (qsizetype p = index->LineStart(line); p <= index->LineEnd(line); ++p)
                QCOMPARE(index->LineAt(p), line);
        }
        QCOMPARE(index->LongestLine(), longest);
    }
}

void TestTextView::caretSteps_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qsizetype>("from");
    QTest::addColumn<qsizetype>("next");
    QTest::addColumn<qsizetype>("previous");

    const QString crlf = QStringLiteral("ab\r\ncd");
    QTest::newRow("inside a line") << crlf << qsizetype(1) << qsizetype(2) << qsizetype(0);
    QTest::newRow("line end: over CR LF") << crlf << qsizetype(2) << qsizetype(4) << qsizetype(1);
    QTest::newRow("next line start: back before the CR") << crlf << qsizetype(4) << qsizetype(5) << qsizetype(2);
    QTest::newRow("a CR inside a line is stepped over")
        << QStringLiteral("a\r\rb") << qsizetype(1) << qsizetype(4) << qsizetype(0);
    QTest::newRow("surrogate pair kept whole")
        << QStringView(u"x\U0001F600y").toString() << qsizetype(1) << qsizetype(3) << qsizetype(0);
    QTest::newRow("text end") << crlf << qsizetype(6) << qsizetype(6) << qsizetype(5);
    QTest::newRow("text start") << crlf << qsizetype(0) << qsizetype(1) << qsizetype(0);
}

void TestTextView::caretSteps()
{
    QFETCH(QString, text);
    QFETCH(qsizetype, from);
    QFETCH(qsizetype, next);
    QFETCH(qsizetype, previous);
    QCOMPARE(NextCaretPosition(text, from), next);
    QCOMPARE(PreviousCaretPosition(text, from), previous);
}

// ---- Selection and copy ----------------------------------------------------------------

namespace {

// What a test does to the view, one step at a time: "press P", "drag P",
// "release", "shift-click P", "double-click P" (at the character at
// position P), "key K" (a key sequence such as Shift+End), "menu copy",
// "menu select-all".
void Perform(TextView &view, const QString &step)
{
    const QString verb = step.section(QLatin1Char(' '), 0, -2);
    const QString argument = step.section(QLatin1Char(' '), -1);
    const qsizetype position = argument.toLongLong();
    const QRect box = view.CharacterRect(position);
    const QPoint edge(box.left() + 1, box.center().y());
    QWidget *viewport = view.viewport();
    if (verb == QLatin1String("press")) {
        QTest::mousePress(viewport, Qt::LeftButton, {}, edge);
    } else if (verb == QLatin1String("drag")) {
        QMouseEvent move(QEvent::MouseMove, edge, viewport->mapToGlobal(edge), Qt::NoButton, Qt::LeftButton, {});
        QApplication::sendEvent(viewport, &move);
    } else if (step == QLatin1String("release")) {
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, QPoint(-1, -1));
    } else if (verb == QLatin1String("shift-click")) {
        QTest::mouseClick(viewport, Qt::LeftButton, Qt::ShiftModifier, edge);
    } else if (verb == QLatin1String("double-click")) {
        QTest::mouseDClick(viewport, Qt::LeftButton, {}, box.center());
    } else if (verb == QLatin1String("key")) {
        const QKeyCombination key = QKeySequence(argument)[0];
        QTest::keyClick(&view, key.key(), key.keyboardModifiers());
    } else if (verb == QLatin1String("menu")) {
        std::unique_ptr<QMenu> menu(view.CreateContextMenu(nullptr));
        menu->findChild<QAction *>(argument)->trigger();
    }
}

} // namespace

void TestTextView::selectAndCopy_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("copied");

    // alpha beta\r\n gamma\tdelta\r\n \r\n 中文 words\r\n last\0end
    // 0         10 12   17     23 25 27       35 37
    QTest::newRow("drag within a line") << QStringList{"press 0", "drag 5", "release", "key Ctrl+C"}
                                        << QStringLiteral("alpha");
    QTest::newRow("drag backwards") << QStringList{"press 9", "drag 2", "release", "key Ctrl+C"}
                                    << QStringLiteral("pha bet");
    QTest::newRow("drag over a line end keeps CR LF") << QStringList{"press 6", "drag 14", "release", "key Ctrl+C"}
                                                      << QStringLiteral("beta\r\nga");
    QTest::newRow("drag over a tab") << QStringList{"press 12", "drag 18", "release", "menu copy"}
                                     << QStringLiteral("gamma\t");
    QTest::newRow("double click a word") << QStringList{"double-click 7", "release", "key Ctrl+C"}
                                         << QStringLiteral("beta");
    QTest::newRow("double click Chinese") << QStringList{"double-click 28", "release", "key Ctrl+C"}
                                          << QStringLiteral("中文");
    QTest::newRow("shift click extends") << QStringList{"press 1", "release", "shift-click 14", "key Ctrl+C"}
                                         << QStringLiteral("lpha beta\r\nga");
    QTest::newRow("Shift+Right over the line end") << QStringList{"press 10", "release", "key Shift+Right", "key Ctrl+C"}
                                                   << QStringLiteral("\r\n");
    QTest::newRow("Shift+End stops before CR LF") << QStringList{"press 6", "release", "key Shift+End", "key Ctrl+C"}
                                                  << QStringLiteral("beta");
    QTest::newRow("Shift+Home") << QStringList{"press 9", "release", "key Shift+Home", "key Ctrl+C"}
                                << QStringLiteral("alpha bet");
    QTest::newRow("Shift+Down a whole line") << QStringList{"press 0", "release", "key Shift+Down", "key Ctrl+C"}
                                             << QStringLiteral("alpha beta\r\n");
    QTest::newRow("Shift+Up back") << QStringList{"press 14", "release", "key Shift+Up", "key Ctrl+C"}
                                   << QStringLiteral("pha beta\r\nga");
    QTest::newRow("Ctrl+Shift+Right a word") << QStringList{"press 0", "release", "key Ctrl+Shift+Right", "key Ctrl+C"}
                                             << QStringLiteral("alpha ");
    QTest::newRow("Ctrl+Shift+End to the end, NUL kept")
        << QStringList{"press 27", "release", "key Ctrl+Shift+End", "key Ctrl+C"}
        << Held(u"中文 words\r\nlast\u0000end");
    QTest::newRow("Ctrl+Shift+Home") << QStringList{"press 14", "release", "key Ctrl+Shift+Home", "key Ctrl+C"}
                                     << QStringLiteral("alpha beta\r\nga");
    QTest::newRow("Shift+PageDown to the last line")
        << QStringList{"press 2", "release", "key Shift+PgDown", "key Ctrl+C"}
        << QStringView(u"pha beta\r\ngamma\tdelta\r\n\r\n中文 words\r\nla").toString();
    QTest::newRow("Shift+PageUp to the first line") << QStringList{"press 30", "release", "key Shift+PgUp", "key Ctrl+C"}
                                                    << QStringLiteral("a beta\r\ngamma\tdelta\r\n\r\n中文 ");
    QTest::newRow("Ctrl+A") << QStringList{"press 3", "key Ctrl+A", "key Ctrl+C"}
                            << Held(u"alpha beta\r\ngamma\tdelta\r\n\r\n中文 words\r\nlast\u0000end");
    QTest::newRow("menu Select All, Copy")
        << QStringList{"menu select-all", "menu copy"}
        << Held(u"alpha beta\r\ngamma\tdelta\r\n\r\n中文 words\r\nlast\u0000end");
    QTest::newRow("arrows only move the caret") << QStringList{"press 0", "release", "key Right", "key Down", "key Shift+Right", "key Ctrl+C"}
                                                << QStringLiteral("a");
}

void TestTextView::selectAndCopy()
{
    QFETCH(QStringList, steps);
    QFETCH(QString, copied);
    const QString text = Held(u"alpha beta\r\ngamma\tdelta\r\n\r\n中文 words\r\nlast\u0000end");
    TextView view;
    view.setFont(CourierFont(16));
    view.resize(kInputSize.width(), 5 * QFontMetrics(view.font()).height() + 40);
    view.ShowText(text);
    QStringList clipboard;
    view.SetCopyHandler([&](const QString &t) { clipboard.append(t); });
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    view.setFocus();
    for (const QString &step : steps)
        Perform(view, step);
    QCOMPARE(clipboard, QStringList{copied});

    // Without a handler the application's clipboard gets it.
    view.SetCopyHandler({});
    QGuiApplication::clipboard()->clear();
    view.Copy();
    QCOMPARE(QGuiApplication::clipboard()->text(), copied);
}

void TestTextView::dragBeyondTheEdgeScrolls()
{
    QString text;
    for (int i = 0; i < 300; ++i)
        text += QStringLiteral("line %1\r\n").arg(i);
    TextView view;
    view.resize(kInputSize);
    view.ShowText(text);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QWidget *viewport = view.viewport();
    QScrollBar *bar = view.verticalScrollBar();
    QTest::mousePress(viewport, Qt::LeftButton, {}, QPoint(TextView::kMargin, 8));
    // Held below the bottom edge: the view scrolls on and the selection follows.
    const QPoint below(TextView::kMargin, viewport->height() + 30);
    QMouseEvent move(QEvent::MouseMove, below, viewport->mapToGlobal(below), Qt::NoButton, Qt::LeftButton, {});
    QApplication::sendEvent(viewport, &move);
    QTRY_VERIFY_WITH_TIMEOUT(bar->value() >= 20, 10000);
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, below);
    const int stopped = bar->value();
    QTest::qWait(200);
    QCOMPARE(bar->value(), stopped);
    QCOMPARE(view.Selection().anchor, 0);
    QVERIFY(view.Index().LineAt(view.Selection().caret) >= stopped + 10);
    QVERIFY(view.SelectedText().startsWith(QStringLiteral("line 0\r\nline 1\r\nline 2\r\n")));
}

// ---- Appends, a huge line ----------------------------------------------------------------

void TestTextView::paintedAsItScrollsAlong()
{
    // What is on the screen after appends that the view follows (moving what
    // it showed and painting what is new), scrolls back and sideways, is
    // what a fresh paint of the same view gives.
    QString text;
    for (int i = 0; i < 40; ++i)
        text += QStringLiteral("line %1\r\n").arg(i);
    TextView view;
    view.setFont(CourierFont(16));
    view.resize(kInputSize);
    view.Attach(&text);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    const auto paintNow = [&] { QCoreApplication::sendPostedEvents(view.window(), QEvent::UpdateRequest); };
    for (int i = 0; i < 30; ++i) {
        const QString piece = i % 3 ? QStringLiteral("appended %1, ").arg(i) : QStringLiteral("%1 中文\r\n").arg(i);
        text += piece;
        view.TextAppended(piece.size());
        view.ScrollToEnd();
        paintNow();
    }
    view.verticalScrollBar()->setValue(view.verticalScrollBar()->value() - 2);
    paintNow();
    view.horizontalScrollBar()->setValue(17);
    paintNow();
    QCOMPARE(ShownAgainstFresh(view), QString());
}

void TestTextView::appendFollowsOrKeepsThePlace()
{
    QString text;
    for (int i = 0; i < 200; ++i)
        text += QStringLiteral("line %1\r\n").arg(i);
    TextView view;
    view.resize(kInputSize);
    view.Attach(&text);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QScrollBar *bar = view.verticalScrollBar();
    bar->setValue(50);
    const int rebuilds = view.RebuildCount();
    const int maximum = bar->maximum();

    // Appended, a piece at a time, CR and LF apart: the place is kept.
    for (const QString &piece : {QStringLiteral("line 200\r"), QStringLiteral("\nline 201\r\n"), QStringLiteral("line 202")}) {
        text += piece;
        view.TextAppended(piece.size());
        QCOMPARE(bar->value(), 50);
    }
    QCOMPARE(view.RebuildCount(), rebuilds);
    QCOMPARE(bar->maximum(), maximum + 2); // two lines more: 200 and 201; 202 took the empty last line's place
    QCOMPARE(view.LineText(view.FirstVisibleLine()), QStringLiteral("line 50"));
    QCOMPARE(view.LineText(202), QStringLiteral("line 202"));
    QCOMPARE(view.Text().constData(), text.constData()); // the text itself, no copy
    // Following the end.
    view.ScrollToEnd();
    QCOMPARE(bar->value(), bar->maximum());
    text += QStringLiteral("\r\nline 203");
    view.TextAppended(10);
    view.ScrollToEnd();
    QCOMPARE(bar->value(), maximum + 3);

    // Any other change is indexed afresh, from the top.
    text.remove(0, 8);
    view.Refresh();
    QCOMPARE(view.RebuildCount(), rebuilds + 1);
    QCOMPARE(bar->value(), 0);
    QCOMPARE(view.LineText(0), QStringLiteral("line 1"));
}

// 60 rows of a sorted log; rows 30 and 31 hold a 3- and a 5-character
// value, in either order: the two texts have the same length and the same
// first and last 256 characters, and one line break apart.
QString SortedRows(bool traded)
{
    QString text;
    for (int row = 0; row < 60; ++row) {
        QString value = QStringLiteral("3.125");
        if (row == 30 || row == 31)
            value = (row == 30) != traded ? QStringLiteral("1.5") : QStringLiteral("12.75");
        text += QStringLiteral("08-01-02\t12:00:%1\t%2\r\n").arg(row, 2, 10, QLatin1Char('0')).arg(value);
    }
    return text;
}

void TestTextView::replacedBySameLengthText()
{
    // The owner replaces the text with one of the same length whose start
    // and end are the same, and says so: the view shows and paints the new
    // lines.
    QString text = SortedRows(false);
    const QString second = SortedRows(true);
    QCOMPARE(second.size(), text.size());
    QVERIFY(second != text);
    QCOMPARE(second.first(256), text.first(256));
    QCOMPARE(second.last(256), text.last(256));
    TextView view;
    view.setFont(CourierFont(16));
    view.resize(kInputSize);
    view.Attach(&text);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    const auto paintAt = [&](int line) {
        view.verticalScrollBar()->setValue(line);
        QCoreApplication::sendPostedEvents(view.window(), QEvent::UpdateRequest);
    };
    paintAt(25);

    text = second;
    view.TextReplaced();
    paintAt(25);
    QCOMPARE(view.LineText(30), QStringLiteral("08-01-02\t12:00:30\t12.75"));
    QCOMPARE(view.ShownText(), TextView::DisplayForm(second));
    QCOMPARE(ShownAgainstFresh(view), QString());
}

void TestTextView::framesHeldWhileTextStreamsIn()
{
    // With a repaint interval longer than the test, appends after a paint
    // paint nothing: the index and the scroll bars follow at once, the
    // pixels with the next paint, which shows the whole frame.
    QString text;
    for (int i = 0; i < 40; ++i)
        text += QStringLiteral("line %1\r\n").arg(i);
    TextView view;
    view.setFont(CourierFont(16));
    view.resize(kInputSize);
    view.SetRepaintInterval(3600 * 1000);
    view.Attach(&text);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    const auto paintNow = [&] { QCoreApplication::sendPostedEvents(view.window(), QEvent::UpdateRequest); };
    view.ScrollToEnd();
    paintNow();
    int paints = 0;
    struct Counter : QObject {
        int *paints;
        bool eventFilter(QObject *, QEvent *event) override { *paints += event->type() == QEvent::Paint; return false; }
    } counter;
    counter.paints = &paints;
    view.viewport()->installEventFilter(&counter);
    QScrollBar *bar = view.verticalScrollBar();
    for (int i = 40; i < 100; ++i) {
        const QString piece = QStringLiteral("line %1\r\n").arg(i);
        text += piece;
        view.TextAppended(piece.size());
        view.ScrollToEnd();
        paintNow();
        QCOMPARE(bar->value(), bar->maximum());
    }
    QCOMPARE(paints, 0);
    QCOMPARE(view.LineCount(), 101);
    QCOMPARE(view.LineText(view.FirstVisibleLine() + 1), QStringLiteral("line %1").arg(view.FirstVisibleLine() + 1));
    // A paint for another reason shows the frame held back, whole.
    view.viewport()->update(0, 0, 10, 10);
    for (int round = 0; round < 4; ++round) {
        paintNow();
        QCoreApplication::processEvents();
    }
    QCOMPARE(ShownAgainstFresh(view), QString());
    QVERIFY(paints >= 1);
}

void TestTextView::everyFrameShowsAllAppendedAtTheEnd()
{
    // Text streams in as the poll brings it: appends of a part of a line
    // up to more lines than the window shows, each followed by the scroll
    // to the end, some of them after the frame was due. Each frame shows
    // all that was appended before it, at the end, as a fresh paint does.
    QString text;
    TextView view;
    view.setFont(CourierFont(16));
    view.resize(kInputSize);
    view.SetRepaintInterval(15);
    view.Attach(&text);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    const auto paintNow = [&] { QCoreApplication::sendPostedEvents(view.window(), QEvent::UpdateRequest); };
    int paints = 0;
    struct Counter : QObject {
        int *paints;
        bool eventFilter(QObject *, QEvent *event) override { *paints += event->type() == QEvent::Paint; return false; }
    } counter;
    counter.paints = &paints;
    view.viewport()->installEventFilter(&counter);
    QScrollBar *bar = view.verticalScrollBar();
    const int fits = view.viewport()->height() / QFontMetrics(view.font()).height();
    QRandomGenerator random(30);
    int row = 0;
    for (int frame = 0; frame < 16; ++frame) {
        const int before = paints;
        for (int append = 0, appends = 1 + random.bounded(4); append < appends; ++append) {
            const int lines = random.bounded(3) == 0 ? fits + random.bounded(2 * fits) : random.bounded(4);
            QString piece;
            for (int line = 0; line < lines; ++line)
                piece += QStringLiteral("row %1\r\n").arg(row++);
            piece += QStringLiteral("part ");
            text += piece;
            view.TextAppended(piece.size());
            view.ScrollToEnd();
            paintNow();
            QCOMPARE(bar->value(), bar->maximum());
            // Now and then the next append comes after the frame was due.
            if (random.bounded(2))
                QThread::msleep(random.bounded(25));
        }
        // The frame held back comes within an interval and a half.
        QTest::qWait(40);
        paintNow();
        QVERIFY(paints > before);
        QCOMPARE(ShownAgainstFresh(view), QString());
        QCOMPARE(view.LineText(view.LineCount() - 1), text.sliced(text.lastIndexOf(u'\n') + 1));
        QCOMPARE(bar->value(), bar->maximum());
    }
}

void TestTextView::lineOfHundredMillionCharacters()
{
    // 200 MB of text in one line of digits 0 to 9, repeated.
    QString line(100 * 1000 * 1000, Qt::Uninitialized);
    for (qsizetype i = 0; i < line.size(); ++i)
        line[i] = QLatin1Char(char('0' + i % 10));
    TextView view;
    view.setFont(CourierFont(16));
    view.resize(kInputSize);
    view.Attach(&line);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QCOMPARE(view.LineCount(), 1);
    QVERIFY(view.Index().MemoryBytes() <= 64);
    // The horizontal range reaches the line's end, at the font's width a character.
    const qreal width = QFontMetricsF(view.font()).horizontalAdvance(QLatin1Char('0'));
    QScrollBar *bar = view.horizontalScrollBar();
    QCOMPARE(qint64(bar->maximum()), qint64(line.size() * width + 2 * TextView::kMargin) - view.viewport()->width());

    for (const qsizetype at : {qsizetype(50 * 1000 * 1000 + 3), line.size() - 1}) {
        view.EnsureVisible(at + 1); // the caret after it, and so the character
        const QRect box = view.CharacterRect(at);
        QVERIFY(view.viewport()->rect().contains(box));
        QCOMPARE(view.PositionAt(box.center(), true), at);
        // The character is drawn there: dark pixels inside its box.
        const QImage image = view.viewport()->grab().toImage();
        int dark = 0;
        for (int y = box.top(); y <= box.bottom(); ++y)
            for (int x = box.left(); x <= box.right(); ++x)
                dark += qGray(image.pixel(x, y)) < 128;
        QVERIFY(dark > 5);
    }
    view.SetSelection(line.size() - 3, line.size());
    QCOMPARE(view.SelectedText(), QStringLiteral("789"));
    QTest::keyClick(&view, Qt::Key_Home);
    QCOMPARE(bar->value(), 0);
    QCOMPARE(view.Selection().caret, 0);
}

// ---- Screen readers ---------------------------------------------------------------------

void TestTextView::accessibleText()
{
    const QString text = Held(u"one two\r\nthree\u0000\r\n中文 x");
    TextView view;
    view.setAccessibleName(QStringLiteral("Input data"));
    view.resize(kInputSize);
    view.ShowText(text);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(&view);
    QVERIFY(accessible);
    QCOMPARE(accessible->role(), QAccessible::EditableText);
    QCOMPARE(accessible->text(QAccessible::Name), QStringLiteral("Input data"));
    QVERIFY(accessible->state().readOnly && accessible->state().multiLine);
    QAccessibleTextInterface *reader = accessible->textInterface();
    QVERIFY(reader);

    QCOMPARE(reader->characterCount(), int(text.size()));
    QCOMPARE(reader->text(0, 3), QStringLiteral("one"));
    QCOMPARE(reader->text(9, 15), QStringView(u"three\u2400").toString());
    int start = -1, end = -1;
    QCOMPARE(reader->textAtOffset(5, QAccessible::WordBoundary, &start, &end), QStringLiteral("two"));
    QCOMPARE(std::pair(start, end), std::pair(4, 7));
    QCOMPARE(reader->textAtOffset(11, QAccessible::LineBoundary, &start, &end), QStringView(u"three\u2400\r\n").toString());
    QCOMPARE(std::pair(start, end), std::pair(9, 17));
    QCOMPARE(reader->textBeforeOffset(11, QAccessible::LineBoundary, &start, &end), QStringLiteral("one two\r\n"));
    QCOMPARE(reader->textAfterOffset(11, QAccessible::LineBoundary, &start, &end), QStringLiteral("中文 x"));
    QCOMPARE(std::pair(start, end), std::pair(17, 21));
    QCOMPARE(reader->textAtOffset(18, QAccessible::CharBoundary, &start, &end), QStringLiteral("文"));
    QCOMPARE(reader->textAtOffset(0, QAccessible::NoBoundary, &start, &end).size(), text.size());

    // The caret and the selection, both ways.
    QCOMPARE(reader->selectionCount(), 0);
    reader->setSelection(0, 4, 7);
    QCOMPARE(view.SelectedText(), QStringLiteral("two"));
    QCOMPARE(reader->selectionCount(), 1);
    reader->selection(0, &start, &end);
    QCOMPARE(std::pair(start, end), std::pair(4, 7));
    QCOMPARE(reader->cursorPosition(), 7);
    view.setFocus();
    QTest::keyClick(&view, Qt::Key_Down);
    QCOMPARE(reader->cursorPosition(), 15); // the end of "three\u0000", before CR LF
    QCOMPARE(reader->selectionCount(), 0);
    reader->setCursorPosition(2);
    QCOMPARE(view.Selection().caret, 2);

    // Geometry: the box of a character and the character at a point agree.
    const QRect box = reader->characterRect(10);
    QVERIFY(box.width() > 0 && box.height() > 0);
    QCOMPARE(reader->offsetAtPoint(box.center()), 10);
    QCOMPARE(reader->offsetAtPoint(view.viewport()->mapToGlobal(QPoint(-5, -5))), -1);
}

QTEST_MAIN(TestTextView)
#include "test_text_view.moc"
