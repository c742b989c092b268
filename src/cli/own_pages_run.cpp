#include "cli/own_pages_run.h"

#include "cli/control_bytes.h"
#include "cli/own_pages.h"

#include <ostream>

OwnPagesRun::OwnPagesRun(std::vector<Text> ownPages, const RunArguments& arguments)
{
    if (ownPages.empty())
        return;
    const OwnPageFetchSettings settings { arguments.noDelay,
        std::chrono::milliseconds(arguments.report.waitLimitMs.value_or(0)), {} };
    m_fetch = std::async(std::launch::async,
        [pages = std::move(ownPages), settings] { return ReadOwnPages(pages, settings); });
}

const OwnPagesRead& OwnPagesRun::read()
{
    if (!m_read)
        m_read = m_fetch.get();
    return *m_read;
}

void OwnPagesRun::Judge(SiteResult& result)
{
    if ((!m_fetch.valid() && !m_read) || !result.outcome)
        return;
    result.outcome->back = read().links.BackOf(result.address, result.outcome->backAnchor);
}

void OwnPagesRun::Summarize(
    int oneSided, const std::vector<Text>& partnerAddresses, OutputEncoding encoding, std::ostream& err)
{
    if (!m_fetch.valid() && !m_read)
        return;
    const OwnPagesRead& own = read();
    for (const Text& fault : own.faults)
        err << "linkwatch-cli: own page not read: "
            << defusedText(encodedText(fault, encoding), ControlBytes::Escaped) << '\n';
    const std::size_t orphans = OrphanSites(own.links, partnerAddresses).size();
    // 单向链接 N 个，未列入的友链 M 个
    err << encodedText("\xB5\xA5\xCF\xF2\xC1\xB4\xBD\xD3 " + std::to_string(oneSided)
            + " \xB8\xF6\xA3\xAC\xCE\xB4\xC1\xD0\xC8\xEB\xB5\xC4\xD3\xD1\xC1\xB4 " + std::to_string(orphans)
            + " \xB8\xF6",
        encoding)
        << '\n';
}
