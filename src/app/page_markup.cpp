#include "app/page_markup.h"

#include "app/html_tag_scan.h"
#include "app/near_match.h"

namespace {

bool isLinkTag(std::string_view name)
{
    return EqualsIgnoringCase(name, "a") || EqualsIgnoringCase(name, "area");
}

// Gives the first href of the current tag to near.
void readLink(HtmlTagScan& scan, NearMatch& near)
{
    HtmlAttribute attribute;
    while (scan.NextAttribute(attribute)) {
        if (EqualsIgnoringCase(attribute.name, "href")) {
            near.Consider(attribute.value);
            return;
        }
    }
}

}

PageMarkup ReadPageMarkup(std::string_view page, const Text& query, bool queryFound)
{
    NearMatch near(queryFound ? Text() : query);
    HtmlTagScan scan(page);
    while (near.Wanted() && scan.NextTag()) {
        if (isLinkTag(scan.TagName()))
            readLink(scan, near);
    }
    return { .near = near.Link(), .nearDifference = near.Difference() };
}
