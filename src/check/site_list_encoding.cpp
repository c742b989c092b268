#include "check/site_list_encoding.h"

#include "base/gbk_codec.h"
#include "check/site_list_layout.h"
#include "check/site_list_texts.h"
#include "grid_store/cell_store.h"

#include <algorithm>
#include <limits>
#include <string_view>
#include <utility>
#include <vector>

namespace {

constexpr int allColumns = std::numeric_limits<int>::max();

// The length of the UTF-8 sequence that starts with lead, 0 when lead starts none.
std::size_t sequenceLength(unsigned char lead)
{
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        return 2;
    if (lead >= 0xE0 && lead <= 0xEF)
        return 3;
    if (lead >= 0xF0 && lead <= 0xF4)
        return 4;
    return 0;
}

// Whether text is well-formed UTF-8: no stray continuation byte, no cut or
// overlong sequence, no surrogate and nothing beyond U+10FFFF.
bool isUtf8(std::string_view text)
{
    for (std::size_t at = 0; at < text.size();) {
        const auto lead = static_cast<unsigned char>(text[at]);
        const std::size_t length = sequenceLength(lead);
        if (length == 0 || at + length > text.size())
            return false;
        for (std::size_t next = 1; next < length; ++next) {
            if ((static_cast<unsigned char>(text[at + next]) & 0xC0) != 0x80)
                return false;
        }
        const auto second = static_cast<unsigned char>(length > 1 ? text[at + 1] : 0);
        if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second > 0x9F)
            || (lead == 0xF0 && second < 0x90) || (lead == 0xF4 && second > 0x8F))
            return false;
        at += length;
    }
    return true;
}

}

bool LooksLikeUtf8SiteList(const CellStore& list)
{
    const std::vector<std::string> utf8Statuses { GbkToUtf8(StatusNormal), GbkToUtf8(StatusPaused),
        GbkToUtf8(StatusDead) };
    bool valid = true;
    bool beyondAscii = false;
    bool utf8Status = false;
    list.ForEachCell(0, FirstSiteRow, allColumns, list.RowCount() - 1,
        [&](int col, int, const Text& text, const TCellGraphic*) {
            valid = valid && isUtf8(text);
            beyondAscii = beyondAscii || std::any_of(text.begin(), text.end(), [](char c) {
                return static_cast<unsigned char>(c) >= 0x80;
            });
            if (col == SiteStatusCol)
                utf8Status = utf8Status
                    || std::find(utf8Statuses.begin(), utf8Statuses.end(), text) != utf8Statuses.end();
        });
    return valid && beyondAscii && utf8Status;
}

void ConvertUtf8SiteList(CellStore& list)
{
    std::vector<std::pair<std::pair<int, int>, Text>> converted;
    list.ForEachCell(0, FirstSiteRow, allColumns, list.RowCount() - 1,
        [&converted](int col, int row, const Text& text, const TCellGraphic*) {
            converted.push_back({ { col, row }, Utf8ToGbk(text) });
        });
    for (auto& [cell, text] : converted)
        list.SetCells(cell.first, cell.second, std::move(text));
}
