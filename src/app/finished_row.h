#pragma once

#include "app/check_outcome.h"
#include "base/text.h"

// What a result row keeps of its finished fetch: the outcome, and the
// transcript of the exchange unless the run's budget of kept transcripts was
// used up (transcriptKept false, transcript empty).
struct FinishedRow {
    CheckOutcome outcome;
    Text transcript;
    bool transcriptKept = false;
};
