// The poll: every timer tick reads what the instrument has sent, widens it
// through the instrument's character table and appends it to the input text
// (and, while display values are logged, to the backup file).
#include "app/costrum_dlg.h"

#include "app/text_window.h"
#include "link/instrument_charset.h"

namespace {
constexpr DWORD kReceiveBufferSize = 600;
}

void COstrumDlg::PollDevice()
{
    if (!g_bDeviceReady)
        return;

    // While a program file is sent, the display request is held back: the
    // instrument would take the space for a byte of the program.
    if (m_bLogging && !m_bSending) {
        DWORD sent = 0;
        if (FtWrite(&m_chLogRequest, 1, &sent) != FT_OK)
            return;
    }

    DWORD rx = 0, tx = 0, events = 0;
    if (FtGetStatus(&rx, &tx, &events) != FT_OK) {
        m_strStatus = QStringLiteral("Device is not open.");
        StopFirmwareUpload();
        FtClose();
        g_bDeviceReady = 0;
        UpdateData(false);
        Repaint();
        return;
    }
    if (rx == 0)
        return;

    char buffer[kReceiveBufferSize];
    DWORD got = 0;
    const FT_STATUS status = FtRead(buffer, qMin(rx, kReceiveBufferSize), &got);
    got = qMin(got, kReceiveBufferSize);
    if (got > 0 && (status == FT_OK || status == FT_IO_ERROR)) {
        const QString chunk = InstrumentBytesToText(QByteArrayView(buffer, got));
        if ((m_bLogging || m_bCloseLogPending) && m_logFile.isOpen()) {
            // UTF-16 little-endian, no byte-order mark; flushed at once so a
            // crash loses nothing the input window has shown.
            QByteArray bytes(chunk.size() * 2, Qt::Uninitialized);
            for (qsizetype i = 0; i < chunk.size(); ++i) {
                const char16_t unit = chunk.at(i).unicode();
                bytes[2 * i] = static_cast<char>(unit & 0xFF);
                bytes[2 * i + 1] = static_cast<char>(unit >> 8);
            }
            m_logFile.write(bytes);
            m_logFile.flush();
            if (m_bCloseLogPending) {
                m_bCloseLogPending = false;
                m_logFile.close();
            }
        }
        m_strInput.append(chunk);
    }

    UpdateData(false);
    if (m_nAutoScroll == 0)
        static_cast<TextWindow *>(GetDlgItem(1031))->ScrollToEnd();
    Repaint();
}

void COstrumDlg::SendKeyByte(quint8 byte)
{
    // Nothing is sent while no device is open (there is no handle to write
    // to), nor while a program is sent: a key byte inside the program data
    // would corrupt the instrument's firmware.
    if (!IsDeviceOpen() || m_bSending)
        return;
    DWORD sent = 0;
    FtWrite(&byte, 1, &sent);
}
