#include "check/page_markup.h"

#include "check/html_tag_scan.h"
#include "check/near_match.h"

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

// Gives the first name and content of the current tag to robots.
void readMeta(HtmlTagScan& scan, RobotsDirectives& robots)
{
    std::string_view name;
    std::string_view content;
    HtmlAttribute attribute;
    while (scan.NextAttribute(attribute)) {
        if (name.empty() && EqualsIgnoringCase(attribute.name, "name"))
            name = attribute.value;
        else if (content.empty() && EqualsIgnoringCase(attribute.name, "content"))
            content = attribute.value;
    }
    robots.AddMeta(name, content);
}

}

PageMarkup ReadPageMarkup(std::string_view page, const Text& query, bool queryFound)
{
    NearMatch near(queryFound ? Text() : query);
    PageMarkup markup;
    HtmlTagScan scan(page);
    while (scan.NextTag()) {
        const std::string_view name = scan.TagName();
        if (near.Wanted() && isLinkTag(name))
            readLink(scan, near);
        else if (EqualsIgnoringCase(name, "meta"))
            readMeta(scan, markup.robots);
    }
    markup.near = near.Link();
    markup.nearDifference = near.Difference();
    return markup;
}
