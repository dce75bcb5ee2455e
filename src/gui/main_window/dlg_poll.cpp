// The poll: every 10 ms tick reads what the instrument has sent, widens it
// through the instrument's character table and appends it to the input text
// (and, while display values are logged, to the backup file).
#include "gui/main_window/costrum_dlg.h"

#include "core/device/instrument_charset.h"
#include "core/io/text_file.h"
#include "gui/widgets/prompts.h"
#include "gui/widgets/text_view.h"

#include <QDir>

#include <new>

namespace {
constexpr DWORD kReceiveBufferSize = 600;
}

void COstrumDlg::PollDevice()
{
    // A backup file that waits for the last reply after Stop Logging is
    // closed when none came in time.
    if (m_bCloseLogPending && m_linkClock.elapsed() >= m_nCloseLogDueMs)
        CloseBackupFile();
    if (!g_bDeviceReady) {
        if (m_recovery.IsSearching())
            ReconnectTick();
        return;
    }

    // The display request of a running log is sent by its own timer
    // (SendLogRequest); this tick reads its reply as soon as it is there,
    // so that an unplug never finds a reply waiting unread in the driver.
    DWORD rx = 0, tx = 0, events = 0;
    if (FtGetStatus(&rx, &tx, &events) != FT_OK) {
        OnDeviceLost();
        return;
    }
    if (rx == 0)
        return;
    // A full input window takes no more: while logging the backup file
    // still takes every chunk; otherwise the bytes wait in the driver.
    const bool toBackup = (m_bLogging || m_bCloseLogPending) && m_logFile.isOpen();
    const qsizetype room = InputRoom();
    if (room == 0 && !toBackup) {
        NoteInputLength(true, false);
        return;
    }

    // Room for one more chunk is made before anything is read: when memory
    // runs out, the bytes stay waiting in the driver instead of being read
    // and lost, and everything captured so far stays in the input window.
    // The message is shown once, until a chunk can be taken again.
    try {
        if (m_strInput.capacity() - m_strInput.size() < qsizetype(kReceiveBufferSize))
            m_strInput.reserve(m_strInput.size() + qMax(qsizetype(kReceiveBufferSize), m_strInput.size() / 2));
        static_cast<TextView *>(GetDlgItem(IDC_INPUT))->ReserveForAppend(kReceiveBufferSize);
    } catch (const std::bad_alloc &) {
        if (!m_bInputMemoryReported) {
            m_bInputMemoryReported = true;
            m_prompts.Message(Pick(QStringLiteral("There is not enough memory to take more received data into "
                                                  "the input window. Everything received so far is kept; please "
                                                  "save the input data and clear it, then reception goes on."),
                                   QStringLiteral("内存不足，输入窗口无法再接收更多数据。已接收的数据全部保留；"
                                                  "请保存并清空输入数据，之后接收将继续。")));
        }
        return;
    }
    m_bInputMemoryReported = false;

    char buffer[kReceiveBufferSize];
    DWORD got = 0;
    const DWORD want = toBackup ? kReceiveBufferSize : DWORD(qMin<qsizetype>(kReceiveBufferSize, room));
    const FT_STATUS status = FtRead(buffer, qMin(rx, want), &got);
    got = qMin(got, kReceiveBufferSize);
    QString backupError;
    bool logged = false;
    if (got > 0 && (status == FT_OK || status == FT_IO_ERROR)) {
        const QString chunk = InstrumentBytesToText(QByteArrayView(buffer, got));
        if ((m_bLogging || m_bCloseLogPending) && m_logFile.isOpen()) {
            // UTF-16 little-endian, no byte-order mark; the file is unbuffered,
            // so a crash loses nothing the input window has shown. A write
            // that fails ends logging: a file with holes would pass for a
            // complete record.
            QString reason;
            if (!WriteAllBytes(m_logFile, Utf16LeBytes(chunk), &reason)) {
                backupError = Pick(QStringLiteral("The backup file \"%1\" cannot be written: %2. Logging has "
                                                  "stopped; the input window keeps everything received."),
                                   QStringLiteral("无法写入备份文件“%1”：%2。记录已停止；"
                                                  "输入窗口保留全部已接收的数据。"))
                                  .arg(QDir::toNativeSeparators(m_logFile.fileName()), reason);
                StopLoggingAfterFailure();
            } else {
                logged = true;
                if (m_bCloseLogPending)
                    CloseBackupFile();
            }
        }
        const qsizetype taken = qMin(chunk.size(), room);
        m_strInput.append(QStringView(chunk).first(taken));
        TextAppended(IDC_INPUT, taken);
        // What the backup file holds is not lost at the end.
        m_bInputUnsaved = m_bInputUnsaved || !logged;
        NoteInputLength(taken < chunk.size(), logged);
    }

    UpdateData(false);
    if (m_nAutoScroll == 0)
        static_cast<TextView *>(GetDlgItem(IDC_INPUT))->ScrollToEnd();
    Repaint();
    // Shown last, once the chunk is in the window: the poll goes on while
    // the message waits, and logging is already stopped, so it comes once.
    if (!backupError.isEmpty())
        m_prompts.Message(backupError);
}

void COstrumDlg::SendKeyByte(quint8 byte)
{
    // Nothing is sent while no device is open (there is no handle to write
    // to), nor while a program is sent: a key byte inside the program data
    // would corrupt the instrument's firmware. Nor while a device found
    // again is probed: its answer would be taken for the probe's.
    if (!IsDeviceOpen() || m_bSending || m_recovery.IsProbing())
        return;
    DWORD sent = 0;
    FtWrite(&byte, 1, &sent);
}
