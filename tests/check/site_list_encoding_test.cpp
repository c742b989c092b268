#include "check/site_list_encoding.h"
#include "check/site_list_layout.h"
#include "check/site_list_texts.h"
#include "base/gbk_codec.h"
#include "grid_store/cell_store.h"

#include <gtest/gtest.h>

namespace {

struct ListCase {
    const char* name;
    Text siteName;
    Text status;
    bool utf8;
};

class SiteListEncoding : public testing::TestWithParam<ListCase>
{
};

TEST_P(SiteListEncoding, TellsAUtf8ListFromTheSystemsOwn)
{
    CellStore list = SiteListStore();
    list.SetCells(SiteNameCol, 1, GetParam().siteName);
    list.SetCells(SiteStatusCol, 2, GetParam().status);
    EXPECT_EQ(LooksLikeUtf8SiteList(list), GetParam().utf8);
}

INSTANTIATE_TEST_SUITE_P(Lists, SiteListEncoding,
    testing::Values(ListCase { "Utf8NameAndStatus", GbkToUtf8("\xBC\xD7"), GbkToUtf8(StatusPaused), true },
        ListCase { "Utf8StatusWithACharacterGbkLacks", "\xF0\x9F\x98\x80", GbkToUtf8(StatusNormal), true },
        ListCase { "GbkList", "\xBC\xD7", StatusNormal, false },
        ListCase { "Utf8NameWithoutAStatus", GbkToUtf8("\xBC\xD7"), "", false },
        ListCase { "Utf8StatusBesideABrokenSequence", "\xE4\xB8", GbkToUtf8(StatusNormal), false },
        ListCase { "Utf8StatusBesideASurrogate", "\xED\xA0\x80", GbkToUtf8(StatusNormal), false }),
    [](const testing::TestParamInfo<ListCase>& info) { return std::string(info.param.name); });

}
