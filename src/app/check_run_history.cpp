#include "app/check_run_history.h"

#include "base/gbk_codec.h"
#include "base/wall_clock.h"
#include "history/history_writer.h"

#include <iostream>
#include <utility>

namespace {

// 历史记录未保存 ("history not saved") and 条结果 ("results").
constexpr char notSaved[] = "\xC0\xFA\xCA\xB7\xBC\xC7\xC2\xBC\xCE\xB4\xB1\xA3\xB4\xE6";
constexpr char results[] = " \xCC\xF5\xBD\xE1\xB9\xFB";

}

Text HistoryFailureNotice(const std::string& why, int notRecorded)
{
    Text notice = notSaved;
    if (notRecorded > 0)
        notice += " (" + std::to_string(notRecorded) + results + ")";
    return notice + ": " + Utf8ToGbk(why);
}

CheckRunHistory::CheckRunHistory(const std::string& databasePath, std::string listFile,
    const std::shared_ptr<GuiHandoff::Channel>& channel, Reports reports)
    : m_listFile(std::move(listFile))
{
    auto previousResult = [channel, report = std::move(reports.previousResult)](
                              std::uint64_t run, int row, const HistoryEntry& previous) {
        channel->Post([report, run, row, previous] { report(run, row, previous); });
    };
    auto failure = [channel, report = std::move(reports.failure)](const std::string& why, int notRecorded) {
        // Standard error keeps what the status bar cannot show once the window has closed.
        std::cerr << "linkwatch: history: " << notRecorded << " results not recorded: " << why << '\n';
        channel->Post([report, notice = HistoryFailureNotice(why, notRecorded)] {
            if (report)
                report(notice);
        });
    };
    m_writer = std::make_unique<HistoryWriter>(databasePath, std::move(previousResult), std::move(failure));
}

// The writer's destructor writes what is queued, this run's end included.
CheckRunHistory::~CheckRunHistory() { endRun(); }

void CheckRunHistory::BeginRun(std::uint64_t generation, const std::vector<ActiveSite>& sites)
{
    endRun();
    if (sites.empty())
        return;
    m_generation = generation;
    m_run = m_writer->BeginRun(
        { .source = RunSource::Window, .listFile = m_listFile, .startedAt = SecondsSinceEpoch() });
    m_sites = sites;
    m_startedRows.reset();
    m_recordedRows = 0;
}

void CheckRunHistory::AllStarted(std::uint64_t generation, int rows)
{
    if (generation != m_generation)
        return;
    m_startedRows = rows;
    endWhenAllRecorded();
}

std::uint64_t CheckRunHistory::Record(
    std::uint64_t generation, int row, const Text& verdict, const CheckOutcome& outcome)
{
    if (generation != m_generation || row < 1 || static_cast<std::size_t>(row) > m_sites.size())
        return 0;
    const ActiveSite& site = m_sites[static_cast<std::size_t>(row) - 1];
    m_writer->Record(row,
        { .checkedAt = SecondsSinceEpoch(),
            .n = row,
            .name = site.name,
            .address = site.address,
            .query = site.query,
            .verdict = verdict,
            .outcome = outcome });
    ++m_recordedRows;
    const std::uint64_t run = m_run;
    endWhenAllRecorded();
    return run;
}

void CheckRunHistory::endWhenAllRecorded()
{
    if (m_startedRows && m_recordedRows >= *m_startedRows)
        endRun();
}

void CheckRunHistory::endRun()
{
    if (m_generation == 0)
        return;
    m_writer->EndRun(SecondsSinceEpoch());
    m_generation = 0;
    m_sites.clear();
}
