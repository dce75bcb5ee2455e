#include "core/util/memory_reserve.h"

#include <cstdlib>

MemoryReserve::MemoryReserve(std::size_t bytes)
    : m_bytes(bytes)
{
    Retake();
}

MemoryReserve::~MemoryReserve()
{
    Release();
}

void MemoryReserve::Release()
{
    std::free(m_block);
    m_block = nullptr;
}

bool MemoryReserve::Retake()
{
    if (!m_block)
        m_block = std::malloc(m_bytes);
    return m_block != nullptr;
}

bool MemoryReserve::CanAllocate(std::size_t bytes)
{
    // Through a volatile pointer, so that the allocation is not left out.
    void *volatile block = std::malloc(bytes);
    const bool allocated = block != nullptr;
    std::free(block);
    return allocated;
}
