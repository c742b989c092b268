#include "base/memory_stream.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <sys/mman.h>
#include <unistd.h>

MemoryStream::~MemoryStream() { std::free(m_data); }

void MemoryStream::SetPosition(std::int64_t position)
{
    m_position = static_cast<std::size_t>(std::max<std::int64_t>(position, 0));
}

void MemoryStream::SetSize(std::int64_t size)
{
    const auto newSize = static_cast<std::size_t>(std::max<std::int64_t>(size, 0));
    if (newSize > m_size) {
        ensureCapacity(newSize);
        std::memset(m_data + m_size, 0, newSize - m_size);
    }
    m_size = newSize;
    m_position = std::min(m_position, m_size);
}

void MemoryStream::Clear()
{
    std::free(m_data);
    m_data = nullptr;
    m_size = m_capacity = m_position = 0;
}

void MemoryStream::Reserve(std::int64_t capacity)
{
    if (capacity <= static_cast<std::int64_t>(m_capacity))
        return;
    if (auto* grown = static_cast<char*>(std::realloc(m_data, static_cast<std::size_t>(capacity)))) {
        m_data = grown;
        m_capacity = static_cast<std::size_t>(capacity);
    }
}

std::int64_t MemoryStream::Write(const void* data, std::int64_t count)
{
    if (count <= 0)
        return 0;
    std::memcpy(roomAtPosition(static_cast<std::size_t>(count)), data, static_cast<std::size_t>(count));
    advance(static_cast<std::size_t>(count));
    return count;
}

std::int64_t MemoryStream::WriteInPlace(
    std::int64_t count, const std::function<std::int64_t(char* into)>& fill)
{
    if (count <= 0)
        return 0;
    const std::int64_t written
        = std::clamp<std::int64_t>(fill(roomAtPosition(static_cast<std::size_t>(count))), 0, count);
    advance(static_cast<std::size_t>(written));
    return written;
}

char* MemoryStream::roomAtPosition(std::size_t count)
{
    ensureCapacity(m_position + count);
    prefault(count);
    return m_data + m_position;
}

void MemoryStream::advance(std::size_t written)
{
    if (written == 0)
        return;
    if (m_position > m_size)
        std::memset(m_data + m_size, 0, m_position - m_size);
    m_position += written;
    m_size = std::max(m_size, m_position);
}

std::int64_t MemoryStream::Read(void* data, std::int64_t count)
{
    if (count <= 0 || m_position >= m_size)
        return 0;
    const std::size_t length = std::min(static_cast<std::size_t>(count), m_size - m_position);
    std::memcpy(data, m_data + m_position, length);
    m_position += length;
    return static_cast<std::int64_t>(length);
}

void MemoryStream::ensureCapacity(std::size_t needed)
{
    if (needed <= m_capacity)
        return;
    // Small buffers double; large ones grow by a sixteenth, which realloc can
    // usually do in place, so the peak stays close to the data actually held.
    constexpr std::size_t largeBlock = std::size_t { 1 } << 20;
    const std::size_t step = m_capacity < largeBlock ? m_capacity : m_capacity / 16;
    const std::size_t capacity = std::max({ needed, m_capacity + step, std::size_t { 256 } });
    auto* grown = static_cast<char*>(std::realloc(m_data, capacity));
    if (!grown)
        throw std::bad_alloc();
    m_data = grown;
    m_capacity = capacity;
}

void MemoryStream::prefault(std::size_t count)
{
    // A large body is written once, front to back, into fresh memory. Touching
    // each new 4 KiB page costs a page fault, which on a virtual machine can
    // take longer than receiving the page's bytes; asking the system to map
    // the whole range about to be written at once does the same work in one
    // call. Only the range about to be written is mapped, so nothing is
    // resident beyond the data. Where the system lacks the call, the pages
    // are simply faulted in as they are written.
    constexpr std::size_t smallestPrefault = std::size_t { 256 } << 10;
    if (count < smallestPrefault)
        return;
    const auto pageSize = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    const auto first = reinterpret_cast<std::uintptr_t>(m_data + m_position);
    const auto begin = first & ~(pageSize - 1);
    const auto end = first + count;
    ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_POPULATE_WRITE);
}
