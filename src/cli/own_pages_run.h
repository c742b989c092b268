#pragma once

#include "check/own_page_fetch.h"
#include "cli/cli_arguments.h"
#include "cli/result_table.h"

#include <future>
#include <iosfwd>
#include <optional>
#include <vector>

// The operator's own pages in one linkwatch-cli run: fetched once each, on
// a thread of their own beside the partners' checks (ReadOwnPages), with
// the run's start delay and receive time-out; each partner's result is then
// told whether they link back. A run without own pages fetches nothing and
// leaves back unchecked.
//
// Thread: made, asked and destroyed by the run's own thread. The first
// Judge, Summarize and the destructor wait for the fetches, which the
// workers' own time-outs bound.
class OwnPagesRun
{
public:
    OwnPagesRun(std::vector<Text> ownPages, const RunArguments& arguments);

    // Sets the result's back and back anchor (OwnPageLinks::BackOf).
    void Judge(SiteResult& result);
    // Once every result is judged: a line on err for each own page that
    // could not be read, then "单向链接 N 个，未列入的友链 M 个" (N the run's
    // one-sided exchanges, M by OrphanSites over the list's partners).
    void Summarize(
        int oneSided, const std::vector<Text>& partnerAddresses, OutputEncoding encoding, std::ostream& err);

private:
    const OwnPagesRead& read();

    std::future<OwnPagesRead> m_fetch;
    std::optional<OwnPagesRead> m_read;
};
