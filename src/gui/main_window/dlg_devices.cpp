// Device discovery and opening: the Search and Open commands, the start-up
// connection with its readiness probe, the open-mode radio buttons and the
// device text. Every driver call goes through the dialog's wrappers.
#include "gui/main_window/costrum_dlg.h"

#include "core/device/device_listing.h"
#include "core/device/profile.h"
#include "gui/widgets/device_list_box.h"
#include "gui/widgets/prompts.h"

#include <QLineEdit>
#include <QListWidget>
#include <QSignalBlocker>
#include <QThread>

namespace {

// The settle time of a freshly reset device before it is used.
constexpr unsigned long kSettleMs = LinkRecovery::kSettleMs;
constexpr ULONG kTimeoutMs = 300;

QString StatusText(const char *text)
{
    return QString::fromLatin1(text);
}

// Empties both lists. The hidden list's signals are blocked while the
// program fills or empties it: only the user's choice is a selection change.
void ClearDeviceLists(COstrumDlg &dlg)
{
    if (dlg.m_pDeviceList)
        dlg.m_pDeviceList->clear();
    if (auto *list = qobject_cast<QListWidget *>(dlg.GetDlgItem(IDC_HIDDEN_DEVICE_LIST))) {
        const QSignalBlocker blocker(list);
        list->clear();
    }
}

// Adds one entry to both lists: sorted into the visible one, at the end of
// the hidden one.
void AddDeviceEntry(COstrumDlg &dlg, const QString &text)
{
    if (dlg.m_pDeviceList)
        dlg.m_pDeviceList->AddString(text);
    if (auto *list = qobject_cast<QListWidget *>(dlg.GetDlgItem(IDC_HIDDEN_DEVICE_LIST))) {
        const QSignalBlocker blocker(list);
        list->addItem(text);
    }
}

// Lists the names (descriptions or serial numbers) of the attached devices
// into both lists, each after prefix; a list call that fails adds the entry
// "ListDevices failed", a failed count adds nothing.
void AddListedNames(COstrumDlg &dlg, DWORD openBy, const QString &prefix)
{
    const DeviceNameList listing = ListDeviceNames(
        [&dlg](void *arg1, void *arg2, DWORD flags) { return dlg.FtListDevices(arg1, arg2, flags); }, openBy);
    if (listing.outcome == DeviceNameList::ListFailed)
        AddDeviceEntry(dlg, QStringLiteral("ListDevices failed"));
    for (const QString &name : listing.names)
        AddDeviceEntry(dlg, prefix + name);
}

// The open-mode radio buttons: remember the mode, show its device text.
void ChangeOpenMode(COstrumDlg &dlg, int mode)
{
    Profile::WriteProfileInt(QStringLiteral("SerDesc"), mode);
    dlg.UpdateData(true);
    dlg.m_strDevice = Profile::ReadDeviceText(mode);
    dlg.UpdateData(false);
    dlg.Repaint();
}

} // namespace

void COstrumDlg::CreateDeviceList()
{
    QWidget *client = GetDlgItem(IDC_SEARCH)->parentWidget();
    m_pDeviceList = new CMyListBox(client);
    m_pDeviceList->setObjectName(QStringLiteral("control%1").arg(IDC_DEVICE_LIST));
    m_pDeviceList->setProperty("controlId", IDC_DEVICE_LIST);
    m_pDeviceList->setAccessibleName(QStringLiteral("Device list"));
    // Pixels, client coordinates: left 20, top 45, right 270, bottom 120
    // (right and bottom outside the list).
    m_pDeviceList->setGeometry(QRect(20, 45, 270 - 20, 120 - 45));
    m_pDeviceList->show();
    m_controls.insert(IDC_DEVICE_LIST, m_pDeviceList);
}

void COstrumDlg::WireLinkCommands()
{
    OnCommand(IDC_SEARCH, &COstrumDlg::OnSearch);
    OnCommand(IDC_OPEN, &COstrumDlg::OnOpen);
    OnCommand(IDC_MODE_DESCRIPTION, &COstrumDlg::OnModeDescription);
    OnCommand(IDC_MODE_SERIAL, &COstrumDlg::OnModeSerial);
    OnCommand(IDC_MODE_NUMBER, &COstrumDlg::OnModeNumber);
    OnCommand(IDC_DEVICE_TEXT, &COstrumDlg::OnDeviceTextChange);
    OnCommand(IDC_CLEAR_INPUT, &COstrumDlg::OnClearInput);
    OnCommand(IDC_SAVE_INPUT, &COstrumDlg::OnSaveInput);
    OnCommand(IDC_OPEN_INPUT, &COstrumDlg::OnOpenInput);
    OnCommand(IDC_COPY_INPUT, &COstrumDlg::OnCopyInput);
    OnCommand(IDC_AUTO_SCROLL, &COstrumDlg::OnAutoScroll);

    // The hidden list notifies selection changes the user makes; filling
    // and emptying it (signals blocked) and transfers out do not.
    if (auto *list = qobject_cast<QListWidget *>(GetDlgItem(IDC_HIDDEN_DEVICE_LIST))) {
        connect(list, &QListWidget::itemSelectionChanged, this, [this] {
            if (!m_bTransferringOut)
                OnDeviceListSelChange();
        });
    }
}

void COstrumDlg::OnSearch()
{
    StopReconnecting(); // the user takes over
    StopFirmwareUpload(); // the worker writes on the handle closed here
    FtClose();
    g_bDeviceReady = 0;

    UpdateData(true);
    m_strStatus = StatusText("Device is Closed.");
    m_nInfoValue = 0;
    m_strDevice.clear();
    ClearDeviceLists(*this);
    UpdateData(false);
    Repaint();

    DWORD count = 0;
    if (FtListDevices(&count, nullptr, FT_LIST_NUMBER_ONLY) != FT_OK) {
        m_prompts.Message(QStringLiteral("FT_ListDevices failed"));
        return;
    }

    switch (m_nOpenMode) {
    case 2:
        for (DWORD i = 0; i < count; ++i)
            AddDeviceEntry(*this, QString::number(i));
        break;
    case 0:
        if (count > 0)
            AddListedNames(*this, FT_OPEN_BY_DESCRIPTION, QString());
        break;
    case 1:
        if (count > 0) {
            AddListedNames(*this, FT_OPEN_BY_SERIAL_NUMBER, DeviceNamePrefix());
            // The alphabetically first entry.
            if (m_pDeviceList)
                m_pDeviceList->SetCurSel(0);
        }
        break;
    default:
        break;
    }
}

FT_STATUS COstrumDlg::OpenDevice()
{
    m_openFailure = OpenFailure();
    UpdateData(true);

    if (m_strDevice.contains(QStringLiteral("Enter device Description"))) {
        if (auto *edit = qobject_cast<QLineEdit *>(GetDlgItem(IDC_DEVICE_TEXT))) {
            edit->setFocus();
            edit->selectAll();
        }
        return FT_DEVICE_NOT_OPENED;
    }

    if (m_pDeviceList) {
        const int selected = m_pDeviceList->GetCurSel();
        if (selected >= 0)
            m_strDevice = m_pDeviceList->GetText(selected);
    }
    m_strOpenedDevice = m_strDevice;
    m_strDevice = DeviceNameToOpen(m_strDevice, m_nOpenMode);
    m_szDeviceName = NarrowDeviceName(m_strDevice);

    FT_STATUS status = FT_OK;
    switch (m_nOpenMode) {
    case 0:
    case 1:
        status = FtOpenEx(m_szDeviceName.constData(),
                          m_nOpenMode == 0 ? FT_OPEN_BY_DESCRIPTION : FT_OPEN_BY_SERIAL_NUMBER);
        if (status == FT_OK) {
            FtSetChars(0, 0, 0, 0);
            FtSetEventNotification(0, nullptr);
        }
        break;
    default:
        // By device number (or no mode chosen): the first attached device.
        status = FtOpen(0);
        break;
    }
    // Read at once: the reason belongs to this call on this thread.
    if (status != FT_OK)
        m_openFailure = m_driver.LastOpenFailure();
    return status;
}

void COstrumDlg::OnOpen()
{
    StopReconnecting(); // the user takes over
    StopFirmwareUpload(); // the worker writes on the handle closed here
    UpdateData(true);
    m_strStatus = StatusText("-reset-");
    UpdateData(false);
    Repaint();

    FtClose();
    const FT_STATUS status = OpenDevice();
    if (status != FT_OK) {
        m_strStatus = StatusText("Could not open Device");
        g_bDeviceReady = 0;
    } else {
        PrepareOpenedDevice();
        m_strStatus = StatusText("Deveice is  ready.");
        EnableControl(IDC_OPEN, true);
        g_bDeviceReady = 1;
        m_bUploadedSinceOpen = false;
        // The next start-up connects to this device by itself; the text is
        // kept as listed, so that it loses its prefix then as it did now.
        Profile::WriteDeviceText(m_nOpenMode, m_strOpenedDevice);
    }
    // Time-outs belong to an open handle; after a failed open there is none
    // (and without a driver that would be a second message for one cause).
    if (IsDeviceOpen())
        FtSetTimeouts(kTimeoutMs, kTimeoutMs);
    UpdateData(false);
    Repaint();
    // The status line keeps its fixed text; why the open failed, when the
    // driver says it (a busy port, no permission), comes in a message.
    if (status != FT_OK && !m_openFailure.IsEmpty()) {
        const QString reason = OpenFailureText(m_openFailure, Texts());
        m_prompts.Message(Texts().Pick(QStringLiteral("Could not open Device: %1").arg(reason),
                                       QStringLiteral("无法打开设备：%1").arg(reason)));
    }
}

void COstrumDlg::PrepareOpenedDevice()
{
    ResetOpenedDevice();
    // The device needs this long after a reset before it takes commands.
    QThread::msleep(kSettleMs);
}

void COstrumDlg::ResetOpenedDevice()
{
    FtResetDevice();
    FtPurge(FT_PURGE_RX);
    FtResetDevice();
}

void COstrumDlg::SendProbe()
{
    // The statuses of the write and the reads are not examined: the byte
    // read decides.
    FtResetDevice();
    FtSetTimeouts(kTimeoutMs, kTimeoutMs);
    FtPurge(FT_PURGE_RX);
    const quint8 probe = kProbeByte;
    DWORD sent = 0;
    FtWrite(&probe, 1, &sent);
}

bool COstrumDlg::ProbeInstrument(quint8 *reply, DWORD *got)
{
    SendProbe();
    *reply = 0;
    *got = 0;
    FtRead(reply, 1, got);
    if (*got == 0)
        FtRead(reply, 1, got);
    return *got > 0 && *reply == kProbeByte;
}

void COstrumDlg::ConnectAtStartup()
{
    LoadDriver();

    UpdateData(true);
    const FT_STATUS status = OpenDevice();
    if (status != FT_OK) {
        m_strStatus = StatusText("Device not responding");
        g_bDeviceReady = 0;
        EnableControl(IDC_OPEN, true);
        // The remembered instrument is looked for until it can be opened;
        // the status line says so, and why the open failed when the driver
        // gives a reason. Nothing is looked for without a remembered name.
        BeginReconnecting(LinkRecovery::Cause::NotFoundAtStart);
        if (m_recovery.IsSearching()) {
            m_recovery.NoteOpenFailure(m_openFailure);
            m_strStatus = m_recovery.StatusText(Texts());
        }
    } else {
        // The readiness probe: the instrument answers 0x80 with 0x80.
        quint8 reply = 0;
        DWORD got = 0;
        if (ProbeInstrument(&reply, &got)) {
            m_strStatus = StatusText("Device is ready.");
            EnableControl(IDC_OPEN, true);
            g_bDeviceReady = 1;
            m_bUploadedSinceOpen = false;
        } else {
            // The device stays open; without any reply byte there is no
            // code to show.
            m_strStatus = StatusText("No response from Device");
            if (got > 0)
                m_strStatus += QString::asprintf(" (0x%.2X)", static_cast<unsigned>(reply));
            g_bDeviceReady = 0;
            EnableControl(IDC_OPEN, true);
        }
    }
    // Time-outs belong to an open handle; after a failed open there is none
    // (and without a driver that would be a second message for one cause).
    if (IsDeviceOpen())
        FtSetTimeouts(kTimeoutMs, kTimeoutMs);
    UpdateData(false);
    ShowReconnectStatus();
    Repaint();
}

void COstrumDlg::OnModeDescription()
{
    ChangeOpenMode(*this, 0);
}

void COstrumDlg::OnModeSerial()
{
    ChangeOpenMode(*this, 1);
}

void COstrumDlg::OnModeNumber()
{
    ChangeOpenMode(*this, 2);
}

void COstrumDlg::OnDeviceTextChange()
{
    UpdateData(true);
    Profile::WriteDeviceText(m_nOpenMode, m_strDevice);
    if (m_strDevice.isEmpty())
        m_nOpenMode = 2;
    UpdateData(false);
    Repaint();
}

void COstrumDlg::OnDeviceListSelChange()
{
    UpdateData(true);
    if (m_listDevices) {
        const QList<QListWidgetItem *> selected = m_listDevices->selectedItems();
        if (!selected.isEmpty())
            m_strDevice = selected.first()->text();
    }
    UpdateData(false);
    Repaint();
}
