#include "history/history_error.h"
#include "history/history_store.h"
#include "support/scratch_folder.h"

#include <climits>
#include <csignal>
#include <fstream>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

struct HistoryStoreTest : testing::Test {
    ScratchFolder folder { "history-store" };
    std::string path = (folder.Path() / "linkwatch.db").string();
    RunInfo list { RunSource::CommandLine, "/sites/list.ini", 1000 };
};

HistoryEntry site(int n, Text address, Text verdict, std::optional<CheckOutcome> outcome = std::nullopt)
{
    return { .run = 0,
        .checkedAt = 2000 + n,
        .n = n,
        .name = "name" + std::to_string(n),
        .address = std::move(address),
        .query = "http://mine.example/",
        .verdict = std::move(verdict),
        .outcome = std::move(outcome) };
}

std::string sqlValue(const std::string& path, const char* sql);

TEST_F(HistoryStoreTest, RecordedRunReadsBackByteForByte)
{
    // clang-format off
    CheckOutcome outcome { .kind = CheckOutcomeKind::Missing,
        .status = 301,
        .reasonPhrase = "Moved \"x\"",
        .location = "https://\xD6\xD0.example/",
        .error = 10054,
        .errorText = "reset",
        .bytes = 123,
        .ms = 45,
        .match = QueryMatch::Utf8,
        .rel = LinkRel::Ugc,
        .near = "//mine.example",
        .nearDifference = "\xD3\xC3 //",
        .robots = RobotsDirective::NoIndex, .placement = LinkPlacement::Jump, .href = std::string("/go?\0\x80", 6),
        .anchor = "\xD3\xD1 \"a\"", .links = 3, .canonical = "http://main.example/", .outbound = 7,
        .outboundHosts = 2, .outboundNofollow = 1, .page = PageKind::Ok, .robotsTxt = RobotsTxtAnswer::Unknown,
        .spider = SpiderView::Hidden, .back = BackLink::Yes, .backAnchor = std::string("\xD3\xD1\0", 3), .tries = 3 };
    // clang-format on
    HistoryEntry odd = site(1, std::string("a\0b\x80\xFF\r\n\x01'\"", 11), "\xC3\xBB\xD3\xD0", outcome);
    odd.name = "\xB9\xAB\xCB\xBE \"q\" \t\x7F";
    const std::vector<HistoryEntry> entries { odd, site(2, "http://b.example/", "TEST......") };
    HistoryStore store(path);
    const std::int64_t run = store.RecordRun(list, 3000, entries);

    std::vector<HistoryEntry> expected = entries;
    for (HistoryEntry& entry : expected)
        entry.run = run;
    EXPECT_EQ(HistoryStore(path, HistoryStore::Access::ReadOnly).History("", 0), expected);
    EXPECT_EQ(sqlValue(path, "SELECT group_concat(ifnull(counts, '-')) FROM results"), "no,-");
}

struct BadFile {
    const char* name;
    void (*make)(const std::string& path);
    const char* says;
};

class HistoryBadFileTest : public HistoryStoreTest, public testing::WithParamInterface<BadFile>
{
};

std::string fileBytes(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return { std::istreambuf_iterator<char>(file), {} };
}

TEST_P(HistoryBadFileTest, IsRefusedClearlyAndLeftAsItWas)
{
    GetParam().make(path);
    const std::string before = fileBytes(path);
    for (const auto access : { HistoryStore::Access::ReadWrite, HistoryStore::Access::ReadOnly }) {
        try {
            HistoryStore store(path, access);
            ADD_FAILURE() << "opened";
        } catch (const HistoryError& error) {
            EXPECT_NE(std::string(error.what()).find(path + ": "), std::string::npos) << error.what();
            EXPECT_NE(std::string(error.what()).find(GetParam().says), std::string::npos) << error.what();
        }
    }
    EXPECT_TRUE(fileBytes(path) == before);
}

// A database that holds nothing but its version.
template <int version> void versioned(const std::string& path)
{
    sqlValue(path, ("PRAGMA user_version = " + std::to_string(version)).c_str());
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Files, HistoryBadFileTest, testing::Values(
    BadFile { .name = "NotADatabase", .make = [](const std::string& path) {
        std::ofstream(path) << std::string(8192, 'x'); }, .says = "file is not a database" },
    BadFile { .name = "FromANewerVersion", .make = versioned<99>, .says = "newer LinkWatch (history version 99" },
    BadFile { .name = "WithVersionMinusOne", .make = versioned<-1>, .says = "not a LinkWatch history (history version -1)" },
    BadFile { .name = "WithTheLowestVersion", .make = versioned<INT_MIN>,
        .says = "not a LinkWatch history (history version -2147483648)" }),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

TEST_F(HistoryStoreTest, AFailedRunLeavesNothingOfItselfAndEveryEarlierRunIntact)
{
    HistoryStore store(path);
    store.RecordRun(list, 3000, { site(1, "a", "OK!") });
    EXPECT_THROW(store.RecordRun(list, 4000, { site(1, "a", "OK!"), site(1, "b", "OK!") }), HistoryError);
    EXPECT_THROW(HistoryStore(path, HistoryStore::Access::ReadOnly).RecordRun(list, 4000, {}), HistoryError);
    ASSERT_EQ(store.History("", 0).size(), 1u);
    EXPECT_EQ(store.LastRuns(list.listFile, 2).size(), 1u);
}

// What the last row of sql holds in its first column, past the database's own API.
std::string sqlValue(const std::string& path, const char* sql)
{
    sqlite3* database = nullptr;
    sqlite3_open(path.c_str(), &database);
    std::string answer;
    sqlite3_exec(
        database, sql,
        [](void* text, int, char** values, char**) {
            *static_cast<std::string*>(text) = values[0] ? values[0] : "";
            return 0;
        },
        &answer, nullptr);
    sqlite3_close(database);
    return answer;
}

TEST_F(HistoryStoreTest, ADiskThatFillsMidRunCostsThatRunOnly)
{
    HistoryStore(path).RecordRun(list, 3000, { site(1, "a", "OK!") });
    const pid_t child = fork();
    if (child == 0) {
        // Files may grow by a few pages only, as on a disk that is nearly full.
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit { 64 << 10, 64 << 10 };
        setrlimit(RLIMIT_FSIZE, &limit);
        std::vector<HistoryEntry> entries;
        for (int n = 1; n <= 2000; ++n)
            entries.push_back(site(n, "a", "OK!"));
        try {
            HistoryStore(path).RecordRun(list, 4000, entries);
        } catch (const HistoryError&) {
            _exit(0);
        }
        _exit(1);
    }
    int status = -1;
    waitpid(child, &status, 0);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(HistoryStore(path).History("", 0).size(), 1u);
    EXPECT_EQ(sqlValue(path, "PRAGMA integrity_check"), "ok");
}

TEST_F(HistoryStoreTest, LastRunsAndPreviousResultSkipUnfinishedRunsAndOtherLists)
{
    HistoryStore store(path);
    const std::int64_t first = store.RecordRun(list, 3000, { site(1, "a", "OK!") });
    const std::int64_t second = store.RecordRun(list, 3000, { site(1, "a", "no"), site(2, "b", "OK!") });
    store.RecordRun({ RunSource::Window, "/other.ini", 1000 }, 3000, { site(1, "a", "other") });
    const std::int64_t unfinished = store.BeginRun({ RunSource::Window, list.listFile, 5000 });
    store.RecordResult(unfinished, site(1, "a", "late"));

    const auto lastTwo = store.LastRuns(list.listFile, 2);
    ASSERT_EQ(lastTwo.size(), 2u);
    EXPECT_EQ(lastTwo[0].at(0).run, first);
    EXPECT_EQ(lastTwo[1].size(), 2u);
    EXPECT_EQ(lastTwo[1].at(0).run, second);
    EXPECT_EQ(store.PreviousResult("a", "http://mine.example/", unfinished)->verdict, "other");
    EXPECT_EQ(store.PreviousResult("a", "http://mine.example/", second)->verdict, "OK!");
    EXPECT_FALSE(store.PreviousResult("a", "http://theirs.example/", 0));
    store.RecordResult(first, site(9, "a", "recorded late"));
    EXPECT_EQ(store.PreviousResult("a", "http://mine.example/", 0)->verdict, "late");
}

// clang-format off
constexpr char thirdVersion[] = "ALTER TABLE results DROP COLUMN placement; ALTER TABLE results DROP COLUMN href;"
    " ALTER TABLE results DROP COLUMN anchor; ALTER TABLE results DROP COLUMN links; ALTER TABLE results DROP COLUMN"
    " canonical; ALTER TABLE results DROP COLUMN outbound; ALTER TABLE results DROP COLUMN outbound_hosts; ALTER TABLE"
    " results DROP COLUMN outbound_nofollow; ALTER TABLE results DROP COLUMN page; ALTER TABLE results DROP COLUMN"
    " counts; ALTER TABLE results DROP COLUMN robots_txt; ALTER TABLE results DROP COLUMN spider; ALTER TABLE"
    " results DROP COLUMN back; ALTER TABLE results DROP COLUMN back_anchor; ALTER TABLE results DROP COLUMN"
    " tries; DROP TABLE own_pages; PRAGMA user_version = 3";
// clang-format on

TEST_F(HistoryStoreTest, AnOlderHistoryIsReadAsItIsAndUpgradedOnceWritten)
{
    const CheckOutcome found { .kind = CheckOutcomeKind::Found };
    const CheckOutcome linked { .kind = found.kind, .placement = LinkPlacement::Link, .links = 1 };
    HistoryStore(path).RecordRun(list, 3000, { site(1, "a", "old"), site(2, "b", "OK!") });
    HistoryStore(path).RecordRun(list, 3000, { site(1, "a", "new", linked) });
    // The third version kept nothing of where the match sits: all it kept of this outcome is its kind.
    sqlValue(path, thirdVersion);
    EXPECT_EQ(HistoryStore(path, HistoryStore::Access::ReadOnly).History("", 1).at(0).outcome, found);
    EXPECT_EQ(HistoryStore(path, HistoryStore::Access::ReadOnly)
                  .LastRuns(list.listFile, 2, HistoryStore::Fields::Compared)
                  .at(1)
                  .at(0)
                  .outcome,
        found);
    // The first version kept no newest result per site, only an index of every result by site.
    sqlValue(path,
        "DROP TABLE undelivered; DROP TABLE latest;"
        " CREATE INDEX results_by_site ON results (address, query, run); PRAGMA user_version = 1");
    EXPECT_EQ(HistoryStore(path, HistoryStore::Access::ReadOnly).History("", 0).size(), 3u);
    HistoryStore store(path);
    EXPECT_EQ(store.PreviousResult("a", "http://mine.example/", 0)->verdict, "new");
    EXPECT_EQ(store.PreviousResult("b", "http://mine.example/", 0)->verdict, "OK!");
    EXPECT_EQ(sqlValue(path, "PRAGMA user_version"), "5");
    EXPECT_EQ(store.History("", 1).at(0).outcome, found);
}

TEST_F(HistoryStoreTest, TwoWritersAtOnceLoseNothing)
{
    HistoryStore(path).BeginRun(list);
    auto writeRuns = [this](RunSource source) {
        HistoryStore store(path);
        for (int run = 0; run < 20; ++run) {
            const std::int64_t id = store.BeginRun({ source, list.listFile, run });
            for (int n = 1; n <= 10; ++n)
                store.RecordResult(id, site(n, "a", "OK!"));
            store.RecordRun(
                { source, list.listFile, run }, run, std::vector<HistoryEntry>(1, site(1, "b", "x")));
        }
    };
    std::thread window(writeRuns, RunSource::Window);
    writeRuns(RunSource::CommandLine);
    window.join();
    EXPECT_EQ(HistoryStore(path).History("", 0).size(), 2u * 20 * 11);
}

}
