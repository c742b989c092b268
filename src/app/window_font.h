#pragma once

#include <QFont>
#include <QString>

// The window fonts. The windows name fonts of their own platform ("MS Sans
// Serif", "Verdana"); where such a font is not installed the text falls back
// to a sans-serif font that can show Chinese, so the GBK texts stay readable.
// GUI thread only.

// family at a character height of pixelHeight pixels (11 for "8 pt").
QFont WindowFont(const QString& family, int pixelHeight = 11);
