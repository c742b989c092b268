#pragma once

#include "base/text.h"

#include <string>

// Conversion between the system's GBK text and UTF-8, used only where text
// leaves or enters the system: the window toolkit, the terminal, and the search
// for a query on a page served in UTF-8. Safe to call from any thread.

// Bytes that are not valid GBK become U+FFFD.
std::string GbkToUtf8(const Text& gbk);

// Characters GBK cannot hold, and bytes that are not valid UTF-8, become "?".
Text Utf8ToGbk(const std::string& utf8);
