#include "check/open_file_limit.h"
#include "cli/cli_app.h"
#include "cli/descriptor_output.h"

#include <csignal>
#include <cstring>
#include <iostream>
#include <unistd.h>

namespace {

constexpr int outputFailure = 2;

}

int main(int argc, char** argv)
{
    // Past a file-size limit (ulimit -f) a write then fails with EFBIG, as on
    // a full disk, and is told, instead of the signal ending the process.
    std::signal(SIGXFSZ, SIG_IGN);
    RaiseOpenFileLimit();
    std::ios::sync_with_stdio(false);
    DescriptorOutput written(STDOUT_FILENO);
    std::ostream out(&written);
    const int status = runCli(std::vector<std::string>(argv + 1, argv + argc), out, std::cerr);
    out.flush();
    if (written.Failure() == 0)
        return status;
    std::cerr << "linkwatch-cli: cannot write the output: " << std::strerror(written.Failure()) << '\n';
    return outputFailure;
}
