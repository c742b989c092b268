#include "app/queued_link_check_window.h"

QueuedLinkCheckWindow::QueuedLinkCheckWindow(std::shared_ptr<GuiHandoff::Channel> channel,
    std::shared_ptr<const std::atomic<int>> selectedDebugRow, CheckRunView* view, std::uint64_t generation,
    int row)
    : m_channel(std::move(channel))
    , m_selectedDebugRow(std::move(selectedDebugRow))
    , m_view(view)
    , m_generation(generation)
    , m_row(row)
{
}

QueuedLinkCheckWindow::~QueuedLinkCheckWindow()
{
    m_channel->Post([view = m_view] { view->applyWorkerEnded(); }); // runs on the GUI thread
}

void QueuedLinkCheckWindow::writeResult(int row, const Text& value)
{
    m_channel->Post([view = m_view, generation = m_generation, row, value] {
        view->applyResult(generation, row, value); // runs on the GUI thread
    });
}

int QueuedLinkCheckWindow::selectedDebugRow() const { return m_selectedDebugRow->load(); }

void QueuedLinkCheckWindow::setDebugText(const Text& value)
{
    m_channel->Post([view = m_view, generation = m_generation, row = m_row, value] {
        view->applyDebugText(generation, row, value); // runs on the GUI thread
    });
}

void QueuedLinkCheckWindow::finishResult(int row, const CheckOutcome& outcome, const Text& keptTranscript)
{
    m_channel->Post([view = m_view, generation = m_generation, row, outcome, keptTranscript] {
        view->applyOutcome(generation, row, outcome, keptTranscript); // runs on the GUI thread
    });
}
