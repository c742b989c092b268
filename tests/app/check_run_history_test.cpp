#include "check_run_fixture.h"
#include "history/history_store.h"
#include "support/scratch_folder.h"

#include <regex>
#include <thread>

namespace {

// Every run is recorded into a database of its own. The page of the lossy
// server holds the query text while linked is set.
class CheckRunHistoryTest : public CheckRunTest
{
protected:
    void SetUp() override
    {
        CheckRunTest::SetUp();
        run->RecordHistory(path, "/sites/list.ini", [this](const Text& text) { notices.push_back(text); });
    }

    bool WaitForFinishedRow(int row)
    {
        return QTest::qWaitFor([&] { return run->FinishedRowOf(row) != nullptr; }, 20000);
    }
    bool Bold(int row, int col) const
    {
        CellFont font;
        run->CellColor(row, col, font);
        return font.font.bold();
    }

    ScratchFolder folder { "check-run-history" };
    std::string path = (folder.Path() / "linkwatch.db").string();
    std::atomic<bool> linked = true;
    LoopbackHttpServer lossy { [this](
                                   const std::string&) { return Page(linked ? "GET /with " : "GET / "); } };
    std::vector<Text> notices;
};

TEST_F(CheckRunHistoryTest, AfterThePageLostTheLinkTheHintNamesTheLastResultAndTheVerdictIsBold)
{
    SetSites({ { "lossy", lossy.Url("/page"), queryText, StatusNormal }, ActiveSite("kept", "/with") });
    StartRun();
    ASSERT_TRUE(WaitForFinishedRow(1) && WaitForFinishedRow(2));
    linked = false;
    StartRun();
    ASSERT_TRUE(WaitForVerdict(1, verdictNotFound));
    // 上次: OK! MM-DD HH:MM
    const std::regex last("\r\n\xC9\xCF\xB4\xCE: OK! [01][0-9]-[0-3][0-9] [0-2][0-9]:[0-5][0-9]$");
    for (int row = 1; row <= 2; ++row)
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return std::regex_search(run->CellHint(row, ResultVerdictCol), last); }, 20000));
    EXPECT_TRUE(Bold(1, ResultVerdictCol));
    EXPECT_FALSE(Bold(1, ResultNameCol));
    EXPECT_FALSE(Bold(2, ResultVerdictCol));
    EXPECT_TRUE(notices.empty());
}

TEST_F(CheckRunHistoryTest, TheWindowAndACommandLineWriterAtOnceLoseNothing)
{
    constexpr int sites = 20;
    SetSites(std::vector<Site>(sites, ActiveSite("site", "/with")));
    run->Run(editGrid);
    // The other writer runs from the window's first recorded row until its last.
    ASSERT_TRUE(WaitForFinishedRow(1));
    std::atomic<bool> windowDone = false;
    std::size_t commandLineResults = 0;
    std::thread commandLine([&] {
        HistoryStore store(path);
        std::vector<HistoryEntry> results;
        for (int n = 1; n <= sites; ++n)
            results.push_back({ .n = n, .address = "cli", .verdict = "OK!" });
        for (int index = 0; !windowDone; ++index) {
            store.RecordRun({ RunSource::CommandLine, "/sites/cli.ini", index }, index, results);
            commandLineResults += sites;
        }
    });
    ASSERT_TRUE(QTest::qWaitFor([this] { return !run->Starting(); }, 20000) && WaitForWorkers());
    QCoreApplication::processEvents();
    run->StopRecording();
    windowDone = true;
    commandLine.join();
    EXPECT_EQ(HistoryStore(path).History("", 0).size(), sites + commandLineResults);
    EXPECT_TRUE(notices.empty());
}

}

namespace {

// The own page links the partners' host: the kept one links back, the gone one no more.
TEST_F(CheckRunHistoryTest, OwnPagesAreFetchedOncePerRunAndTheHintTellsTheBackLink)
{
    LoopbackHttpServer ownPage { [this](const std::string&) {
        return LoopbackHttpServer::Reply("200 OK", "<a href=\"" + server.Url("/") + "\">friend</a>");
    } };
    HistoryStore(path).AddOwnPage("/sites/list.ini", ownPage.Url("/friends"), 0);
    std::vector<int> oneSided;
    run->SetWhenOneSidedCounted([&oneSided](int count) { oneSided.push_back(count); });
    SetSites({ ActiveSite("kept", "/with"), ActiveSite("gone", "/page") });
    // 我方链接: 有, and the reason's first words 单向链接:
    const Text backLine = "\r\n\xCE\xD2\xB7\xBD\xC1\xB4\xBD\xD3: \xD3\xD0\r\n";
    const Text oneSidedHead = "\xB5\xA5\xCF\xF2\xC1\xB4\xBD\xD3: ";
    for (int runs = 1; runs <= 2; ++runs) {
        StartRun();
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return oneSided.size() == static_cast<std::size_t>(runs); }, 20000));
        EXPECT_EQ(oneSided.back(), 1);
        EXPECT_EQ(ownPage.Requests(), runs);
        for (int row = 1; row <= 2; ++row) {
            const Text hint = run->CellHint(row, ResultVerdictCol);
            EXPECT_NE(hint.find(backLine), Text::npos) << row;
            EXPECT_EQ(hint.rfind(oneSidedHead, 0) == 0, row == 2) << row;
            EXPECT_EQ(hint.find(oneSidedHead, 1), Text::npos) << row;
        }
        EXPECT_EQ(run->RunRowCount(), 2);
    }
}

}
