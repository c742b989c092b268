#include "grid/cell_grid_combo_editor.h"

#include "grid/cell_grid_text.h"

#include <QAbstractItemView>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QWheelEvent>
#include <algorithm>

CellGridComboEditor::CellGridComboEditor(QWidget* parent, std::vector<Text> items, const Text& cellText,
    ActionHandler onAction, ChangeHandler onChange)
    : QComboBox(parent)
    , m_items(std::move(items))
    , m_onAction(std::move(onAction))
    , m_onChange(std::move(onChange))
{
    setEditable(false);
    for (const Text& item : m_items)
        addItem(CellToQString(item));
    const auto match = std::find(m_items.begin(), m_items.end(), cellText);
    setCurrentIndex(
        match == m_items.end() ? (m_items.empty() ? -1 : 0) : static_cast<int>(match - m_items.begin()));
    // Connected only now, so the selection made on opening reports nothing.
    connect(this, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index < 0)
            return;
        m_chosen = true;
        m_onChange(this, index, m_byWheel);
    });
    // Picking the entry already shown changes no index, yet it is a choice:
    // a new row's empty status cell shows the first entry until one is picked.
    connect(this, &QComboBox::activated, this, [this](int index) {
        if (index < 0 || m_chosen)
            return;
        m_chosen = true;
        m_onChange(this, index, false);
    });
}

std::optional<Text> CellGridComboEditor::ChosenText() const
{
    if (!m_chosen || currentIndex() < 0)
        return std::nullopt;
    return ItemText(currentIndex());
}

void CellGridComboEditor::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        m_chosen = true;
        m_onAction(this, EditorAction::Enter);
        return;
    case Qt::Key_Tab:
        m_chosen = true;
        m_onAction(this, EditorAction::Tab);
        return;
    case Qt::Key_Backtab:
        m_chosen = true;
        m_onAction(this, EditorAction::Backtab);
        return;
    case Qt::Key_Left:
        m_onAction(this, EditorAction::MoveLeft);
        return;
    case Qt::Key_Right:
        m_onAction(this, EditorAction::MoveRight);
        return;
    case Qt::Key_Escape:
        m_onAction(this, EditorAction::Cancel);
        return;
    default:
        QComboBox::keyPressEvent(event);
    }
}

void CellGridComboEditor::wheelEvent(QWheelEvent* event)
{
    // One entry per wheel step, up or down, whatever the platform's combo
    // box would do with the wheel.
    const int delta = event->angleDelta().y();
    event->accept();
    if (delta == 0 || count() == 0)
        return;
    const int next = std::clamp(currentIndex() + (delta > 0 ? -1 : 1), 0, count() - 1);
    m_byWheel = true;
    setCurrentIndex(next);
    m_byWheel = false;
}

void CellGridComboEditor::focusOutEvent(QFocusEvent* event)
{
    QComboBox::focusOutEvent(event);
    const bool listOpen = view() && view()->isVisible();
    if (!listOpen && event->reason() != Qt::PopupFocusReason
        && event->reason() != Qt::ActiveWindowFocusReason)
        m_onAction(this, EditorAction::FocusLost);
}

bool CellGridComboEditor::focusNextPrevChild(bool) { return false; }
