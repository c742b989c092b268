#pragma once

#include <condition_variable>
#include <mutex>

// The process-wide budget of link check fetches in flight at once, drawn from
// the open-file limit so that the workers never take the descriptors the
// program needs for itself. A fetch holds a slot from before its HTTP client
// is made until the client is freed; when no slot is free it waits for one.
//
// The budget is the soft open-file limit, read at every take, less a reserve
// of max(32, limit / 8). The 32 cover what the program holds or opens beside
// the fetches: standard streams, the display connection with its event and
// shared-memory descriptors, a window it opens, a SAVE (list, temporary file,
// copy), the advertisement panes' connections and the TLS library's files
// on its first load. The eighth grows with the budget for the short-lived
// descriptors of fetches in their connect phase (the resolver's files and
// sockets) when many of them start together.
//
// Should a fetch still find no descriptor while others are in flight,
// RanShort lowers the budget to those others and the caller tries again
// once one of them has ended. The lowered budget stays until no fetch is in
// flight or waiting.
//
// Thread: any. Take blocks until a slot is free; slots come free as fetches
// end, each bounded by its own time-outs. Nothing throws but for want of memory.
class FetchSlots
{
public:
    // A slot held; given back when destroyed.
    class Slot
    {
    public:
        explicit Slot(FetchSlots& budget)
            : m_budget(budget)
        {
        }
        ~Slot() { m_budget.giveBack(); }
        Slot(const Slot&) = delete;
        Slot& operator=(const Slot&) = delete;

    private:
        FetchSlots& m_budget;
    };

    // The budget every worker of the process shares.
    static FetchSlots& Process();

    // Waits until a slot is free and takes it.
    Slot Take();
    // The holder of a slot found no descriptor free. True when other fetches
    // are in flight: the budget now counts only them, and the caller gives
    // its slot back and takes one again. False when it was the only one.
    bool RanShort();

    int InFlight() const;
    // Fetches waiting in Take for a slot.
    int Waiting() const;

private:
    void giveBack();
    // The number of slots; m_mutex held.
    long capacity() const;

    mutable std::mutex m_mutex;
    std::condition_variable m_slotFreed;
    int m_inFlight = 0;
    int m_waiting = 0;
    // The budget RanShort lowered to; 0 when not lowered.
    long m_lowered = 0;
};
