// Memory kept aside for the window's own needs when memory runs short.
// Where the address space is limited (ulimit -v), a large text can leave so
// little that a file dialog's thread or image cannot be allocated, and Qt
// ends the program there. A command asks first whether the room its dialog
// needs can be had (CanAllocate); when it cannot, the reserve taken at the
// start is given back for the message that says so, and taken again after.
#ifndef TAVIX_CORE_UTIL_MEMORY_RESERVE_H
#define TAVIX_CORE_UTIL_MEMORY_RESERVE_H

#include <cstddef>

class MemoryReserve
{
public:
    // Takes bytes of address space (never written, so it costs no memory
    // pages); nothing when they cannot be had.
    explicit MemoryReserve(std::size_t bytes);
    ~MemoryReserve();
    MemoryReserve(const MemoryReserve &) = delete;
    MemoryReserve &operator=(const MemoryReserve &) = delete;

    // Gives the reserve back, for a message shown while memory is short;
    // Retake takes it again when it can (true when it is held).
    void Release();
    bool Retake();
    bool IsHeld() const { return m_block != nullptr; }

    // True when bytes could be allocated now: they are taken and given back
    // at once.
    static bool CanAllocate(std::size_t bytes);

private:
    std::size_t m_bytes;
    void *m_block = nullptr;
};

#endif
