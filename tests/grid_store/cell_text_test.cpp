#include "grid_store/cell_text.h"

#include <gtest/gtest.h>

namespace {

struct TagCase {
    Text text;
    Text plain;
};

class CellTextRemoveTags : public testing::TestWithParam<TagCase>
{
};

TEST_P(CellTextRemoveTags, DropsTagsAndTurnsLineBreakTagsIntoCrLf)
{
    EXPECT_EQ(RemoveTags(GetParam().text), GetParam().plain);
}

INSTANTIATE_TEST_SUITE_P(CellText, CellTextRemoveTags,
    testing::Values(TagCase { "", "" }, TagCase { "plain", "plain" }, TagCase { "<b>x</b>y", "xy" },
        TagCase { "a<BR>b", "a\r\nb" }, TagCase { "a<br>b<Hr>c", "a\r\nb\r\nc" }, TagCase { "a<br/>b", "ab" },
        TagCase { "<br >", "" }, TagCase { "a<b", "a<b" }, TagCase { "x<i>y<z", "xy<z" },
        TagCase { "1 > 0", "1 > 0" }, TagCase { "<<b>>", ">" },
        TagCase { "<a href=\"http://x\">link</a>", "link" },
        TagCase { "<B>\xD5\xFD\xB3\xA3</B>", "\xD5\xFD\xB3\xA3" })); // 正常 in bold

struct KindCase {
    Text text;
    bool formatted;
    bool link;
    bool cellLink;
};

class CellTextKind : public testing::TestWithParam<KindCase>
{
};

TEST_P(CellTextKind, ClassifiesByTheMarkersItHolds)
{
    EXPECT_EQ(IsFormattedText(GetParam().text), GetParam().formatted);
    EXPECT_EQ(IsLinkText(GetParam().text), GetParam().link);
    EXPECT_EQ(IsCellLink(GetParam().text), GetParam().cellLink);
}

INSTANTIATE_TEST_SUITE_P(CellText, CellTextKind,
    testing::Values(KindCase { .text = "plain", .formatted = false, .link = false, .cellLink = false },
        KindCase { .text = "<b>x</b>", .formatted = true, .link = false, .cellLink = false },
        KindCase { .text = "<B>x", .formatted = true, .link = false, .cellLink = false },
        KindCase { .text = "<I>x", .formatted = true, .link = false, .cellLink = false },
        KindCase { .text = "<b>x", .formatted = false, .link = false, .cellLink = false },
        KindCase { .text = "a<i>b", .formatted = false, .link = false, .cellLink = false },
        KindCase { .text = "http://example.com/", .formatted = false, .link = true, .cellLink = false },
        KindCase { .text = "mailto:a@b", .formatted = false, .link = true, .cellLink = false },
        KindCase { .text = "MAILTO:a@b", .formatted = false, .link = false, .cellLink = false },
        KindCase { .text = "cell://2,3", .formatted = false, .link = true, .cellLink = true },
        KindCase { .text = "x CeLl://y", .formatted = false, .link = true, .cellLink = true },
        KindCase { .text = "www.example.com", .formatted = false, .link = false, .cellLink = false }));

}
