#pragma once

#include "base/text.h"

#include <cstdint>
#include <tuple>
#include <vector>

class CellStore;

// What the site list file would hold, taken from a grid at one moment: the
// counts, the column widths and every stored text. Two snapshots are equal
// when saving either would write the same list, so comparing the one taken at
// the last load or save with one taken now tells whether there are unsaved
// edits. Cheap for large, sparse grids: only stored cells are visited.
class SiteListSnapshot
{
public:
    static SiteListSnapshot Of(const CellStore& store);

    bool operator==(const SiteListSnapshot& other) const = default;

private:
    using CellText = std::tuple<int, int, Text>;

    int m_colCount = 0;
    int m_rowCount = 0;
    // Widths of the first columns one by one, and of all columns together.
    std::vector<int> m_leadingWidths;
    std::int64_t m_totalWidth = 0;
    std::vector<CellText> m_texts;
};
