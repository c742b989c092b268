#include "cli/site_list_path.h"
#include "support/scratch_folder.h"

#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;

// The window records its runs under its current folder, which the system
// names with every link resolved.
TEST(SiteListKey, AListReachedThroughALinkedFolderHasTheKeyTheWindowRecords)
{
    const ScratchFolder scratch("linkwatch-list-key");
    fs::create_directory(scratch.Path() / "real");
    fs::create_directory_symlink(scratch.Path() / "real", scratch.Path() / "link");
    EXPECT_EQ(listFileKey((scratch.Path() / "link" / "x.ini").string()),
        (fs::canonical(scratch.Path() / "real") / "x.ini").string());
}

}
