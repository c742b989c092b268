#include "cli/cli_app.h"
#include "history/history_store.h"
#include "support/child_process.h"
#include "support/scratch_folder.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <regex>
#include <sstream>

namespace {

// A result by letter: c a link that counts, n one with nofollow, m missing, u unreachable.
HistoryEntry resultOf(int n, const Text& name, char state)
{
    CheckOutcome outcome { .kind = state == 'm' ? CheckOutcomeKind::Missing
            : state == 'u'                      ? CheckOutcomeKind::Unreachable
                                                : CheckOutcomeKind::Found,
        .status = state == 'u' ? 0 : 200,
        .rel = state == 'n' ? LinkRel::NoFollow : LinkRel::None,
        .placement = state == 'c' || state == 'n' ? LinkPlacement::Link : LinkPlacement::None,
        .page = state == 'u' ? PageKind::Unseen : PageKind::Ok };
    return { .checkedAt = 1,
        .n = n,
        .name = name,
        .address = "http://s" + std::to_string(n) + "/",
        .query = "q",
        .verdict = state == 'c' || state == 'n' ? "OK!" : "x",
        .outcome = outcome };
}

// Three runs of three sites, one of them named like markup, and a run of another list.
class CliReport : public testing::Test
{
protected:
    ScratchFolder m_folder { "cli_report", ScratchFolder::Enter::Yes };
    std::ostringstream m_out;
    std::ostringstream m_err;

    void SetUp() override
    {
        std::ofstream("list.ini") << "4,9\r\n";
        const std::string key = (m_folder.Path() / "list.ini").string();
        HistoryStore store((m_folder.Path() / "linkwatch.db").string());
        const auto now = std::chrono::duration_cast<std::chrono::seconds>(
            std::chrono::system_clock::now().time_since_epoch())
                             .count();
        for (const char* states : { "ccu", "cmc", "cmn" })
            store.RecordRun({ RunSource::CommandLine, key, now - 60 }, now,
                { resultOf(1, "A", states[0]), resultOf(2, "<script>alert(1)</script>", states[1]),
                    resultOf(3, "C", states[2]) });
        store.RecordRun({ RunSource::CommandLine, "/elsewhere.ini", now }, now, { resultOf(1, "A", 'm') });
    }
    int run(const std::vector<std::string>& arguments)
    {
        m_out.str("");
        m_err.str("");
        return runCli(arguments, m_out, m_err);
    }
    ProgramRun chromium(const std::vector<std::string>& arguments) const
    {
        std::vector<std::string> line { "-k", "5", "90", "chromium", "--headless", "--no-sandbox",
            "--disable-gpu", "--user-data-dir=" + (m_folder.Path() / "profile").string() };
        line.insert(line.end(), arguments.begin(), arguments.end());
        return runProgram("/usr/bin/timeout", line);
    }
};

TEST_F(CliReport, JsonHasTheRunsTotalsAndTheSitesWorstFirst)
{
    ASSERT_EQ(run({ "report", "--runs", "3", "--format", "json", "list.ini" }), 0) << m_err.str();
    const std::regex report(
        R"(\{"runs":\[\n)"
        R"(\{"run":1,[^}]*"counted":2,"not_counted":0,"missing":0,"unreachable":1\},\n)"
        R"(\{"run":2,[^}]*"counted":2,"not_counted":0,"missing":1,"unreachable":0\},\n)"
        R"(\{"run":3,[^}]*"counted":1,"not_counted":1,"missing":1,"unreachable":0\}\],\n)"
        R"("sites":\[\n)"
        R"(\{"n":2,"name":"<script>alert\(1\)</script>","address":"http://s2/","state":"missing",)"
        R"("counts":"no","since":"[-0-9: ]{19}","last_counted":"[-0-9: ]{19}","lost_runs":2,"runs":"cmm",[^\n]*\n)"
        R"(\{"n":3,[^\n]*"state":"not_counted","counts":"no",[^\n]*"lost_runs":0,"runs":"ucn",[^\n]*\n)"
        R"(\{"n":1,[^\n]*"state":"counted","counts":"yes",[^\n]*"runs":"ccc",[^\n]*\n)"
        R"(\]\n\}\n)");
    EXPECT_TRUE(std::regex_match(m_out.str(), report)) << m_out.str();
    EXPECT_EQ(run({ "report", "--runs", "1", "--format", "csv", "list.ini" }), 0);
    const std::string csv = "\xEF\xBB\xBFn,name,address,state,counts,since,last_counted,lost_runs,runs,"
                            "reason\r\n2,<script>alert(1)";
    EXPECT_EQ(m_out.str().substr(0, csv.size()), csv);
}

// The page rendered by a real browser: something is drawn, every site has its row, the markup name stays
// text.
TEST_F(CliReport, HtmlRendersInABrowserWithEverySiteAndNoScript)
{
    ASSERT_EQ(run({ "report", "--output", "report.html", "list.ini" }), 0) << m_err.str();
    std::ofstream("blank.html") << "<!DOCTYPE html><html><body></body></html>";
    const std::string page = "file://" + (m_folder.Path() / "report.html").string();
    for (const char* shot : { "report", "blank" }) {
        const std::string file = (m_folder.Path() / shot).string();
        const ProgramRun taken = chromium(
            { "--window-size=1200,900", "--screenshot=" + file + ".png", "file://" + file + ".html" });
        ASSERT_EQ(taken.status, 0) << taken.err;
    }
    EXPECT_GT(std::filesystem::file_size("report.png"), 4 * std::filesystem::file_size("blank.png"));
    const ProgramRun dom = chromium({ "--dump-dom", page });
    ASSERT_EQ(dom.status, 0) << dom.err;
    for (const char* row : { "<tr id=\"site-1\">", "<tr id=\"site-2\">", "<tr id=\"site-3\">" })
        EXPECT_NE(dom.out.find(row), std::string::npos) << row;
    EXPECT_NE(dom.out.find("<td>&lt;script&gt;alert(1)&lt;/script&gt;</td>"), std::string::npos) << dom.out;
    EXPECT_EQ(dom.out.find("<script"), std::string::npos);
    EXPECT_EQ(run({ "report", "--output", "/nonexistent/report.html", "list.ini" }), 2);
    EXPECT_EQ(m_err.str(),
        "linkwatch-cli: report: cannot write /nonexistent/report.html: No such file or directory\n");
}

}
