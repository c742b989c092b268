#include "cli/run_command.h"

#include "base/gbk_codec.h"
#include "check/active_sites.h"
#include "check/site_list_layout.h"
#include "check/site_list_texts.h"
#include "check/verdict_texts.h"
#include "cli/change_notice.h"
#include "cli/result_table.h"
#include "cli/run_history.h"
#include "cli/site_checks.h"
#include "cli/site_list_path.h"
#include "cli/webhook_post.h"
#include "grid_store/cell_store.h"
#include "grid_store/grid_file.h"
#include "history/history_error.h"

#include <fcntl.h>
#include <optional>
#include <ostream>
#include <stdexcept>
#include <unistd.h>
#include <vector>

namespace {

constexpr int readFailure = 2;
constexpr int notifyFailure = 4;
// The web hook's answer may take as long as a page's in the window, unless --timeout says otherwise.
constexpr int defaultNotifyWaitMs = 50000;

// Writes each site's result as soon as it and every site before it have
// ended, in list order, and gives them all back. The output is flushed
// whenever the next result is not in yet, so that a slow site shows the
// lines before it.
std::vector<SiteResult> writeResults(SiteChecks& checks, const std::vector<ActiveSite>& sites,
    const ReportArguments& report, std::ostream& out)
{
    static const TableLayout layout { resultColumns(), ResultTextColumns };
    TableWriter writer(layout, report.format, report.encoding, out);
    std::vector<SiteResult> results;
    results.reserve(sites.size());
    for (std::size_t index = 0; index < sites.size(); ++index) {
        std::optional<RunResults::Result> ended = checks.takeIfEnded(index);
        if (!ended) {
            out.flush();
            ended = checks.take(index);
        }
        results.push_back({ static_cast<int>(index) + 1, sites[index].name, sites[index].address,
            std::move(ended->verdict), std::move(ended->outcome) });
        writer.writeRow(resultCells(results.back()));
    }
    writer.finish();
    return results;
}

// The list's file, opened by the very bytes of its name. The grid
// reader takes a GBK name and hands the file system its UTF-8 form, which a
// name that is not valid UTF-8, or holds a character GBK lacks, would not
// survive; the open file's own name is plain ASCII, which both keep. A pipe
// or a device opens at once, for the reader to refuse.
class GivenFile
{
public:
    explicit GivenFile(const std::string& name)
        : m_descriptor(name.empty() ? -1 : open(name.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC))
    {
    }
    ~GivenFile()
    {
        if (m_descriptor >= 0)
            close(m_descriptor);
    }
    GivenFile(const GivenFile&) = delete;
    GivenFile& operator=(const GivenFile&) = delete;
    // Names no file when the open failed, so the reader fails as for a missing file.
    Text ReaderName() const { return "/proc/self/fd/" + std::to_string(m_descriptor); }

private:
    int m_descriptor;
};

// The reader's message names the file by the name the reader got.
std::string inUserTerms(std::string message, const std::string& readerName, const std::string& shownName)
{
    if (const auto at = message.find(readerName); at != std::string::npos)
        message.replace(at, readerName.size(), shownName);
    return message;
}

// Reads the list; false, with the reason on err, when it cannot be read.
bool loadList(const std::string& shownName, CellStore& list, std::ostream& err)
{
    const GivenFile given(shownName);
    const Text fileName = given.ReaderName();
    GridLoadReport loaded;
    try {
        loaded = LoadFromFile(list, fileName);
    } catch (const std::exception& error) {
        err << inUserTerms(GbkToUtf8(error.what()), GbkToUtf8(fileName), shownName) << '\n';
        return false;
    }
    if (loaded.skippedCellLines > 0)
        err << shownName << ": " << loaded.skippedCellLines
            << " cell lines skipped: they lie outside the list's size line\n";
    return true;
}

std::int64_t secondsNow()
{
    return std::chrono::duration_cast<std::chrono::seconds>(
        std::chrono::system_clock::now().time_since_epoch())
        .count();
}

std::vector<HistoryEntry> historyEntries(
    const std::vector<ActiveSite>& sites, const std::vector<SiteResult>& results, std::int64_t checkedAt)
{
    std::vector<HistoryEntry> entries;
    entries.reserve(results.size());
    for (std::size_t index = 0; index < results.size(); ++index) {
        const SiteResult& result = results[index];
        entries.push_back({ .run = 0,
            .checkedAt = checkedAt,
            .n = result.n,
            .name = result.name,
            .address = result.address,
            .query = sites[index].query,
            .verdict = result.verdict,
            .outcome = result.outcome });
    }
    return entries;
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
            RunInfo { RunSource::CommandLine, listKey, secondsNow() });

    const std::vector<ActiveSite> sites = ActiveSites(list);
    list = CellStore();
    std::vector<SiteResult> results;
    {
        SiteChecks checks(sites, arguments);
        results = writeResults(checks, sites, arguments.report, out);
    }
    out.flush();
    if (history) {
        const std::int64_t endedAt = secondsNow();
        const bool recorded = history->record(endedAt, historyEntries(sites, results, endedAt), err);
        if (!arguments.notifyUrl.empty() && !notifyChanges(*history, recorded, arguments, listKey, err))
            return notifyFailure;
    }
    return resultsExitStatus(results, arguments.failOn);
}
