// Work over a range split between two threads when the range is large.
#ifndef TAVIX_CORE_UTIL_TWO_HALVES_H
#define TAVIX_CORE_UTIL_TWO_HALVES_H

#include <QtGlobal>

#include <system_error>
#include <thread>

// Runs work(from, to) over [0, count): from large items on, in two halves,
// the second on a thread of its own; alone when no thread can be started.
// work must not throw: the halves write to parts of the result they were
// given, which must be in place beforehand.
template <typename Work>
void InTwoHalves(qsizetype count, qsizetype large, Work work)
{
    const qsizetype half = count / 2;
    if (count >= large && std::thread::hardware_concurrency() > 1) {
        try {
            std::thread second([&]() { work(half, count); });
            work(0, half);
            second.join();
            return;
        } catch (const std::system_error &) {
            // No thread to be had: the whole on this one.
        }
    }
    work(0, count);
}

#endif // TAVIX_CORE_UTIL_TWO_HALVES_H
