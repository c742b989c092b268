#include "check/fetch_slots.h"

#include "check/open_file_limit.h"

#include <algorithm>

namespace {

constexpr long minimumReserve = 32;

}

FetchSlots& FetchSlots::Process()
{
    // Never destroyed: detached workers may still give slots back while the
    // process ends.
    static FetchSlots* const budget = new FetchSlots;
    return *budget;
}

FetchSlots::Slot FetchSlots::Take()
{
    std::unique_lock lock(m_mutex);
    ++m_waiting;
    m_slotFreed.wait(lock, [this] { return m_inFlight < capacity(); });
    --m_waiting;
    ++m_inFlight;
    return Slot(*this);
}

bool FetchSlots::RanShort()
{
    const std::lock_guard lock(m_mutex);
    const long others = m_inFlight - 1;
    if (others < 1)
        return false;
    m_lowered = m_lowered > 0 ? std::min(m_lowered, others) : others;
    return true;
}

int FetchSlots::InFlight() const
{
    const std::lock_guard lock(m_mutex);
    return m_inFlight;
}

int FetchSlots::Waiting() const
{
    const std::lock_guard lock(m_mutex);
    return m_waiting;
}

void FetchSlots::giveBack()
{
    {
        const std::lock_guard lock(m_mutex);
        --m_inFlight;
        if (m_inFlight == 0 && m_waiting == 0)
            m_lowered = 0;
    }
    m_slotFreed.notify_one();
}

long FetchSlots::capacity() const
{
    const long limit = OpenFileLimit();
    long budget = limit - std::max(minimumReserve, limit / 8);
    if (m_lowered > 0)
        budget = std::min(budget, m_lowered);
    // With a limit below the reserve, fetches still go one at a time.
    return std::max(budget, 1L);
}
