#pragma once

#include "cli/cli_arguments.h"

#include <iosfwd>

// linkwatch-cli mine: the operator's own pages of a site list, kept in the
// list's history database (linkwatch.db beside it, or --db).
//  - add URL: keeps URL (OwnPageAddressFault says which it refuses);
//  - remove URL: forgets it;
//  - list: prints them, one address a row, in the order added;
//  - orphans: fetches them as run does and prints their links to sites no
//    entry of the list names (any status): href, rel (none, or nofollow
//    when every link to the site has nofollow, sponsored or ugc), anchor,
//    links, site, own_page.
// Returns 0 when done; 2 for an address refused, one added twice or removed
// while not there, a list or database that cannot be read or written, and
// orphans of a list without own pages (why goes to err; nothing is stored
// then); 3 when orphans could not read an own page (its links are left out).
// Blocks on the file system, for orphans also on the fetches, which their
// time-outs bound.
int runMine(const MineArguments& arguments, std::ostream& out, std::ostream& err);
