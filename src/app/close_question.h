#pragma once

// The question asked when the main window closes with unsaved site list
// edits: save and close, close without saving, or stay. GUI thread only;
// Ask blocks in a modal box until the operator answers.
enum class CloseAnswer {
    SaveAndClose,
    CloseWithoutSaving,
    Cancel,
};

CloseAnswer AskSaveBeforeClose();
