#pragma once

#include "cli/cli_arguments.h"

#include <iosfwd>

// linkwatch-cli run: reads a site list file (the program's "帐号.ini" by
// default) and checks it as the CHECK button does: every entry whose status
// is exactly "正常", top to bottom, gets the next run number and one link
// check worker with its address and query trimmed, started 20 ms after the
// one before (at once with --no-delay, and only while fewer than --jobs run),
// never more than --per-host of one host fetching at once (SiteChecks).
// Prints each result in the chosen format as soon as it and those before it
// are in: by default one line per active entry with run number, name,
// address and verdict, tab-separated, in the terminal's encoding.
//
// Unless told not to, the run is then recorded in the list's history
// database (RunHistory), and with a web hook given, the changes since the
// list's run before are posted to it when there are any, after those of
// earlier runs whose notices failed.
//
// The list's own pages (mine add), when its database keeps any, are fetched
// once beside the partners (OwnPagesRun): every result gets back and
// back_anchor before it is written, and the run ends with one line on err
// counting the one-sided partners and the sites the own pages link that
// the list does not name.
//
// Returns 0 when every site was found, 1 when any is missing (or, with
// --fail-on not-counted, any link found does not count), 3 when none is
// missing but any is unreachable, 2 when the file cannot be read (the reason
// goes to err); a run that could not be recorded keeps that status. 4 when
// the web hook was not told of the changes (why goes to err; they are kept
// for the next notice). Blocks as long as the slowest worker runs, which the
// workers' own receive time-outs bound, then for the recording and the web
// hook's answer.
int runSiteList(const RunArguments& arguments, std::ostream& out, std::ostream& err);
