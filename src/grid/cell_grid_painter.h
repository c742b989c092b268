#pragma once

#include "base/text.h"
#include "grid_store/cell_graphic.h"
#include "grid/cell_grid_events.h"

#include <QBrush>
#include <QPixmap>
#include <QRect>
#include <QString>
#include <optional>

class QPainter;
class QTextDocument;
class QWidget;

// Everything needed to draw one cell, gathered by the grid after the cell's
// colour and alignment events have run. A value: it holds copies, never a
// pointer into the cell store.
struct CellDrawing {
    QRect rect;
    QBrush brush;
    CellFont font;
    TAlignment hAlign = taLeftJustify;
    TVAlignment vAlign = vtaTop;
    Text text;
    std::optional<TCellGraphic> graphic;
    QPixmap image; // the graphic's image of the grid's image list, if it has one
    bool multiline = false;
    bool formatted = false; // drawn as HTML-ish text without its tags
    bool link = false; // drawn underlined in linkColor
    QColor linkColor;
    int checkSize = 15;
};

// Draws cells: the background, the check box or image, and the text (plain,
// multi-line, link, or formatted). Also answers where things lie inside a
// cell: the text area, the link under a point, and the width a cell's
// contents need. Stateless apart from the widget whose style draws check
// boxes; used on the widget's thread only.
class CellGridPainter
{
public:
    explicit CellGridPainter(const QWidget* styleSource);

    void Paint(QPainter& painter, const CellDrawing& cell) const;

    // The address of the link inside a formatted text at pos (viewport
    // coordinates), or an empty string.
    QString AnchorAt(const CellDrawing& cell, QPoint pos) const;

    // Pixels the cell's text and graphic need side by side, margins included.
    int ContentWidth(const CellDrawing& cell) const;

    static constexpr int TextMargin = 2;

private:
    QRect graphicRect(const CellDrawing& cell) const;
    QRect textRect(const CellDrawing& cell) const;
    void paintGraphic(QPainter& painter, const CellDrawing& cell) const;
    void paintPlainText(QPainter& painter, const CellDrawing& cell) const;
    void paintFormattedText(QPainter& painter, const CellDrawing& cell) const;
    void layoutFormatted(QTextDocument& document, const CellDrawing& cell, QRect area) const;
    int verticalOffset(const CellDrawing& cell, QRect area, int contentHeight) const;

    const QWidget* m_styleSource;
};
