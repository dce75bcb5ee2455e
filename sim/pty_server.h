// The simulated Tavix 3000 served on a pseudo-terminal: the master side is
// the instrument's end of the cable, the slave (/dev/pts/N) is the port a
// serial program opens. Bytes that arrive on the master go to the
// instrument as one write each (a single byte is a key, a longer run is
// program data, as in the D2XX library); what the instrument sends is
// written to the master as it arrives at the link's rate.
//
// With a link path the server keeps a symbolic link there to the slave it
// serves, and the cable can be pulled and plugged back: pulling closes the
// master (a program that has the port open sees a hang-up) and removes the
// link; plugging back opens a new pair and points the link at its slave,
// so a program finds the instrument again at the same path.
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

    // Opens the pair and the instrument's session, and with a link path
    // (empty: none) the link to the slave; false with the reason.
    bool open(std::string *error, const std::string &linkPath = std::string());
    const std::string &slavePath() const { return m_slavePath; }
    // The link when there is one, else the slave: the path to give programs.
    const std::string &portPath() const { return m_linkPath.empty() ? m_slavePath : m_linkPath; }

    // Serves until `stop` becomes non-zero. The line "unplug" on controlFd
    // (or `unplug` becoming non-zero) pulls the cable: without a link the
    // server then ends, with one it waits for "replug" (or `replug`), which
    // plugs it back; both are answered "control=0", or "control=2" when
    // there is nothing to do. An instrument no longer attached (the
    // simulator's UNPLUG) counts as a pulled cable. Other lines on controlFd
    // are settings and commands of the simulator; the result of each is
    // written to replyFd as "control=N". Returns when the master has been
    // closed (and the link removed).
    void run(int controlFd, int replyFd, const volatile std::sig_atomic_t &stop,
             volatile std::sig_atomic_t &unplug, volatile std::sig_atomic_t &replug);

private:
    bool openPair(std::string *error);
    bool openSession();
    bool pointLink(std::string *error);
    void pullCable();
    bool plugIn();
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
    std::string m_linkPath;
    FT_HANDLE m_handle = nullptr;
    std::string m_toInstrument; // received on the master, not yet taken
    std::string m_toMaster;     // sent by the instrument, not yet written
    std::string m_controlLine;
    bool m_unplugRequested = false;
    bool m_plugged = false;
    bool m_controlOpen = true;
};

} // namespace tavixsim

#endif
