#pragma once

#include "base/text.h"
#include "check/check_outcome.h"
#include "check/verdict_texts.h"

// What a link check worker may do to the window that shows its results. The
// worker calls these from its own thread.
//
// Contract for implementations: writeResult and setDebugText hand the change
// to the thread that owns the window and return without waiting for it; the
// changes of one worker are applied in the order issued. selectedDebugRow
// answers the row picked for the debug transcript at the moment of the call
// (NoDebugRow when none) and may be called from any thread. finishResult comes once
// from each worker that reaches a verdict, right after that verdict's
// writeResult and ordered with the other changes the same way; a worker that
// ends without a verdict never calls it. Nothing here throws.
class LinkCheckWindow
{
public:
    virtual ~LinkCheckWindow() = default;

    // Sets the verdict cell of a result row to text.
    virtual void writeResult(int row, const Text& value) = 0;
    virtual int selectedDebugRow() const = 0;
    // Replaces the whole text of the debug window.
    virtual void setDebugText(const Text& value) = 0;
    // How the row's fetch ended, and the transcript of the exchange as the
    // debug window would show it, its page text cut at 256 KiB; the window
    // may keep both for the row.
    virtual void finishResult(int row, const CheckOutcome& outcome, const Text& keptTranscript) = 0;
    // Whether finishResult's transcript is kept at all; a window that never
    // shows one says no, and is then given an empty one, which spares a
    // copy of every page.
    virtual bool keepsTranscripts() const { return true; }
};
