#include "support/child_process.h"
#include "support/scratch_folder.h"

#include <gtest/gtest.h>

namespace {

// linkwatch-cli started by the shell ("$0"), after it has set a limit or sent
// the output somewhere.
struct OutputCase {
    const char* name;
    std::string shell;
    int status;
    std::string errStart;
};

void PrintTo(const OutputCase& testCase, std::ostream* out) { *out << testCase.name; }

// clang-format off
const OutputCase outputCases[] = {
    { .name = "FullDeviceIsToldAndFails", .shell = R"(exec "$0" --help > /dev/full)", .status = 2,
        .errStart = "linkwatch-cli: cannot write the output: No space left on device\n" },
    { .name = "FileSizeLimitIsToldAndFails", .shell = R"(ulimit -f 1 && exec "$0" --help > help.txt)",
        .status = 2, .errStart = "linkwatch-cli: cannot write the output: File too large\n" },
    { .name = "HistoryBeyondTheFileSizeLimitIsToldAndTheCheckStands",
        .shell = R"(printf '4,1\r\n' > list.ini && ulimit -f 1 && exec "$0" run list.ini)", .status = 0,
        .errStart = "linkwatch-cli: history: 0 results not recorded: " },
};
// clang-format on

using CliOutput = testing::TestWithParam<OutputCase>;
TEST_P(CliOutput, ThatCannotBeWrittenIsTold)
{
    const ScratchFolder folder("cli_output", ScratchFolder::Enter::Yes);
    ASSERT_FALSE(folder.Path().empty());
    const ProgramRun run = runProgram("/bin/sh", { "-c", GetParam().shell, LINKWATCH_CLI_PATH });
    EXPECT_EQ(run.status, GetParam().status) << run.err;
    EXPECT_EQ(run.err.substr(0, GetParam().errStart.size()), GetParam().errStart);
}
INSTANTIATE_TEST_SUITE_P(Limits, CliOutput, testing::ValuesIn(outputCases),
    [](const testing::TestParamInfo<OutputCase>& info) { return std::string(info.param.name); });

}
