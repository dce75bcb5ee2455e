// Display-value logging: while it runs, timer 16 sends the instrument a space
// at the chosen interval, and the 10 ms poll (timer 15, which runs
// throughout) reads each reply as soon as it arrives and writes it into a
// backup file as well as into the input window. Reading at once matters: a
// reply left waiting in the driver until the next interval is lost when the
// cable is pulled meanwhile, as a hang-up discards unread input. The poll's
// side of it lives in dlg_poll.cpp.
#include "gui/main_window/costrum_dlg.h"

#include "core/device/logging_interval.h"
#include "core/io/native_file.h"
#include "gui/widgets/prompts.h"

#include <QDir>

void COstrumDlg::WireLoggingCommands()
{
    OnCommand(IDC_LOGGING, &COstrumDlg::OnStartLogging);
}

void COstrumDlg::ShowLoggingCaption()
{
    // Two captions per language in number 1051: slot 2 x (language - 1) while
    // stopped, the next slot while running.
    SetDlgItemText(IDC_LOGGING, LookupText(IDC_LOGGING, 2 * (CurrentLanguage - 1) + (m_bLogging ? 1 : 0)));
}

void COstrumDlg::StopLoggingAfterFailure()
{
    // As the Stop command, except that the file is closed at once: nothing
    // more can be written to it.
    const bool wasLogging = m_bLogging;
    m_bLogging = false;
    m_bCloseLogPending = false;
    m_logFile.close();
    if (wasLogging) {
        ShowLoggingCaption();
        KillTimer(TIMER_LOG);
    }
}

void COstrumDlg::CloseBackupFile()
{
    m_bCloseLogPending = false;
    m_logFile.close();
}

void COstrumDlg::SendLogRequest()
{
    // While a program file is sent, the request is held back: the instrument
    // would take the space for a byte of the program. A request that cannot
    // be written is not reported: the poll's status query tells a lost
    // device from a passing failure, and the next interval tries again.
    if (!g_bDeviceReady || !m_bLogging || m_bSending)
        return;
    DWORD sent = 0;
    FtWrite(&m_chLogRequest, 1, &sent);
}

void COstrumDlg::OnStartLogging()
{
    if (m_bLogging) {
        // Stop: the file stays open until the poll has written the next chunk
        // it receives (the end of a late reply), then the poll closes it; a
        // reply that does not come within kLateReplyMs is not waited for.
        m_bLogging = false;
        m_bCloseLogPending = true;
        m_nCloseLogDueMs = m_linkClock.elapsed() + kLateReplyMs;
        ShowLoggingCaption();
        KillTimer(TIMER_LOG);
        return;
    }

    // A field that holds no number is reported by the transfer and leaves the
    // interval as it was; logging then goes on with that interval.
    UpdateData(true);
    if (!LoggingIntervalAccepted(m_fInterval)) {
        m_prompts.Message(CurrentMessageTexts().IntervalTooShortText);
        return;
    }

    const QString path = m_prompts.SaveFileName(TextFileFilter());
    if (path.isEmpty())
        return;

    // The file of an earlier run still waits for its last chunk: it is
    // closed now, so that the chunk cannot close the new file instead.
    if (m_bCloseLogPending)
        CloseBackupFile();
    if (m_logFile.isOpen())
        m_logFile.close();
    // Unbuffered: each chunk reaches the system as the poll writes it, and
    // a failed write is known at once. An existing regular file is started
    // again from empty; a named pipe, a device or a stranger's link in a
    // shared folder is refused without waiting and left as it is.
    QString reason;
    if (!NativeFile::OpenInPlace(m_logFile, path, &reason)) {
        // Logging without its file would lose what the user asked to keep:
        // it does not start.
        m_prompts.Message(Pick(QStringLiteral("The backup file \"%1\" cannot be created: %2"),
                               QStringLiteral("无法创建备份文件“%1”：%2"))
                              .arg(QDir::toNativeSeparators(path), reason));
        return;
    }

    m_bLogging = true;
    ShowLoggingCaption();
    // While the instrument is being looked for, no request is sent: the
    // logging interval starts when it is back.
    if (!m_recovery.IsSearching())
        SetTimer(TIMER_LOG, LoggingPeriodMs(m_fInterval));
}
