#include "app/status_bar.h"

#include "grid/cell_grid_text.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QToolTip>

TStatusBar::TStatusBar(QWidget* parent)
    : QFrame(parent)
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addStretch(1);
    m_noticeTimer.setSingleShot(true);
    connect(&m_noticeTimer, &QTimer::timeout, this, &TStatusBar::endNotice);
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

void TStatusBar::ShowNotice(int index, const Text& text, std::chrono::milliseconds duration)
{
    if (m_noticePanel != index) {
        endNotice();
        m_noticePanel = index;
        m_textBeforeNotice = PanelText(index);
    }
    // A notice is read from its start; the tool tip holds what the panel cuts off.
    QLabel* panel = m_panels.at(static_cast<std::size_t>(index));
    panel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    panel->setText(CellToQString(text));
    setToolTip(panel->text());
    m_noticeTimer.start(duration);
}

void TStatusBar::EndNotice(int index, const Text& text)
{
    if (m_noticePanel == index && PanelText(index) == text)
        endNotice();
}

void TStatusBar::endNotice()
{
    if (m_noticePanel < 0)
        return;
    QLabel* panel = m_panels.at(static_cast<std::size_t>(m_noticePanel));
    panel->setAlignment(Qt::AlignCenter);
    panel->setText(CellToQString(m_textBeforeNotice));
    // A tool tip open over the bar would outlive the notice it tells of.
    if (QToolTip::isVisible() && QToolTip::text() == toolTip())
        QToolTip::hideText();
    setToolTip(QString());
    m_noticePanel = -1;
}

void TStatusBar::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
    QFrame::mouseReleaseEvent(event);
}
