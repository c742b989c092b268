#pragma once

#include "app/check_run_view.h"
#include "app/debug_window.h"
#include "app/finished_row.h"
#include "app/result_grid_layout.h"
#include "base/text.h"
#include "check/active_sites.h"

#include <QPointer>
#include <QTimer>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

class CheckRunHistory;
class CheckRunOwnPages;
class GuiHandoff;
class TCellGrid;
class Temu;
struct CellFont;
struct HistoryEntry;

// The check run behind CHECK and the result grid: Run walks the site list,
// numbers a result row per active entry and starts one worker per row;
// CheckBoxClick picks the row whose worker publishes its transcript into the
// debug window.
//
// Every run has a generation. Running a row hands it to the new run, and a
// worker's queued writes reach the grid and the debug window only while its
// row still belongs to its own run: a worker of an earlier run that finishes
// after a later run refilled its row changes nothing.
//
// Run takes the active entries as they are at that moment and starts their
// workers one after another, 20 ms apart, from timer steps of the GUI
// thread's event loop: the window keeps painting and answering while a long
// list is started. Starting() tells whether workers are still to be started.
//
// STOP ends the starting at once: the worker waiting out its pause starts
// then and no other. Workers already started run to their end; while any is
// under way (WorkersInFlight), result rows cannot be deleted, since every
// worker writes into its row by number. A row deleted otherwise takes what
// it kept along, and the rows below keep theirs as they move up.
//
// A row whose worker finished keeps the outcome and the transcript it gave,
// while the row still belongs to that worker's run. The transcripts kept
// since the last Run began are held to a budget (64 MiB by default): past it,
// rows keep their outcome without a transcript. Refilling a row for a new run
// drops what it kept.
//
// Once told where, every run is recorded into the history database
// (CheckRunHistory), each row as its outcome arrives. The site's result from
// before the run, when history has one, is kept with the row: its verdict
// hint names it, and the verdict cell is drawn bold when that verdict differs.
// The list's own pages, when its database keeps any, are fetched once per
// run beside the workers (CheckRunOwnPages); each row's outcome then gets
// whether they link back before it is recorded, and once every worker has
// ended the count of one-sided partners is told.
//
// Thread: GUI thread only, except that workers read the picked row through a
// shared atomic. Workers are never cancelled; once this object is gone their
// writes are dropped and they see no picked row. Nothing here throws.
class CheckRun : public CheckRunView, public TWdebug::ResultSide
{
public:
    // Starts a filled-in worker; the default runs it on a detached thread.
    using WorkerLauncher = std::function<void(std::unique_ptr<Temu>)>;

    explicit CheckRun(TCellGrid& runGrid);
    ~CheckRun() override;
    CheckRun(const CheckRun&) = delete;
    CheckRun& operator=(const CheckRun&) = delete;

    // The debug window that picked rows are shown in; it is told about this object.
    void SetDebugWindow(TWdebug* debugWindow);
    void SetWorkerLauncher(WorkerLauncher launcher) { m_launcher = std::move(launcher); }
    // Records every run from now on into the database at databasePath as
    // runs of listFile (absolute paths, UTF-8); failed gets the short message
    // of a database that cannot be opened or written.
    void RecordHistory(const std::string& databasePath, const std::string& listFile,
        std::function<void(const Text&)> failed);
    // Ends the run being recorded and records no more; returns once what was
    // queued for the database is written.
    void StopRecording();

    // One check run over the site list editGrid (all but disabling CHECK):
    // rows are numbered and workers started from later steps of the event loop.
    void Run(const TCellGrid& editGrid);
    bool Starting() const { return m_starting; }
    // Starts no further worker of the run under way.
    void StopStarting();
    // Starts the worker waiting out its pause at once and no further one;
    // the run then counts as started.
    void StartNoMore();
    // Workers made for a run, started or about to be, that have not yet let go of their row.
    int WorkersInFlight() const { return m_workersInFlight; }
    // Runs every time the last worker in flight lets go of its row.
    void SetWhenWorkersEnded(std::function<void()> whenEnded) { m_whenWorkersEnded = std::move(whenEnded); }
    // Runs once per run with own pages, when its workers have ended and its
    // own pages are in, with the count of one-sided partners (IsOneSided).
    void SetWhenOneSidedCounted(std::function<void(int)> counted)
    {
        m_whenOneSidedCounted = std::move(counted);
    }
    // The Delete key asks to delete result row ARow.
    void CanDeleteRow(int ARow, bool& CanDelete);
    // A check box of the result grid took the state State. A row picked
    // after its fetch finished shows the transcript it kept at once.
    void CheckBoxClick(int ACol, int ARow, bool State);
    // The hint of a result cell: for the verdict cell of a row whose fetch
    // finished, why it ended so and how long it took; empty otherwise.
    Text CellHint(int ARow, int ACol) const;
    // The font of a result cell: bold for the verdict cell of a finished
    // row whose previous result in history has another verdict.
    void CellColor(int ARow, int ACol, CellFont& AFont) const;

    int RunRowCount() const { return m_runRowCount; }
    int SelectedDebugRow() const { return m_selectedDebugRow->load(); }

    void SetSelectedDebugRow(int row) override { m_selectedDebugRow->store(row); }
    TCellGrid& ResultGrid() override { return m_runGrid; }

    void applyResult(std::uint64_t generation, int row, const Text& value) override;
    void applyDebugText(std::uint64_t generation, int row, const Text& value) override;
    void applyOutcome(
        std::uint64_t generation, int row, const CheckOutcome& outcome, const Text& keptTranscript) override;
    void applyWorkerEnded() override;

    // What row kept of its finished fetch; null when its worker has not
    // finished (or the row is not one of a run).
    const FinishedRow* FinishedRowOf(int row) const;
    // Bytes of transcripts one run may keep in all.
    void SetTranscriptBudget(std::size_t bytes) { m_transcriptBudget = bytes; }

private:
    void prepareNextWorker();
    void startPreparedWorker();
    void finishStarting();
    bool rowBelongsTo(int row, std::uint64_t generation) const;
    void closeDebugWindow();
    void forgetRow(int row, bool removed);
    void showKeptTranscript(int row, const FinishedRow& finished);
    void applyPreviousResult(std::uint64_t historyRun, int row, const HistoryEntry& previous);
    void judgeAndRecord(std::uint64_t generation, int row, FinishedRow& finished);
    void applyOwnPages(std::uint64_t generation);
    void tellOneSided(std::uint64_t generation);

    TCellGrid& m_runGrid;
    // The debug window may be destroyed first; the pointer then reads null.
    QPointer<TWdebug> m_debugWindow;
    WorkerLauncher m_launcher;
    std::unique_ptr<GuiHandoff> m_handoff;
    // 0 at start (the header row, which no worker owns); NoDebugRow for none.
    std::shared_ptr<std::atomic<int>> m_selectedDebugRow;
    int m_runRowCount = 0;
    std::uint64_t m_generation = 0;

    // The run being started: its entries, the next one to start, and the
    // worker that waits out its 20 ms before it is started.
    std::vector<ActiveSite> m_sites;
    std::size_t m_nextSite = 0;
    int m_lastSiteRow = 0;
    std::unique_ptr<Temu> m_preparedWorker;
    QTimer m_startTimer;
    bool m_starting = false;
    // A row picked while workers were being started; it keeps its tick when
    // the run unticks every row at the end of starting.
    int m_pickedWhileStarting = 0;
    int m_workersInFlight = 0;
    std::function<void()> m_whenWorkersEnded;
    // The run that last filled each result row; 0 for rows no run filled.
    std::vector<std::uint64_t> m_rowGeneration;
    // What finished rows kept, and the transcript bytes kept since the last Run began.
    std::unordered_map<int, FinishedRow> m_finishedRows;
    // The row whose transcript the debug window shows, from its worker or
    // kept; NoDebugRow while the picked row's transcript is still to come.
    int m_transcriptShownRow = NoDebugRow;
    std::size_t m_transcriptBudget = std::size_t { 64 } << 20;
    std::size_t m_keptTranscriptBytes = 0;
    // Null until RecordHistory; its reports come through m_handoff.
    std::unique_ptr<CheckRunHistory> m_history;
    // Null until RecordHistory; rows of the run whose outcome waits for its own pages.
    std::unique_ptr<CheckRunOwnPages> m_ownPages;
    std::vector<int> m_rowsAwaitingOwnPages;
    std::function<void(int)> m_whenOneSidedCounted;
};
