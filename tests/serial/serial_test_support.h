// What the serial adapter's tests share: a pseudo-terminal whose master
// the test plays, small file helpers, and work run in a child process with
// a time limit (for what must not hang, such as reading a FIFO).
#ifndef TAVIX_TESTS_SERIAL_TEST_SUPPORT_H
#define TAVIX_TESTS_SERIAL_TEST_SUPPORT_H

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

// A pseudo-terminal whose slave the adapter opens as a port.
struct Pty {
    int master = -1;
    QByteArray slave;
    Pty()
    {
        master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (master >= 0 && ::grantpt(master) == 0 && ::unlockpt(master) == 0)
            slave = ::ptsname(master);
    }
    ~Pty() { closeMaster(); }
    void closeMaster()
    {
        if (master >= 0)
            ::close(master);
        master = -1;
    }
    QByteArray readMaster(int atLeast) const
    {
        QByteArray bytes;
        QElapsedTimer timer;
        timer.start();
        char buffer[4096];
        while (bytes.size() < atLeast && timer.elapsed() < 10000) {
            pollfd fd{master, POLLIN, 0};
            if (::poll(&fd, 1, 100) > 0) {
                const ssize_t n = ::read(master, buffer, sizeof buffer);
                if (n > 0)
                    bytes.append(buffer, n);
            }
        }
        return bytes;
    }
};

inline QByteArray AllBytes()
{
    QByteArray bytes(256, Qt::Uninitialized);
    for (int i = 0; i < 256; ++i)
        bytes[i] = static_cast<char>(i);
    return bytes;
}

inline bool WriteText(const QString &path, const QByteArray &text)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
}

inline QByteArray ReadText(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Runs the work in a child process and returns what it produced; a child
// that has not finished after `limitMs` is killed and *finished is false.
inline QByteArray RunInChild(const std::function<QByteArray()> &work, int limitMs, bool *finished)
{
    *finished = false;
    int out[2];
    if (::pipe(out) != 0)
        return {};
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(out[0]);
        const QByteArray result = work();
        const ssize_t written = ::write(out[1], result.constData(), size_t(result.size()));
        ::_exit(written == result.size() ? 0 : 1);
    }
    ::close(out[1]);
    QByteArray result;
    QElapsedTimer timer;
    timer.start();
    char buffer[4096];
    for (;;) {
        const int left = limitMs - int(timer.elapsed());
        pollfd fd{out[0], POLLIN, 0};
        if (left <= 0 || ::poll(&fd, 1, left) <= 0)
            break;
        const ssize_t n = ::read(out[0], buffer, sizeof buffer);
        if (n <= 0) {
            *finished = true;
            break;
        }
        result.append(buffer, n);
    }
    ::close(out[0]);
    if (!*finished)
        ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    *finished = *finished && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return result;
}

#endif
