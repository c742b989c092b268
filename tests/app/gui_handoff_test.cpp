#include "app/gui_handoff.h"

#include <QCoreApplication>
#include <QTest>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

TEST(GuiHandoff, CallsFromOneThreadRunOnTheGuiThreadInOrder)
{
    GuiHandoff handoff;
    std::vector<int> seen;
    std::vector<bool> onGuiThread;
    const auto gui = std::this_thread::get_id();
    std::thread poster([channel = handoff.channel(), &seen, &onGuiThread, gui] {
        for (int index = 0; index < 500; ++index)
            channel->Post([index, &seen, &onGuiThread, gui] {
                seen.push_back(index);
                onGuiThread.push_back(std::this_thread::get_id() == gui);
            });
    });
    poster.join();
    ASSERT_TRUE(QTest::qWaitFor([&] { return seen.size() == 500; }, 5000));
    for (int index = 0; index < 500; ++index)
        EXPECT_EQ(seen[static_cast<std::size_t>(index)], index);
    EXPECT_EQ(std::count(onGuiThread.begin(), onGuiThread.end(), false), 0);
}

TEST(GuiHandoff, KeepsTheOrderOfEachOfManyThreads)
{
    GuiHandoff handoff;
    std::vector<std::vector<int>> seen(8);
    std::vector<std::thread> posters;
    for (std::size_t thread = 0; thread < seen.size(); ++thread)
        posters.emplace_back([channel = handoff.channel(), &seen, thread] {
            for (int index = 0; index < 200; ++index)
                channel->Post([&seen, thread, index] { seen[thread].push_back(index); });
        });
    for (std::thread& poster : posters)
        poster.join();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return std::all_of(seen.begin(), seen.end(), [](const auto& s) { return s.size() == 200; }); },
        5000));
    for (const std::vector<int>& one : seen)
        EXPECT_TRUE(std::is_sorted(one.begin(), one.end()));
}

TEST(GuiHandoff, DropsCallsStillWaitingAndCallsPostedAfterItIsGone)
{
    int runs = 0;
    auto handoff = std::make_unique<GuiHandoff>();
    const auto channel = handoff->channel();
    channel->Post([&runs] { ++runs; });
    handoff.reset();
    channel->Post([&runs] { ++runs; });
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(runs, 0);
}

TEST(GuiHandoff, ACallThatDestroysTheHandoffEndsItsBatch)
{
    auto handoff = std::make_unique<GuiHandoff>();
    const auto channel = handoff->channel();
    int after = 0;
    bool destroyed = false;
    channel->Post([&] {
        handoff.reset();
        destroyed = true;
    });
    channel->Post([&after] { ++after; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return destroyed; }, 5000));
    QCoreApplication::processEvents();
    EXPECT_EQ(after, 0);
}

}
