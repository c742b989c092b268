#pragma once

#include "base/text.h"
#include "grid/cell_grid_events.h"
#include "grid/cell_grid_text.h"
#include "grid_store/grid_types.h"

#include <QPlainTextEdit>
#include <functional>

// The grid's plain text editor, laid over the current cell. It edits a cell
// text in Qt form and hands the keys that concern the grid (Enter, Escape,
// Tab, Insert, Ctrl+Delete) and the loss of the focus to the grid as
// EditorActions; Ctrl+Enter inserts a line break when the grid allows
// multi-line cells. Lives on the grid's thread; the grid owns and closes it.
class CellGridTextEditor : public QPlainTextEdit
{
    Q_OBJECT

public:
    using ActionHandler = std::function<void(QWidget* editor, EditorAction action)>;

    CellGridTextEditor(QWidget* parent, bool multiline, ActionHandler handler);

    // The text in cell form, GBK bytes. What the operator has not changed
    // keeps the bytes and line breaks it was set with; breaks typed are CR LF.
    Text CellText() const;
    void SetCellText(const Text& text, TAlignment alignment);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    bool m_multiline;
    ActionHandler m_handler;
    // The text with the stored form of its line breaks, followed through
    // every edit.
    CellEditorText m_text;
};
