#include "net/pending_bytes.h"

#include <algorithm>
#include <utility>

void PendingBytes::Clear()
{
    m_bytes.clear();
    m_start = 0;
}

Text PendingBytes::Take()
{
    Text bytes = m_start == 0 ? std::move(m_bytes) : m_bytes.substr(m_start);
    Clear();
    return bytes;
}

void PendingBytes::Keep(Text bytes)
{
    m_bytes = std::move(bytes);
    m_start = 0;
}

void PendingBytes::Skip(std::size_t count)
{
    m_start = std::min(m_start + count, m_bytes.size());
    if (Empty())
        Clear();
}
