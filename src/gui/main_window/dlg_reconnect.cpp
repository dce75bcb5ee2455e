// The instrument lost and found: when the poll finds the open device gone,
// the device is closed and looked for about once a second in the driver's
// own list; once it is listed it is opened as the user's Open opens it and
// probed, over several poll ticks so that the window never waits for it,
// and display-value logging that ran goes on into the same backup file. LinkRecovery (core) holds the search's state and texts; the driver
// calls are made here, through the wrappers.
#include "gui/main_window/costrum_dlg.h"

#include "core/device/device_listing.h"
#include "core/device/logging_interval.h"
#include "gui/widgets/prompts.h"

#include <QDateTime>

void COstrumDlg::OnDeviceLost()
{
    m_strStatus = QStringLiteral("Device is not open.");
    const bool uploading = m_bSending || IsFirmwareUploadRunning();
    StopFirmwareUpload();
    FtClose();
    g_bDeviceReady = 0;
    // No late reply can come from a lost device: a file that waited for it
    // is complete. A running log keeps its file open for what comes after
    // the instrument is back.
    if (m_bCloseLogPending)
        CloseBackupFile();
    if (!uploading)
        BeginReconnecting(LinkRecovery::Cause::Lost);
    UpdateData(false);
    ShowReconnectStatus();
    Repaint();
}

void COstrumDlg::BeginReconnecting(LinkRecovery::Cause cause)
{
    // Not after a program was sent: the instrument restarts from its loader
    // and the user opens it when it is done. A driver that lacks an entry
    // point would show its message at every look.
    if (m_bUploadedSinceOpen || !m_driver.IsComplete())
        return;
    LinkRecovery::Target target;
    target.openMode = m_nOpenMode;
    target.name = m_strDevice;
    // Modes 0 and 1 need a name; the placeholder of the device text is none.
    if ((target.openMode == 0 || target.openMode == 1)
        && (target.name.isEmpty() || target.name.contains(QStringLiteral("Enter device Description"))))
        return;
    m_recovery.Begin(target, cause, QDateTime::currentDateTime(), m_linkClock.elapsed());
    m_strStatus = m_recovery.StatusText(Texts());
    // No display request goes out while the device is missing.
    KillTimer(TIMER_LOG);
}

void COstrumDlg::StopReconnecting()
{
    if (!m_recovery.IsSearching())
        return;
    // A device opened by the search and still being probed is not ready:
    // it is closed (the user's Search, Open or EXIT close it anyway).
    if (m_recovery.IsProbing())
        FtClose();
    m_recovery.End();
    ShowReconnectStatus();
    ResumeLoggingTimer();
}

void COstrumDlg::ResumeLoggingTimer()
{
    if (!m_bLogging)
        return;
    SetTimer(TIMER_LOG, LoggingPeriodMs(m_fInterval));
}

void COstrumDlg::ReconnectTick()
{
    // Every 10 ms tick comes here while the search runs. A look, and the
    // probe of a device it opened, are spread over the ticks: the window's
    // thread never waits for the device (a listed instrument that stays
    // silent would otherwise hold it up for the probe's time-outs at every
    // look).
    const qint64 now = m_linkClock.elapsed();
    switch (m_recovery.stage()) {
    case LinkRecovery::Stage::Looking:
        if (m_recovery.LookDue(now) && !TryReconnect())
            m_recovery.Looked(m_linkClock.elapsed());
        break;
    case LinkRecovery::Stage::Settling:
        if (m_recovery.StageOver(now)) {
            SendProbe();
            m_recovery.ProbeSent(m_linkClock.elapsed());
        }
        break;
    case LinkRecovery::Stage::AwaitingReply:
        TakeProbeReply();
        break;
    }
}

void COstrumDlg::ShowReconnectStatus()
{
    if (m_recovery.IsSearching()) {
        m_strStatus = m_recovery.StatusText(Texts());
        SetDlgItemText(IDC_STATUS, m_strStatus);
    }
    // The status line is narrow: while the search runs it says the search
    // in short, and its tool tip says it whole with the last try's reason.
    if (QWidget *status = GetDlgItem(IDC_STATUS))
        status->setToolTip(m_recovery.IsSearching() ? m_recovery.StatusTip(Texts()) : QString());
}

bool COstrumDlg::TryReconnect()
{
    // The driver's own list first: no handle is opened for a device that is
    // not listed.
    const DeviceNameList listing = ListDeviceNames(
        [this](void *arg1, void *arg2, DWORD flags) { return m_driver.ListDevices(arg1, arg2, flags); },
        m_recovery.ListFlags());
    if (!m_recovery.IsListed(listing)) {
        if (m_recovery.NoteNotListed())
            ShowReconnectStatus();
        return false;
    }

    const LinkRecovery::Target &target = m_recovery.target();
    FT_STATUS status = FT_OK;
    if (target.openMode == 0 || target.openMode == 1) {
        m_szDeviceName = NarrowDeviceName(target.name);
        status = FtOpenEx(m_szDeviceName.constData(),
                          target.openMode == 0 ? FT_OPEN_BY_DESCRIPTION : FT_OPEN_BY_SERIAL_NUMBER);
        if (status == FT_OK) {
            FtSetChars(0, 0, 0, 0);
            FtSetEventNotification(0, nullptr);
        }
    } else {
        status = FtOpen(0);
    }
    if (status != FT_OK) {
        // A listed device that does not open (held by another program, no
        // permission): the reason shows in the status line, once per cause.
        if (m_recovery.NoteOpenFailure(m_driver.LastOpenFailure()))
            ShowReconnectStatus();
        return false;
    }

    // Reset as the user's Open does; the settle time and the probe follow
    // on later ticks. Until the probe is answered the device is not ready:
    // nothing is sent to it and no program either.
    EnableControl(IDC_SEND_PROGRAM, false);
    ResetOpenedDevice();
    m_recovery.Opened(m_linkClock.elapsed());
    return true;
}

void COstrumDlg::TakeProbeReply()
{
    // The reply is read once it is there, so the read never waits; the
    // probe's two read time-outs are the time the reply may take.
    DWORD rx = 0, tx = 0, events = 0;
    const bool gone = FtGetStatus(&rx, &tx, &events) != FT_OK;
    quint8 reply = 0;
    DWORD got = 0;
    if (!gone && rx > 0)
        FtRead(&reply, 1, &got);
    if (!gone && got == 0 && !m_recovery.StageOver(m_linkClock.elapsed()))
        return;

    if (got > 0 && reply == kProbeByte) {
        DeviceBack();
        return;
    }
    // Listed but silent (still starting up) or gone again: closed, and
    // tried again at the next look.
    FtClose();
    m_recovery.ProbeFailed(m_linkClock.elapsed());
    const QString code = got > 0 ? QString::asprintf(" (0x%.2X)", static_cast<unsigned>(reply)) : QString();
    if (m_recovery.NoteNoAnswer(code))
        ShowReconnectStatus();
}

void COstrumDlg::DeviceBack()
{
    // Back: ready as after the user's Open, the same backup file goes on,
    // and one message says for how long it was missing. The message does
    // not wait for the user, so the poll goes on meanwhile.
    const QString message = m_recovery.BackMessage(Texts(), QDateTime::currentDateTime(), m_bLogging);
    m_recovery.End();
    ShowReconnectStatus();
    m_strStatus = QStringLiteral("Deveice is  ready.");
    EnableControl(IDC_OPEN, true);
    EnableControl(IDC_SEND_PROGRAM, true);
    g_bDeviceReady = 1;
    ResumeLoggingTimer();
    UpdateData(false);
    Repaint();
    m_prompts.Notice(message);
}
