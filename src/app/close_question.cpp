#include "app/close_question.h"

#include "grid/cell_grid_text.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace {

// 网站列表已修改，尚未保存。 ("The site list was changed and is not saved.")
constexpr char changedText[]
    = "\xCD\xF8\xD5\xBE\xC1\xD0\xB1\xED\xD2\xD1\xD0\xDE\xB8\xC4\xA3\xAC\xC9\xD0\xCE\xB4"
      "\xB1\xA3\xB4\xE6\xA1\xA3";
// 关闭前保存修改吗？ ("Save the changes before closing?")
constexpr char questionText[] = "\xB9\xD8\xB1\xD5\xC7\xB0\xB1\xA3\xB4\xE6\xD0\xDE\xB8\xC4\xC2\xF0\xA3\xBF";
// 保存并关闭 ("save and close"), 不保存，直接关闭 ("close without saving"), 取消 ("cancel")
constexpr char saveCaption[] = "\xB1\xA3\xB4\xE6\xB2\xA2\xB9\xD8\xB1\xD5";
constexpr char discardCaption[] = "\xB2\xBB\xB1\xA3\xB4\xE6\xA3\xAC\xD6\xB1\xBD\xD3\xB9\xD8\xB1\xD5";
constexpr char cancelCaption[] = "\xC8\xA1\xCF\xFB";

}

CloseAnswer AskSaveBeforeClose()
{
    QMessageBox box(QMessageBox::Warning, QApplication::applicationDisplayName(), CellToQString(changedText));
    box.setInformativeText(CellToQString(questionText));
    QPushButton* save = box.addButton(CellToQString(saveCaption), QMessageBox::AcceptRole);
    QPushButton* discard = box.addButton(CellToQString(discardCaption), QMessageBox::DestructiveRole);
    QPushButton* cancel = box.addButton(CellToQString(cancelCaption), QMessageBox::RejectRole);
    box.setDefaultButton(save);
    box.setEscapeButton(cancel);
    box.exec();
    if (box.clickedButton() == save)
        return CloseAnswer::SaveAndClose;
    if (box.clickedButton() == discard)
        return CloseAnswer::CloseWithoutSaving;
    return CloseAnswer::Cancel;
}
