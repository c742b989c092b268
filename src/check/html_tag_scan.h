#pragma once

#include "check/html_markup.h"

#include <string_view>

// Walks the start tags of a page from its top to its end, reading the page
// where it lies and never going back: each byte is looked at a bounded
// number of times, so the cost grows with the page, however its markup is
// broken. A comment (from "<!--" to the next "-->", or to the page's end)
// is skipped whole; everything else that starts with '<' and a letter is a
// tag. The page must outlive the scan; one thread at a time.
class HtmlTagScan
{
public:
    explicit HtmlTagScan(std::string_view page);

    // Moves to the next start tag; false when the page has no more.
    bool NextTag();
    // The current tag's name as the page writes it.
    std::string_view TagName() const { return m_name; }
    // Reads the current tag's next attribute (ReadHtmlAttribute); false at
    // the tag's end. Attributes not read are passed over by NextTag.
    bool NextAttribute(HtmlAttribute& attribute);

private:
    std::string_view m_rest;
    std::string_view m_name;
};
