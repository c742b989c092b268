#include "base/data_folder.h"
#include "support/scratch_folder.h"

#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

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

// Home is /h, XDG_DATA_HOME /x when set.
INSTANTIATE_TEST_SUITE_P(DataFolder, DataFolderChoice,
    testing::Values(ChoiceCase { "CurrentHoldsTheList",
                        { .current = "/s", .currentHoldsDataFile = true, .home = "/h" }, "/s", current },
        ChoiceCase { "HomeHoldingTheListIsUsedAsItIs",
            { .current = "/h", .currentHoldsDataFile = true, .currentIsHome = true, .home = "/h" }, "/h",
            current },
        ChoiceCase { "WritableFolderWithoutAList", { .current = "/s", .home = "/h" }, "/s", current },
        ChoiceCase { "HomeWithXdgUnset", { .current = "/h", .currentIsHome = true, .home = "/h" },
            "/h/.local/share/linkwatch", dataHome },
        ChoiceCase { "HomeWithXdgSet",
            { .current = "/h", .currentIsHome = true, .xdgDataHome = "/x", .home = "/h" }, "/x/linkwatch",
            dataHome },
        ChoiceCase { "RelativeXdgIsIgnored",
            { .current = "/h", .currentIsHome = true, .xdgDataHome = "x", .home = "/h" },
            "/h/.local/share/linkwatch", dataHome },
        ChoiceCase { "CurrentUnwritable", { .current = "/", .currentWritable = false, .home = "/h" },
            "/h/.local/share/linkwatch", dataHome },
        ChoiceCase {
            "NoHomeAndNoXdgStaysInCurrent", { .current = "/", .currentWritable = false }, "/", current },
        ChoiceCase { "RelativeDirFromHome",
            { .given = "d", .current = "/h", .currentIsHome = true, .home = "/h" }, "/h/d", given },
        ChoiceCase { "AbsoluteDirBeatsAListInCurrent",
            { .given = "/d", .current = "/s", .currentHoldsDataFile = true }, "/d", given }),
    [](const testing::TestParamInfo<ChoiceCase>& info) { return info.param.name; });

std::string contents(const fs::path& file)
{
    std::ifstream in(file);
    return { std::istreambuf_iterator<char>(in), {} };
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

}
