// The message box: the built-in texts look as they always have (the whole
// text in a box of fixed size), and a text too large for the screen scrolls
// inside a box that stays within the screen area.
#include "core/locale/built_in_texts.h"
#include "gui/widgets/prompts.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QImage>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>
#include <QtTest>

#include <memory>

namespace {

// The box as the program has always built it: a label and the OK button in
// a layout of fixed size.
std::unique_ptr<QDialog> PlainBox(const QString &text)
{
    auto box = std::make_unique<QDialog>();
    box->setWindowTitle(ProgramTitle());
    auto *layout = new QVBoxLayout(box.get());
    auto *label = new QLabel(text, box.get());
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(false);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->setContentsMargins(8, 8, 8, 8);
    layout->addWidget(label);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok, box.get());
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    return box;
}

QImage Picture(QDialog &box)
{
    box.layout()->activate();
    return box.grab().toImage();
}

} // namespace

class TestPrompts : public QObject
{
    Q_OBJECT
private slots:
    void builtInTextsLookAsBefore_data();
    void builtInTextsLookAsBefore();
    void largeTextsScrollInsideTheScreen_data();
    void largeTextsScrollInsideTheScreen();
    void saveQuestionAnswers_data();
    void saveQuestionAnswers();
};

void TestPrompts::builtInTextsLookAsBefore_data()
{
    QTest::addColumn<QString>("text");
    // Every message text of both built-in languages, the help texts included.
    const TextTable table = BuiltInTextTable();
    for (int number = 4000; number <= 4004; ++number) {
        const QStringList texts = table.value(number);
        QVERIFY(texts.size() >= 2);
        QTest::addRow("%d English", number) << texts.at(0);
        QTest::addRow("%d Chinese", number) << texts.at(1);
    }
    QTest::newRow("file error")
        << QStringLiteral("Cannot write the file /tmp/out.txt: No space left on device; the file was left as it was");
}

void TestPrompts::builtInTextsLookAsBefore()
{
    QFETCH(QString, text);
    // A screen of 1920 x 1080 with a task bar.
    const std::unique_ptr<QDialog> box = BuildMessageBox(text, QSize(1920, 1040));
    QCOMPARE(box->findChildren<QPlainTextEdit *>().size(), 0);
    const QList<QLabel *> labels = box->findChildren<QLabel *>();
    QCOMPARE(labels.size(), 1);
    QCOMPARE(labels.at(0)->text(), text);
    const std::unique_ptr<QDialog> before = PlainBox(text);
    const QImage expected = Picture(*before);
    const QImage actual = Picture(*box);
    QCOMPARE(actual.size(), expected.size());
    QVERIFY(actual == expected);
}

void TestPrompts::largeTextsScrollInsideTheScreen_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QSize>("room");
    QTest::addColumn<bool>("tall");
    QTest::addColumn<bool>("wide");

    QStringList lines;
    for (int i = 1; i <= 120; ++i)
        lines.append(QStringLiteral("Help line %1 of a long text supplied by Config.dat").arg(i));
    const QString tallText = lines.join(QStringLiteral("\r\n"));
    const QString wideText = QString(1024 * 1024, QLatin1Char('W'));
    QTest::newRow("120 lines, 800 x 600") << tallText << QSize(800, 600) << true << false;
    QTest::newRow("120 lines, 1920 x 1040") << tallText << QSize(1920, 1040) << true << false;
    QTest::newRow("1 MB line, 800 x 600") << wideText << QSize(800, 600) << false << true;
    QTest::newRow("1 MB line and 120 lines, 1024 x 768")
        << wideText + QStringLiteral("\r\n") + tallText << QSize(1024, 768) << true << true;
}

void TestPrompts::largeTextsScrollInsideTheScreen()
{
    QFETCH(QString, text);
    QFETCH(QSize, room);
    QFETCH(bool, tall);
    QFETCH(bool, wide);

    const std::unique_ptr<QDialog> box = BuildMessageBox(text, room);
    box->show();
    QVERIFY(QTest::qWaitForWindowExposed(box.get()));
    QVERIFY2(box->width() <= room.width() && box->height() <= room.height(),
             qPrintable(QStringLiteral("%1 x %2").arg(box->width()).arg(box->height())));

    // The whole text is there, in a view that scrolls.
    const QList<QPlainTextEdit *> views = box->findChildren<QPlainTextEdit *>();
    QCOMPARE(views.size(), 1);
    QPlainTextEdit *view = views.at(0);
    QVERIFY(view->isReadOnly());
    QCOMPARE(view->toPlainText(), QString(text).remove(QLatin1Char('\r')));
    QCOMPARE(view->verticalScrollBar()->maximum() > 0, tall);
    QCOMPARE(view->horizontalScrollBar()->maximum() > 0, wide);
    // At least one whole line shows, beside the scroll bars.
    QVERIFY(view->viewport()->height() >= view->fontMetrics().lineSpacing());
    QVERIFY(view->viewport()->width() >= 100);

    // The OK button lies inside the box and closes it.
    QPushButton *ok = box->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok);
    QVERIFY(ok->isVisible());
    QVERIFY(box->rect().contains(QRect(ok->mapTo(box.get(), QPoint(0, 0)), ok->size())));
    QTest::mouseClick(ok, Qt::LeftButton);
    QCOMPARE(box->result(), int(QDialog::Accepted));
}

void TestPrompts::saveQuestionAnswers_data()
{
    QTest::addColumn<int>("key"); // pressed in the box
    QTest::addColumn<int>("answer");
    QTest::newRow("Enter: Save, the default") << int(Qt::Key_Return) << int(Prompts::SaveAnswer::Save);
    QTest::newRow("Escape: Cancel") << int(Qt::Key_Escape) << int(Prompts::SaveAnswer::Cancel);
}

void TestPrompts::saveQuestionAnswers()
{
    QFETCH(int, key);
    QFETCH(int, answer);
    const std::unique_ptr<QMessageBox> probe = BuildSaveQuestionBox(QStringLiteral("Unsaved?"));
    QCOMPARE(probe->standardButtons(), QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
    QCOMPARE(probe->windowTitle(), ProgramTitle());
    QCOMPARE(probe->text(), QStringLiteral("Unsaved?"));
    // QtPrompts shows the same box; the key is pressed once it is up.
    QtPrompts prompts;
    QTimer::singleShot(0, [key] {
        if (QWidget *box = QApplication::activeModalWidget())
            QTest::keyClick(box, Qt::Key(key));
    });
    // Bounded: a box the key did not close is closed after 10 s (Cancel).
    QTimer::singleShot(10000, [] {
        if (QWidget *box = QApplication::activeModalWidget())
            box->close();
    });
    QCOMPARE(int(prompts.AskSaveDiscardCancel(QStringLiteral("Unsaved?"))), answer);
}

QTEST_MAIN(TestPrompts)
#include "test_prompts.moc"
