// Drives the real linkwatch program from outside: a virtual X display, a
// prepared site list in a temporary folder, a real X mouse click on CHECK,
// and the verdicts read back from the program's result dump.

#include "app/result_grid_layout.h"
#include "check/site_list_layout.h"
#include "check/site_list_texts.h"
#include "grid_store/cell_store.h"
#include "grid_store/grid_file.h"
#include "support/child_process.h"
#include "support/loopback_http_server.h"
#include "support/loopback_server.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sstream>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr char query[] = "http://www.linkwatch.example/";

bool toolExists(const char* name)
{
    return std::system((std::string("command -v ") + name + " >/dev/null").c_str()) == 0;
}

// Starts program with arguments and extra environment entries in folder; -1 on failure.
pid_t spawn(const std::vector<std::string>& command, const std::vector<std::string>& extraEnvironment,
    const std::string& folder = "")
{
    std::vector<std::string> environment(extraEnvironment);
    for (char** entry = environ; *entry; ++entry)
        environment.emplace_back(*entry);
    std::vector<char*> argv;
    for (const std::string& part : command)
        argv.push_back(const_cast<char*>(part.c_str()));
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (const std::string& entry : environment)
        envp.push_back(const_cast<char*>(entry.c_str()));
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (!folder.empty())
        posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    pid_t pid = -1;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

std::string output(const std::string& command)
{
    std::string text;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[256];
        while (std::fgets(buffer, sizeof(buffer), pipe))
            text += buffer;
        ::pclose(pipe);
    }
    return text;
}

std::string readFile(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream contents;
    contents << file.rdbuf();
    return contents.str();
}

class LinkWatchProgram : public testing::Test
{
protected:
    void SetUp() override
    {
        if (!toolExists("Xvfb") || !toolExists("xdotool"))
            GTEST_SKIP() << "Xvfb and xdotool are needed (scripts/install-deps.sh installs them)";
        folder = std::filesystem::temp_directory_path() / ("linkwatch-e2e-" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder);
        startDisplay();
    }

    void TearDown() override
    {
        stopProgram(program);
        stopProgram(xvfb);
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }

    void startDisplay()
    {
        // Xvfb picks a free display number and writes it to the pipe.
        int fds[2];
        ASSERT_EQ(::pipe(fds), 0);
        xvfb = spawn({ "Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", "1024x768x24",
                         "-nolisten", "tcp" },
            {});
        ::close(fds[1]);
        char number[16] = {};
        const ssize_t got = ::read(fds[0], number, sizeof(number) - 1);
        ::close(fds[0]);
        ASSERT_GT(got, 0);
        display = ":" + std::to_string(std::stoi(number));
    }

    void writeSiteList(const std::vector<std::vector<Text>>& rows)
    {
        CellStore store = SiteListStore();
        store.SetRowCount(static_cast<int>(rows.size()) + 1);
        for (std::size_t row = 0; row < rows.size(); ++row)
            for (std::size_t col = 0; col < SiteListColCount; ++col)
                store.SetCells(static_cast<int>(col), static_cast<int>(row) + 1, rows[row][col]);
        // The grid file functions take GBK names.
        SaveToFile(store, (folder / SiteListFileName).string());
    }

    std::string xdotool(const std::string& arguments)
    {
        return output("DISPLAY=" + display + " timeout 10 xdotool " + arguments + " 2>/dev/null");
    }

    // Waits, bounded, until the dump satisfies ready.
    bool waitForDump(const std::function<bool(const std::string&)>& ready, std::chrono::milliseconds limit)
    {
        return WaitUntil([&] { return ready(readFile(folder / "dump")); }, limit);
    }

    std::filesystem::path folder;
    std::string display;
    pid_t xvfb = -1;
    pid_t program = -1;
};

TEST_F(LinkWatchProgram, ARealClickOnCheckFillsInTheVerdicts)
{
    LoopbackHttpServer server([](const std::string& head) {
        const bool holds = head.rfind("GET /partner", 0) == 0;
        return LoopbackHttpServer::Reply(
            "200 OK", holds ? std::string("<a href=\"") + query + "\">LinkWatch</a>" : "<p>none</p>");
    });
    writeSiteList({ { "with", server.Url("/partner.htm"), query, StatusNormal },
        { "paused", server.Url("/partner.htm"), query, StatusPaused },
        { "without", server.Url("/other.htm"), query, StatusNormal } });

    const auto started = Clock::now();
    program = spawn({ LINKWATCH_PROGRAM },
        { "DISPLAY=" + display, "LINKWATCH_RESULT_DUMP=" + (folder / "dump").string(),
            "QT_QPA_PLATFORM=xcb" },
        folder.string());
    ASSERT_GT(program, 0);
    const std::string window = xdotool("search --sync --onlyvisible --name LinkWatch");
    ASSERT_FALSE(window.empty());
    const auto shown = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started);
    RecordProperty("start_to_window_ms", static_cast<int>(shown.count()));
    std::printf("start to visible window: %lld ms\n", static_cast<long long>(shown.count()));

    ASSERT_TRUE(waitForDump([](const std::string& dump) { return dump.rfind("check ", 0) == 0; }, 10s));
    std::istringstream first(readFile(folder / "dump"));
    std::string word;
    int x = 0;
    int y = 0;
    first >> word >> x >> y;
    const std::string windowId = window.substr(0, window.find('\n'));
    // A window just mapped may not take input yet; the click is repeated
    // until the run has started. CHECK disables itself, so a click that comes
    // after the first one that worked changes nothing.
    const std::string click
        = "mousemove --window " + windowId + " " + std::to_string(x) + " " + std::to_string(y) + " click 1";
    bool runStarted = false;
    for (int attempt = 0; attempt < 20 && !runStarted; ++attempt) {
        xdotool(click);
        runStarted = waitForDump(
            [](const std::string& dump) { return dump.find("\n1\twith\t") != std::string::npos; }, 1s);
    }
    ASSERT_TRUE(runStarted) << readFile(folder / "dump");

    const std::string rowWith = Text("1\twith\t") + server.Url("/partner.htm") + "\t" + verdictFound + "\n";
    const std::string rowWithout
        = Text("2\twithout\t") + server.Url("/other.htm") + "\t" + verdictNotFound + "\n";
    EXPECT_TRUE(waitForDump(
        [&](const std::string& dump) {
            return dump.find(rowWith) != std::string::npos && dump.find(rowWithout) != std::string::npos;
        },
        20s))
        << readFile(folder / "dump");
    EXPECT_EQ(server.Requests(), 2);
}

// The program's own options, which it answers before it looks for a display.
// clang-format off
struct OptionCase { const char* name; std::vector<std::string> arguments; int status; std::string outStart; std::string errStart; };
const OptionCase optionCases[] = {
    { .name = "HelpPrintsTheUsage", .arguments = { "--help" }, .status = 0, .outStart = "usage: linkwatch [--dir DIR]", .errStart = "" },
    { .name = "QtOptionsLeaveTheShortHelp", .arguments = { "-style", "fusion", "-h" }, .status = 0,
        .outStart = "usage: linkwatch [--dir DIR]", .errStart = "" },
    { .name = "VersionAfterAFolder", .arguments = { "--dir=sites", "-platform", "offscreen", "--version" }, .status = 0,
        .outStart = "linkwatch ", .errStart = "" },
    { .name = "DirWithoutAFolderIsAUsageError", .arguments = { "--version", "--dir" }, .status = 2, .outStart = "",
        .errStart = "linkwatch: option --dir needs a folder\nusage: linkwatch [--dir DIR]" },
    { .name = "AnEmptyDirIsAUsageError", .arguments = { "--dir=", "--version" }, .status = 2, .outStart = "",
        .errStart = "linkwatch: option --dir needs a folder\n" },
    { .name = "ASecondDirIsAUsageError", .arguments = { "--dir", "a", "--dir", "b", "--version" }, .status = 2, .outStart = "",
        .errStart = "linkwatch: option --dir given more than once\n" },
};
// clang-format on
void PrintTo(const OptionCase& testCase, std::ostream* out) { *out << testCase.name; }

using LinkWatchOptions = testing::TestWithParam<OptionCase>;
TEST_P(LinkWatchOptions, AreAnsweredBeforeAnyWindow)
{
    const ProgramRun run = runProgram(LINKWATCH_PROGRAM, GetParam().arguments);
    EXPECT_EQ(run.status, GetParam().status) << run.err;
    EXPECT_EQ(run.out.substr(0, GetParam().outStart.size()), GetParam().outStart);
    EXPECT_EQ(run.err.substr(0, GetParam().errStart.size()), GetParam().errStart);
}
INSTANTIATE_TEST_SUITE_P(Cases, LinkWatchOptions, testing::ValuesIn(optionCases),
    [](const testing::TestParamInfo<OptionCase>& info) { return std::string(info.param.name); });

}
