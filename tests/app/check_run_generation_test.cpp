#include "check_run_fixture.h"

namespace {

// A second server for the later run, answering at once.
class GenerationTest : public CheckRunTest
{
protected:
    LoopbackHttpServer fastServer { &CheckRunTest::Page };
};

TEST_F(GenerationTest, ALateWorkerOfAnEarlierRunDoesNotOverwriteARefilledRow)
{
    server.Hold();
    SetSites({ ActiveSite("slow", "/with/slow") });
    StartRun();
    ASSERT_TRUE(QTest::qWaitFor([this] { return server.Requests() == 1; }, 10000));
    ClickBox(1);

    SetSites({ { "fast", fastServer.Url("/without/fast"), queryText, StatusNormal } });
    StartRun();
    ASSERT_TRUE(WaitForVerdict(1, verdictNotFound));
    ASSERT_TRUE(QTest::qWaitFor([this] { return !debugWindow.MemoText().empty(); }, 10000));
    const Text fastTranscript = debugWindow.MemoText();

    server.Release();
    ASSERT_TRUE(WaitForWorkers());
    QCoreApplication::processEvents();
    EXPECT_EQ(server.Answered(), 1);
    EXPECT_EQ(runGrid.Cells(ResultNameCol, 1), "fast");
    EXPECT_EQ(runGrid.Cells(ResultVerdictCol, 1), verdictNotFound);
    EXPECT_EQ(debugWindow.MemoText(), fastTranscript);
    EXPECT_EQ(fastTranscript.find("/with/slow"), Text::npos);
}

TEST_F(GenerationTest, ARowTheLaterRunDidNotRefillStillGetsItsVerdict)
{
    server.Hold();
    SetSites({ ActiveSite("one", "/without/1"), ActiveSite("two", "/with/2") });
    StartRun();
    ASSERT_TRUE(QTest::qWaitFor([this] { return server.Requests() == 2; }, 10000));

    SetSites({ { "again", fastServer.Url("/with/again"), queryText, StatusNormal } });
    StartRun();
    ASSERT_TRUE(WaitForVerdict(1, verdictFound));
    server.Release();
    EXPECT_TRUE(WaitForVerdict(2, verdictFound));
    ASSERT_TRUE(WaitForWorkers());
    QCoreApplication::processEvents();
    EXPECT_EQ(runGrid.Cells(ResultVerdictCol, 1), verdictFound);
}

TEST_F(GenerationTest, WorkersThatOutliveTheirWindowChangeNothing)
{
    server.Hold();
    SetSites({ ActiveSite("a", "/with/a"), ActiveSite("b", "/with/b") });
    StartRun();
    ClickBox(1);
    ASSERT_TRUE(QTest::qWaitFor([this] { return server.Requests() == 2; }, 10000));
    ASSERT_TRUE(WaitForVerdict(2, verdictTesting));
    run.reset();
    runGrid.SetCells(ResultVerdictCol, 1, "kept");
    server.Release();
    ASSERT_TRUE(WaitForWorkers());
    QCoreApplication::processEvents();
    EXPECT_EQ(runGrid.Cells(ResultVerdictCol, 1), "kept");
    EXPECT_EQ(runGrid.Cells(ResultVerdictCol, 2), verdictTesting);
    EXPECT_TRUE(debugWindow.MemoText().empty());
}

}
