// A program run as a child process with its standard output sent to
// /dev/null: its wall time, its processor time (user and system, its
// threads together) and its peak resident memory, as wait4 reports them.
#ifndef TAVIX_BENCH_CHILD_RUN_H
#define TAVIX_BENCH_CHILD_RUN_H

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QStringList>

#include <cstdio>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

struct Run
{
    double seconds = 0;
    double cpuSeconds = 0;
    long peakKiB = 0;
    int status = -1; // the exit status; -1 when it did not run or end normally
};

inline Run RunChild(const QStringList &arguments)
{
    QList<QByteArray> bytes;
    for (const QString &a : arguments)
        bytes.append(a.toLocal8Bit());
    std::vector<char *> argv;
    for (QByteArray &b : bytes)
        argv.push_back(b.data());
    argv.push_back(nullptr);

    Run run;
    QElapsedTimer timer;
    timer.start();
    std::fflush(stdout);
    const pid_t pid = fork();
    if (pid == 0) {
        // What the child prints is not measured; a child whose standard
        // output cannot be sent away fails rather than print it.
        if (!std::freopen("/dev/null", "w", stdout))
            _exit(126);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (pid < 0 || wait4(pid, &status, 0, &usage) != pid)
        return run;
    run.seconds = double(timer.nsecsElapsed()) / 1e9;
    run.cpuSeconds = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
                     + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    run.peakKiB = usage.ru_maxrss;
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

#endif
