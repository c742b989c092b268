#include "check/site_list_layout.h"
#include "app/site_list_snapshot.h"
#include "check/site_list_texts.h"
#include "grid_store/cell_store.h"

#include <functional>
#include <gtest/gtest.h>

namespace {

struct SnapshotCase {
    const char* name;
    std::function<void(CellStore&)> change;
    bool equal;
};

void PrintTo(const SnapshotCase& snapshotCase, std::ostream* out) { *out << snapshotCase.name; }

class SiteListSnapshotTest : public testing::TestWithParam<SnapshotCase>
{
protected:
    void SetUp() override
    {
        ShapeSiteList(store);
        store.SetRowCount(3);
        store.SetCells(SiteNameCol, 1, "name");
        store.SetCells(SiteStatusCol, 1, StatusNormal);
        store.SetColWidths(SiteAddressCol, 193);
    }

    CellStore store;
};

TEST_P(SiteListSnapshotTest, TellsWhetherTheListWouldSaveDifferently)
{
    const SiteListSnapshot before = SiteListSnapshot::Of(store);
    GetParam().change(store);
    EXPECT_EQ(SiteListSnapshot::Of(store) == before, GetParam().equal);
}

INSTANTIATE_TEST_SUITE_P(SiteListSnapshot, SiteListSnapshotTest,
    testing::Values(SnapshotCase { .name = "Nothing", .change = [](CellStore&) {}, .equal = true },
        SnapshotCase { .name = "TextTyped",
            .change = [](CellStore& s) { s.SetCells(SiteAddressCol, 2, "x"); },
            .equal = false },
        SnapshotCase { .name = "TextChangedBack",
            .change =
                [](CellStore& s) {
                    s.SetCells(SiteNameCol, 1, "other");
                    s.SetCells(SiteNameCol, 1, "name");
                },
            .equal = true },
        SnapshotCase { .name = "StatusPicked",
            .change = [](CellStore& s) { s.SetCells(SiteStatusCol, 1, StatusDead); },
            .equal = false },
        SnapshotCase {
            .name = "RowInserted", .change = [](CellStore& s) { s.InsertRow(1); }, .equal = false },
        SnapshotCase {
            .name = "LastRowDeleted", .change = [](CellStore& s) { s.DeleteRow(2); }, .equal = false },
        SnapshotCase { .name = "ColumnResized",
            .change = [](CellStore& s) { s.SetColWidths(SiteAddressCol, 200); },
            .equal = false },
        SnapshotCase { .name = "IconChanged",
            .change = [](CellStore& s) { s.AddImageIdx(SiteStatusCol, 1, 2, haBeforeText, vaTop); },
            .equal = true },
        SnapshotCase { .name = "TextOutsideTheCounts",
            .change = [](CellStore& s) { s.SetCells(18, 1, "x"); },
            .equal = true }),
    [](const testing::TestParamInfo<SnapshotCase>& info) { return std::string(info.param.name); });

}
