#pragma once

#include "base/text.h"

#include <cstddef>
#include <cstdint>
#include <functional>

// A growable byte buffer with a size and a read/write position. Writes past the
// end extend it. Growth is kept within about 1/16 of the size so a large body
// costs little more than its own bytes; the buffer lives in realloc-managed
// memory so large blocks grow in place where the allocator can.
class MemoryStream
{
public:
    MemoryStream() = default;
    ~MemoryStream();
    MemoryStream(const MemoryStream&) = delete;
    MemoryStream& operator=(const MemoryStream&) = delete;

    std::int64_t Size() const { return static_cast<std::int64_t>(m_size); }
    std::int64_t Position() const { return static_cast<std::int64_t>(m_position); }
    // Positions beyond the end are allowed; the next write fills the gap with zeros.
    void SetPosition(std::int64_t position);
    // Truncates or extends (with zeros); the position is kept but never beyond the new size.
    void SetSize(std::int64_t size);
    void Clear();
    // Makes room for capacity bytes in all, so that writes up to that size
    // never move the data; the memory is only mapped as it is written. A
    // capacity the system cannot give is not reserved: writes then grow the
    // buffer as they go.
    void Reserve(std::int64_t capacity);
    std::int64_t Capacity() const { return static_cast<std::int64_t>(m_capacity); }

    // Writes count bytes at the position and advances it; returns count.
    std::int64_t Write(const void* data, std::int64_t count);
    // Writes in place: makes room for count bytes at the position, lets fill
    // put bytes straight there, and keeps as many as fill returns (at most
    // count), advancing the position by that many. Returns that number. This
    // spares a copy when the bytes come from a read into a buffer.
    std::int64_t WriteInPlace(std::int64_t count, const std::function<std::int64_t(char* into)>& fill);
    // Reads up to count bytes from the position; returns how many were read.
    std::int64_t Read(void* data, std::int64_t count);

    const char* Data() const { return m_data; }
    Text ToText() const { return m_size == 0 ? Text() : Text(m_data, m_size); }

private:
    void ensureCapacity(std::size_t needed);
    void prefault(std::size_t count);
    // Where count bytes written at the position go, with room made for them.
    char* roomAtPosition(std::size_t count);
    // Keeps written bytes at the position: fills a gap before it with zeros,
    // then moves the position past them and extends the size.
    void advance(std::size_t written);

    char* m_data = nullptr;
    std::size_t m_size = 0;
    std::size_t m_capacity = 0;
    std::size_t m_position = 0;
};
