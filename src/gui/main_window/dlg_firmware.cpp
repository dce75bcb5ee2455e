// Firmware upload: "Send Program" (1093) asks for a program file, puts the
// progress note into the input window (larger font, red text) and hands the
// file to a FirmwareWorker on its own thread. The worker only reads the file
// and writes to the device; everything the user sees is changed here, on the
// user-interface thread, so that text the poll appends meanwhile is never
// lost or torn.
#include "gui/main_window/costrum_dlg.h"

#include "gui/dialog/dialog_builder.h"

#include "core/device/firmware_worker.h"
#include "core/sorting/input_file.h"
#include "gui/widgets/prompts.h"
#include "gui/widgets/text_view.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QThread>

namespace {

// How long closing the device or ending the program waits for the worker;
// a write gives up after its 300 ms time-out, so this is ample.
constexpr int kWorkerShutdownMs = 5000;

} // namespace

void COstrumDlg::WireFirmwareCommands()
{
    OnCommand(IDC_SEND_PROGRAM, &COstrumDlg::OnSendProgram);
}

bool COstrumDlg::IsFirmwareUploadRunning() const
{
    return m_pFirmwareThread != nullptr;
}

void COstrumDlg::OnSendProgram()
{
    // One upload at a time: the button is disabled while one runs, and a
    // command that reaches here all the same does nothing.
    if (m_bSending || IsFirmwareUploadRunning() || !IsDeviceOpen() || m_recovery.IsProbing())
        return;
    const QString path = m_prompts.OpenFileName(QString());
    // The poll runs while the file dialog is open: a device lost or closed
    // meanwhile (or found again and still being probed) ends the command as
    // if no device had been open, with nothing sent and the input text as
    // it was.
    if (path.isEmpty() || !IsDeviceOpen() || m_bSending || IsFirmwareUploadRunning() || m_recovery.IsProbing())
        return;
    // A named pipe or a device would keep the upload waiting for a writer
    // (or sending without end) behind the progress note: it is refused, as
    // Open input data refuses it, and nothing is sent.
    if (IsStreamPath(path)) {
        m_prompts.Message(Pick(QStringLiteral("%1 is a named pipe or a device, not a program file; nothing was "
                                              "sent to the instrument."),
                               QStringLiteral("%1 是命名管道或设备，不是程序文件；未向仪器发送任何内容。"))
                              .arg(QDir::toNativeSeparators(path)));
        return;
    }

    m_bSending = true;
    // The instrument restarts from its loader after the program: its loss
    // is expected and starts no search.
    m_bUploadedSinceOpen = true;
    ShowSendingLook(true);
    // The note goes after the text held so far (on a line of its own), which
    // stays: it may be hours of capture not yet saved.
    m_strSendingNote = CurrentMessageTexts().SendingProgramText;
    if (!m_strInput.isEmpty() && !m_strInput.endsWith(QLatin1Char('\n')))
        m_strSendingNote.prepend(QStringLiteral("\r\n"));
    m_nSendingNoteAt = m_strInput.size();
    m_strInput += m_strSendingNote;
    TextAppended(IDC_INPUT, m_strSendingNote.size());
    UpdateData(false);
    update();
    EnableControl(IDC_SEND_PROGRAM, false);

    // The worker writes on the handle open now, through the binding (not the
    // wrapper, whose message box belongs to this thread).
    FirmwareJob job;
    job.path = path;
    job.write = [binding = &m_driver, handle = m_hDevice](const void *data, DWORD count, DWORD *sent) {
        return binding->Write(handle, data, count, sent);
    };

    const quint64 jobNumber = ++m_nFirmwareJob;
    auto *thread = new QThread;
    auto *worker = new FirmwareWorker(std::chrono::milliseconds(m_nFirmwareStallLimitMs));
    // The job is handed over before the thread starts, and the thread's
    // start runs it: nothing of the job crosses threads afterwards.
    worker->SetJob(job);
    worker->moveToThread(thread);
    connect(thread, &QThread::started, worker, &FirmwareWorker::Run);
    connect(thread, &QThread::finished, worker, &QObject::deleteLater);
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    connect(worker, &FirmwareWorker::Finished, this,
            [this, jobNumber](FirmwareWorker::Result result, qint64, qint64) {
                OnFirmwareFinished(jobNumber, result == FirmwareWorker::Result::Sent);
            },
            Qt::QueuedConnection);
    m_pFirmwareThread = thread;
    m_pFirmwareWorker = worker;
    thread->start(QThread::NormalPriority);
}

void COstrumDlg::OnFirmwareFinished(quint64 jobNumber, bool sent)
{
    // An upload that StopFirmwareUpload already ended reports here once more.
    if (jobNumber != m_nFirmwareJob || !IsFirmwareUploadRunning())
        return;
    QThread *thread = m_pFirmwareThread;
    m_pFirmwareThread = nullptr;
    m_pFirmwareWorker = nullptr;
    // The worker has finished its work; its thread only has to leave its loop.
    thread->quit();
    thread->wait(QDeadlineTimer(kWorkerShutdownMs));
    EndFirmwareUpload(sent);
}

bool COstrumDlg::StopFirmwareUpload()
{
    if (!IsFirmwareUploadRunning())
        return true;
    QThread *thread = m_pFirmwareThread;
    m_pFirmwareWorker->RequestStop();
    m_pFirmwareThread = nullptr;
    m_pFirmwareWorker = nullptr;
    thread->quit();
    // The worker stops before its next write; at most one write is under way.
    // A thread that does not end in time deletes itself when it does.
    const bool stopped = thread->wait(QDeadlineTimer(kWorkerShutdownMs));
    EndFirmwareUpload(false);
    return stopped;
}

void COstrumDlg::ShowSendingLook(bool sending)
{
    QWidget *input = GetDlgItem(IDC_INPUT);
    if (!input)
        return;
    if (sending) {
        m_inputFontBeforeSending = input->font();
        m_inputPaletteBeforeSending = input->palette();
        input->setFont(CourierFont(20));
        QPalette red = input->palette();
        red.setColor(QPalette::Text, QColor(255, 0, 0));
        input->setPalette(red);
    } else {
        input->setFont(m_inputFontBeforeSending);
        input->setPalette(m_inputPaletteBeforeSending);
    }
}

void COstrumDlg::EndFirmwareUpload(bool sent)
{
    m_bSending = false;
    ShowSendingLook(false);
    // The note is where it was put unless the input was cleared (or
    // replaced) meanwhile; then nothing is removed, so no text is lost.
    const bool noteInPlace = m_strInput.size() >= m_nSendingNoteAt + m_strSendingNote.size()
                             && QStringView(m_strInput).sliced(m_nSendingNoteAt, m_strSendingNote.size())
                                    == m_strSendingNote;
    if (sent) {
        // The note alone goes: the text before it and what the poll
        // appended after it stay.
        if (noteInPlace)
            m_strInput.remove(m_nSendingNoteAt, m_strSendingNote.size());
        if (auto *input = qobject_cast<TextView *>(GetDlgItem(IDC_INPUT)))
            input->ShowText(m_strInput);
    } else {
        // "Send File Fail!" takes the place of the note. Text the instrument
        // sent during the upload stays after it, on the next line: a failed
        // upload loses no received byte.
        if (noteInPlace) {
            const QString received = m_strInput.sliced(m_nSendingNoteAt + m_strSendingNote.size());
            const QString failure = QStringLiteral("Send File Fail!")
                                    + (received.isEmpty() ? QString() : QStringLiteral("\r\n"));
            m_strInput.replace(m_nSendingNoteAt, m_strSendingNote.size(),
                               m_strSendingNote.startsWith(QStringLiteral("\r\n")) ? QStringLiteral("\r\n") + failure
                                                                                    : failure);
        } else {
            m_strInput = QStringLiteral("Send File Fail!")
                         + (m_strInput.isEmpty() ? QString() : QStringLiteral("\r\n") + m_strInput);
        }
        TextReplaced(IDC_INPUT);
        UpdateData(false);
    }
    m_strSendingNote.clear();
    EnableControl(IDC_SEND_PROGRAM, IsDeviceOpen());
    emit FirmwareUploadEnded(sent);
}
