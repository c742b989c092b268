#pragma once

#include "base/text.h"

#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <optional>
#include <queue>
#include <vector>

// The sites of a run, handed out in list order to the threads that check
// them, so that at most perHost sites of one host (HostKeyOf) are out at
// once: a site whose host is full waits, and the sites of other hosts
// behind it go first. Done gives a site's place back.
//
// Thread: any. Take blocks while every site left belongs to a full host,
// until a site of one of those hosts is done. Taking and giving back cost
// the logarithm of the number of hosts. Nothing throws but for want of memory.
class PoliteQueue
{
public:
    PoliteQueue(const std::vector<Text>& hostKeys, int perHost);
    PoliteQueue(const PoliteQueue&) = delete;
    PoliteQueue& operator=(const PoliteQueue&) = delete;

    // The first site in list order whose host has room, taken; empty once
    // every site has been taken.
    std::optional<std::size_t> Take();
    void Done(std::size_t site);

    // Whether a site could be taken now that no thread is waiting in Take
    // for: a further taker would find work at once.
    bool WorkForAnother() const;
    // Whether every site has been taken.
    bool Exhausted() const;

private:
    struct Host {
        std::vector<std::size_t> sites; // in list order
        std::size_t next = 0; // the first not taken yet
        int out = 0;
    };
    // Hosts with room and a site left, keyed by that site; m_mutex held.
    void offer(std::size_t host);
    std::optional<std::size_t> takeReady();

    mutable std::mutex m_mutex;
    std::condition_variable m_siteDone;
    std::vector<Host> m_hosts;
    std::vector<std::size_t> m_hostOf;
    int m_perHost;
    std::size_t m_taken = 0;
    int m_waiting = 0;
    using Ready = std::pair<std::size_t, std::size_t>; // (first site left, host)
    std::priority_queue<Ready, std::vector<Ready>, std::greater<>> m_ready;
};
