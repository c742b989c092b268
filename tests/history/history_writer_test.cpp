#include "history/history_store.h"
#include "history/history_writer.h"
#include "support/loopback_server.h"
#include "support/scratch_folder.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <mutex>
#include <tuple>

namespace {

// A writer on a fresh database whose reports are collected under a lock.
struct HistoryWriterTest : testing::Test {
    ScratchFolder folder { "history-writer" };
    std::string path = (folder.Path() / "linkwatch.db").string();
    RunInfo list { RunSource::Window, "/sites/list.ini", 1000 };
    std::mutex mutex;
    std::vector<std::tuple<std::uint64_t, int, HistoryEntry>> previous;
    std::vector<std::pair<std::string, int>> failures;
    std::unique_ptr<HistoryWriter> writer = std::make_unique<HistoryWriter>(
        path,
        [this](std::uint64_t run, int row, const HistoryEntry& entry) {
            std::lock_guard lock(mutex);
            previous.emplace_back(run, row, entry);
        },
        [this](const std::string& message, int notRecorded) {
            std::lock_guard lock(mutex);
            failures.emplace_back(message, notRecorded);
        });

    static HistoryEntry site(int n, Text verdict, std::int64_t at = 2000)
    {
        return { .checkedAt = at, .n = n, .address = "http://" + std::to_string(n), .verdict = verdict };
    }
};

// The writer goes with most of the rows still queued.
TEST_F(HistoryWriterTest, RecordsEveryQueuedRowBeforeItGoesAndReportsEachSitesPreviousResult)
{
    EXPECT_EQ(writer->BeginRun(list), 1u);
    for (int row = 1; row <= 300; ++row)
        writer->Record(row, site(row, "OK!"));
    writer->EndRun(1100);
    EXPECT_EQ(writer->BeginRun(list), 2u);
    writer->Record(1, site(2, "gone", 3000));
    writer->EndRun(1200);
    writer.reset();

    ASSERT_EQ(previous.size(), 1u);
    const auto& [run, row, entry] = previous[0];
    EXPECT_EQ(run, 2u);
    EXPECT_EQ(row, 1);
    EXPECT_EQ(entry.verdict, "OK!");
    EXPECT_EQ(entry.checkedAt, 2000);
    EXPECT_TRUE(failures.empty());
    const auto runs = HistoryStore(path).LastTwoRuns(list.listFile);
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].size(), 300u);
    EXPECT_EQ(runs[1].at(0).verdict, "gone");
}

TEST_F(HistoryWriterTest, AFailureCountsTheLostResultsAndLaterJobsAreStillDone)
{
    std::ofstream(path) << std::string(8192, 'x');
    writer->BeginRun(list);
    writer->Record(1, site(1, "OK!"));
    writer->Record(2, site(2, "OK!"));
    writer->EndRun(1100);
    ASSERT_TRUE(WaitUntil([this] {
        std::lock_guard lock(mutex);
        return failures.size() == 3;
    }));
    std::filesystem::remove(path);
    writer->BeginRun(list);
    writer->Record(1, site(1, "OK!"));
    writer.reset();

    ASSERT_EQ(failures.size(), 3u);
    for (int index = 0; index < 3; ++index) {
        EXPECT_NE(failures[index].first.find(path + ": file is not a database"), std::string::npos);
        EXPECT_EQ(failures[index].second, index);
    }
    EXPECT_EQ(HistoryStore(path).History("", 0).size(), 1u);
}

}
