// Makes the pictures of the program in docs/screenshots: the main window on
// the simulated instrument after a print-out was captured and sorted, the
// help text, the question at the end, the save dialog, the sorted output
// and the graph window, in English and in Chinese. The program's own window, message box builders
// and Qt's file dialog are shown on the platform chosen (scripts/screenshots
// runs it offscreen, at scale 1 and 2) and grabbed into PNG files.
//   tavix_screenshots OUT SUFFIX   (files OUT/<picture>-<language>-<SUFFIX>.png)
#include "gui/dialog/control_ids.h"
#include "gui/main_window/costrum_dlg.h"
#include "gui/widgets/device_list_box.h"
#include "gui/widgets/graph_strips_view.h"
#include "gui/widgets/graph_window.h"
#include "gui/widgets/prompts.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLibrary>
#include <QMessageBox>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>
#include <functional>

namespace {

// Prompts that answer nothing: the pictures show the boxes themselves.
class NoPrompts : public Prompts
{
public:
    void Message(const QString &) override {}
    QString OpenFileName(const QString &) override { return QString(); }
    QString SaveFileName(const QString &) override { return QString(); }
    void SetClipboardText(const QString &) override {}
    SaveAnswer AskSaveDiscardCancel(const QString &) override { return SaveAnswer::Cancel; }
};

// Lets the event loop run until done() or the limit; false at the limit.
bool RunUntil(const std::function<bool()> &done, int limitMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > limitMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return true;
}

// Shows a window, lets it lay itself out and paint, and saves its picture.
bool Grab(QWidget &widget, const QString &path)
{
    widget.show();
    RunUntil([] { return false; }, 300);
    const bool saved = widget.grab().save(path, "PNG");
    std::printf("%s %s\n", saved ? "wrote" : "could not write", qPrintable(path));
    return saved;
}

int SimControl(const char *setting)
{
    static QLibrary library(QStringLiteral(TAVIX_SIM_LIBRARY));
    auto control = reinterpret_cast<int (*)(const char *)>(library.resolve("TavixSim_Control"));
    return control ? control(setting) : -1;
}

bool Pictures(const QDir &out, const QString &suffix, int language, const QString &folder)
{
    const QString name = language == 0 ? QStringLiteral("en") : QStringLiteral("zh");
    const auto file = [&](const char *picture) {
        return out.filePath(QStringLiteral("%1-%2-%3.png").arg(QLatin1String(picture), name, suffix));
    };
    // Each round starts as the first run: no instrument remembered.
    QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("tavixterminal"),
              QStringLiteral("tavixterminal"))
        .clear();
    SimControl("RESET");
    SimControl("TAVIXSIM_BAUD=0");
    NoPrompts prompts;
    COstrumDlg dlg(prompts, QStringLiteral(TAVIX_SIM_LIBRARY));
    dlg.show();
    auto *languages = qobject_cast<QComboBox *>(dlg.GetDlgItem(IDC_LANGUAGE));
    languages->setCurrentIndex(language);
    emit languages->activated(language);

    // Search, choose the instrument, Open; then Enter: the print-out.
    dlg.OnSearch();
    if (!dlg.m_pDeviceList || dlg.m_pDeviceList->count() == 0) {
        std::fprintf(stderr, "tavix_screenshots: the simulated instrument is not listed\n");
        return false;
    }
    dlg.m_pDeviceList->setCurrentRow(0);
    dlg.OnOpen();
    dlg.SendKeyByte(0x0D);
    qsizetype size = -1;
    const bool complete = RunUntil(
        [&] {
            const bool still = dlg.m_strInput.size() == size && size > 10000;
            size = dlg.m_strInput.size();
            return still;
        },
        30000);
    if (!complete) {
        std::fprintf(stderr, "tavix_screenshots: the print-out did not arrive (%s)\n", qPrintable(dlg.m_strStatus));
        return false;
    }
    dlg.OnSort();

    bool ok = Grab(dlg, file("main"));
    ok = Grab(*dlg.GetDlgItem(IDC_SORTED_OUTPUT), file("sorted")) && ok;

    // The graph window on the first file: a second variable checked, the
    // cursor on a row and its read-out.
    dlg.OpenGraphWindow();
    if (GraphWindow *graph = dlg.m_pGraphWindow) {
        graph->resize(900, 520);
        const QList<QCheckBox *> boxes = graph->VariableBoxes();
        for (QCheckBox *box : boxes) {
            if (box->property("field").toInt() == 7)
                box->setChecked(true);
        }
        graph->View()->SetCursorRow(3);
        QCoreApplication::processEvents();
        ok = Grab(*graph, file("graph")) && ok;
        graph->close();
    }

    const std::unique_ptr<QDialog> help =
        BuildMessageBox(dlg.CurrentMessageTexts().HelpText, MessageBoxRoom(&dlg), &dlg);
    ok = Grab(*help, file("help")) && ok;
    help->hide();

    const std::unique_ptr<QMessageBox> question = BuildSaveQuestionBox(
        dlg.Pick(QStringLiteral("The input data has not been saved. Save it before the program ends?"),
                 QStringLiteral("输入数据尚未保存。是否在退出前保存？")),
        &dlg);
    ok = Grab(*question, file("question")) && ok;
    question->hide();

    QFileDialog save(&dlg, QString(), folder, FileDialogFilter(TextFileFilter()));
    save.setAcceptMode(QFileDialog::AcceptSave);
    save.setOption(QFileDialog::DontUseNativeDialog);
    save.resize(620, 420);
    ok = Grab(save, file("file-dialog")) && ok;
    save.hide();

    // The instrument is let go for the next round's dialog.
    dlg.FtClose();
    g_bDeviceReady = 0;
    return ok;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tavixterminal"));
    if (argc != 3) {
        std::fprintf(stderr, "usage: tavix_screenshots OUT SUFFIX\n");
        return 2;
    }
    // A folder of its own: no Config.dat (the built-in texts), an empty
    // profile, and a few files for the file dialog to list.
    QTemporaryDir work;
    const QDir out(QDir::current().absoluteFilePath(QString::fromLocal8Bit(argv[1])));
    if (!work.isValid() || !out.exists() || !QDir::setCurrent(work.path()))
        return 1;
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, work.path());
    for (const char *sample : {"capture-0412.txt", "sorted-qrt03.txt", "logging.dat"})
        QFile(work.filePath(QLatin1String(sample))).open(QIODevice::WriteOnly);
    bool ok = true;
    for (int language : {0, 1})
        ok = Pictures(out, QString::fromLocal8Bit(argv[2]), language, work.path()) && ok;
    return ok ? 0 : 1;
}
