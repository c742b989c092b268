#pragma once

#include "base/text.h"
#include "grid_store/grid_types.h"

#include <QBrush>
#include <QColor>
#include <QFont>
#include <functional>

class QObject;

// The events through which the window decides about the grid's cells, and the
// settings that shape the grid's keyboard and mouse behaviour. Handlers run on
// the window's thread inside the grid's own key, mouse and paint handling;
// they may call any grid operation, also on the cell being handled.

// A cell's font together with its text colour.
struct CellFont {
    QFont font;
    QColor color;
};

// Note the argument order: the colour, alignment, hint and can-edit events
// take the row before the column, the others the column first.
using TGridColorEvent = std::function<void(
    QObject* Sender, int ARow, int ACol, TGridDrawState AState, QBrush& ABrush, CellFont& AFont)>;
using TGridAlignEvent
    = std::function<void(QObject* Sender, int ARow, int ACol, TAlignment& HAlign, TVAlignment& VAlign)>;
using TGridHintEvent = std::function<void(QObject* Sender, int ARow, int ACol, Text& hintstr)>;
using TAutoAddRowEvent = std::function<void(QObject* Sender, int ARow)>;
using TAutoInsertRowEvent = std::function<void(QObject* Sender, int ARow)>;
using TCanDeleteRowEvent = std::function<void(QObject* Sender, int ARow, bool& CanDelete)>;
using TCanEditCellEvent = std::function<void(QObject* Sender, int ARow, int ACol, bool& CanEdit)>;
using TGetEditorTypeEvent = std::function<void(QObject* Sender, int ACol, int ARow, TEditorType& AEditor)>;
using TCheckBoxClickEvent = std::function<void(QObject* Sender, int ACol, int ARow, bool State)>;
using TComboChangeEvent
    = std::function<void(QObject* Sender, int ACol, int ARow, int AItemIndex, const Text& ASelection)>;

// Keyboard rules for rows and the Enter key.
struct GridNavigation {
    bool AllowInsertRow = false;
    bool AllowDeleteRow = false;
    bool AdvanceOnEnter = false;
    bool AdvanceInsert = false;
    // Acts only in cells with an edit mask, which this grid does not have.
    bool AdvanceAuto = false;
    TAdvanceDirection AdvanceDirection = adLeftRight;
    TInsertPosition InsertPosition = pInsertBefore;
};

// Mouse rules. Only DirectEdit has behaviour: a click inside a cell opens its
// editor. ColSelect and RowSelect are kept for the window's settings.
struct GridMouseActions {
    bool DirectEdit = false;
    bool ColSelect = false;
    bool RowSelect = false;
};

// Look of the cell controls: check boxes are CheckSize pixels square, drawn
// in the platform's themed style.
struct GridControlLook {
    int CheckSize = 15;
};

// What a key pressed in an in-place editor asks the grid to do.
enum class EditorAction {
    Enter, // Enter: advance or close, as the grid's rules say
    Tab, // Tab: close and leave the grid
    Backtab, // Shift+Tab: close and leave the grid backwards
    MoveLeft, // close and move to the neighbouring cell
    MoveRight,
    Cancel, // Escape: put the old text back and close
    InsertRow, // plain Insert
    DeleteRow, // Ctrl+Delete
    FocusLost, // the editor lost the focus to another control
};
