#include "app/open_file_limit.h"
#include "cli/cli_app.h"

#include <iostream>

int main(int argc, char** argv)
{
    RaiseOpenFileLimit();
    std::ios::sync_with_stdio(false);
    return runCli(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
}
