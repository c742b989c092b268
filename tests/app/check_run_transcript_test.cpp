#include "check_run_fixture.h"
#include "support/loopback_port.h"

namespace {

constexpr char acceptText[]
    = "image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, application/vnd.ms-excel, "
      "application/msword, application/x-shockwave-flash, */*";
constexpr char agent[] = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)";

std::vector<Text> splitLines(const Text& text)
{
    std::vector<Text> lines;
    std::size_t from = 0;
    for (std::size_t end = text.find("\r\n"); end != Text::npos; end = text.find("\r\n", from)) {
        lines.push_back(text.substr(from, end - from));
        from = end + 2;
    }
    if (from < text.size())
        lines.push_back(text.substr(from));
    return lines;
}

std::vector<Text> requestLines(const Text& url)
{
    return { "GET " + url + " HTTP/1.1           [  ]", Text("Accept: ") + acceptText, "Accept-Language: en",
        Text("User-Agent: ") + agent, "Host: 127.0.0.1", "Connection: Keep-Alive" };
}

// Picks row 1 after a first run, then runs again so the new worker of row 1
// publishes into the open debug window; returns the text it got.
class TranscriptTest : public CheckRunTest
{
protected:
    Text TranscriptOf(const Site& site)
    {
        SetSites({ site });
        StartRun();
        EXPECT_TRUE(WaitForWorkers());
        ClickBox(1);
        StartRun();
        EXPECT_TRUE(WaitForWorkers());
        EXPECT_TRUE(QTest::qWaitFor([this] { return !debugWindow.MemoText().empty(); }, 5000));
        return debugWindow.MemoText();
    }
};

TEST_F(TranscriptTest, AFetchedPageIsLaidOutLineByLine)
{
    const Text url = server.Url("/with/page");
    std::vector<Text> expected { "" };
    for (const Text& line : requestLines(url))
        expected.push_back(line);
    const Text body = Text("<a href=\"") + queryText + "\">partner</a>";
    for (const Text& line : { Text(""), Text(""), Text("HTTP/1.1 200 OK"), Text("Content-Type: text/html"),
             "Content-Length: " + std::to_string(body.size()), Text("Connection: close"), Text(""), Text(""),
             Text(""), body, Text("") })
        expected.push_back(line);
    EXPECT_EQ(splitLines(TranscriptOf(ActiveSite("a", "/with/page"))), expected);
}

TEST_F(TranscriptTest, ARefusedConnectionShowsTheRequestAndNoPage)
{
    const RefusingPort refusing;
    const Text url = "http://127.0.0.1:" + refusing.Port() + "/refused";

    const std::vector<Text> lines = splitLines(TranscriptOf({ "r", url, queryText, StatusNormal }));
    std::vector<Text> expected { "" };
    for (const Text& line : requestLines(url))
        expected.push_back(line);
    // The client's header list still holds the request head it built.
    for (const Text& line :
        { Text(""), Text(""), Text("GET /refused HTTP/1.1"), Text("Accept: ") + acceptText,
            Text("Accept-Language: en"), Text("User-Agent: ") + agent, "Host: 127.0.0.1:" + refusing.Port(),
            Text("Connection: Keep-Alive"), Text(""), Text(""), Text(""), Text("") })
        expected.push_back(line);
    EXPECT_EQ(lines, expected);
    EXPECT_EQ(runGrid.Cells(ResultVerdictCol, 1), verdictNotFound);
}

TEST_F(TranscriptTest, AFinishedRowKeepsItsOutcomeAndTheTranscriptShown)
{
    const Text shown = TranscriptOf(ActiveSite("a", "/with/page"));
    ASSERT_TRUE(QTest::qWaitFor([this] { return run->FinishedRowOf(1) != nullptr; }, 5000));
    const FinishedRow& finished = *run->FinishedRowOf(1);
    EXPECT_EQ(finished.outcome.status, 200);
    EXPECT_TRUE(finished.transcriptKept);
    EXPECT_EQ(finished.transcript, shown);
}

TEST_F(TranscriptTest, AFinishedRowHintsOverItsVerdictOnlyAndSaysWhenItsTranscriptWasNotKept)
{
    SetSites({ ActiveSite("a", "/without/a") });
    run->SetTranscriptBudget(0);
    StartRun();
    ASSERT_TRUE(QTest::qWaitFor([this] { return run->FinishedRowOf(1) != nullptr; }, 20000));
    run->CheckBoxClick(ResultCheckBoxCol, 1, true);
    EXPECT_EQ(debugWindow.MemoText(), transcriptNotKept);
    CheckOutcome done = run->FinishedRowOf(1)->outcome; // 计入: 否 — ; 用时 N 毫秒; 秒
    EXPECT_EQ(run->CellHint(1, ResultVerdictCol) + run->CellHint(1, ResultAddressCol),
        OutcomeReason(done) + "\r\n\xBC\xC6\xC8\xEB: \xB7\xF1 \xA1\xAA " + OutcomeReason(done)
            + "\r\n\xD3\xC3\xCA\xB1 " + std::to_string(done.ms) + " \xBA\xC1\xC3\xEB");
    done.ms = 61234;
    EXPECT_TRUE(VerdictHint(done).ends_with(" 61.23 \xC3\xEB"));
    server.Hold(); // A row of a new run in flight has no hint and shows nothing yet.
    StartRun();
    run->CheckBoxClick(ResultCheckBoxCol, 1, true);
    EXPECT_EQ(debugWindow.MemoText() + run->CellHint(1, ResultVerdictCol), "");
}

// A row picked after its worker looked for the picked row gets the kept
// transcript with the outcome; one its worker published to keeps that text.
TEST_F(TranscriptTest, ARowPickedWhileItsOutcomeIsOnItsWayShowsTheKeptTranscript)
{
    SetSites({ ActiveSite("a", "/with/a"), ActiveSite("b", "/with/b") });
    run->SetWorkerLauncher([](std::unique_ptr<Temu>) {});
    StartRun();
    const std::uint64_t firstRun = 1;
    run->CheckBoxClick(ResultCheckBoxCol, 1, true);
    run->applyOutcome(firstRun, 1, CheckOutcome {}, "kept 1");
    EXPECT_EQ(debugWindow.MemoText(), "kept 1");
    run->CheckBoxClick(ResultCheckBoxCol, 2, true);
    run->applyDebugText(firstRun, 2, "published 2");
    run->applyOutcome(firstRun, 2, CheckOutcome {}, "kept 2");
    EXPECT_EQ(debugWindow.MemoText(), "published 2");
}

// A new run drops what refilled rows kept and starts a budget of its own;
// past it, rows keep their outcome only.
TEST_F(TranscriptTest, ARunKeepsTranscriptsOnlyWithinItsBudget)
{
    SetSites({ ActiveSite("a", "/with/a"), ActiveSite("b", "/without/b") });
    const auto bothFinished = [this] { return run->FinishedRowOf(1) && run->FinishedRowOf(2); };
    StartRun();
    ASSERT_TRUE(WaitForWorkers());
    ASSERT_TRUE(QTest::qWaitFor(bothFinished, 5000));
    run->SetTranscriptBudget(
        run->FinishedRowOf(1)->transcript.size() + run->FinishedRowOf(2)->transcript.size() - 1);

    server.Hold();
    StartRun();
    EXPECT_FALSE(run->FinishedRowOf(1) || run->FinishedRowOf(2));
    server.Release();
    ASSERT_TRUE(WaitForWorkers());
    ASSERT_TRUE(QTest::qWaitFor(bothFinished, 5000));
    const FinishedRow& found = *run->FinishedRowOf(1);
    const FinishedRow& missing = *run->FinishedRowOf(2);
    EXPECT_EQ(found.outcome.kind, CheckOutcomeKind::Found);
    EXPECT_EQ(missing.outcome.kind, CheckOutcomeKind::Missing);
    EXPECT_NE(found.transcriptKept, missing.transcriptKept);
    EXPECT_TRUE((found.transcriptKept ? missing : found).transcript.empty());
}

}
