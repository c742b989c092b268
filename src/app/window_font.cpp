#include "app/window_font.h"

#include <QStringList>

QFont WindowFont(const QString& family, int pixelHeight)
{
    QFont font;
    // Tried in order, per character: the named font, then fonts with
    // Chinese glyphs, then whatever sans-serif font the system offers.
    font.setFamilies({ family, QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("Noto Sans CJK SC"),
        QStringLiteral("WenQuanYi Zen Hei"), QStringLiteral("DejaVu Sans") });
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixelHeight);
    return font;
}
