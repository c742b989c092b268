#pragma once

#include "base/text.h"
#include "grid/cell_grid_event_pump.h"
#include "grid/cell_grid_events.h"
#include "grid/cell_grid_geometry.h"
#include "grid/cell_grid_painter.h"
#include "grid_store/cell_store.h"
#include "grid_store/grid_file.h"
#include "grid_store/grid_types.h"

#include <QAbstractScrollArea>
#include <QColor>
#include <QFont>
#include <QPixmap>
#include <functional>
#include <optional>
#include <vector>

struct CellDrawing;
class QHelpEvent;

// The table widget of both grids of the main window. It shows a CellStore
// (texts, check boxes, images), lets the user move between cells, edit them
// in place with a text editor or a drop-down list, toggle check boxes, and
// append, insert and delete rows from the keyboard; it asks the window,
// cell by cell, through its events (colours, alignment, hints, editability,
// deletion, editor kind) and tells it about rows it added and boxes it
// toggled.
//
// Cell texts are GBK bytes; they are converted to Qt strings only to paint
// and to edit. Cells outside ColCount and RowCount keep their contents but
// are never drawn, reached or reported.
//
// Belongs to the GUI thread: every operation and every event runs there.
// Event handlers may call any operation, including replacing the graphic of
// the cell being handled. Only the file operations block (on file I/O) and
// report errors: they raise EGridError when the file cannot be created or
// opened and std::system_error when reading or writing fails part way
// (grid_file.h). Every other operation reports no errors.
class TCellGrid : public QAbstractScrollArea
{
    Q_OBJECT

public:
    using UrlOpener = std::function<void(const QString& url)>;

    explicit TCellGrid(QWidget* parent = nullptr);
    ~TCellGrid() override;

    // The cells behind the grid. Changes made there directly show at once.
    CellStore& Store() { return m_store; }
    const CellStore& Store() const { return m_store; }

    // Cell operations; writing a text fires no event.
    Text Cells(int col, int row) const { return m_store.Cells(col, row); }
    void SetCells(int col, int row, Text text) { m_store.SetCells(col, row, std::move(text)); }
    int ColCount() const { return m_store.ColCount(); }
    int RowCount() const { return m_store.RowCount(); }
    int FixedCols() const { return m_store.FixedCols(); }
    int FixedRows() const { return m_store.FixedRows(); }
    void SetColCount(int count) { m_store.SetColCount(count); }
    void SetRowCount(int count) { m_store.SetRowCount(count); }
    void SetFixedCols(int count) { m_store.SetFixedCols(count); }
    void SetFixedRows(int count) { m_store.SetFixedRows(count); }
    int ColWidths(int col) const { return m_store.ColWidths(col); }
    void SetColWidths(int col, int width) { m_store.SetColWidths(col, width); }
    void AddCheckBox(int col, int row, bool State, bool Data) { m_store.AddCheckBox(col, row, State, Data); }
    // Does nothing while no GridImages are set.
    void AddImageIdx(int col, int row, int image, TCellHAlign HAlign, TCellVAlign VAlign);
    void ClearComboString() { m_store.ClearComboString(); }
    void AddComboString(Text text) { m_store.AddComboString(std::move(text)); }
    // Closes the open editor onto its own cell first, as every row operation
    // does, so no editor is ever left over a row that has moved.
    void AddRow();
    void ClearRect(int col1, int row1, int col2, int row2) { m_store.ClearRect(col1, row1, col2, row2); }
    void SetColumnHeaders(std::vector<Text> headers) { m_store.SetColumnHeaders(std::move(headers)); }
    // Makes every column (from 0 with DoFixedCols, else from FixedCols) as
    // wide as its widest content plus Extra pixels, at least 10 pixels.
    void AutoSizeColumns(bool DoFixedCols, int Extra);

    // The current cell: always a non-fixed cell inside the counts.
    int CurrentCol() const { return m_col; }
    int CurrentRow() const { return m_row; }
    // Makes a non-fixed cell inside the counts current (others are ignored).
    void SetCurrentCell(int col, int row);
    // The cell's rectangle in viewport coordinates, empty when not shown.
    QRect CellRect(int col, int row) const { return m_geometry.CellRect(col, row); }
    // The open in-place editor, or nullptr.
    QWidget* Editor() const { return m_editor; }

    TGridOptions Options() const { return m_options; }
    void SetOptions(TGridOptions options);
    TVAlignment VAlignment() const { return m_store.VAlignment; }
    void SetVAlignment(TVAlignment alignment);
    int DefaultRowHeight() const { return m_defaultRowHeight; }
    void SetDefaultRowHeight(int height);
    int FixedRowHeight() const { return m_fixedRowHeight; }
    void SetFixedRowHeight(int height);
    bool Multilinecells() const { return m_multiline; }
    void SetMultilinecells(bool on);
    bool EnableHTML() const { return m_enableHtml; }
    void SetEnableHTML(bool on);
    bool URLShow() const { return m_urlShow; }
    void SetURLShow(bool on);
    QColor URLColor() const { return m_urlColor; }
    void SetURLColor(QColor color);

    QFont Font() const { return m_font; }
    void SetFont(const QFont& font);
    QFont FixedFont() const { return m_fixedFont; }
    void SetFixedFont(const QFont& font);
    QColor Color() const { return m_color; }
    void SetColor(QColor color);
    QColor FixedColor() const { return m_fixedColor; }
    void SetFixedColor(QColor color);
    QColor SelectionColor() const { return m_selectionColor; }
    void SetSelectionColor(QColor color);
    QColor SelectionTextColor() const { return m_selectionTextColor; }
    void SetSelectionTextColor(QColor color);
    QColor GridLineColor() const { return m_gridLineColor; }
    void SetGridLineColor(QColor color);
    int GridLineWidth() const { return m_gridLineWidth; }
    void SetGridLineWidth(int width);
    GridControlLook ControlLook() const { return m_controlLook; }
    void SetControlLook(GridControlLook look);

    // The image list of image cells; AddImageIdx acts only while it is set.
    void SetGridImages(std::vector<QPixmap> images);
    void ClearGridImages();
    bool HasGridImages() const { return m_gridImages.has_value(); }

    // Settings read when they are needed; writing them changes nothing at once.
    GridNavigation Navigation;
    GridMouseActions MouseActions;
    bool EditWithTags = false;
    bool URLFull = true;
    bool URLEdit = true;
    bool ShowHint = true;
    // The hint window's colour; an invalid colour keeps the platform's.
    QColor HintColor;
    // The grid's own hint text, offered to OnGridHint first.
    Text Hint;

    TGridColorEvent OnGetCellColor;
    TGridAlignEvent OnGetAlignment;
    TGridHintEvent OnGridHint;
    TAutoAddRowEvent OnAutoAddRow;
    TAutoInsertRowEvent OnAutoInsertRow;
    TCanDeleteRowEvent OnCanDeleteRow;
    TCanEditCellEvent OnCanEditCell;
    TGetEditorTypeEvent OnGetEditorType;
    TCheckBoxClickEvent OnCheckBoxClick;
    TComboChangeEvent OnComboChange;

    // What opens a clicked link; by default the desktop's URL handler.
    void SetUrlOpener(UrlOpener opener) { m_urlOpener = std::move(opener); }

    // The grid file (grid_file.h). Loading lets pending window events run
    // while it reads, and repaints the whole grid at the end.
    void SaveToFile(const Text& FileName) const { ::SaveToFile(m_store, FileName); }
    GridLoadReport LoadFromFile(const Text& FileName);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    enum class CloseMode {
        Keep, // the cell keeps what the editor wrote
        Restore, // the cell gets back the text it had when the editor opened
    };
    enum class CellEvents {
        All, // painting: colour and alignment events
        Alignment, // finding things inside a cell: the alignment event only
        None, // measuring
    };
    enum class EditorStart {
        Plain,
        SelectAll, // a typed key replaces the text
    };

    // Store changes and layout.
    void onStoreChange(CellStore::Change change, int col, int row);
    void relayout();
    void layoutCells();
    void keepCurrentInGrid();
    void scrollToCell(int col, int row);
    void updateCell(int col, int row);

    // Current cell, selection and the editing switch.
    void moveCurrent(int col, int row, bool extendSelection);
    bool isSelected(int col, int row) const;
    bool askCanEdit(int col, int row, bool canEdit);
    bool canEditEntering() const;
    bool applyEditingSwitch(int col, int row);

    // Editors.
    void openEditor(EditorStart start);
    void openTextEditor(EditorStart start);
    void openComboEditor();
    void placeEditor(QWidget* editor);
    void closeEditor(CloseMode mode);
    void onEditorAction(QWidget* editor, EditorAction action);
    void onComboChange(QWidget* editor, int index, bool byWheel);

    // Keyboard rules.
    bool handleNavigationKey(QKeyEvent* event);
    bool handleCellKey(QKeyEvent* event);
    bool typeIntoCell(QKeyEvent* event);
    bool handleRowKey(QKeyEvent* event);
    void advance(bool fromEditor);
    bool nextAdvanceCell(int& col, int& row, bool& appended);
    void insertRow();
    void deleteRow();
    void toggleCheckBox(int col, int row);

    // Mouse rules.
    bool startColumnSizing(QPoint pos);
    void clickCell(int col, int row, QPoint pos);
    QString linkAt(int col, int row, QPoint pos);
    bool openLink(int col, int row, QPoint pos);
    void updateCursor(QPoint pos);
    bool showHint(QHelpEvent* event);

    // Painting.
    CellDrawing drawingFor(int col, int row, QRect rect, CellEvents events);
    void addContents(CellDrawing& cell, int col, int row) const;
    void paintCell(QPainter& painter, int col, int row, QRect rect);
    void paintGridLines(QPainter& painter, int col, int row, QRect rect) const;

    CellStore m_store;
    CellGridGeometry m_geometry;
    CellGridPainter m_painter;
    int m_col = 0;
    int m_row = 0;
    // The far corner of the selected rectangle, whose other corner is the
    // current cell; dragging and Shift move it, the current cell stays.
    int m_cornerCol = 0;
    int m_cornerRow = 0;
    TGridOptions m_options { goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine, goRangeSelect };
    bool m_editingRemovedByGrid = false;
    // While a file loads, count and width changes only mark the layout as
    // stale; it is worked out once at the end instead of once per line.
    bool m_deferLayout = false;

    QWidget* m_editor = nullptr;
    int m_editorCol = 0;
    int m_editorRow = 0;
    Text m_editorOriginal;
    bool m_editorIsCombo = false;

    int m_defaultRowHeight = 17;
    int m_fixedRowHeight = 17;
    bool m_multiline = false;
    bool m_enableHtml = true;
    bool m_urlShow = false;
    QColor m_urlColor { 0, 0, 255 };
    QFont m_font;
    QFont m_fixedFont;
    QColor m_color;
    QColor m_fixedColor;
    QColor m_selectionColor;
    QColor m_selectionTextColor;
    QColor m_gridLineColor { 192, 192, 192 };
    int m_gridLineWidth = 1;
    GridControlLook m_controlLook;
    std::optional<std::vector<QPixmap>> m_gridImages;
    UrlOpener m_urlOpener;

    // Mouse gestures in progress.
    int m_sizingCol = -1;
    int m_sizingStartX = 0;
    int m_sizingStartWidth = 0;
    bool m_rangeDragging = false;
    int m_pressCol = -1;
    int m_pressRow = -1;
};
