#pragma once

#include "base/text.h"

#include <string_view>

// The anchor text of a link as a visitor reads it, from the element's
// content as the page writes it (the bytes between "<a …>" and its end):
// tags and comments removed, a <br> read as a blank, character references
// decoded, every run of blanks, &nbsp; (U+00A0) and U+3000 folded to one
// space, and the ends trimmed. A link of no text but an image gives
// "[图片] " and the first image's alt. The text comes back in GBK (a UTF-8
// page's converted), at most OutcomeTextLimit bytes; content is read only
// as far as that needs. Pure function; safe from any thread.
Text ReadAnchorText(std::string_view content, bool utf8Page);

// "[图片] " and an image's alt, read the same way: the anchor of an <area>.
Text ImageAnchorText(std::string_view alt, bool utf8Page);
