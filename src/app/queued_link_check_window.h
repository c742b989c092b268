#pragma once

#include "app/check_run_view.h"
#include "app/gui_handoff.h"
#include "check/link_check_window.h"

#include <atomic>
#include <cstdint>
#include <memory>

// The window of one worker of one check run: every write is queued to the GUI
// thread through a GuiHandoff and applied there, in the order issued, to the
// check run's view, tagged with the run's generation and the worker's row.
//
// Thread: any; nothing blocks beyond the handoff's short lock. Once the
// handoff is gone (the window closed) writes are dropped and the selected
// debug row reads NoDebugRow, so a worker that outlives the window publishes nothing.
// The view must live as long as the handoff; the window owns both. When the
// worker lets go of this window, the view is told that it writes no more.
class QueuedLinkCheckWindow : public LinkCheckWindow
{
public:
    QueuedLinkCheckWindow(std::shared_ptr<GuiHandoff::Channel> channel,
        std::shared_ptr<const std::atomic<int>> selectedDebugRow, CheckRunView* view,
        std::uint64_t generation, int row);
    ~QueuedLinkCheckWindow() override;
    QueuedLinkCheckWindow(const QueuedLinkCheckWindow&) = delete;
    QueuedLinkCheckWindow& operator=(const QueuedLinkCheckWindow&) = delete;

    void writeResult(int row, const Text& value) override;
    int selectedDebugRow() const override;
    void setDebugText(const Text& value) override;
    void finishResult(int row, const CheckOutcome& outcome, const Text& keptTranscript) override;

private:
    std::shared_ptr<GuiHandoff::Channel> m_channel;
    std::shared_ptr<const std::atomic<int>> m_selectedDebugRow;
    CheckRunView* m_view;
    std::uint64_t m_generation;
    int m_row;
};
