// Event notification for one open port: a watcher thread, started by the
// first non-zero event mask, looks at the port about every 10 ms (at once
// when bytes arrive on an empty queue) and notes received bytes, modem
// line changes, line errors and breaks, and an emptied transmit queue.
//
// - D2XX (FT_SetEventNotification): the events of the mask are added to
//   the event word FT_GetStatus and FT_GetEventStatus hand out (and clear),
//   and the caller's EVENT_HANDLE is broadcast with its mutex held. Bytes
//   already waiting when notification starts count as received.
// - Win32 (FT_W32_SetCommMask, FT_W32_WaitCommEvent): the events of the
//   comm mask accumulate until a wait takes them; a new mask drops them and
//   ends a wait with no event.
//
// The watcher reads the port only through ioctls that leave the data in
// place. stop() (at close) ends waits, joins the thread, and returns only
// when no caller's event handle is being signalled any more; so no call of
// the adapter may be made holding that handle's mutex.
#ifndef TAVIXSERIAL_PORT_EVENTS_H
#define TAVIXSERIAL_PORT_EVENTS_H

#include "core/device/d2xx_types.h"
#include "d2xx_linux.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

namespace tavixserial {

class PortEvents {
public:
    // `bytesRead` counts the bytes the port's reads took, so that arrivals
    // are told from bytes that merely still wait.
    PortEvents(int fd, const std::atomic<uint64_t> *bytesRead) : m_fd(fd), m_bytesRead(bytesRead) {}
    PortEvents(const PortEvents &) = delete;
    PortEvents &operator=(const PortEvents &) = delete;
    ~PortEvents();

    // FT_INVALID_PARAMETER for a mask without a handle to signal.
    FT_STATUS setNotification(DWORD mask, EVENT_HANDLE *handle);
    DWORD takeEventStatus();

    void setCommMask(DWORD mask);
    DWORD commMask();
    // FT_OK with the events that occurred (0 when the mask changed
    // meanwhile); FT_INVALID_PARAMETER without a mask; FT_INVALID_HANDLE
    // when the port closed.
    FT_STATUS waitCommEvent(DWORD *events);

    void stop();

private:
    void startLocked();
    void run();
    void report(DWORD ftEvents, DWORD commEvents);

    const int m_fd;
    const std::atomic<uint64_t> *const m_bytesRead;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::thread m_thread;
    int m_wake[2] = {-1, -1};
    bool m_stopping = false;
    DWORD m_notifyMask = 0;
    EVENT_HANDLE *m_handle = nullptr;
    int m_signalling = 0; // broadcasts to m_handle under way outside m_mutex
    DWORD m_ftPending = 0;
    DWORD m_commMask = 0;
    DWORD m_commPending = 0;
    unsigned m_maskGeneration = 0;
};

} // namespace tavixserial

#endif
