// Runs a piece of a test in a child process (a fork of the test), so that a
// file size limit, a memory limit or a changed user stays there, and a call
// that would wait for ever (a named pipe opened for writing) cannot hold
// the test: the child is waited for a bounded time, then killed.
#ifndef TAVIX_TESTS_CHILD_PROCESS_H
#define TAVIX_TESTS_CHILD_PROCESS_H

#include <QByteArray>
#include <QDeadlineTimer>
#include <QString>

#include <functional>

#include <csignal>
#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

// The text body returns in the child, or a note in angle brackets that the
// child died or was killed after timeoutMs.
inline QString InChild(const std::function<QString()> &body, int timeoutMs = 60000)
{
    int channel[2];
    if (pipe(channel) != 0)
        return QStringLiteral("<no pipe>");
    const pid_t pid = fork();
    if (pid < 0)
        return QStringLiteral("<no child>");
    if (pid == 0) {
        close(channel[0]);
        const QByteArray text = body().toUtf8();
        qsizetype done = 0;
        while (done < text.size()) {
            const ssize_t n = write(channel[1], text.constData() + done, size_t(text.size() - done));
            if (n <= 0)
                break;
            done += n;
        }
        _exit(0);
    }
    close(channel[1]);
    QByteArray text;
    const QDeadlineTimer deadline(timeoutMs);
    bool timedOut = false;
    for (;;) {
        pollfd ready{channel[0], POLLIN, 0};
        const int waited = poll(&ready, 1, int(qMax<qint64>(0, deadline.remainingTime())));
        if (waited <= 0) {
            timedOut = true;
            kill(pid, SIGKILL);
            break;
        }
        char buffer[4096];
        const ssize_t n = read(channel[0], buffer, sizeof buffer);
        if (n <= 0)
            break;
        text.append(buffer, n);
    }
    close(channel[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (timedOut)
        return QStringLiteral("<child killed after %1 ms>").arg(timeoutMs);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return QStringLiteral("<child ended with status %1>").arg(status);
    return QString::fromUtf8(text);
}

// Limits the size of files this process writes; writes beyond it stop short
// and then fail with EFBIG instead of raising SIGXFSZ.
inline void LimitFileSize(rlim_t bytes)
{
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
}

#endif
