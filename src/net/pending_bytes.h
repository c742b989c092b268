#pragma once

#include "base/text.h"

#include <cstddef>
#include <string_view>

// Bytes a socket received but has not handed out yet. Lines are handed out
// from the front one by one, so the front is dropped by moving a start
// offset rather than the bytes behind it: reading many short lines out of
// one large packet costs time in proportion to the packet, not to the
// packet times the number of lines. Not shared between threads.
class PendingBytes
{
public:
    bool Empty() const { return m_start == m_bytes.size(); }
    std::string_view View() const { return std::string_view(m_bytes).substr(m_start); }
    void Clear();
    // Hands out every pending byte and leaves none.
    Text Take();
    // Replaces what is pending with bytes.
    void Keep(Text bytes);
    // Drops the first count bytes (at most all of them).
    void Skip(std::size_t count);

private:
    Text m_bytes;
    std::size_t m_start = 0;
};
