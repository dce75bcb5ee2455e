// The dialog's driver wrappers: every driver call of the program goes
// through them. A wrapper whose entry point is missing shows its message
// and answers 1; the open and close wrappers also switch "Send Program"
// (1093) so that it is enabled exactly while a device is open.
#include "gui/main_window/costrum_dlg.h"

#include "gui/widgets/prompts.h"

void COstrumDlg::LoadDriver()
{
    const D2xxBinding::LoadResult result = m_driver.Load(m_driverPath);
    if (!result.message.isEmpty())
        m_prompts.Message(result.message);
}

FT_STATUS COstrumDlg::FtOpen(int index)
{
    if (!m_driver.IsBound(D2xxBinding::EntryOpen)) {
        m_prompts.Message(QStringLiteral("FT_Open is not valid!"));
        return FT_INVALID_HANDLE;
    }
    const FT_STATUS status = m_driver.Open(index, &m_hDevice);
    if (status == FT_OK)
        EnableControl(IDC_SEND_PROGRAM, true);
    else
        m_hDevice = nullptr;
    return status;
}

FT_STATUS COstrumDlg::FtOpenEx(const char *name, DWORD flags)
{
    if (!m_driver.IsBound(D2xxBinding::EntryOpenEx)) {
        m_prompts.Message(QStringLiteral("FT_OpenEx is not valid!"));
        return FT_INVALID_HANDLE;
    }
    const FT_STATUS status = m_driver.OpenEx(const_cast<char *>(name), flags, &m_hDevice);
    if (status == FT_OK)
        EnableControl(IDC_SEND_PROGRAM, true);
    else
        m_hDevice = nullptr;
    return status;
}

FT_STATUS COstrumDlg::FtListDevices(void *arg1, void *arg2, DWORD flags)
{
    if (!m_driver.IsBound(D2xxBinding::EntryListDevices)) {
        m_prompts.Message(QStringLiteral("FT_ListDevices is not valid!"));
        return FT_INVALID_HANDLE;
    }
    return m_driver.ListDevices(arg1, arg2, flags);
}

FT_STATUS COstrumDlg::FtClose()
{
    EnableControl(IDC_SEND_PROGRAM, false);
    if (!m_driver.IsBound(D2xxBinding::EntryClose)) {
        m_prompts.Message(QStringLiteral("FT_Close is not valid!"));
        return FT_INVALID_HANDLE;
    }
    const FT_STATUS status = m_driver.Close(m_hDevice);
    // The handle is gone either way: a failed close leaves nothing usable.
    m_hDevice = nullptr;
    return status;
}

FT_STATUS COstrumDlg::FtRead(void *buffer, DWORD count, DWORD *received)
{
    if (!m_driver.IsBound(D2xxBinding::EntryRead)) {
        m_prompts.Message(QStringLiteral("FT_Read is not valid!"));
        return FT_INVALID_HANDLE;
    }
    return m_driver.Read(m_hDevice, buffer, count, received);
}

FT_STATUS COstrumDlg::FtWrite(const void *buffer, DWORD count, DWORD *sent)
{
    if (!m_driver.IsBound(D2xxBinding::EntryWrite)) {
        m_prompts.Message(QStringLiteral("FT_Write is not valid!"));
        return FT_INVALID_HANDLE;
    }
    return m_driver.Write(m_hDevice, buffer, count, sent);
}

FT_STATUS COstrumDlg::FtResetDevice()
{
    if (!m_driver.IsBound(D2xxBinding::EntryResetDevice)) {
        m_prompts.Message(QStringLiteral("FT_ResetDevice is not valid!"));
        return FT_INVALID_HANDLE;
    }
    return m_driver.ResetDevice(m_hDevice);
}

FT_STATUS COstrumDlg::FtPurge(ULONG mask)
{
    if (!m_driver.IsBound(D2xxBinding::EntryPurge)) {
        m_prompts.Message(QStringLiteral("FT_Purge is not valid!"));
        return FT_INVALID_HANDLE;
    }
    return m_driver.Purge(m_hDevice, mask);
}

FT_STATUS COstrumDlg::FtSetTimeouts(ULONG readMs, ULONG writeMs)
{
    if (!m_driver.IsBound(D2xxBinding::EntrySetTimeouts)) {
        m_prompts.Message(QStringLiteral("FT_SetTimeouts is not valid!"));
        return FT_INVALID_HANDLE;
    }
    return m_driver.SetTimeouts(m_hDevice, readMs, writeMs);
}

FT_STATUS COstrumDlg::FtGetStatus(DWORD *rx, DWORD *tx, DWORD *events)
{
    if (!m_driver.IsBound(D2xxBinding::EntryGetStatus)) {
        m_prompts.Message(QStringLiteral("FT_GetQueueStatus is not valid!"));
        return FT_INVALID_HANDLE;
    }
    return m_driver.GetStatus(m_hDevice, rx, tx, events);
}

FT_STATUS COstrumDlg::FtSetChars(UCHAR eventChar, UCHAR eventOn, UCHAR errorChar, UCHAR errorOn)
{
    if (!m_driver.IsBound(D2xxBinding::EntrySetChars)) {
        m_prompts.Message(QStringLiteral("FT_SetChars is not valid!"));
        return FT_INVALID_HANDLE;
    }
    return m_driver.SetChars(m_hDevice, eventChar, eventOn, errorChar, errorOn);
}

FT_STATUS COstrumDlg::FtSetEventNotification(DWORD mask, void *param)
{
    if (!m_driver.IsBound(D2xxBinding::EntrySetEventNotification)) {
        m_prompts.Message(QStringLiteral("FT_SetEventNotification is not valid!"));
        return FT_INVALID_HANDLE;
    }
    return m_driver.SetEventNotification(m_hDevice, mask, param);
}
