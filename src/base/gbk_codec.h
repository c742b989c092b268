#pragma once

#include "base/text.h"

#include <string>
#include <string_view>

// Conversion between the system's GBK text and UTF-8, used only where text
// leaves or enters the system: the window toolkit, the terminal, and the search
// for a query on a page served in UTF-8. Safe to call from any thread.

// Bytes that are not valid GBK become U+FFFD.
std::string GbkToUtf8(const Text& gbk);

// Characters GBK cannot hold, and bytes that are not valid UTF-8, become "?".
Text Utf8ToGbk(const std::string& utf8);

// The loss-free pair, for text that goes out to be edited and comes back:
// every byte that is not valid GBK (always one at or above 0x80) becomes the
// private-use character U+F700 + byte, in U+F780 .. U+F7FF, and
// Utf8ToGbkExact turns each of those back into its byte, so
// Utf8ToGbkExact(GbkToUtf8Exact(bytes)) == bytes for any bytes. Other
// characters GBK cannot hold, and bytes that are not valid UTF-8, become "?".
std::string GbkToUtf8Exact(const Text& gbk);
Text Utf8ToGbkExact(std::string_view utf8);

// Where to cut text so that no GBK double-byte character is split: the last
// character boundary at or before limit, walking from from, itself a
// boundary. text must be longer than limit.
std::size_t GbkCharacterCut(std::string_view text, std::size_t from, std::size_t limit);

// Where to cut UTF-8 text so that no character is split: the last character
// boundary at or before limit. text must be longer than limit.
std::size_t Utf8CharacterCut(std::string_view text, std::size_t limit);
