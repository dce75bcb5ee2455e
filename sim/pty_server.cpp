// The simulated Tavix 3000 served on a pseudo-terminal.
#include "pty_server.h"

#include "simulator.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace tavixsim {

namespace {

// How long the loop sleeps at most: the simulator has no thread of its own,
// so what it sends is collected at this period (and at once when the master
// needs attention).
constexpr int kTickMs = 1;
constexpr size_t kChunk = 65536;

void writeAll(int fd, const std::string &text)
{
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        done += static_cast<size_t>(n);
    }
}

} // namespace

PtyServer::~PtyServer()
{
    closeMaster();
}

bool PtyServer::open(std::string *error, const std::string &linkPath)
{
    m_linkPath = linkPath;
    if (!openPair(error))
        return false;
    if (!openSession()) {
        *error = "no simulated instrument is attached (TAVIXSIM_DEVICES)";
        return false;
    }
    if (!m_linkPath.empty() && !pointLink(error))
        return false;
    m_plugged = true;
    return true;
}

bool PtyServer::openPair(std::string *error)
{
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0) {
        *error = "cannot open a pseudo-terminal";
        return false;
    }
    const char *name = ::ptsname(m_master);
    if (!name) {
        *error = "pseudo-terminal without a name";
        return false;
    }
    m_slavePath = name;
    m_slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_slave < 0) {
        *error = "cannot open " + m_slavePath;
        return false;
    }
    // Raw from the start: nothing the instrument sends is echoed back to it
    // before a program has set the port up.
    termios settings{};
    if (::tcgetattr(m_slave, &settings) == 0) {
        ::cfmakeraw(&settings);
        ::tcsetattr(m_slave, TCSANOW, &settings);
    }
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    return true;
}

// The link is replaced in one step (a new link renamed over the old one),
// so a program never finds the path missing or half made while plugged.
bool PtyServer::pointLink(std::string *error)
{
    const std::string temporary = m_linkPath + ".new";
    ::unlink(temporary.c_str());
    if (::symlink(m_slavePath.c_str(), temporary.c_str()) != 0
        || ::rename(temporary.c_str(), m_linkPath.c_str()) != 0) {
        *error = "cannot make the link " + m_linkPath + ": " + std::strerror(errno);
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

// The cable pulled: the program that has the port open sees a hang-up, and
// the port's path is gone until the cable is plugged back.
void PtyServer::pullCable()
{
    closeMaster();
    m_toInstrument.clear();
    m_toMaster.clear();
    if (!m_linkPath.empty())
        ::unlink(m_linkPath.c_str());
    m_plugged = false;
}

// A new pair for the same instrument, at the same path. An instrument the
// simulator had unplugged is attached again.
bool PtyServer::plugIn()
{
    if (m_plugged || m_linkPath.empty())
        return false;
    Simulator::instance().control("PLUG");
    std::string error;
    if (!openPair(&error) || !openSession() || !pointLink(&error)) {
        closeMaster();
        return false;
    }
    m_plugged = true;
    return true;
}

bool PtyServer::openSession()
{
    Simulator &sim = Simulator::instance();
    m_handle = nullptr;
    if (sim.open(0, &m_handle) != FT_OK)
        return false;
    // A read asks only for what is waiting, so it never needs to wait.
    sim.setTimeouts(m_handle, 1, 1);
    return true;
}

// The instrument switched itself off (after a program transfer) or was
// unplugged through the simulator: a switched-off instrument starts again
// as a fresh one on the same port; one that is no longer attached ends the
// server like an unplug.
bool PtyServer::restartSession()
{
    Simulator::instance().close(m_handle);
    m_toInstrument.clear();
    m_toMaster.clear();
    return openSession();
}

void PtyServer::closeMaster()
{
    if (m_handle) {
        Simulator::instance().close(m_handle);
        m_handle = nullptr;
    }
    // Closing the master hangs up the slave: a program that has it open sees
    // the device gone.
    if (m_master >= 0)
        ::close(m_master);
    if (m_slave >= 0)
        ::close(m_slave);
    m_master = m_slave = -1;
}

void PtyServer::handleControlLine(const std::string &line, int replyFd)
{
    if (line.empty())
        return;
    int result = 0;
    if (line == "unplug") {
        // Without a link the server ends (unanswered, as before a link existed).
        if (m_linkPath.empty()) {
            m_unplugRequested = true;
            return;
        }
        result = m_plugged ? 0 : 2;
        if (m_plugged)
            pullCable();
    } else if (line == "replug") {
        result = plugIn() ? 0 : 2;
    } else {
        result = Simulator::instance().control(line.c_str());
    }
    writeAll(replyFd, "control=" + std::to_string(result) + "\n");
}

void PtyServer::pullFromMaster()
{
    if (!m_toInstrument.empty())
        return; // the instrument has not taken the last run yet
    char buffer[4096];
    const ssize_t n = ::read(m_master, buffer, sizeof buffer);
    if (n > 0)
        m_toInstrument.assign(buffer, static_cast<size_t>(n));
}

// Hands what arrived to the instrument; what it does not take (a partial
// write) stays for the next round, so the port's buffer fills as on a slow
// line. False when the session is dead.
bool PtyServer::pushToInstrument()
{
    if (m_toInstrument.empty())
        return true;
    DWORD sent = 0;
    const FT_STATUS status = Simulator::instance().write(m_handle, m_toInstrument.data(),
                                                         static_cast<DWORD>(m_toInstrument.size()), &sent);
    if (status == FT_OK) {
        m_toInstrument.erase(0, sent);
        return true;
    }
    // A refused write (an injected fault) loses the bytes, as on a line
    // whose far end does not listen; a dead session is told by the status query.
    m_toInstrument.clear();
    DWORD rx = 0, tx = 0, events = 0;
    return Simulator::instance().getStatus(m_handle, &rx, &tx, &events) == FT_OK;
}

bool PtyServer::pullFromInstrument()
{
    if (!m_toMaster.empty())
        return true;
    Simulator &sim = Simulator::instance();
    DWORD rx = 0, tx = 0, events = 0;
    if (sim.getStatus(m_handle, &rx, &tx, &events) != FT_OK)
        return false;
    if (rx == 0)
        return true;
    std::string buffer(std::min<size_t>(rx, kChunk), '\0');
    DWORD got = 0;
    const FT_STATUS status = sim.read(m_handle, buffer.data(), static_cast<DWORD>(buffer.size()), &got);
    buffer.resize(got);
    m_toMaster = std::move(buffer);
    return status == FT_OK || status == FT_IO_ERROR;
}

void PtyServer::pushToMaster()
{
    while (!m_toMaster.empty()) {
        const ssize_t n = ::write(m_master, m_toMaster.data(), m_toMaster.size());
        if (n <= 0)
            return; // full (EAGAIN): the program has not read yet
        m_toMaster.erase(0, static_cast<size_t>(n));
    }
}

void PtyServer::run(int controlFd, int replyFd, const volatile std::sig_atomic_t &stop,
                    volatile std::sig_atomic_t &unplug, volatile std::sig_atomic_t &replug)
{
    while (!stop && !m_unplugRequested) {
        if (unplug) {
            unplug = 0;
            if (m_linkPath.empty())
                break;
            if (m_plugged)
                pullCable();
        }
        if (replug) {
            replug = 0;
            plugIn();
        }
        pollfd fds[2] = {{m_plugged ? m_master : -1, POLLIN, 0}, {m_controlOpen ? controlFd : -1, POLLIN, 0}};
        if (!m_toMaster.empty())
            fds[0].events |= POLLOUT;
        if (!m_toInstrument.empty())
            fds[0].events &= ~POLLIN;
        ::poll(fds, 2, kTickMs); // EINTR: a signal; the flags are checked above

        if (fds[1].revents & (POLLIN | POLLHUP)) {
            char buffer[512];
            const ssize_t n = ::read(controlFd, buffer, sizeof buffer);
            if (n <= 0) {
                m_controlOpen = false; // end of input: signals still work
            } else {
                for (ssize_t i = 0; i < n; ++i) {
                    if (buffer[i] == '\n') {
                        handleControlLine(m_controlLine, replyFd);
                        m_controlLine.clear();
                    } else if (buffer[i] != '\r') {
                        m_controlLine += buffer[i];
                    }
                }
            }
        }
        if (!m_plugged)
            continue;
        if (fds[0].revents & POLLIN)
            pullFromMaster();
        bool alive = pushToInstrument();
        alive = alive && pullFromInstrument();
        if (!alive && !restartSession()) {
            // No longer attached: the cable is pulled.
            if (m_linkPath.empty())
                break;
            pullCable();
            continue;
        }
        pushToMaster();
    }
    closeMaster();
    if (!m_linkPath.empty())
        ::unlink(m_linkPath.c_str());
}

} // namespace tavixsim
