#include "grid/cell_grid_painter.h"

#include "grid/cell_grid_text.h"

#include <QAbstractTextDocumentLayout>
#include <QFontMetrics>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTextDocument>
#include <QWidget>
#include <algorithm>

namespace {

// A cell shows a few lines of a few hundred characters at most, so only the
// start of a text is laid out: a damaged file or a pasted page with megabytes
// in one cell must not stall every repaint. The cut falls between GBK
// characters, never inside a two-byte one.
QString shownText(const Text& text)
{
    constexpr std::size_t shownBytes = 8192;
    if (text.size() <= shownBytes)
        return CellToQString(text);
    std::size_t end = 0;
    while (end < shownBytes) {
        const auto byte = static_cast<unsigned char>(text[end]);
        const std::size_t length = byte >= 0x81 && byte <= 0xFE ? 2 : 1;
        if (end + length > shownBytes)
            break;
        end += length;
    }
    return CellToQString(text.substr(0, end));
}

Qt::Alignment horizontalFlag(TAlignment alignment)
{
    switch (alignment) {
    case taRightJustify:
        return Qt::AlignRight;
    case taCenter:
        return Qt::AlignHCenter;
    case taLeftJustify:
        break;
    }
    return Qt::AlignLeft;
}

Qt::Alignment verticalFlag(TVAlignment alignment)
{
    switch (alignment) {
    case vtaCenter:
        return Qt::AlignVCenter;
    case vtaBottom:
        return Qt::AlignBottom;
    case vtaTop:
        break;
    }
    return Qt::AlignTop;
}

QSize graphicSize(const CellDrawing& cell)
{
    if (!cell.graphic)
        return {};
    if (cell.graphic->IsCheckBox())
        return { cell.checkSize, cell.checkSize };
    if (cell.graphic->CellType == ctImageList && !cell.image.isNull())
        return cell.image.deviceIndependentSize().toSize();
    return {};
}

}

CellGridPainter::CellGridPainter(const QWidget* styleSource)
    : m_styleSource(styleSource)
{
}

void CellGridPainter::Paint(QPainter& painter, const CellDrawing& cell) const
{
    painter.save();
    painter.setClipRect(cell.rect, Qt::IntersectClip);
    painter.fillRect(cell.rect, cell.brush);
    paintGraphic(painter, cell);
    if (!cell.text.empty()) {
        if (cell.formatted)
            paintFormattedText(painter, cell);
        else
            paintPlainText(painter, cell);
    }
    painter.restore();
}

QRect CellGridPainter::graphicRect(const CellDrawing& cell) const
{
    const QSize size = graphicSize(cell);
    if (size.isEmpty())
        return {};
    const QRect& area = cell.rect;
    int x = area.left() + (area.width() - size.width()) / 2;
    switch (cell.graphic->CellHAlign) {
    case haLeft:
    case haBeforeText:
        x = area.left() + TextMargin;
        break;
    case haRight:
    case haAfterText:
        x = area.right() + 1 - TextMargin - size.width();
        break;
    case haCenter:
    case haFull:
        break;
    }
    int y = area.top() + (area.height() - size.height()) / 2;
    if (cell.graphic->CellVAlign == vaTop)
        y = area.top() + 1;
    else if (cell.graphic->CellVAlign == vaBottom)
        y = area.bottom() - size.height();
    return QRect(QPoint(x, y), size);
}

QRect CellGridPainter::textRect(const CellDrawing& cell) const
{
    QRect area = cell.rect.adjusted(TextMargin, 1, -TextMargin, -1);
    const QRect graphic = graphicRect(cell);
    if (graphic.isEmpty())
        return area;
    // Only a graphic placed before or after the text makes room for it; the
    // other placements draw over the text area.
    if (cell.graphic->CellHAlign == haBeforeText)
        area.setLeft(graphic.right() + 1 + TextMargin);
    else if (cell.graphic->CellHAlign == haAfterText)
        area.setRight(graphic.left() - 1 - TextMargin);
    return area;
}

void CellGridPainter::paintGraphic(QPainter& painter, const CellDrawing& cell) const
{
    const QRect area = graphicRect(cell);
    if (area.isEmpty())
        return;
    if (cell.graphic->IsCheckBox()) {
        QStyleOptionButton option;
        option.initFrom(m_styleSource);
        option.rect = area;
        option.state
            |= QStyle::State_Enabled | (cell.graphic->CellBoolean ? QStyle::State_On : QStyle::State_Off);
        option.state &= ~QStyle::State_HasFocus;
        m_styleSource->style()->drawPrimitive(QStyle::PE_IndicatorCheckBox, &option, &painter, m_styleSource);
    } else {
        painter.drawPixmap(area.topLeft(), cell.image);
    }
}

void CellGridPainter::paintPlainText(QPainter& painter, const CellDrawing& cell) const
{
    QFont font = cell.font.font;
    QColor color = cell.font.color;
    if (cell.link) {
        font.setUnderline(true);
        color = cell.linkColor;
    }
    painter.setFont(font);
    painter.setPen(color);
    const int lines = cell.multiline ? 0 : Qt::TextSingleLine;
    painter.drawText(textRect(cell), horizontalFlag(cell.hAlign) | verticalFlag(cell.vAlign) | lines,
        shownText(cell.text));
}

void CellGridPainter::layoutFormatted(QTextDocument& document, const CellDrawing& cell, QRect area) const
{
    document.setDocumentMargin(0);
    document.setDefaultFont(cell.font.font);
    QTextOption option(horizontalFlag(cell.hAlign));
    option.setWrapMode(QTextOption::NoWrap);
    document.setDefaultTextOption(option);
    document.setHtml(shownText(cell.text));
    if (area.width() > 0)
        document.setTextWidth(area.width());
}

int CellGridPainter::verticalOffset(const CellDrawing& cell, QRect area, int contentHeight) const
{
    if (cell.vAlign == vtaCenter)
        return (area.height() - contentHeight) / 2;
    if (cell.vAlign == vtaBottom)
        return area.height() - contentHeight;
    return 0;
}

void CellGridPainter::paintFormattedText(QPainter& painter, const CellDrawing& cell) const
{
    const QRect area = textRect(cell);
    QTextDocument document;
    layoutFormatted(document, cell, area);
    const int height = static_cast<int>(document.size().height());
    painter.translate(area.left(), area.top() + verticalOffset(cell, area, height));
    QAbstractTextDocumentLayout::PaintContext context;
    context.palette.setColor(QPalette::Text, cell.font.color);
    context.palette.setColor(QPalette::Link, cell.linkColor);
    context.clip = QRectF(0, 0, area.width(), area.height());
    document.documentLayout()->draw(&painter, context);
}

QString CellGridPainter::AnchorAt(const CellDrawing& cell, QPoint pos) const
{
    if (!cell.formatted || cell.text.empty())
        return {};
    const QRect area = textRect(cell);
    QTextDocument document;
    layoutFormatted(document, cell, area);
    const int height = static_cast<int>(document.size().height());
    const QPointF inside = QPointF(pos - area.topLeft()) - QPointF(0, verticalOffset(cell, area, height));
    return document.documentLayout()->anchorAt(inside);
}

int CellGridPainter::ContentWidth(const CellDrawing& cell) const
{
    int textWidth = 0;
    if (cell.formatted) {
        QTextDocument document;
        layoutFormatted(document, cell, QRect());
        textWidth = static_cast<int>(document.idealWidth() + 0.5);
    } else {
        const QFontMetrics metrics(cell.font.font);
        QString text = shownText(cell.text);
        if (!cell.multiline)
            text.replace(QLatin1Char('\n'), QLatin1Char(' '));
        const QStringList lines = text.split(QLatin1Char('\n'));
        for (const QString& line : lines)
            textWidth = std::max(textWidth, metrics.horizontalAdvance(line));
    }
    const int graphicWidth = graphicSize(cell).width();
    const int gap = graphicWidth > 0 && textWidth > 0 ? TextMargin : 0;
    return TextMargin + graphicWidth + gap + textWidth + TextMargin;
}
