#include "cli/mine_command.h"

#include "base/gbk_codec.h"
#include "base/wall_clock.h"
#include "check/own_page_fetch.h"
#include "check/site_list_layout.h"
#include "cli/control_bytes.h"
#include "cli/own_page_address.h"
#include "cli/own_pages.h"
#include "cli/site_list_file.h"
#include "cli/site_list_path.h"
#include "grid_store/cell_store.h"
#include "history/history_error.h"
#include "history/history_store.h"
#include "history/listed_own_pages.h"

#include <chrono>
#include <ostream>

namespace {

constexpr int refused = 2;
constexpr int ownPageUnread = 3;

const char* actionName(MineAction action)
{
    switch (action) {
    case MineAction::Add:
        return "add";
    case MineAction::Remove:
        return "remove";
    case MineAction::List:
        return "list";
    case MineAction::Orphans:
        break;
    }
    return "orphans";
}

int addOrRemove(const MineArguments& arguments, const std::string& database, const std::string& listKey,
    std::ostream& err)
{
    const std::string shown = "'" + defusedText(arguments.url, ControlBytes::Escaped) + "'";
    if (arguments.action == MineAction::Add) {
        if (const std::string fault = OwnPageAddressFault(arguments.url); !fault.empty()) {
            err << "linkwatch-cli: mine add: " << shown << " " << fault << "; nothing stored\n";
            return refused;
        }
        if (!HistoryStore(database).AddOwnPage(listKey, arguments.url, SecondsSinceEpoch())) {
            err << "linkwatch-cli: mine add: " << shown << " is one of the list's own pages already\n";
            return refused;
        }
        return 0;
    }
    const std::vector<std::string> pages = ListedOwnPages(database, listKey);
    if (std::find(pages.begin(), pages.end(), arguments.url) == pages.end()
        || !HistoryStore(database).RemoveOwnPage(listKey, arguments.url)) {
        err << "linkwatch-cli: mine remove: " << shown << " is not one of the list's own pages\n";
        return refused;
    }
    return 0;
}

void writeOwnPages(const std::vector<std::string>& pages, const ReportArguments& report, std::ostream& out)
{
    static const TableLayout layout { { "address" }, 1 };
    TableWriter writer(layout, report.format, report.encoding, out);
    for (const std::string& page : pages)
        writer.writeRow({ Utf8ToGbk(page) });
    writer.finish();
}

int writeOrphans(const MineArguments& arguments, const std::vector<std::string>& pages,
    const std::string& listName, std::ostream& out, std::ostream& err)
{
    if (pages.empty()) {
        err << "linkwatch-cli: mine orphans: the list has no own pages (mine add URL keeps one)\n";
        return refused;
    }
    CellStore list = SiteListStore();
    if (!loadList(listName, list, err))
        return refused;
    const OwnPagesRead own = ReadOwnPages(FetchedForms(pages),
        { arguments.noDelay, std::chrono::milliseconds(arguments.report.waitLimitMs.value_or(0)), {} });
    static const TableLayout layout { { "href", "rel", "anchor", "links", "site", "own_page" }, 3 };
    TableWriter writer(layout, arguments.report.format, arguments.report.encoding, out);
    for (const std::size_t at : OrphanSites(own.links, PartnerAddresses(list))) {
        const OwnPageLinks::Site& site = own.links.Sites()[at];
        writer.writeRow({ site.href, Text(site.follows ? "none" : "nofollow"), site.anchor, site.count,
            site.key, site.ownPage });
    }
    writer.finish();
    out.flush();
    for (const Text& fault : own.faults)
        err << "linkwatch-cli: own page not read: "
            << defusedText(encodedText(fault, arguments.report.encoding), ControlBytes::Escaped) << '\n';
    if (own.links.Full())
        err << "linkwatch-cli: mine orphans: the own pages link more than " << OwnPageLinks::SiteLimit
            << " sites; those beyond are left out\n";
    return own.faults.empty() ? 0 : ownPageUnread;
}

}

int runMine(const MineArguments& arguments, std::ostream& out, std::ostream& err)
{
    const std::string listName = siteListPath(arguments.list.folder, arguments.list.file);
    const std::string listKey = listFileKey(listName);
    const std::string database = historyDatabasePath(arguments.list.database, listKey);
    try {
        if (arguments.action == MineAction::Add || arguments.action == MineAction::Remove)
            return addOrRemove(arguments, database, listKey, err);
        const std::vector<std::string> pages = ListedOwnPages(database, listKey);
        if (arguments.action == MineAction::Orphans)
            return writeOrphans(arguments, pages, listName, out, err);
        writeOwnPages(pages, arguments.report, out);
        out.flush();
        return 0;
    } catch (const HistoryError& error) {
        out.flush();
        err << "linkwatch-cli: mine " << actionName(arguments.action) << ": " << error.what() << '\n';
        return refused;
    }
}
