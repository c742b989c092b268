#include "cli/run_command.h"

#include "base/gbk_codec.h"
#include "base/wall_clock.h"
#include "check/active_sites.h"
#include "check/site_list_layout.h"
#include "check/site_list_texts.h"
#include "check/verdict_texts.h"
#include "cli/change_notice.h"
#include "cli/own_pages.h"
#include "cli/own_pages_run.h"
#include "cli/result_table.h"
#include "cli/result_tally.h"
#include "cli/run_history.h"
#include "cli/site_checks.h"
#include "cli/site_list_file.h"
#include "cli/site_list_path.h"
#include "cli/webhook_post.h"
#include "grid_store/cell_store.h"
#include "history/history_error.h"
#include "history/listed_own_pages.h"

#include <optional>
#include <ostream>
#include <stdexcept>
#include <vector>

namespace {

constexpr int readFailure = 2;
constexpr int notifyFailure = 4;
// The web hook's answer may take as long as a page's in the window, unless --timeout says otherwise.
constexpr int defaultNotifyWaitMs = 50000;

// Writes each site's result as soon as it and every site before it have
// ended, in list order, and tallies it. The output is flushed whenever the
// next result is not in yet, so that a slow site shows the lines before it.
// Gives back the results as history entries when recorded says so; a run
// not recorded keeps nothing of a site once it is written.
std::vector<HistoryEntry> writeResults(SiteChecks& checks, const std::vector<ActiveSite>& sites,
    const RunArguments& arguments, OwnPagesRun& ownPages, ResultTally& tally, std::ostream& out)
{
    static const TableLayout layout { resultColumns(), ResultTextColumns };
    TableWriter writer(layout, arguments.report.format, arguments.report.encoding, out);
    std::vector<HistoryEntry> entries;
    if (!arguments.noHistory)
        entries.reserve(sites.size());
    for (std::size_t index = 0; index < sites.size(); ++index) {
        std::optional<RunResults::Result> ended = checks.takeIfEnded(index);
        if (!ended) {
            out.flush();
            ended = checks.take(index);
        }
        SiteResult result { static_cast<int>(index) + 1, sites[index].name, sites[index].address,
            std::move(ended->verdict), std::move(ended->outcome) };
        ownPages.Judge(result);
        writer.writeRow(resultCells(result));
        tally.add(result);
        if (!arguments.noHistory)
            entries.push_back({ .n = result.n,
                .name = std::move(result.name),
                .address = std::move(result.address),
                .query = sites[index].query,
                .verdict = std::move(result.verdict),
                .outcome = std::move(result.outcome) });
    }
    writer.finish();
    return entries;
}

// The list's own pages; none when its history cannot be read, which a
// recorded run tells of when it records, and a run not recorded on err.
std::vector<Text> ownPagesOf(const RunArguments& arguments, const std::string& listKey, std::ostream& err)
{
    try {
        return FetchedForms(ListedOwnPages(historyDatabasePath(arguments.list.database, listKey), listKey));
    } catch (const HistoryError& error) {
        if (arguments.noHistory)
            err << "linkwatch-cli: own pages not read: " << error.what() << '\n';
    }
    return {};
}

// The changes the web hook is to be told of, read back from the history, so
// that a run that was not recorded has none; empty, with why on err, when
// they cannot be read.
std::optional<std::vector<SiteChange>> changesToTell(
    RunHistory& history, bool recorded, int confirm, std::ostream& err)
{
    std::string unread = "the run was not recorded";
    try {
        if (recorded)
            return history.undeliveredChanges(confirm);
    } catch (const HistoryError& error) {
        unread = error.what();
    }
    err << "linkwatch-cli: notify: changes not read: " << unread << '\n';
    return std::nullopt;
}

// Changes told but still held undelivered are told again by the next notice.
void markDelivered(RunHistory& history, const std::vector<SiteChange>& changes, std::ostream& err)
{
    try {
        history.delivered(changes);
    } catch (const HistoryError& error) {
        err << "linkwatch-cli: notify: told, but not marked delivered: the next notice tells again: "
            << error.what() << '\n';
    }
}

// Tells the web hook of what the run and the runs before it whose notices
// failed changed, when that is anything; false, with why on err, when it
// could not, and the changes are then kept for the next notice.
bool notifyChanges(RunHistory& history, bool recorded, const RunArguments& arguments,
    const std::string& listName, std::ostream& err)
{
    const std::optional<std::vector<SiteChange>> changes
        = changesToTell(history, recorded, arguments.confirm, err);
    if (!changes)
        return false;
    if (changes->empty())
        return true;
    const std::string failure
        = PostToWebhook(arguments.notifyUrl, NoticeBody(*changes, arguments.notifyFormat, listName),
            arguments.report.waitLimitMs.value_or(defaultNotifyWaitMs),
            arguments.notifyFormat == NoticeFormat::Json ? HookAnswer::Status : HookAnswer::RobotErrorCode,
            arguments.notifyCaFile);
    if (!failure.empty()) {
        // The address is left out: a robot's address carries its access token.
        err << "linkwatch-cli: notify: the web hook was not told: " << failure << '\n';
        return false;
    }
    markDelivered(history, *changes, err);
    return true;
}

}

int runSiteList(const RunArguments& arguments, std::ostream& out, std::ostream& err)
{
    const std::string shownName = siteListPath(arguments.list.folder, arguments.list.file);
    CellStore list = SiteListStore();
    if (!loadList(shownName, list, err))
        return readFailure;
    const std::string listKey = listFileKey(shownName);
    std::optional<RunHistory> history;
    if (!arguments.noHistory)
        history.emplace(historyDatabasePath(arguments.list.database, listKey),
            RunInfo { RunSource::CommandLine, listKey, SecondsSinceEpoch() });

    const std::vector<ActiveSite> sites = ActiveSites(list);
    const std::vector<Text> partners = PartnerAddresses(list);
    list = CellStore();
    OwnPagesRun ownPages(ownPagesOf(arguments, listKey, err), arguments);
    ResultTally tally;
    std::vector<HistoryEntry> entries;
    {
        SiteChecks checks(sites, arguments);
        entries = writeResults(checks, sites, arguments, ownPages, tally, out);
    }
    out.flush();
    int status = tally.exitStatus(arguments.failOn);
    if (history) {
        const std::int64_t endedAt = SecondsSinceEpoch();
        for (HistoryEntry& entry : entries)
            entry.checkedAt = endedAt;
        const bool recorded = history->record(endedAt, entries, err);
        if (!arguments.notifyUrl.empty() && !notifyChanges(*history, recorded, arguments, listKey, err))
            status = notifyFailure;
    }
    // The run's last line, after whatever recording and notifying said.
    ownPages.Summarize(tally.oneSided(), partners, arguments.report.encoding, err);
    return status;
}
