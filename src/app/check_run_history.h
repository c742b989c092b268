#pragma once

#include "app/gui_handoff.h"
#include "base/text.h"
#include "check/active_sites.h"
#include "check/check_outcome.h"
#include "history/history_entry.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class HistoryWriter;

// What the check run records into the history database: every run as a
// window run of the site list file, and each row's result as its outcome
// arrives, with the verdict its cell shows. A HistoryWriter does the writing
// on its own thread; what it reports comes back to the GUI thread through
// the check run's handoff, so a report still on its way once the handoff is
// gone is dropped.
//
// A run ends once every row it started has been recorded, when the next run
// begins, or when this object goes. A run without active entries is not
// recorded, nor is an outcome that comes after its run ended.
//
// Thread: GUI thread. Nothing blocks but the destructor, which waits while
// the writer writes what is queued (HistoryWriter says how long that may
// be). Nothing throws but for want of memory; a result that cannot be
// recorded costs a short message, never a check.
class CheckRunHistory
{
public:
    // Called on the GUI thread.
    struct Reports {
        // The site's result from before run (the number Record returned) for row.
        std::function<void(std::uint64_t run, int row, const HistoryEntry& previous)> previousResult;
        // Why the database failed, for the status bar: "历史记录未保存: …" (GBK).
        std::function<void(const Text& message)> failure;
    };

    // databasePath and listFile: absolute file-system paths (UTF-8).
    CheckRunHistory(const std::string& databasePath, std::string listFile,
        const std::shared_ptr<GuiHandoff::Channel>& channel, Reports reports);
    ~CheckRunHistory();
    CheckRunHistory(const CheckRunHistory&) = delete;
    CheckRunHistory& operator=(const CheckRunHistory&) = delete;

    // Ends the run being recorded, then records the run generation over
    // sites: result row r is sites[r - 1].
    void BeginRun(std::uint64_t generation, const std::vector<ActiveSite>& sites);
    // The run generation started the workers of rows 1 to rows and starts no more.
    void AllStarted(std::uint64_t generation, int rows);
    // Records row's result if row is one of the run being recorded; returns
    // the writer's number of that run, or 0 when the result is not recorded.
    std::uint64_t Record(std::uint64_t generation, int row, const Text& verdict, const CheckOutcome& outcome);

private:
    void endRun();
    void endWhenAllRecorded();

    const std::string m_listFile;
    std::unique_ptr<HistoryWriter> m_writer;
    // The run being recorded: its generation (0 for none), the writer's
    // number of it, its sites by row, how many rows it started (once known)
    // and how many of them were recorded.
    std::uint64_t m_generation = 0;
    std::uint64_t m_run = 0;
    std::vector<ActiveSite> m_sites;
    std::optional<int> m_startedRows;
    int m_recordedRows = 0;
};

// The status bar's notice of a database that failed, GBK: "历史记录未保存: <why>",
// with " (N 条结果)" before the colon when N results were not recorded. why: UTF-8.
Text HistoryFailureNotice(const std::string& why, int notRecorded);
