#include "app/utf8_question.h"

#include "grid/cell_grid_text.h"

#include <QApplication>
#include <QMessageBox>

namespace {

// 帐号.ini 看来是以 UTF-8 保存的：按 GBK 读入，文字是乱码，也没有状态为“正常”的网站可检查。
constexpr char foundText[] = "\xD5\xCA\xBA\xC5.ini \xBF\xB4\xC0\xB4\xCA\xC7\xD2\xD4 UTF-8 "
                             "\xB1\xA3\xB4\xE6\xB5\xC4\xA3\xBA\xB0\xB4 GBK "
                             "\xB6\xC1\xC8\xEB\xA3\xAC\xCE\xC4\xD7\xD6\xCA\xC7\xC2\xD2\xC2\xEB\xA3\xAC\xD2"
                             "\xB2\xC3\xBB\xD3\xD0\xD7\xB4"
                             "\xCC\xAC\xCE\xAA\xA1\xB0\xD5\xFD\xB3\xA3\xA1\xB1\xB5\xC4\xCD\xF8\xD5\xBE\xBF"
                             "\xC9\xBC\xEC\xB2\xE9\xA1\xA3";
// 按 UTF-8 读入吗？第一次保存前会先把原文件复制为 帐号.ini.bak，再以 GBK 写入。
constexpr char questionText[]
    = "\xB0\xB4 UTF-8 "
      "\xB6\xC1\xC8\xEB\xC2\xF0\xA3\xBF\xB5\xDA\xD2\xBB\xB4\xCE\xB1\xA3\xB4\xE6\xC7\xB0\xBB\xE1"
      "\xCF\xC8\xB0\xD1\xD4\xAD\xCE\xC4\xBC\xFE\xB8\xB4\xD6\xC6\xCE\xAA "
      "\xD5\xCA\xBA\xC5.ini.bak\xA3\xAC\xD4\xD9"
      "\xD2\xD4 GBK \xD0\xB4\xC8\xEB\xA1\xA3";

}

bool AskReadAsUtf8()
{
    QMessageBox box(QMessageBox::Question, QApplication::applicationDisplayName(), CellToQString(foundText),
        QMessageBox::Yes | QMessageBox::No);
    box.setInformativeText(CellToQString(questionText));
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}
