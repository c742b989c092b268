#include "app/check_run.h"

#include "app/check_run_history.h"
#include "app/check_run_own_pages.h"
#include "app/gui_handoff.h"
#include "app/queued_link_check_window.h"
#include "app/result_grid.h"
#include "app/result_grid_layout.h"
#include "check/back_link.h"
#include "check/link_check_worker.h"
#include "grid/cell_grid.h"
#include "net/http_text.h"

#include <chrono>
#include <string>
#include <utility>

namespace {

// 调试记录 : ("debug record : ") and 公司的 ("company's"), around the picked row's name.
constexpr char captionHead[] = "\xB5\xF7\xCA\xD4\xBC\xC7\xC2\xBC : ";
constexpr char captionMiddle[] = " \xB9\xAB\xCB\xBE\xB5\xC4  ";
constexpr std::chrono::milliseconds pauseBeforeStart { 20 };

}

CheckRun::CheckRun(TCellGrid& runGrid)
    : m_runGrid(runGrid)
    , m_launcher([](std::unique_ptr<Temu> worker) { Temu::Start(std::move(worker)); })
    , m_handoff(std::make_unique<GuiHandoff>())
    , m_selectedDebugRow(std::make_shared<std::atomic<int>>(0))
{
    m_startTimer.setSingleShot(true);
    m_startTimer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&m_startTimer, &QTimer::timeout, [this] { startPreparedWorker(); });
}

// The history, destroyed after the body, writes what is queued; its reports are dropped.
CheckRun::~CheckRun()
{
    // Workers still running must neither reach this object nor publish.
    m_handoff.reset();
    m_selectedDebugRow->store(NoDebugRow);
    if (m_debugWindow)
        m_debugWindow->SetResultSide(nullptr);
}

void CheckRun::SetDebugWindow(TWdebug* debugWindow)
{
    m_debugWindow = debugWindow;
    if (m_debugWindow)
        m_debugWindow->SetResultSide(this);
}

void CheckRun::RecordHistory(
    const std::string& databasePath, const std::string& listFile, std::function<void(const Text&)> failed)
{
    m_history = std::make_unique<CheckRunHistory>(databasePath, listFile, m_handoff->channel(),
        CheckRunHistory::Reports { .previousResult
            = [this](std::uint64_t historyRun, int row,
                  const HistoryEntry& previous) { applyPreviousResult(historyRun, row, previous); },
            .failure = std::move(failed) });
    m_ownPages = std::make_unique<CheckRunOwnPages>(databasePath, listFile, m_handoff->channel(),
        [this](std::uint64_t generation, std::shared_ptr<const OwnPagesRead> read) {
            if (m_ownPages && m_ownPages->Arrive(generation, std::move(read)))
                applyOwnPages(generation);
        });
}

void CheckRun::StopRecording() { m_history.reset(); }

void CheckRun::Run(const TCellGrid& editGrid)
{
    StopStarting();
    m_runRowCount = 0;
    ++m_generation;
    m_keptTranscriptBytes = 0;
    // Edits made while the workers are being started belong to the next run.
    m_sites = ActiveSites(editGrid.Store());
    if (m_history)
        m_history->BeginRun(m_generation, m_sites);
    m_rowsAwaitingOwnPages.clear();
    if (m_ownPages)
        m_ownPages->BeginRun(m_generation);
    m_nextSite = 0;
    m_lastSiteRow = editGrid.RowCount() - 1;
    m_pickedWhileStarting = 0;
    m_starting = true;
    prepareNextWorker();
}

void CheckRun::StopStarting()
{
    m_startTimer.stop();
    m_preparedWorker.reset();
    m_sites.clear();
    m_starting = false;
}

void CheckRun::StartNoMore()
{
    if (!m_starting)
        return;
    m_startTimer.stop();
    // The entry whose worker is prepared is the last one the run starts.
    m_sites.resize(m_nextSite + (m_preparedWorker ? 1 : 0));
    if (m_preparedWorker)
        startPreparedWorker();
    else
        finishStarting();
}

// Fills in the next entry's result row and its worker, which is started
// once the pause before it has passed.
void CheckRun::prepareNextWorker()
{
    if (m_nextSite == m_sites.size()) {
        finishStarting();
        return;
    }
    const ActiveSite& site = m_sites[m_nextSite];
    const int resultRow = ++m_runRowCount;
    m_runGrid.SetCells(ResultNumberCol, resultRow, std::to_string(resultRow));
    m_runGrid.SetCells(ResultNameCol, resultRow, site.name);
    m_runGrid.SetCells(ResultAddressCol, resultRow, site.address);
    // The row can be picked while the rest of the run is being started.
    m_runGrid.AddCheckBox(ResultCheckBoxCol, resultRow, false, false);
    if (m_rowGeneration.size() <= static_cast<std::size_t>(resultRow))
        m_rowGeneration.resize(static_cast<std::size_t>(resultRow) + 1, 0);
    m_rowGeneration[static_cast<std::size_t>(resultRow)] = m_generation;
    m_finishedRows.erase(resultRow);
    if (m_transcriptShownRow == resultRow)
        m_transcriptShownRow = NoDebugRow;
    auto window = std::make_shared<QueuedLinkCheckWindow>(
        m_handoff->channel(), m_selectedDebugRow, this, m_generation, resultRow);
    m_preparedWorker = std::make_unique<Temu>(std::move(window));
    ++m_workersInFlight;
    m_preparedWorker->PageUrl = TrimControls(site.address);
    m_preparedWorker->QueryText = TrimControls(site.query);
    m_startTimer.start(pauseBeforeStart);
}

void CheckRun::startPreparedWorker()
{
    m_preparedWorker->ResultRow = m_runRowCount;
    m_launcher(std::move(m_preparedWorker));
    // Appending provides the row of the next active entry.
    if (m_sites[m_nextSite].siteRow != m_lastSiteRow)
        m_runGrid.AddRow();
    ++m_nextSite;
    prepareNextWorker();
}

void CheckRun::finishStarting()
{
    UntickAllResultRows(m_runGrid);
    if (m_pickedWhileStarting > 0 && SelectedDebugRow() == m_pickedWhileStarting)
        m_runGrid.AddCheckBox(ResultCheckBoxCol, m_pickedWhileStarting, true, false);
    m_sites.clear();
    m_starting = false;
    if (m_history)
        m_history->AllStarted(m_generation, m_runRowCount);
}

void CheckRun::CheckBoxClick(int, int ARow, bool State)
{
    const Text name = m_runGrid.Cells(ResultNameCol, ARow);
    if (!State || name.empty()) {
        closeDebugWindow();
        return;
    }
    UntickAllResultRows(m_runGrid);
    m_runGrid.AddCheckBox(ResultCheckBoxCol, ARow, true, false);
    SetSelectedDebugRow(ARow);
    if (m_starting)
        m_pickedWhileStarting = ARow;
    if (!m_debugWindow)
        return;
    // A row still in flight starts empty and gets its transcript from its worker.
    const FinishedRow* finished = FinishedRowOf(ARow);
    if (finished) {
        showKeptTranscript(ARow, *finished);
    } else {
        m_debugWindow->SetMemoText(Text());
        m_transcriptShownRow = NoDebugRow;
    }
    m_debugWindow->Show();
    m_debugWindow->SetCaption(captionHead + name + captionMiddle + m_runGrid.Cells(ResultAddressCol, ARow));
}

void CheckRun::applyWorkerEnded()
{
    if (--m_workersInFlight == 0 && m_whenWorkersEnded)
        m_whenWorkersEnded();
    tellOneSided(m_generation);
}

void CheckRun::CanDeleteRow(int ARow, bool& CanDelete)
{
    CanDelete = !m_starting && m_workersInFlight == 0;
    if (CanDelete)
        forgetRow(ARow, m_runGrid.RowCount() - m_runGrid.FixedRows() > 1);
}

// Row is deleted: removed, the rows below moving up, or only emptied, as the
// grid's last data row is. What each row kept moves with it.
void CheckRun::forgetRow(int row, bool removed)
{
    if (SelectedDebugRow() == row)
        closeDebugWindow();
    else if (removed && SelectedDebugRow() > row)
        SetSelectedDebugRow(SelectedDebugRow() - 1);
    if (m_transcriptShownRow == row)
        m_transcriptShownRow = NoDebugRow;
    else if (removed && m_transcriptShownRow > row)
        --m_transcriptShownRow;
    if (row <= m_runRowCount)
        --m_runRowCount;
    m_finishedRows.erase(row);
    const auto index = static_cast<std::size_t>(row);
    if (index < m_rowGeneration.size() && !removed)
        m_rowGeneration[index] = 0;
    if (!removed)
        return;
    if (index < m_rowGeneration.size())
        m_rowGeneration.erase(m_rowGeneration.begin() + static_cast<std::ptrdiff_t>(index));
    std::unordered_map<int, FinishedRow> moved;
    for (auto& [finishedRow, finished] : m_finishedRows)
        moved.emplace(finishedRow > row ? finishedRow - 1 : finishedRow, std::move(finished));
    m_finishedRows = std::move(moved);
}

void CheckRun::closeDebugWindow()
{
    if (m_debugWindow) {
        m_debugWindow->Close();
        return;
    }
    // Without a debug window the close handler's effect on this side still holds.
    SetSelectedDebugRow(NoDebugRow);
    UntickAllResultRows(m_runGrid);
}

bool CheckRun::rowBelongsTo(int row, std::uint64_t generation) const
{
    return row >= 0 && static_cast<std::size_t>(row) < m_rowGeneration.size()
        && m_rowGeneration[static_cast<std::size_t>(row)] == generation;
}

void CheckRun::applyResult(std::uint64_t generation, int row, const Text& value)
{
    if (rowBelongsTo(row, generation))
        m_runGrid.SetCells(ResultVerdictCol, row, value);
}

void CheckRun::applyDebugText(std::uint64_t generation, int row, const Text& value)
{
    // The worker compared the row when it published; the operator may have
    // picked another row or closed the window while the text was on its way.
    if (m_debugWindow && rowBelongsTo(row, generation) && SelectedDebugRow() == row) {
        m_debugWindow->SetMemoText(value);
        m_transcriptShownRow = row;
    }
}

void CheckRun::applyOutcome(
    std::uint64_t generation, int row, const CheckOutcome& outcome, const Text& keptTranscript)
{
    if (!rowBelongsTo(row, generation))
        return;
    FinishedRow& finished = m_finishedRows[row];
    finished.outcome = outcome;
    finished.transcriptKept = m_keptTranscriptBytes + keptTranscript.size() <= m_transcriptBudget;
    finished.transcript = finished.transcriptKept ? keptTranscript : Text();
    if (finished.transcriptKept)
        m_keptTranscriptBytes += keptTranscript.size();
    finished.previous.reset();
    finished.historyRun = 0;
    if (m_ownPages && m_ownPages->Pending(generation))
        m_rowsAwaitingOwnPages.push_back(row);
    else
        judgeAndRecord(generation, row, finished);
    // A row picked after its worker looked for the picked row, but before its
    // outcome came, got no transcript from the worker: it shows the kept one.
    if (m_debugWindow && SelectedDebugRow() == row && m_transcriptShownRow != row)
        showKeptTranscript(row, finished);
}

void CheckRun::showKeptTranscript(int row, const FinishedRow& finished)
{
    m_debugWindow->SetMemoText(finished.transcriptKept ? finished.transcript : Text(transcriptNotKept));
    m_transcriptShownRow = row;
}

const FinishedRow* CheckRun::FinishedRowOf(int row) const
{
    const auto found = m_finishedRows.find(row);
    return found == m_finishedRows.end() ? nullptr : &found->second;
}

Text CheckRun::CellHint(int ARow, int ACol) const
{
    const FinishedRow* finished = ACol == ResultVerdictCol ? FinishedRowOf(ARow) : nullptr;
    return finished ? VerdictHint(finished->outcome, finished->previous) : Text();
}

void CheckRun::CellColor(int ARow, int ACol, CellFont& AFont) const
{
    const FinishedRow* finished = ACol == ResultVerdictCol ? FinishedRowOf(ARow) : nullptr;
    if (finished && finished->previous && finished->previous->verdict != m_runGrid.Cells(ACol, ARow))
        AFont.font.setBold(true);
}

// The previous result comes only for the row as that run recorded it: a row
// refilled since, or finished again, has another run or none.
void CheckRun::applyPreviousResult(std::uint64_t historyRun, int row, const HistoryEntry& previous)
{
    const auto found = m_finishedRows.find(row);
    if (found == m_finishedRows.end() || found->second.historyRun != historyRun)
        return;
    found->second.previous = previous;
    m_runGrid.viewport()->update(m_runGrid.CellRect(ResultVerdictCol, row));
}

// Gives the row's outcome whether the own pages link back, then records it.
void CheckRun::judgeAndRecord(std::uint64_t generation, int row, FinishedRow& finished)
{
    if (const OwnPagesRead* read = m_ownPages ? m_ownPages->Read(generation) : nullptr)
        finished.outcome.back
            = read->links.BackOf(m_runGrid.Cells(ResultAddressCol, row), finished.outcome.backAnchor);
    finished.historyRun = m_history
        ? m_history->Record(generation, row, m_runGrid.Cells(ResultVerdictCol, row), finished.outcome)
        : 0;
}

void CheckRun::applyOwnPages(std::uint64_t generation)
{
    for (const int row : std::exchange(m_rowsAwaitingOwnPages, {})) {
        const auto found = m_finishedRows.find(row);
        if (rowBelongsTo(row, generation) && found != m_finishedRows.end())
            judgeAndRecord(generation, row, found->second);
    }
    tellOneSided(generation);
}

void CheckRun::tellOneSided(std::uint64_t generation)
{
    if (m_starting || m_workersInFlight > 0 || !m_whenOneSidedCounted || !m_ownPages
        || !m_ownPages->Read(generation))
        return;
    int oneSided = 0;
    for (const auto& [row, finished] : m_finishedRows)
        oneSided += rowBelongsTo(row, generation) && IsOneSided(finished.outcome) ? 1 : 0;
    m_whenOneSidedCounted(oneSided);
}
