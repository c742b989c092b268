#pragma once

#include "base/text.h"

#include <QDialog>

class QCloseEvent;
class QPlainTextEdit;
class TCellGrid;

// The debug window: one editable text area, Memo1, that shows the transcript
// of the result row picked in the main window. A fixed-size dialog that stays
// on top, centred on the screen when shown, hidden and never destroyed when
// closed.
//
// Closing it (close box, or Close from the main window, also while hidden)
// runs FormClose: the picked row becomes none (NoDebugRow), the text is
// emptied and every result row's check box is unticked. Escape does not
// close it.
//
// GUI thread only; nothing blocks and nothing is reported.
class TWdebug : public QDialog
{
    Q_OBJECT

public:
    // What closing the window changes on the main window's side.
    class ResultSide
    {
    public:
        virtual ~ResultSide() = default;
        virtual void SetSelectedDebugRow(int row) = 0;
        virtual TCellGrid& ResultGrid() = 0;
    };

    explicit TWdebug(QWidget* parent = nullptr);

    void SetResultSide(ResultSide* side) { m_side = side; }

    // Shows the window centred on the screen and raises it.
    void Show();
    // A close request: runs FormClose and hides the window.
    void Close();
    // The whole text of Memo1, GBK bytes with CR LF line breaks.
    Text MemoText() const;
    void SetMemoText(const Text& text);
    void SetCaption(const Text& caption);

    QPlainTextEdit* Memo1;

    void FormClose();
    void Memo1Change();

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void scrollToLastLine();

    ResultSide* m_side = nullptr;
};
