#include "grid/cell_grid_text.h"

#include "base/gbk_codec.h"

#include <QStringList>
#include <QStringView>
#include <algorithm>

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

CellEditorText CellToEditorText(const Text& text)
{
    // CR and LF are never part of a GBK character, nor carried by a reserved
    // character, so the decoded text holds exactly the stored breaks.
    const QString decoded = QString::fromStdString(GbkToUtf8Exact(text));
    CellEditorText editable;
    editable.text.reserve(decoded.size());
    for (qsizetype at = 0; at < decoded.size(); ++at) {
        const QChar c = decoded[at];
        if (c != u'\r' && c != u'\n') {
            editable.text += c;
            continue;
        }
        CellLineBreak kind = c == u'\r' ? CellLineBreak::Cr : CellLineBreak::Lf;
        if (kind == CellLineBreak::Cr && at + 1 < decoded.size() && decoded[at + 1] == u'\n') {
            kind = CellLineBreak::CrLf;
            ++at;
        }
        editable.breaks.push_back(kind);
        editable.text += u'\n';
    }
    return editable;
}

namespace {

// How many line breaks lie in the unchanged text before and after the part of
// now that differs from before: the longest common start and end.
struct KeptBreaks {
    std::size_t before = 0;
    std::size_t after = 0;
};

KeptBreaks keptBreaks(const QString& before, const QString& now)
{
    const qsizetype shorter = std::min(before.size(), now.size());
    qsizetype head = 0;
    while (head < shorter && before[head] == now[head])
        ++head;
    qsizetype tail = 0;
    while (tail < shorter - head && before[before.size() - 1 - tail] == now[now.size() - 1 - tail])
        ++tail;
    return { static_cast<std::size_t>(QStringView(now).first(head).count(u'\n')),
        static_cast<std::size_t>(QStringView(now).last(tail).count(u'\n')) };
}

// The stored form of break number index of count breaks in the edited text.
CellLineBreak breakKind(
    const std::vector<CellLineBreak>& before, KeptBreaks kept, std::size_t index, std::size_t count)
{
    if (index < kept.before)
        return before[index];
    if (index >= count - kept.after)
        return before[before.size() - (count - index)];
    return CellLineBreak::CrLf;
}

const char* storedBreak(CellLineBreak kind)
{
    return kind == CellLineBreak::Cr ? "\r" : kind == CellLineBreak::Lf ? "\n" : "\r\n";
}

}

CellEditorText EditedText(const CellEditorText& before, const QString& after)
{
    CellEditorText edited { after, {} };
    edited.text.replace(QChar::ParagraphSeparator, u'\n');
    edited.text.replace(QChar::LineSeparator, u'\n');
    const KeptBreaks kept = keptBreaks(before.text, edited.text);
    const auto count = static_cast<std::size_t>(edited.text.count(u'\n'));
    for (std::size_t index = 0; index < count; ++index)
        edited.breaks.push_back(breakKind(before.breaks, kept, index, count));
    return edited;
}

Text EditorTextToCell(const CellEditorText& text)
{
    const QStringList lines = text.text.split(u'\n');
    Text cell = Utf8ToGbkExact(lines.front().toStdString());
    for (std::size_t index = 0; index < text.breaks.size(); ++index) {
        CellLineBreak kind = text.breaks[index];
        // A lone LF right after a lone CR would read back as one CR LF break;
        // that happens once the operator empties the line between them.
        if (kind == CellLineBreak::Lf && !cell.empty() && cell.back() == '\r')
            kind = CellLineBreak::CrLf;
        cell += storedBreak(kind);
        cell += Utf8ToGbkExact(lines[static_cast<qsizetype>(index + 1)].toStdString());
    }
    return cell;
}
