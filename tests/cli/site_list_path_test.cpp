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
    fs::create_directories(scratch.Path() / "real" / "sub");
    fs::create_directory_symlink(scratch.Path() / "real", scratch.Path() / "link");
    const std::string windowKey = (fs::canonical(scratch.Path() / "real") / "x.ini").string();
    EXPECT_EQ(listFileKey((scratch.Path() / "link" / "x.ini").string()), windowKey);
    EXPECT_EQ(listFileKey((scratch.Path() / "link" / "sub" / ".." / "x.ini").string()), windowKey);
    EXPECT_EQ(historyDatabasePath("", windowKey),
        (fs::canonical(scratch.Path() / "real") / "linkwatch.db").string());
}

}
