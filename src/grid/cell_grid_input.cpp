// Keyboard, mouse, hint and in-place editor handling of TCellGrid.

#include "grid/cell_grid.h"
#include "grid/cell_grid_combo_editor.h"
#include "grid/cell_grid_text.h"
#include "grid/cell_grid_text_editor.h"
#include "grid_store/cell_text.h"

#include <QApplication>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QToolTip>
#include <QUrl>
#include <algorithm>
#include <limits>
#include <optional>
#include <utility>

namespace {

// A click this close to a cell's left or right border selects the cell
// without opening its editor.
constexpr int DirectEditBorder = 3;
// How near a header column border the pointer must be to drag it.
constexpr int SizingTolerance = 3;

Qt::KeyboardModifiers plainModifiers(const QKeyEvent* event)
{
    return event->modifiers() & ~Qt::KeypadModifier;
}

}

void TCellGrid::openEditor(EditorStart start)
{
    const int col = m_col;
    const int row = m_row;
    if (m_editor || !m_store.InGrid(col, row) || m_store.IsFixed(col, row)
        || m_store.IsCheckBoxCell(col, row))
        return;
    if (!applyEditingSwitch(col, row))
        return;
    TEditorType kind = edNormal;
    if (OnGetEditorType)
        OnGetEditorType(this, col, row, kind);
    // The handlers may have moved or removed the cell meanwhile.
    if (m_editor || col != m_col || row != m_row || !m_store.InGrid(col, row))
        return;
    scrollToCell(col, row);
    if (kind == edComboList)
        openComboEditor();
    else
        openTextEditor(start);
}

void TCellGrid::openTextEditor(EditorStart start)
{
    TAlignment alignment = taLeftJustify;
    TVAlignment vertical = m_store.VAlignment;
    if (OnGetAlignment)
        OnGetAlignment(this, m_row, m_col, alignment, vertical);
    auto* editor = new CellGridTextEditor(viewport(), m_multiline,
        [this](QWidget* from, EditorAction action) { onEditorAction(from, action); });
    editor->setFont(m_font);
    m_editorOriginal = m_store.Cells(m_col, m_row);
    editor->SetCellText(EditWithTags ? m_editorOriginal : RemoveTags(m_editorOriginal), alignment);
    if (start == EditorStart::SelectAll)
        editor->selectAll();
    // Every change goes into the cell at once, so the window sees what is
    // being typed.
    connect(editor, &QPlainTextEdit::textChanged, this, [this, editor] {
        if (editor == m_editor)
            m_store.SetCells(m_editorCol, m_editorRow, editor->CellText());
    });
    m_editor = editor;
    m_editorIsCombo = false;
    m_editorCol = m_col;
    m_editorRow = m_row;
    placeEditor(editor);
    editor->show();
    editor->setFocus();
}

void TCellGrid::openComboEditor()
{
    m_editorOriginal = m_store.Cells(m_col, m_row);
    auto* editor = new CellGridComboEditor(
        viewport(), m_store.ComboItems(), m_editorOriginal,
        [this](QWidget* from, EditorAction action) { onEditorAction(from, action); },
        [this](QWidget* from, int index, bool byWheel) { onComboChange(from, index, byWheel); });
    editor->setFont(m_font);
    m_editor = editor;
    m_editorIsCombo = true;
    m_editorCol = m_col;
    m_editorRow = m_row;
    placeEditor(editor);
    editor->show();
    editor->setFocus();
}

void TCellGrid::placeEditor(QWidget* editor)
{
    const QRect rect = m_geometry.VisibleCellRect(m_editorCol, m_editorRow);
    const int line = m_gridLineWidth;
    editor->setGeometry(rect.adjusted(0, 0, -line, -line));
    editor->setVisible(!rect.isEmpty());
}

void TCellGrid::closeEditor(CloseMode mode)
{
    if (!m_editor)
        return;
    // Cleared first: the focus change below makes the editor report its
    // loss of focus, which must find no open editor any more.
    QWidget* editor = std::exchange(m_editor, nullptr);
    std::optional<Text> text;
    if (mode == CloseMode::Restore) {
        text = m_editorOriginal;
    } else if (m_editorIsCombo) {
        text = static_cast<CellGridComboEditor*>(editor)->ChosenText();
    } else {
        text = static_cast<CellGridTextEditor*>(editor)->CellText();
    }
    if (editor->hasFocus())
        setFocus();
    editor->hide();
    editor->deleteLater();
    if (text && *text != m_store.Cells(m_editorCol, m_editorRow))
        m_store.SetCells(m_editorCol, m_editorRow, *text);
    updateCell(m_editorCol, m_editorRow);
}

void TCellGrid::onEditorAction(QWidget* editor, EditorAction action)
{
    if (editor != m_editor)
        return;
    switch (action) {
    case EditorAction::Enter:
        if (Navigation.AdvanceOnEnter)
            advance(true);
        else
            closeEditor(CloseMode::Keep);
        break;
    case EditorAction::Tab:
    case EditorAction::Backtab:
        closeEditor(CloseMode::Keep);
        QAbstractScrollArea::focusNextPrevChild(action == EditorAction::Tab);
        break;
    case EditorAction::MoveLeft:
    case EditorAction::MoveRight:
        closeEditor(CloseMode::Keep);
        moveCurrent(std::max(m_col + (action == EditorAction::MoveLeft ? -1 : 1), FixedCols()), m_row, false);
        break;
    case EditorAction::Cancel:
        closeEditor(CloseMode::Restore);
        break;
    case EditorAction::InsertRow:
    case EditorAction::DeleteRow:
        closeEditor(CloseMode::Keep);
        if (action == EditorAction::InsertRow && Navigation.AllowInsertRow)
            insertRow();
        else if (action == EditorAction::DeleteRow && Navigation.AllowDeleteRow)
            deleteRow();
        break;
    case EditorAction::FocusLost:
        closeEditor(CloseMode::Keep);
        break;
    }
}

void TCellGrid::onComboChange(QWidget* editor, int index, bool byWheel)
{
    if (editor != m_editor || !OnComboChange)
        return;
    const Text selection = static_cast<CellGridComboEditor*>(editor)->ItemText(index);
    QObject* sender = byWheel ? static_cast<QObject*>(editor) : this;
    OnComboChange(sender, m_editorCol, m_editorRow, index, selection);
}

void TCellGrid::keyPressEvent(QKeyEvent* event)
{
    if (handleRowKey(event) || handleNavigationKey(event) || handleCellKey(event))
        return;
    QAbstractScrollArea::keyPressEvent(event);
}

bool TCellGrid::handleRowKey(QKeyEvent* event)
{
    const Qt::KeyboardModifiers modifiers = plainModifiers(event);
    if (event->key() == Qt::Key_Insert && modifiers == Qt::NoModifier && Navigation.AllowInsertRow) {
        insertRow();
        return true;
    }
    if (event->key() == Qt::Key_Delete && !(modifiers & Qt::AltModifier) && Navigation.AllowDeleteRow) {
        deleteRow();
        return true;
    }
    return false;
}

bool TCellGrid::handleNavigationKey(QKeyEvent* event)
{
    const bool extend = (event->modifiers() & Qt::ShiftModifier) && m_options.Contains(goRangeSelect);
    const bool control = event->modifiers() & Qt::ControlModifier;
    int col = extend ? m_cornerCol : m_col;
    int row = extend ? m_cornerRow : m_row;
    const int page = m_geometry.ScrolledRowsThatFit();
    switch (event->key()) {
    case Qt::Key_Left:
        --col;
        break;
    case Qt::Key_Right:
        ++col;
        break;
    case Qt::Key_Up:
        --row;
        break;
    case Qt::Key_Down:
        ++row;
        break;
    case Qt::Key_PageUp:
        row -= page;
        break;
    case Qt::Key_PageDown:
        row += page;
        break;
    case Qt::Key_Home:
        col = FixedCols();
        row = control ? FixedRows() : row;
        break;
    case Qt::Key_End:
        col = ColCount() - 1;
        row = control ? RowCount() - 1 : row;
        break;
    default:
        return false;
    }
    moveCurrent(
        std::clamp(col, FixedCols(), ColCount() - 1), std::clamp(row, FixedRows(), RowCount() - 1), extend);
    return true;
}

bool TCellGrid::handleCellKey(QKeyEvent* event)
{
    const bool checkBox = m_store.IsCheckBoxCell(m_col, m_row);
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (!checkBox)
            openEditor(EditorStart::Plain);
        else if (Navigation.AdvanceOnEnter)
            advance(false);
        return true;
    case Qt::Key_F2:
        openEditor(EditorStart::Plain);
        return true;
    case Qt::Key_Space:
        if (checkBox) {
            toggleCheckBox(m_col, m_row);
            return true;
        }
        break;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        moveCurrent(std::clamp(m_col + (event->key() == Qt::Key_Tab ? 1 : -1), FixedCols(), ColCount() - 1),
            m_row, false);
        return true;
    default:
        break;
    }
    return typeIntoCell(event);
}

bool TCellGrid::typeIntoCell(QKeyEvent* event)
{
    const QString typed = event->text();
    const bool printable = !typed.isEmpty() && typed.at(0).isPrint();
    const bool command = plainModifiers(event) & (Qt::ControlModifier | Qt::AltModifier);
    if (!(printable || event->key() == Qt::Key_Backspace) || command || m_store.IsCheckBoxCell(m_col, m_row))
        return false;
    // The key that opened the editor is its first keystroke.
    openEditor(EditorStart::SelectAll);
    if (m_editor)
        QApplication::sendEvent(m_editor, event);
    return true;
}

bool TCellGrid::focusNextPrevChild(bool next)
{
    // With goTabs, Tab moves between cells instead of leaving the grid.
    if (m_options.Contains(goTabs) && !m_editor)
        return false;
    return QAbstractScrollArea::focusNextPrevChild(next);
}

void TCellGrid::advance(bool fromEditor)
{
    closeEditor(CloseMode::Keep);
    int col = m_col;
    int row = m_row;
    bool appended = false;
    while (nextAdvanceCell(col, row, appended)) {
        if (!m_store.IsFixed(col, row) && askCanEdit(col, row, canEditEntering())) {
            moveCurrent(col, row, false);
            if (fromEditor)
                openEditor(EditorStart::Plain);
            return;
        }
    }
    // No cell took the advance. When a row was appended on the way, the
    // new row's first cell becomes current so the user sees it, without
    // an editor.
    if (appended)
        moveCurrent(FixedCols(), RowCount() - 1, false);
}

bool TCellGrid::nextAdvanceCell(int& col, int& row, bool& appended)
{
    bool atEnd = false;
    if (Navigation.AdvanceDirection == adTopBottom) {
        if (++row >= RowCount()) {
            row = FixedRows();
            atEnd = ++col >= ColCount();
        }
    } else if (++col >= ColCount()) {
        col = FixedCols();
        atEnd = ++row >= RowCount();
    }
    if (!atEnd)
        return true;
    // The end of the grid: one row is appended at most, so an advance over a
    // grid that refuses every cell still ends.
    if (!Navigation.AdvanceInsert || appended)
        return false;
    AddRow();
    appended = true;
    if (OnAutoAddRow)
        OnAutoAddRow(this, RowCount() - 1);
    col = FixedCols();
    row = RowCount() - 1;
    return true;
}

void TCellGrid::insertRow()
{
    // The open editor writes into its own cell before the rows move; left
    // open, it would write into whatever row took its row number.
    closeEditor(CloseMode::Keep);
    const int row = Navigation.InsertPosition == pInsertAfter ? m_row + 1 : m_row;
    m_store.InsertRow(row);
    moveCurrent(m_col, row, false);
    if (OnAutoInsertRow)
        OnAutoInsertRow(this, row);
}

void TCellGrid::deleteRow()
{
    closeEditor(CloseMode::Keep);
    const int row = m_row;
    bool canDelete = true;
    if (OnCanDeleteRow)
        OnCanDeleteRow(this, row, canDelete);
    if (!canDelete || !m_store.InGrid(m_col, row) || m_store.IsFixed(m_col, row))
        return;
    // The last data row is emptied rather than removed, so the grid always
    // keeps one row to type into.
    if (RowCount() - FixedRows() > 1)
        m_store.DeleteRow(row);
    else
        m_store.ClearRect(0, row, std::numeric_limits<int>::max(), row);
}

void TCellGrid::toggleCheckBox(int col, int row)
{
    if (!m_store.InGrid(col, row) || m_store.IsFixed(col, row) || !m_store.IsCheckBoxCell(col, row))
        return;
    if (!askCanEdit(col, row, m_options.Contains(goEditing)) || !askCanEdit(col, row, true))
        return;
    // Read after the questions: a handler may have replaced the graphic.
    const TCellGraphic* box = m_store.Graphic(col, row);
    if (!box || !box->IsCheckBox())
        return;
    const bool state = !box->CellBoolean;
    m_store.SetCheckBoxState(col, row, state);
    if (OnCheckBoxClick)
        OnCheckBoxClick(this, col, row, state);
}

void TCellGrid::mousePressEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    if (event->button() == Qt::LeftButton && startColumnSizing(pos))
        return;
    int col = -1;
    int row = -1;
    m_pressCol = m_pressRow = -1;
    if (!m_geometry.CellAt(pos, col, row) || m_store.IsFixed(col, row)) {
        closeEditor(CloseMode::Keep);
        return;
    }
    m_pressCol = col;
    m_pressRow = row;
    if (event->button() == Qt::RightButton) {
        if (URLEdit && m_urlShow && IsLinkText(m_store.Cells(col, row))) {
            moveCurrent(col, row, false);
            openEditor(EditorStart::Plain);
        }
        return;
    }
    if (event->button() != Qt::LeftButton)
        return;
    if (m_store.IsCheckBoxCell(col, row)) {
        toggleCheckBox(col, row);
        moveCurrent(col, row, false);
        return;
    }
    moveCurrent(col, row, event->modifiers() & Qt::ShiftModifier);
    m_rangeDragging = m_options.Contains(goRangeSelect);
}

void TCellGrid::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    if (m_sizingCol >= 0) {
        SetColWidths(m_sizingCol, std::max(1, m_sizingStartWidth + pos.x() - m_sizingStartX));
        return;
    }
    int col = -1;
    int row = -1;
    if (m_rangeDragging && (event->buttons() & Qt::LeftButton)) {
        if (m_geometry.CellAt(pos, col, row) && !m_store.IsFixed(col, row))
            moveCurrent(col, row, true);
        return;
    }
    updateCursor(pos);
}

void TCellGrid::mouseReleaseEvent(QMouseEvent* event)
{
    m_rangeDragging = false;
    if (m_sizingCol >= 0) {
        m_sizingCol = -1;
        return;
    }
    const QPoint pos = event->position().toPoint();
    int col = -1;
    int row = -1;
    if (event->button() != Qt::LeftButton || !m_geometry.CellAt(pos, col, row) || col != m_pressCol
        || row != m_pressRow || m_store.IsCheckBoxCell(col, row))
        return;
    clickCell(col, row, pos);
}

void TCellGrid::mouseDoubleClickEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    int col = -1;
    int row = -1;
    if (event->button() != Qt::LeftButton || !m_geometry.CellAt(pos, col, row) || m_store.IsFixed(col, row))
        return;
    // The second click of a double click toggles a box again, like any click.
    if (m_store.IsCheckBoxCell(col, row)) {
        toggleCheckBox(col, row);
        return;
    }
    if (col == m_col && row == m_row)
        openEditor(EditorStart::Plain);
}

bool TCellGrid::startColumnSizing(QPoint pos)
{
    if (!m_options.Contains(goColSizing) || pos.y() >= m_geometry.FixedHeight())
        return false;
    const int col = m_geometry.ColumnBorderAt(pos.x(), SizingTolerance);
    if (col < 0)
        return false;
    closeEditor(CloseMode::Keep);
    m_sizingCol = col;
    m_sizingStartX = pos.x();
    m_sizingStartWidth = ColWidths(col);
    return true;
}

void TCellGrid::clickCell(int col, int row, QPoint pos)
{
    if (openLink(col, row, pos) || !MouseActions.DirectEdit || col != m_col || row != m_row)
        return;
    const QRect rect = m_geometry.CellRect(col, row);
    if (pos.x() - rect.left() > DirectEditBorder && rect.left() + rect.width() - pos.x() > DirectEditBorder)
        openEditor(EditorStart::Plain);
}

QString TCellGrid::linkAt(int col, int row, QPoint pos)
{
    const CellDrawing cell = drawingFor(col, row, m_geometry.CellRect(col, row), CellEvents::Alignment);
    if (cell.formatted)
        return m_painter.AnchorAt(cell, pos);
    return cell.link ? CellToQString(cell.text) : QString();
}

bool TCellGrid::openLink(int col, int row, QPoint pos)
{
    const QString target = linkAt(col, row, pos);
    // Links that name a cell of the grid are not for the shell.
    if (target.isEmpty() || IsCellLink(QStringToCell(target)))
        return false;
    // Only web and mail addresses go to the shell: a cell text is data from a
    // site list or a partner page, and must never make the desktop open a
    // local file or start a program. Other links are drawn but not followed.
    const QString scheme = QUrl(target.trimmed()).scheme().toLower();
    const bool followed = scheme == QLatin1String("http") || scheme == QLatin1String("https")
        || scheme == QLatin1String("ftp") || scheme == QLatin1String("mailto");
    if (followed && m_urlOpener)
        m_urlOpener(target.trimmed());
    return true;
}

void TCellGrid::updateCursor(QPoint pos)
{
    int col = -1;
    int row = -1;
    if (m_options.Contains(goColSizing) && pos.y() < m_geometry.FixedHeight()
        && m_geometry.ColumnBorderAt(pos.x(), SizingTolerance) >= 0)
        viewport()->setCursor(Qt::SplitHCursor);
    else if (m_geometry.CellAt(pos, col, row) && !linkAt(col, row, pos).isEmpty())
        viewport()->setCursor(Qt::PointingHandCursor);
    else
        viewport()->unsetCursor();
}

bool TCellGrid::viewportEvent(QEvent* event)
{
    if (event->type() == QEvent::ToolTip)
        return showHint(static_cast<QHelpEvent*>(event));
    return QAbstractScrollArea::viewportEvent(event);
}

bool TCellGrid::showHint(QHelpEvent* event)
{
    int col = -1;
    int row = -1;
    if (!ShowHint || !m_geometry.CellAt(event->pos(), col, row)) {
        QToolTip::hideText();
        return true;
    }
    Text hint = Hint;
    if (OnGridHint)
        OnGridHint(this, row, col, hint);
    if (hint.empty()) {
        QToolTip::hideText();
        return true;
    }
    if (HintColor.isValid()) {
        QPalette colours = QToolTip::palette();
        colours.setColor(QPalette::ToolTipBase, HintColor);
        QToolTip::setPalette(colours);
    }
    // The hint is shown as the plain text it is, even when it looks like
    // HTML, as a query text usually does. It belongs to the cell: it is
    // withdrawn as soon as the mouse leaves the cell's rectangle, and the
    // next cell is asked afresh.
    const QString shown
        = QStringLiteral("<p style='white-space:pre'>%1</p>").arg(CellToQString(hint).toHtmlEscaped());
    QToolTip::showText(event->globalPos(), shown, viewport(), m_geometry.VisibleCellRect(col, row));
    return true;
}
