#include "history/history_store.h"
#include "history/history_writer.h"
#include "support/loopback_server.h"
#include "support/scratch_folder.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <mutex>
#include <sqlite3.h>

namespace {

// A writer on a fresh database whose reports are collected, as text, under a lock.
struct HistoryWriterTest : testing::Test {
    ScratchFolder folder { "history-writer" };
    std::string path = (folder.Path() / "linkwatch.db").string();
    RunInfo list { RunSource::Window, "/sites/list.ini", 1000 };
    std::mutex mutex;
    std::vector<std::string> reports;
    std::unique_ptr<HistoryWriter> writer = std::make_unique<HistoryWriter>(
        path,
        [this](std::uint64_t run, int row, const HistoryEntry& entry) {
            report(std::to_string(run) + " " + std::to_string(row) + " " + entry.verdict + " "
                + std::to_string(entry.checkedAt));
        },
        [this](const std::string& message, int notRecorded) {
            report(message + " " + std::to_string(notRecorded));
        });

    void report(const std::string& text)
    {
        std::lock_guard lock(mutex);
        reports.push_back(text);
    }
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

    EXPECT_EQ(reports, std::vector<std::string> { "2 1 OK! 2000" });
    const auto runs = HistoryStore(path).LastRuns(list.listFile, 2);
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
        return reports.size() == 3;
    }));
    std::filesystem::remove(path);
    writer->BeginRun(list);
    writer->Record(1, site(1, "OK!"));
    writer.reset();

    const std::string failure = path + ": file is not a database ";
    EXPECT_EQ(reports, (std::vector<std::string> { failure + "0", failure + "1", failure + "2" }));
    EXPECT_EQ(HistoryStore(path).History("", 0).size(), 1u);
}

// Each try at a locked file waits out the busy time-out: once the window is
// closing, one failure gives up the rows still queued instead of waiting for each.
TEST_F(HistoryWriterTest, ClosingOnALockedFileGivesUpTheQueueAfterOneFailure)
{
    HistoryStore { path };
    sqlite3* otherWriter = nullptr;
    sqlite3_open(path.c_str(), &otherWriter);
    ASSERT_EQ(sqlite3_exec(otherWriter, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    writer->BeginRun(list);
    for (int row = 1; row <= 3; ++row)
        writer->Record(row, site(row, "OK!"));
    writer.reset();
    sqlite3_close(otherWriter);

    EXPECT_EQ(reports, std::vector<std::string> { path + ": database is locked 3" });
}

}
