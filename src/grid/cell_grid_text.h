#pragma once

#include "base/text.h"

#include <QString>
#include <vector>

// The one place where cell texts (GBK bytes, line breaks as CR LF) meet Qt's
// strings. Used only to paint and to edit; the grid stores GBK bytes.

// GBK to QString; CR LF, a lone CR and a lone LF all become '\n'. Bytes that
// are not valid GBK show as U+FFFD.
QString CellToQString(const Text& text);

// QString to GBK; every '\n' (and every paragraph or line separator Qt's
// editors produce) becomes CR LF. Characters GBK cannot hold become "?".
Text QStringToCell(const QString& text);

// How one line break of a cell text is stored.
enum class CellLineBreak {
    CrLf,
    Cr,
    Lf,
};

// A cell text in the text editor's form: every line break is '\n', with its
// stored form kept in breaks (in order), and every byte that is not valid GBK
// is the reserved character of GbkToUtf8Exact, so nothing is lost on the way.
struct CellEditorText {
    QString text;
    std::vector<CellLineBreak> breaks;
};

CellEditorText CellToEditorText(const Text& text);

// The editor's text after one edit of before: the line breaks in the
// unchanged text before and after the edited part keep their stored form;
// breaks inside it are new and stored as CR LF.
CellEditorText EditedText(const CellEditorText& before, const QString& after);

// Back to cell bytes; characters GBK cannot hold become "?". Together with
// CellToEditorText it gives back exactly the bytes it started from.
Text EditorTextToCell(const CellEditorText& text);
