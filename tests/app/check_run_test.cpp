#include "check_run_fixture.h"

#include <QElapsedTimer>

namespace {

using namespace std::chrono_literals;

TEST_F(CheckRunTest, OnlyActiveEntriesGetNumberedRows)
{
    SetSites({ ActiveSite("first", "/with/1"), { "second", server.Url("/with/2"), queryText, StatusPaused },
        ActiveSite("third", "/without/3") });
    StartRun();
    EXPECT_EQ(run->RunRowCount(), 2);
    EXPECT_EQ(runGrid.Cells(ResultNumberCol, 1), "1");
    EXPECT_EQ(runGrid.Cells(ResultNameCol, 1), "first");
    EXPECT_EQ(runGrid.Cells(ResultAddressCol, 1), server.Url("/with/1"));
    EXPECT_EQ(runGrid.Cells(ResultNumberCol, 2), "2");
    EXPECT_EQ(runGrid.Cells(ResultNameCol, 2), "third");
    EXPECT_TRUE(WaitForVerdict(1, verdictFound));
    EXPECT_TRUE(WaitForVerdict(2, verdictNotFound));
    EXPECT_TRUE(WaitForWorkers());
    EXPECT_EQ(server.Requests(), 2);
}

TEST_F(CheckRunTest, AStatusWithALeadingBlankIsNotActive)
{
    SetSites({ { "blank", server.Url("/with"), queryText, Text(" ") + StatusNormal } });
    StartRun();
    EXPECT_EQ(run->RunRowCount(), 0);
    EXPECT_EQ(runGrid.RowCount(), 2);
    EXPECT_TRUE(runGrid.Cells(ResultNameCol, 1).empty());
    EXPECT_EQ(*started, 0);
}

TEST_F(CheckRunTest, EveryRunAppendsARowPerActiveEntryNotInTheLastRow)
{
    SetSites({ ActiveSite("a", "/with"), ActiveSite("b", "/with"), ActiveSite("c", "/with"),
        { "d", server.Url("/with"), queryText, StatusPaused } });
    StartRun();
    EXPECT_EQ(runGrid.RowCount(), 5);
    EXPECT_TRUE(runGrid.Cells(ResultNumberCol, 4).empty());
    ASSERT_TRUE(WaitForWorkers());
    StartRun();
    EXPECT_EQ(runGrid.RowCount(), 8);
    for (int row = 4; row < 8; ++row)
        EXPECT_TRUE(runGrid.Cells(ResultNumberCol, row).empty() && runGrid.Cells(ResultNameCol, row).empty())
            << row;
    for (int row = 1; row < 8; ++row)
        EXPECT_TRUE(UntickedBox(row)) << row;
}

TEST_F(CheckRunTest, AnActiveLastEntryGetsNoEmptyRowAfterIt)
{
    SetSites({ ActiveSite("a", "/with"), { "b", "x", "y", StatusPaused }, ActiveSite("c", "/with") });
    StartRun();
    EXPECT_EQ(runGrid.RowCount(), 3);
    EXPECT_EQ(runGrid.Cells(ResultNameCol, 2), "c");
}

TEST_F(CheckRunTest, AListClaimingTwoBillionRowsCostsOnlyTheEntriesItHolds)
{
    SetSites({ ActiveSite("a", "/with"), ActiveSite("b", "/with") });
    editGrid.SetRowCount(2000000000);
    StartRun();
    EXPECT_EQ(run->RunRowCount(), 2);
    EXPECT_EQ(runGrid.RowCount(), 4);
}

TEST_F(CheckRunTest, BlanksStayInTheGridButNotInTheRequest)
{
    const Text address = " \t" + server.Url("/with/trimmed") + " \r\n";
    SetSites({ { "  Acme  ", address, Text("  ") + queryText + "\t ", StatusNormal } });
    StartRun();
    EXPECT_EQ(runGrid.Cells(ResultNameCol, 1), "  Acme  ");
    EXPECT_EQ(runGrid.Cells(ResultAddressCol, 1), address);
    EXPECT_TRUE(WaitForVerdict(1, verdictFound));
}

TEST_F(CheckRunTest, TickingARowWithoutANameClosesTheDebugWindowAndUnticks)
{
    SetSites({ ActiveSite("a", "/with") });
    StartRun();
    runGrid.SetCells(ResultNameCol, 1, "");
    debugWindow.Show();
    ClickBox(1);
    EXPECT_FALSE(debugWindow.isVisible());
    EXPECT_FALSE(Ticked(1));
    EXPECT_EQ(run->SelectedDebugRow(), NoDebugRow);
}

TEST_F(CheckRunTest, TickingASecondRowMovesTheTickAndUntickingCloses)
{
    SetSites({ ActiveSite("a", "/with/a"), ActiveSite("b", "/without/b") });
    StartRun();
    ClickBox(1);
    EXPECT_TRUE(Ticked(1));
    EXPECT_TRUE(debugWindow.isVisible());
    ClickBox(2);
    EXPECT_FALSE(Ticked(1));
    EXPECT_TRUE(Ticked(2));
    EXPECT_EQ(run->SelectedDebugRow(), 2);
    // 调试记录 : b 公司的  <address>
    EXPECT_EQ(QStringToCell(debugWindow.windowTitle()),
        "\xB5\xF7\xCA\xD4\xBC\xC7\xC2\xBC : b \xB9\xAB\xCB\xBE\xB5\xC4  " + server.Url("/without/b"));
    ClickBox(2);
    EXPECT_FALSE(Ticked(2));
    EXPECT_FALSE(debugWindow.isVisible());
    EXPECT_EQ(run->SelectedDebugRow(), NoDebugRow);
}

TEST_F(CheckRunTest, ANewRunKeepsThePickedRowAndItsWorkerPublishes)
{
    SetSites({ ActiveSite("a", "/with/a") });
    StartRun();
    ASSERT_TRUE(WaitForWorkers());
    ClickBox(1);
    ASSERT_TRUE(debugWindow.isVisible());
    StartRun();
    EXPECT_FALSE(Ticked(1));
    EXPECT_EQ(run->SelectedDebugRow(), 1);
    ASSERT_TRUE(QTest::qWaitFor([this] { return !debugWindow.MemoText().empty(); }, 20000));
    EXPECT_NE(debugWindow.MemoText().find("/with/a HTTP/1.1"), std::string::npos);
    EXPECT_TRUE(debugWindow.isVisible());
}

TEST_F(CheckRunTest, ARowPickedAfterItsWorkerFinishedShowsTheTranscriptItKept)
{
    SetSites({ ActiveSite("a", "/with/a") });
    StartRun();
    ASSERT_TRUE(QTest::qWaitFor([this] { return run->FinishedRowOf(1) != nullptr; }, 20000));
    debugWindow.SetMemoText("old text\r\n");
    ClickBox(1);
    EXPECT_TRUE(debugWindow.isVisible());
    EXPECT_TRUE(debugWindow.MemoText().starts_with("\r\nGET " + server.Url("/with/a")));
    EXPECT_EQ(debugWindow.MemoText(), run->FinishedRowOf(1)->transcript);
}

TEST_F(CheckRunTest, DeleteWaitsForTheWorkersAndThenMovesWhatRowsKeptWithThem)
{
    server.Hold();
    SetSites({ ActiveSite("a", "/with/a"), ActiveSite("b", "/b"), ActiveSite("c", "/with/c") });
    StartRun();
    ClickBox(1);
    QTest::keyClick(&runGrid, Qt::Key_Delete);
    EXPECT_EQ(runGrid.Cells(ResultNameCol, 1), "a");
    server.Release();
    ASSERT_TRUE(QTest::qWaitFor([this] { return run->WorkersInFlight() == 0; }, 20000));
    QTest::keyClick(&runGrid, Qt::Key_Delete);
    EXPECT_EQ(runGrid.Cells(ResultNameCol, 1), "b");
    EXPECT_FALSE(debugWindow.isVisible());
    EXPECT_EQ(run->FinishedRowOf(1)->outcome.kind, CheckOutcomeKind::Missing);
    EXPECT_EQ(run->FinishedRowOf(2)->outcome.kind, CheckOutcomeKind::Found);
}

TEST_F(CheckRunTest, TheVerdictCellReadsTestingFromTheStartDelayUntilThePageArrives)
{
    pauseLength = 100ms;
    server.Hold();
    SetSites({ ActiveSite("a", "/with/a") });
    runGrid.SetCells(ResultVerdictCol, 1, "earlier verdict");
    QElapsedTimer clock;
    clock.start();
    StartRun();
    EXPECT_EQ(runGrid.Cells(ResultVerdictCol, 1), "earlier verdict");
    ASSERT_TRUE(WaitForVerdict(1, verdictTesting, 10000));
    EXPECT_GE(clock.elapsed(), 1100);
    ASSERT_TRUE(QTest::qWaitFor([this] { return server.Requests() == 1; }, 10000));
    QTest::qWait(50);
    EXPECT_EQ(runGrid.Cells(ResultVerdictCol, 1), verdictTesting);
    server.Release();
    EXPECT_TRUE(WaitForVerdict(1, verdictFound));
}

}
