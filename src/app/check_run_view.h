#pragma once

#include "base/text.h"
#include "check/check_outcome.h"

#include <cstdint>

// The window side of a check run as its workers' queued calls reach it. All
// calls run on the GUI thread; generation names the run whose worker issued
// the change, so the window can drop a change whose row a later run has
// taken over. Nothing here throws.
class CheckRunView
{
public:
    virtual ~CheckRunView() = default;

    // Sets the verdict cell of row, if row still belongs to generation.
    virtual void applyResult(std::uint64_t generation, int row, const Text& value) = 0;
    // Replaces the debug text, if row still belongs to generation and is still picked.
    virtual void applyDebugText(std::uint64_t generation, int row, const Text& value) = 0;
    // Keeps how row's fetch ended and its transcript, if row still belongs to generation.
    virtual void applyOutcome(
        std::uint64_t generation, int row, const CheckOutcome& outcome, const Text& keptTranscript)
        = 0;
    // A worker of the run let go of its window: it writes nothing more.
    virtual void applyWorkerEnded() = 0;
};
