#include "core/io/native_pages.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#ifdef Q_OS_UNIX
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace {

std::size_t PageSize()
{
#ifdef Q_OS_UNIX
    static const std::size_t size = std::size_t(::sysconf(_SC_PAGESIZE));
    return size;
#else
    return 4096;
#endif
}

} // namespace

PagedRoom::~PagedRoom()
{
#ifdef Q_OS_UNIX
    if (m_mapped) {
        ::munmap(m_data, m_bytes);
        return;
    }
#endif
    std::free(m_data);
}

void PagedRoom::Take(qsizetype units)
{
    const std::size_t page = PageSize();
    const std::size_t bytes = (std::size_t(std::max<qsizetype>(units, 1)) * 2 + page - 1) / page * page;
#ifdef Q_OS_UNIX
    // Pages of an anonymous mapping are zero and take memory only once
    // they are written.
    void *mapped = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (mapped == MAP_FAILED)
        throw std::bad_alloc();
    m_data = static_cast<char16_t *>(mapped);
    m_mapped = true;
#else
    m_data = static_cast<char16_t *>(std::calloc(bytes, 1));
    if (!m_data)
        throw std::bad_alloc();
#endif
    m_units = units;
    m_bytes = bytes;
}

void PagedRoom::GiveBack(qsizetype from, qsizetype count)
{
    from = std::clamp<qsizetype>(from, 0, m_units);
    count = std::clamp<qsizetype>(count, 0, m_units - from);
    if (count == 0)
        return;
    auto *begin = reinterpret_cast<char *>(m_data + from);
    auto *end = reinterpret_cast<char *>(m_data + from + count);
#ifdef Q_OS_UNIX
    if (m_mapped) {
        const std::size_t page = PageSize();
        auto *base = reinterpret_cast<char *>(m_data);
        char *first = base + (std::size_t(begin - base) + page - 1) / page * page;
        char *last = base + std::size_t(end - base) / page * page;
        if (first < last) {
            // MADV_DONTNEED on a private anonymous mapping: the pages read
            // as zero from now on and their memory is the system's again.
            if (::madvise(first, std::size_t(last - first), MADV_DONTNEED) == 0) {
                std::memset(begin, 0, std::size_t(first - begin));
                std::memset(last, 0, std::size_t(end - last));
                return;
            }
        }
    }
#endif
    std::memset(begin, 0, std::size_t(end - begin));
}
