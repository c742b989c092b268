#include "check/large_page_slots.h"

#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>

namespace {

using namespace std::chrono_literals;

bool becomesTrue(const std::atomic<bool>& flag, std::chrono::milliseconds limit)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!flag && std::chrono::steady_clock::now() < end)
        std::this_thread::yield();
    return flag;
}

TEST(LargePageSlots, AThirdLargePageWaitsUntilOneOfTheTwoIsGivenBack)
{
    auto first = LargePageSlots::Take();
    auto second = LargePageSlots::Take();
    std::atomic<bool> taken = false;
    std::thread third([&taken] {
        const auto slot = LargePageSlots::Take();
        taken = true;
    });
    EXPECT_FALSE(becomesTrue(taken, 200ms));
    first.reset();
    EXPECT_TRUE(becomesTrue(taken, 10s));
    third.join();
}

}
