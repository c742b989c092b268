#include "base/data_folder.h"
#include "support/scratch_folder.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace {

namespace fs = std::filesystem;

struct ChoiceCase {
    const char* name;
    DataFolderFacts facts;
    fs::path folder;
    DataFolderOrigin origin;
};

class DataFolderChoice : public testing::TestWithParam<ChoiceCase>
{
};

TEST_P(DataFolderChoice, PicksTheFolderForTheFacts)
{
    const DataFolder chosen = chooseDataFolder(GetParam().facts);
    EXPECT_EQ(chosen.path, GetParam().folder);
    EXPECT_EQ(chosen.origin, GetParam().origin);
}

constexpr auto given = DataFolderOrigin::Given;
constexpr auto current = DataFolderOrigin::Current;
constexpr auto dataHome = DataFolderOrigin::DataHome;

INSTANTIATE_TEST_SUITE_P(DataFolder, DataFolderChoice,
    testing::Values(ChoiceCase { "CurrentFolderHoldsTheList",
                        { .current = "/srv/sites", .currentHoldsDataFile = true, .home = "/home/ann" },
                        "/srv/sites", current },
        ChoiceCase { "HomeHoldingTheListIsUsedAsItIs",
            { .current = "/home/ann",
                .currentHoldsDataFile = true,
                .currentIsHome = true,
                .home = "/home/ann" },
            "/home/ann", current },
        ChoiceCase { "WritableFolderWithoutAList", { .current = "/srv/new", .home = "/home/ann" }, "/srv/new",
            current },
        ChoiceCase { "StartedInHomeWithXdgUnset",
            { .current = "/home/ann", .currentIsHome = true, .home = "/home/ann" },
            "/home/ann/.local/share/linkwatch", dataHome },
        ChoiceCase { "StartedInHomeWithXdgSet",
            { .current = "/home/ann",
                .currentIsHome = true,
                .xdgDataHome = "/data/ann",
                .home = "/home/ann" },
            "/data/ann/linkwatch", dataHome },
        ChoiceCase { "RelativeXdgIsIgnored",
            { .current = "/home/ann", .currentIsHome = true, .xdgDataHome = "data", .home = "/home/ann" },
            "/home/ann/.local/share/linkwatch", dataHome },
        ChoiceCase { "CurrentFolderUnwritable",
            { .current = "/", .currentWritable = false, .home = "/home/ann" },
            "/home/ann/.local/share/linkwatch", dataHome },
        ChoiceCase { "CurrentFolderGone", { .currentWritable = false, .xdgDataHome = "/data/ann" },
            "/data/ann/linkwatch", dataHome },
        ChoiceCase {
            "NoHomeAndNoXdgStaysInCurrent", { .current = "/", .currentWritable = false }, "/", current },
        ChoiceCase { "RelativeDirFromHome",
            { .given = "sites", .current = "/home/ann", .currentIsHome = true, .home = "/home/ann" },
            "/home/ann/sites", given },
        ChoiceCase { "AbsoluteDirBeatsAListInCurrent",
            { .given = "/srv/lists", .current = "/srv/sites", .currentHoldsDataFile = true }, "/srv/lists",
            given }),
    [](const testing::TestParamInfo<ChoiceCase>& info) { return info.param.name; });

std::string contents(const fs::path& file)
{
    std::ifstream in(file);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(DataFolder, SeedsANewFolderOnceAndNeverReplacesTheList)
{
    ScratchFolder scratch("data_folder", ScratchFolder::Enter::Yes);
    std::ofstream(scratch.Path() / "example.ini") << "example";
    const DataFolder folder { scratch.Path() / "share" / "linkwatch", DataFolderOrigin::DataHome };

    ASSERT_EQ(enterDataFolder(folder, "list.ini", scratch.Path() / "example.ini"), "");
    EXPECT_EQ(fs::current_path(), folder.path);
    EXPECT_EQ(contents(folder.path / "list.ini"), "example");

    std::ofstream(folder.path / "list.ini") << "mine";
    ASSERT_EQ(enterDataFolder(folder, "list.ini", scratch.Path() / "example.ini"), "");
    EXPECT_EQ(contents(folder.path / "list.ini"), "mine");
}

TEST(DataFolder, ProbeFindsTheListAndTheHomeFolder)
{
    ScratchFolder scratch("data_folder_home", ScratchFolder::Enter::Yes);
    const char* home = std::getenv("HOME");
    const std::string savedHome = home ? home : "";
    ::setenv("HOME", (scratch.Path() / "." / "").c_str(), 1);
    std::ofstream(scratch.Path() / "list.ini") << "mine";

    const DataFolderFacts facts = probeDataFolderFacts("", "list.ini");
    ::setenv("HOME", savedHome.c_str(), 1);
    EXPECT_TRUE(facts.currentIsHome);
    EXPECT_TRUE(facts.currentHoldsDataFile);
    EXPECT_FALSE(probeDataFolderFacts("", "other.ini").currentHoldsDataFile);
}

}
