#pragma once

#include <string_view>

// Whether a page's <link rel="canonical"> href, as the page writes it,
// names another page than the address the page was fetched from. The href
// is read with its character references decoded and, when relative,
// against the page's address ("/x", "?x", "x", "//host/x"). Two addresses
// name the same page when they are on the same site (WebAddress's rules:
// letter case of the host, one "www." and the default port aside) and
// their rests, fragments dropped and the slash ending the path dropped,
// are equal. An empty href, or a page address that is no http or https
// address, names no other page. Pure function; safe from any thread.
bool NamesOtherPage(std::string_view canonical, std::string_view pageUrl);
