#include "grid/cell_grid_text.h"

#include "base/gbk_codec.h"

QString CellToQString(const Text& text)
{
    QString converted = QString::fromUtf8(GbkToUtf8(text));
    converted.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    converted.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return converted;
}

Text QStringToCell(const QString& text)
{
    QString converted = text;
    converted.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    converted.replace(QChar::LineSeparator, QLatin1Char('\n'));
    converted.replace(QLatin1String("\n"), QLatin1String("\r\n"));
    return Utf8ToGbk(converted.toStdString());
}
