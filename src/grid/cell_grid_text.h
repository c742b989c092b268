#pragma once

#include "base/text.h"

#include <QString>

// The one place where cell texts (GBK bytes, line breaks as CR LF) meet Qt's
// strings. Used only to paint and to edit; the grid stores GBK bytes.

// GBK to QString; CR LF, a lone CR and a lone LF all become '\n'. Bytes that
// are not valid GBK show as U+FFFD.
QString CellToQString(const Text& text);

// QString to GBK; every '\n' (and every paragraph or line separator Qt's
// editors produce) becomes CR LF. Characters GBK cannot hold become "?".
Text QStringToCell(const QString& text);
