#pragma once

#include <cstddef>
#include <string_view>

// Where part first occurs in text at or after from; npos when nowhere, as
// std::string_view::find answers. Searches a page a fetch brought many
// times faster than the standard find, which compares at every byte that
// holds part's first byte: a web address starts with "h", of which a page
// has thousands. Pure function; safe from any thread.
std::size_t FindBytes(std::string_view text, std::string_view part, std::size_t from = 0);
