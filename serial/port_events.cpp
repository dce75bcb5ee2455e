// Event notification for one open port.
#include "port_events.h"
#include "line_settings.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace tavixserial {

namespace {

constexpr DWORD kModemCommEvents = EV_CTS | EV_DSR | EV_RLSD | EV_RING;
constexpr DWORD kLineCommEvents = EV_ERR | EV_BREAK;

// The Win32 events for modem lines that changed.
DWORD lineChangeEvents(int changed)
{
    DWORD events = 0;
    if (changed & TIOCM_CTS)
        events |= EV_CTS;
    if (changed & TIOCM_DSR)
        events |= EV_DSR;
    if (changed & TIOCM_CD)
        events |= EV_RLSD;
    if (changed & TIOCM_RI)
        events |= EV_RING;
    return events;
}

} // namespace

PortEvents::~PortEvents()
{
    stop();
    for (int fd : m_wake)
        if (fd >= 0)
            ::close(fd);
}

FT_STATUS PortEvents::setNotification(DWORD mask, EVENT_HANDLE *handle)
{
    if (mask && !handle)
        return FT_INVALID_PARAMETER;
    std::unique_lock lock(m_mutex);
    if (m_stopping)
        return FT_INVALID_HANDLE;
    m_notifyMask = mask & (FT_EVENT_RXCHAR | FT_EVENT_MODEM_STATUS | FT_EVENT_LINE_STATUS);
    m_handle = m_notifyMask ? handle : nullptr;
    m_ftPending &= m_notifyMask;
    // The previous handle is not touched after this call returns.
    m_changed.wait(lock, [this] { return m_signalling == 0; });
    if (m_notifyMask)
        startLocked();
    return FT_OK;
}

DWORD PortEvents::takeEventStatus()
{
    std::lock_guard lock(m_mutex);
    const DWORD events = m_ftPending;
    m_ftPending = 0;
    return events;
}

void PortEvents::setCommMask(DWORD mask)
{
    std::lock_guard lock(m_mutex);
    m_commMask = mask;
    m_commPending = 0;
    ++m_maskGeneration;
    m_changed.notify_all();
    if (m_commMask && !m_stopping)
        startLocked();
}

DWORD PortEvents::commMask()
{
    std::lock_guard lock(m_mutex);
    return m_commMask;
}

FT_STATUS PortEvents::waitCommEvent(DWORD *events)
{
    std::unique_lock lock(m_mutex);
    if (m_stopping)
        return FT_INVALID_HANDLE;
    if (!m_commMask)
        return FT_INVALID_PARAMETER;
    const unsigned generation = m_maskGeneration;
    m_changed.wait(lock, [&] {
        return m_stopping || generation != m_maskGeneration || (m_commPending & m_commMask);
    });
    if (m_stopping)
        return FT_INVALID_HANDLE;
    *events = generation == m_maskGeneration ? m_commPending & m_commMask : 0;
    m_commPending &= ~*events;
    return FT_OK;
}

void PortEvents::stop()
{
    {
        std::lock_guard lock(m_mutex);
        if (m_stopping && !m_thread.joinable())
            return;
        m_stopping = true;
        m_changed.notify_all();
        if (m_wake[1] >= 0) {
            const char byte = 1;
            [[maybe_unused]] const ssize_t n = ::write(m_wake[1], &byte, 1);
        }
    }
    if (m_thread.joinable())
        m_thread.join();
}

// Caller holds m_mutex.
void PortEvents::startLocked()
{
    if (m_thread.joinable() || m_stopping)
        return;
    if (m_wake[0] < 0 && ::pipe2(m_wake, O_CLOEXEC | O_NONBLOCK) != 0) {
        m_wake[0] = m_wake[1] = -1;
        return;
    }
    m_thread = std::thread([this] { run(); });
}

void PortEvents::report(DWORD ftEvents, DWORD commEvents)
{
    EVENT_HANDLE *handle = nullptr;
    {
        std::lock_guard lock(m_mutex);
        ftEvents &= m_notifyMask;
        commEvents &= m_commMask;
        m_ftPending |= ftEvents;
        if (commEvents) {
            m_commPending |= commEvents;
            m_changed.notify_all();
        }
        if (ftEvents && m_handle) {
            handle = m_handle;
            ++m_signalling;
        }
    }
    if (!handle)
        return;
    ::pthread_mutex_lock(&handle->eMutex);
    ::pthread_cond_broadcast(&handle->eCondVar);
    ::pthread_mutex_unlock(&handle->eMutex);
    std::lock_guard lock(m_mutex);
    --m_signalling;
    m_changed.notify_all();
}

void PortEvents::run()
{
    // Bytes waiting at the start count as arrived.
    uint64_t lastArrived = m_bytesRead->load();
    int lastLines = 0;
    bool haveLines = false;
    LineCounts lastCounts;
    bool haveCounts = readLineCounts(m_fd, &lastCounts);
    bool transmitting = false;
    bool watchFd = true; // false once the line hung up: poll would report it at once for ever
    for (;;) {
        DWORD notify, comm;
        {
            std::lock_guard lock(m_mutex);
            if (m_stopping)
                return;
            notify = m_notifyMask;
            comm = m_commMask;
        }
        DWORD ft = 0, w32 = 0;
        int waiting = 0;
        if (::ioctl(m_fd, FIONREAD, &waiting) == 0) {
            const uint64_t arrived = m_bytesRead->load() + static_cast<uint64_t>(waiting);
            if (arrived > lastArrived) {
                ft |= FT_EVENT_RXCHAR;
                w32 |= EV_RXCHAR;
            }
            lastArrived = arrived;
        }
        const bool wantModem = (notify & FT_EVENT_MODEM_STATUS) || (comm & kModemCommEvents);
        int lines = 0;
        if (wantModem && ::ioctl(m_fd, TIOCMGET, &lines) == 0) {
            const int changed = haveLines ? (lines ^ lastLines) & (TIOCM_CTS | TIOCM_DSR | TIOCM_CD | TIOCM_RI) : 0;
            if (changed) {
                ft |= FT_EVENT_MODEM_STATUS;
                w32 |= lineChangeEvents(changed);
            }
            lastLines = lines;
            haveLines = true;
        }
        LineCounts counts;
        if (haveCounts && readLineCounts(m_fd, &counts)) {
            if (lineStatusBits(lastCounts, counts))
                ft |= FT_EVENT_LINE_STATUS;
            if (counts.frame != lastCounts.frame || counts.parity != lastCounts.parity
                || counts.overrun != lastCounts.overrun || counts.bufferOverrun != lastCounts.bufferOverrun)
                w32 |= EV_ERR;
            if (counts.brk != lastCounts.brk)
                w32 |= EV_BREAK;
            lastCounts = counts;
        }
        int queued = 0;
        if ((comm & EV_TXEMPTY) && ::ioctl(m_fd, TIOCOUTQ, &queued) == 0) {
            if (transmitting && queued == 0)
                w32 |= EV_TXEMPTY;
            transmitting = queued > 0;
        }
        if (ft || w32)
            report(ft, w32);

        // Sleep until bytes arrive on an empty queue, the wake-up pipe
        // speaks, or the next look is due.
        pollfd fds[2] = {{m_wake[0], POLLIN, 0}, {m_fd, POLLIN, 0}};
        const bool watchData = watchFd && waiting == 0;
        const bool frequent = waiting > 0 || wantModem || haveCounts || (comm & (kLineCommEvents | EV_TXEMPTY));
        if (::poll(fds, watchData ? 2 : 1, frequent ? 10 : 100) > 0) {
            if (watchData && (fds[1].revents & (POLLHUP | POLLERR | POLLNVAL)))
                watchFd = false;
            char drain[16];
            while (::read(m_wake[0], drain, sizeof drain) > 0) {
            }
        }
    }
}

} // namespace tavixserial
