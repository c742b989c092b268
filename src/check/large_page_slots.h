#pragma once

#include <cstdint>
#include <memory>
#include <semaphore>

// The rule that bounds the page bodies link check fetches hold at once. A
// page up to LargePageSize bytes is a fetch's own; a body that grows beyond
// it needs one of Count slots for the rest of its fetch, and its receive
// waits until one is free. A fetch holds its page twice at its peak (the
// body as received and its text form), so the pages of all fetches together
// stay under Count x 2 x the body limit, plus 2 x LargePageSize per fetch,
// however many large pages arrive at once: eight 64 MiB pages cost about
// 350 MiB instead of 1 GiB. A slot holder waits for nothing else, so every
// wait ends when some holder's fetch ends, each bounded by its time-outs.
//
// Thread: any. Take blocks until a slot is free. Nothing throws.
class LargePageSlots
{
public:
    static constexpr std::int64_t LargePageSize = std::int64_t { 8 } << 20;
    static constexpr int Count = 2;

    // A slot held; given back when destroyed.
    class Slot
    {
    public:
        Slot() = default;
        ~Slot();
        Slot(const Slot&) = delete;
        Slot& operator=(const Slot&) = delete;
    };

    // Waits until a slot is free and takes it.
    static std::unique_ptr<Slot> Take();

private:
    static std::counting_semaphore<Count>& freeSlots();
};
