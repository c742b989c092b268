#include "grid/cell_text.h"

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
    testing::Values(KindCase { "plain", false, false, false }, KindCase { "<b>x</b>", true, false, false },
        KindCase { "<B>x", true, false, false }, KindCase { "<I>x", true, false, false },
        KindCase { "<b>x", false, false, false }, KindCase { "a<i>b", false, false, false },
        KindCase { "http://example.com/", false, true, false }, KindCase { "mailto:a@b", false, true, false },
        KindCase { "MAILTO:a@b", false, false, false }, KindCase { "cell://2,3", false, true, true },
        KindCase { "x CeLl://y", false, true, true }, KindCase { "www.example.com", false, false, false }));

}
