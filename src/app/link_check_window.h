#pragma once

#include "base/text.h"

// What a link check worker may do to the window that shows its results. The
// worker calls these from its own thread.
//
// Contract for implementations: writeResult and setDebugText hand the change
// to the thread that owns the window and return without waiting for it; the
// changes of one worker are applied in the order issued. selectedDebugRow
// answers the row picked for the debug transcript at the moment of the call
// (-10 when none) and may be called from any thread. Nothing here throws.
class LinkCheckWindow
{
public:
    virtual ~LinkCheckWindow() = default;

    // Sets the verdict cell (column 3) of a result row to text.
    virtual void writeResult(int row, const Text& value) = 0;
    virtual int selectedDebugRow() const = 0;
    // Replaces the whole text of the debug window.
    virtual void setDebugText(const Text& value) = 0;
};
