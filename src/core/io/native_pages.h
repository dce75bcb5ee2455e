// Room for a large text that is filled and given back a part at a time:
// the address space of the whole text is taken at once, so the text stays
// one piece that views can point into, while memory is used only for the
// parts written since they were last given back. On POSIX systems the room
// is an anonymous mapping whose pages are handed back to the system; where
// that is not to be had, the room is one allocation and giving a part back
// only clears it.
#ifndef TAVIX_CORE_IO_NATIVE_PAGES_H
#define TAVIX_CORE_IO_NATIVE_PAGES_H

#include <QtGlobal>

#include <cstddef>

class PagedRoom
{
public:
    PagedRoom() = default;
    ~PagedRoom();
    PagedRoom(const PagedRoom &) = delete;
    PagedRoom &operator=(const PagedRoom &) = delete;

    // Takes room for units UTF-16 code units, all zero; throws
    // std::bad_alloc when it cannot be had.
    void Take(qsizetype units);
    char16_t *Data() const { return m_data; }
    qsizetype Units() const { return m_units; }

    // Gives the memory of the code units [from, from + count) back: they
    // read as zero from then on. Whole memory pages are handed back to the
    // system; the parts of pages at either end are cleared.
    void GiveBack(qsizetype from, qsizetype count);

private:
    char16_t *m_data = nullptr;
    qsizetype m_units = 0;
    std::size_t m_bytes = 0;
    bool m_mapped = false;
};

#endif // TAVIX_CORE_IO_NATIVE_PAGES_H
