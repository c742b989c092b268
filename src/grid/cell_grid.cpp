#include "grid/cell_grid.h"

#include "grid/cell_grid_combo_editor.h"
#include "grid/cell_grid_text.h"
#include "grid/cell_grid_text_editor.h"
#include "grid_store/cell_text.h"

#include <QDesktopServices>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QUrl>
#include <algorithm>
#include <limits>
#include <map>
#include <utility>

TCellGrid::TCellGrid(QWidget* parent)
    : QAbstractScrollArea(parent)
    , m_painter(this)
{
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setMouseTracking(true);
    const QPalette& colours = palette();
    m_color = colours.color(QPalette::Base);
    m_fixedColor = colours.color(QPalette::Button);
    m_selectionColor = colours.color(QPalette::Highlight);
    m_selectionTextColor = colours.color(QPalette::HighlightedText);
    m_font = font();
    m_fixedFont = font();
    m_urlOpener = [](const QString& url) { QDesktopServices::openUrl(QUrl::fromUserInput(url)); };
    m_store.SetChangeListener(
        [this](CellStore::Change change, int col, int row) { onStoreChange(change, col, row); });
    keepCurrentInGrid();
    relayout();
}

TCellGrid::~TCellGrid()
{
    // The editor goes first, while the grid is whole; it reports nothing
    // once it is no longer the open editor.
    delete std::exchange(m_editor, nullptr);
    m_store.SetChangeListener(nullptr);
}

void TCellGrid::AddImageIdx(int col, int row, int image, TCellHAlign HAlign, TCellVAlign VAlign)
{
    if (m_gridImages)
        m_store.AddImageIdx(col, row, image, HAlign, VAlign);
}

void TCellGrid::AddRow()
{
    closeEditor(CloseMode::Keep);
    m_store.AddRow();
}

void TCellGrid::AutoSizeColumns(bool DoFixedCols, int Extra)
{
    const int first = DoFixedCols ? 0 : FixedCols();
    // ContentWidth counts the text margins; a column without contents gets
    // the margins alone.
    std::map<int, int> widest;
    m_store.ForEachCell(
        first, 0, ColCount() - 1, RowCount() - 1, [&](int col, int row, const Text&, const TCellGraphic*) {
            const int width = m_painter.ContentWidth(drawingFor(col, row, QRect(), CellEvents::None));
            widest[col] = std::max(widest[col], width);
        });
    for (int col = first; col < ColCount(); ++col) {
        const auto content = widest.find(col);
        const int contentWidth = content == widest.end() ? 2 * CellGridPainter::TextMargin : content->second;
        m_store.SetColWidths(col, std::max(contentWidth + 2 * m_gridLineWidth + Extra, 10));
    }
}

void TCellGrid::SetCurrentCell(int col, int row) { moveCurrent(col, row, false); }

void TCellGrid::SetOptions(TGridOptions options)
{
    m_options = options;
    viewport()->update();
}

void TCellGrid::SetVAlignment(TVAlignment alignment)
{
    m_store.VAlignment = alignment;
    viewport()->update();
}

void TCellGrid::SetDefaultRowHeight(int height)
{
    m_defaultRowHeight = std::max(height, 1);
    relayout();
}

void TCellGrid::SetFixedRowHeight(int height)
{
    m_fixedRowHeight = std::max(height, 1);
    relayout();
}

void TCellGrid::SetMultilinecells(bool on)
{
    m_multiline = on;
    viewport()->update();
}

void TCellGrid::SetEnableHTML(bool on)
{
    m_enableHtml = on;
    viewport()->update();
}

void TCellGrid::SetURLShow(bool on)
{
    m_urlShow = on;
    viewport()->update();
}

void TCellGrid::SetURLColor(QColor color)
{
    m_urlColor = color;
    viewport()->update();
}

void TCellGrid::SetFont(const QFont& font)
{
    m_font = font;
    viewport()->update();
}

void TCellGrid::SetFixedFont(const QFont& font)
{
    m_fixedFont = font;
    viewport()->update();
}

void TCellGrid::SetColor(QColor color)
{
    m_color = color;
    viewport()->update();
}

void TCellGrid::SetFixedColor(QColor color)
{
    m_fixedColor = color;
    viewport()->update();
}

void TCellGrid::SetSelectionColor(QColor color)
{
    m_selectionColor = color;
    viewport()->update();
}

void TCellGrid::SetSelectionTextColor(QColor color)
{
    m_selectionTextColor = color;
    viewport()->update();
}

void TCellGrid::SetGridLineColor(QColor color)
{
    m_gridLineColor = color;
    viewport()->update();
}

void TCellGrid::SetGridLineWidth(int width)
{
    m_gridLineWidth = std::max(width, 0);
    viewport()->update();
}

void TCellGrid::SetControlLook(GridControlLook look)
{
    m_controlLook = look;
    viewport()->update();
}

void TCellGrid::SetGridImages(std::vector<QPixmap> images)
{
    m_gridImages = std::move(images);
    viewport()->update();
}

void TCellGrid::ClearGridImages()
{
    m_gridImages.reset();
    viewport()->update();
}

void TCellGrid::onStoreChange(CellStore::Change change, int col, int row)
{
    switch (change) {
    case CellStore::Change::Cell:
        updateCell(col, row);
        break;
    case CellStore::Change::Contents:
        viewport()->update();
        break;
    case CellStore::Change::Layout:
        keepCurrentInGrid();
        if (!m_deferLayout)
            relayout();
        break;
    }
}

GridLoadReport TCellGrid::LoadFromFile(const Text& FileName)
{
    // The layout is brought up to date however the load ends, also when it
    // raises EGridError or an input/output error.
    struct LayoutAtEnd {
        TCellGrid& grid;
        ~LayoutAtEnd()
        {
            grid.m_deferLayout = false;
            grid.relayout();
            grid.viewport()->update();
        }
    };
    m_deferLayout = true;
    const LayoutAtEnd layoutAtEnd { *this };
    return ::LoadFromFile(m_store, FileName, GridEventPump());
}

void TCellGrid::relayout()
{
    const int nonFixedRows = RowCount() - FixedRows();
    const int fixedHeight = static_cast<int>(std::min<std::int64_t>(
        std::int64_t { FixedRows() } * m_fixedRowHeight, std::numeric_limits<int>::max()));
    const int rowsThatFit = std::max(1, (viewport()->height() - fixedHeight) / m_defaultRowHeight);
    verticalScrollBar()->setRange(0, std::max(0, nonFixedRows - rowsThatFit));
    verticalScrollBar()->setPageStep(rowsThatFit);
    verticalScrollBar()->setSingleStep(1);

    const std::int64_t fixedWidth = m_store.ColumnsWidth(0, FixedCols());
    const std::int64_t scrolledWidth = m_store.ColumnsWidth(FixedCols(), ColCount());
    const std::int64_t hidden = scrolledWidth - (viewport()->width() - fixedWidth);
    horizontalScrollBar()->setRange(
        0, static_cast<int>(std::clamp<std::int64_t>(hidden, 0, std::numeric_limits<int>::max())));
    horizontalScrollBar()->setPageStep(std::max(1, viewport()->width()));
    horizontalScrollBar()->setSingleStep(20);
    layoutCells();
}

void TCellGrid::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    relayout();
}

void TCellGrid::scrollContentsBy(int, int) { layoutCells(); }

void TCellGrid::layoutCells()
{
    m_geometry.Layout(m_store, m_fixedRowHeight, m_defaultRowHeight,
        FixedRows() + verticalScrollBar()->value(), horizontalScrollBar()->value(), viewport()->size());
    if (m_editor)
        placeEditor(m_editor);
    viewport()->update();
}

void TCellGrid::keepCurrentInGrid()
{
    const auto clampCol = [this](int col) { return std::clamp(col, FixedCols(), ColCount() - 1); };
    const auto clampRow = [this](int row) { return std::clamp(row, FixedRows(), RowCount() - 1); };
    m_col = clampCol(m_col);
    m_row = clampRow(m_row);
    m_cornerCol = clampCol(m_cornerCol);
    m_cornerRow = clampRow(m_cornerRow);
    if (m_editor && (!m_store.InGrid(m_editorCol, m_editorRow) || m_store.IsFixed(m_editorCol, m_editorRow)))
        closeEditor(CloseMode::Keep);
}

void TCellGrid::scrollToCell(int col, int row)
{
    if (row >= FixedRows()) {
        const int first = FixedRows() + verticalScrollBar()->value();
        const int fit = m_geometry.ScrolledRowsThatFit();
        if (row < first)
            verticalScrollBar()->setValue(row - FixedRows());
        else if (row >= first + fit)
            verticalScrollBar()->setValue(row - FixedRows() - fit + 1);
    }
    if (col >= FixedCols()) {
        const std::int64_t start = m_store.ColumnsWidth(FixedCols(), col);
        const std::int64_t end = start + ColWidths(col);
        const std::int64_t room = viewport()->width() - m_store.ColumnsWidth(0, FixedCols());
        const std::int64_t offset = horizontalScrollBar()->value();
        if (start < offset)
            horizontalScrollBar()->setValue(static_cast<int>(start));
        else if (end > offset + room)
            horizontalScrollBar()->setValue(static_cast<int>(std::min(start, end - room)));
    }
}

void TCellGrid::updateCell(int col, int row)
{
    const QRect rect = m_geometry.VisibleCellRect(col, row);
    if (!rect.isEmpty())
        viewport()->update(rect);
}

void TCellGrid::moveCurrent(int col, int row, bool extendSelection)
{
    if (!m_store.InGrid(col, row) || m_store.IsFixed(col, row))
        return;
    if (extendSelection && m_options.Contains(goRangeSelect)) {
        m_cornerCol = col;
        m_cornerRow = row;
        viewport()->update();
        return;
    }
    const bool moved = col != m_col || row != m_row;
    if (moved)
        closeEditor(CloseMode::Keep);
    m_col = m_cornerCol = col;
    m_row = m_cornerRow = row;
    scrollToCell(col, row);
    viewport()->update();
    if (moved && !m_store.IsCheckBoxCell(col, row))
        applyEditingSwitch(col, row);
}

bool TCellGrid::isSelected(int col, int row) const
{
    return col >= std::min(m_col, m_cornerCol) && col <= std::max(m_col, m_cornerCol)
        && row >= std::min(m_row, m_cornerRow) && row <= std::max(m_row, m_cornerRow);
}

bool TCellGrid::askCanEdit(int col, int row, bool canEdit)
{
    if (OnCanEditCell)
        OnCanEditCell(this, row, col, canEdit);
    return canEdit;
}

bool TCellGrid::canEditEntering() const { return m_options.Contains(goEditing) || m_editingRemovedByGrid; }

bool TCellGrid::applyEditingSwitch(int col, int row)
{
    // The handler's answer alone decides; the grid keeps goEditing in step
    // with it, so a grid set up without editing becomes editable wherever
    // the window allows it.
    const bool canEdit = askCanEdit(col, row, canEditEntering());
    if (canEdit) {
        m_options.Include(goEditing);
    } else if (m_options.Contains(goEditing)) {
        m_options.Exclude(goEditing);
        m_editingRemovedByGrid = true;
    }
    return canEdit;
}

CellDrawing TCellGrid::drawingFor(int col, int row, QRect rect, CellEvents events)
{
    CellDrawing cell;
    cell.rect = rect;
    const bool fixed = m_store.IsFixed(col, row);
    const bool current = col == m_col && row == m_row;
    const bool selected = !fixed && isSelected(col, row);
    TGridDrawState state;
    if (fixed)
        state.Include(gdFixed);
    if (selected)
        state.Include(gdSelected);
    if (current)
        state.Include(gdFocused);
    cell.brush = QBrush(fixed ? m_fixedColor : m_color);
    cell.font = { fixed ? m_fixedFont : m_font, palette().color(QPalette::Text) };
    if (selected && !current) {
        cell.brush = QBrush(m_selectionColor);
        cell.font.color = m_selectionTextColor;
    }
    if (events == CellEvents::All && OnGetCellColor)
        OnGetCellColor(this, row, col, state, cell.brush, cell.font);
    cell.vAlign = m_store.VAlignment;
    if (events != CellEvents::None && OnGetAlignment)
        OnGetAlignment(this, row, col, cell.hAlign, cell.vAlign);
    // Contents are read only now: the handlers above may have changed them.
    addContents(cell, col, row);
    return cell;
}

void TCellGrid::addContents(CellDrawing& cell, int col, int row) const
{
    cell.text = m_store.Cells(col, row);
    if (const TCellGraphic* graphic = m_store.Graphic(col, row)) {
        cell.graphic = *graphic;
        const int index = graphic->CellIndex;
        if (graphic->CellType == ctImageList && m_gridImages && index >= 0
            && index < static_cast<int>(m_gridImages->size()))
            cell.image = (*m_gridImages)[static_cast<std::size_t>(index)];
    }
    cell.multiline = m_multiline;
    cell.formatted = m_enableHtml && IsFormattedText(cell.text);
    cell.link = m_urlShow && !cell.formatted && IsLinkText(cell.text);
    cell.linkColor = m_urlColor;
    cell.checkSize = m_controlLook.CheckSize;
}

void TCellGrid::paintEvent(QPaintEvent* event)
{
    QPainter painter(viewport());
    painter.fillRect(event->rect(), palette().color(QPalette::Window));
    for (const CellGridGeometry::Span& row : m_geometry.Rows()) {
        for (const CellGridGeometry::Span& col : m_geometry.Columns()) {
            const QRect visible = m_geometry.VisibleCellRect(col.index, row.index);
            if (visible.isEmpty() || !visible.intersects(event->rect()))
                continue;
            painter.save();
            painter.setClipRect(visible);
            paintCell(painter, col.index, row.index, QRect(col.start, row.start, col.size, row.size));
            painter.restore();
        }
    }
}

void TCellGrid::paintCell(QPainter& painter, int col, int row, QRect rect)
{
    m_painter.Paint(painter, drawingFor(col, row, rect, CellEvents::All));
    paintGridLines(painter, col, row, rect);
    if (col == m_col && row == m_row && !m_editor) {
        QPen focus(palette().color(QPalette::Text));
        focus.setStyle(Qt::DotLine);
        painter.setPen(focus);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(rect.adjusted(0, 0, -1 - m_gridLineWidth, -1 - m_gridLineWidth));
    }
}

void TCellGrid::paintGridLines(QPainter& painter, int col, int row, QRect rect) const
{
    if (m_gridLineWidth <= 0)
        return;
    const bool fixed = m_store.IsFixed(col, row);
    if (m_options.Contains(fixed ? goFixedVertLine : goVertLine))
        painter.fillRect(
            QRect(rect.right() + 1 - m_gridLineWidth, rect.top(), m_gridLineWidth, rect.height()),
            m_gridLineColor);
    if (m_options.Contains(fixed ? goFixedHorzLine : goHorzLine))
        painter.fillRect(
            QRect(rect.left(), rect.bottom() + 1 - m_gridLineWidth, rect.width(), m_gridLineWidth),
            m_gridLineColor);
}
