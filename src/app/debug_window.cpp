#include "app/debug_window.h"

#include "app/result_grid.h"
#include "app/result_grid_layout.h"
#include "app/window_font.h"
#include "grid/cell_grid.h"
#include "grid/cell_grid_text.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>

namespace {

// 调试窗口 ("debug window")
constexpr char captionAtStart[] = "\xB5\xF7\xCA\xD4\xB4\xB0\xBF\xDA";
constexpr int clientWidth = 895;
constexpr int clientHeight = 335;

}

TWdebug::TWdebug(QWidget* parent)
    : QDialog(parent,
        Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
            | Qt::WindowStaysOnTopHint)
    , Memo1(new QPlainTextEdit(this))
{
    setObjectName(QStringLiteral("Wdebug"));
    // Closing the main window ends the program even while this one is shown.
    setAttribute(Qt::WA_QuitOnClose, false);
    setFont(WindowFont(QStringLiteral("MS Sans Serif")));
    SetCaption(captionAtStart);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setFixedSize(clientWidth, clientHeight);
    Memo1->setGeometry(0, 0, clientWidth, clientHeight);
    connect(Memo1, &QPlainTextEdit::textChanged, this, &TWdebug::Memo1Change);
}

void TWdebug::Show()
{
    // The frame is known only once the window is shown; centre it then.
    show();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    raise();
}

void TWdebug::Close()
{
    // A hidden window gets no close event from Qt; the handler runs anyway.
    if (isVisible())
        close();
    else
        FormClose();
}

Text TWdebug::MemoText() const { return QStringToCell(Memo1->toPlainText()); }

void TWdebug::SetMemoText(const Text& text) { Memo1->setPlainText(CellToQString(text)); }

void TWdebug::SetCaption(const Text& caption) { setWindowTitle(CellToQString(caption)); }

void TWdebug::FormClose()
{
    if (m_side)
        m_side->SetSelectedDebugRow(NoDebugRow);
    Memo1->clear();
    if (m_side)
        UntickAllResultRows(m_side->ResultGrid());
}

void TWdebug::Memo1Change()
{
    // Only the view moves: the caret stays where the operator put it, so
    // text typed into the window goes where it is typed. The scroll range
    // follows a new text only once the event loop has turned, so the last
    // line is asked for again then.
    scrollToLastLine();
    QTimer::singleShot(0, this, [this] { scrollToLastLine(); });
}

void TWdebug::scrollToLastLine()
{
    QScrollBar* bar = Memo1->verticalScrollBar();
    bar->setValue(bar->maximum());
}

void TWdebug::closeEvent(QCloseEvent* event)
{
    FormClose();
    event->accept();
}

void TWdebug::reject()
{
    // Escape would close a dialog through here; this window closes only by
    // its close box or at the main window's request.
}
