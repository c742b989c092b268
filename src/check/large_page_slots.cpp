#include "check/large_page_slots.h"

LargePageSlots::Slot::~Slot() { freeSlots().release(); }

std::unique_ptr<LargePageSlots::Slot> LargePageSlots::Take()
{
    freeSlots().acquire();
    return std::make_unique<Slot>();
}

std::counting_semaphore<LargePageSlots::Count>& LargePageSlots::freeSlots()
{
    static std::counting_semaphore<Count> free(Count);
    return free;
}
