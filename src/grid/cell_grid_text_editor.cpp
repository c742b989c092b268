#include "grid/cell_grid_text_editor.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QTextDocument>
#include <QTextOption>

CellGridTextEditor::CellGridTextEditor(QWidget* parent, bool multiline, ActionHandler handler)
    : QPlainTextEdit(parent)
    , m_multiline(multiline)
    , m_handler(std::move(handler))
{
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    document()->setDocumentMargin(1);
    // Followed edit by edit, so each change is told apart from the text just
    // before it and the line breaks around it keep their stored form.
    connect(this, &QPlainTextEdit::textChanged, this, [this] { m_text = EditedText(m_text, toPlainText()); });
}

Text CellGridTextEditor::CellText() const { return EditorTextToCell(EditedText(m_text, toPlainText())); }

void CellGridTextEditor::SetCellText(const Text& text, TAlignment alignment)
{
    QTextOption option = document()->defaultTextOption();
    option.setAlignment(alignment == taCenter ? Qt::AlignHCenter
            : alignment == taRightJustify     ? Qt::AlignRight
                                              : Qt::AlignLeft);
    document()->setDefaultTextOption(option);
    m_text = CellToEditorText(text);
    setPlainText(m_text.text);
    moveCursor(QTextCursor::End);
}

void CellGridTextEditor::keyPressEvent(QKeyEvent* event)
{
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (m_multiline && (modifiers & Qt::ControlModifier)) {
            insertPlainText(QStringLiteral("\n"));
            return;
        }
        m_handler(this, EditorAction::Enter);
        return;
    case Qt::Key_Escape:
        m_handler(this, EditorAction::Cancel);
        return;
    case Qt::Key_Tab:
        m_handler(this, EditorAction::Tab);
        return;
    case Qt::Key_Backtab:
        m_handler(this, EditorAction::Backtab);
        return;
    case Qt::Key_Insert:
        if (modifiers == Qt::NoModifier) {
            m_handler(this, EditorAction::InsertRow);
            return;
        }
        break;
    case Qt::Key_Delete:
        // A plain Delete edits the text; only Ctrl+Delete reaches the grid.
        if ((modifiers & Qt::ControlModifier) && !(modifiers & Qt::AltModifier)) {
            m_handler(this, EditorAction::DeleteRow);
            return;
        }
        break;
    default:
        break;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void CellGridTextEditor::focusOutEvent(QFocusEvent* event)
{
    QPlainTextEdit::focusOutEvent(event);
    // A context menu or another window taking over does not end the edit.
    if (event->reason() != Qt::PopupFocusReason && event->reason() != Qt::ActiveWindowFocusReason)
        m_handler(this, EditorAction::FocusLost);
}

bool CellGridTextEditor::focusNextPrevChild(bool) { return false; }
