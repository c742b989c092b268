#pragma once

#include "base/text.h"

#include <cstdint>

// The window side of a check run as its workers' queued calls reach it. Both
// calls run on the GUI thread; generation names the run whose worker issued
// the change, so the window can drop a change whose row a later run has
// taken over. Nothing here throws.
class CheckRunView
{
public:
    virtual ~CheckRunView() = default;

    // Sets the verdict cell (column 3) of row, if row still belongs to generation.
    virtual void applyResult(std::uint64_t generation, int row, const Text& value) = 0;
    // Replaces the debug text, if row still belongs to generation and is still picked.
    virtual void applyDebugText(std::uint64_t generation, int row, const Text& value) = 0;
};
