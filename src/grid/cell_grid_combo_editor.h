#pragma once

#include "base/text.h"
#include "grid/cell_grid_events.h"

#include <QComboBox>
#include <functional>
#include <optional>
#include <vector>

// The grid's drop-down list editor: a closed, pick-only list of the grid's
// combo items laid over the current cell, with the cell's entry selected (the
// first entry when none equals the cell's text). Every change of the selected
// entry after opening is reported to the change handler, with byWheel set
// when the mouse wheel made it; picking the entry already selected reports it
// too, once. Only an entry the operator chose goes back
// into the cell, so a list opened and left without a choice changes nothing.
// Enter, Tab, Left, Right, Escape and the loss of the focus go to the grid as
// EditorActions. Lives on the grid's thread; the grid owns and closes it.
class CellGridComboEditor : public QComboBox
{
    Q_OBJECT

public:
    using ActionHandler = std::function<void(QWidget* editor, EditorAction action)>;
    using ChangeHandler = std::function<void(QWidget* editor, int index, bool byWheel)>;

    CellGridComboEditor(QWidget* parent, std::vector<Text> items, const Text& cellText,
        ActionHandler onAction, ChangeHandler onChange);

    // The selected entry's text as the grid stores it (GBK), once the
    // operator has chosen it: picked it, moved to it, or confirmed it with
    // Enter or Tab. Nothing before that, and nothing for an empty list.
    std::optional<Text> ChosenText() const;
    const Text& ItemText(int index) const { return m_items[static_cast<std::size_t>(index)]; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    std::vector<Text> m_items;
    ActionHandler m_onAction;
    ChangeHandler m_onChange;
    bool m_byWheel = false;
    bool m_chosen = false;
};
