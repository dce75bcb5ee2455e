// Runs the command line's batch sort in the test process, standard output
// and standard error caught in memory.
#ifndef TAVIX_TESTS_BATCH_SORT_RUNNER_H
#define TAVIX_TESTS_BATCH_SORT_RUNNER_H

#include "cli/batch_sort.h"

#include <QBuffer>
#include <QByteArray>
#include <QStringList>

struct RunResult
{
    int status = -1;
    QByteArray out;
    QByteArray err;
};

// arguments follow the program name.
inline RunResult RunInProcess(const QStringList &arguments)
{
    QBuffer out;
    QBuffer err;
    out.open(QIODevice::WriteOnly);
    err.open(QIODevice::WriteOnly);
    RunResult result;
    result.status = BatchSort::Run(QStringList{QStringLiteral("tavixterminal")} + arguments, out, err);
    result.out = out.data();
    result.err = err.data();
    return result;
}

#endif
