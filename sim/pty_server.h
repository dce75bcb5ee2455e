// The simulated Tavix 3000 served on a pseudo-terminal: the master side is
// the instrument's end of the cable, the slave (/dev/pts/N) is the port a
// serial program opens. Bytes that arrive on the master go to the
// instrument as one write each (a single byte is a key, a longer run is
// program data, as in the D2XX library); what the instrument sends is
// written to the master as it arrives at the link's rate.
#ifndef TAVIXSIM_PTY_SERVER_H
#define TAVIXSIM_PTY_SERVER_H

#include "core/device/d2xx_types.h"

#include <csignal>
#include <string>

namespace tavixsim {

class PtyServer {
public:
    PtyServer() = default;
    PtyServer(const PtyServer &) = delete;
    PtyServer &operator=(const PtyServer &) = delete;
    ~PtyServer();

    // Opens the pair and the instrument's session; false with the reason.
    bool open(std::string *error);
    const std::string &slavePath() const { return m_slavePath; }

    // Serves until `stop` or `unplug` becomes non-zero, the line "unplug"
    // arrives on controlFd, or the instrument is no longer attached. Other
    // lines on controlFd are settings and commands of the simulator; the
    // result of each is written to replyFd as "control=N". Returns when the
    // master has been closed.
    void run(int controlFd, int replyFd, const volatile std::sig_atomic_t &stop,
             const volatile std::sig_atomic_t &unplug);

private:
    bool openSession();
    bool restartSession();
    void handleControlLine(const std::string &line, int replyFd);
    void pullFromMaster();
    bool pushToInstrument();
    bool pullFromInstrument();
    void pushToMaster();
    void closeMaster();

    int m_master = -1;
    int m_slave = -1; // held open so that the master never sees the port closed
    std::string m_slavePath;
    FT_HANDLE m_handle = nullptr;
    std::string m_toInstrument; // received on the master, not yet taken
    std::string m_toMaster;     // sent by the instrument, not yet written
    std::string m_controlLine;
    bool m_unplugRequested = false;
    bool m_controlOpen = true;
};

} // namespace tavixsim

#endif
