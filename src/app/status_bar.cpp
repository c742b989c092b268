#include "app/status_bar.h"

#include "grid/cell_grid_text.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>

TStatusBar::TStatusBar(QWidget* parent)
    : QFrame(parent)
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addStretch(1);
}

void TStatusBar::AddPanel(int width, const Text& text)
{
    auto* panel = new QLabel(CellToQString(text), this);
    panel->setAlignment(Qt::AlignCenter);
    panel->setFixedWidth(width);
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Sunken);
    // The stretch that fills the rest of the bar stays last.
    auto* row = static_cast<QHBoxLayout*>(layout());
    row->insertWidget(row->count() - 1, panel);
    m_panels.push_back(panel);
}

Text TStatusBar::PanelText(int index) const
{
    return QStringToCell(m_panels.at(static_cast<std::size_t>(index))->text());
}

void TStatusBar::SetPanelText(int index, const Text& text)
{
    m_panels.at(static_cast<std::size_t>(index))->setText(CellToQString(text));
}

int TStatusBar::PanelWidth(int index) const { return m_panels.at(static_cast<std::size_t>(index))->width(); }

void TStatusBar::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
    QFrame::mouseReleaseEvent(event);
}
