#pragma once

#include <cstdint>
#include <initializer_list>

// Settings and answers shared by the cell store, the grid widget and the
// window code that handles the grid's events.

// Default vertical placement of cell texts.
enum TVAlignment {
    vtaTop = 0,
    vtaCenter = 1,
    vtaBottom = 2,
};

// Horizontal placement of a cell text.
enum TAlignment {
    taLeftJustify = 0,
    taRightJustify = 1,
    taCenter = 2,
};

enum TEditorType {
    edNormal = 0,
    edSpinEdit = 1,
    edComboEdit = 2,
    edComboList = 3,
    edEditBtn = 4,
    edCheckBox = 5,
    edDateEdit = 6,
    edDateEditUpDown = 7,
    edTimeEdit = 8,
    edButton = 9,
    edDataCheckBox = 10,
    edNumeric = 11,
    edPositiveNumeric = 12,
    edFloat = 13,
    edCapital = 14,
    edMixedCase = 15,
    edPassword = 16,
    edUnitEditBtn = 17,
    edLowerCase = 18,
    edUpperCase = 19,
    edFloatSpinEdit = 20,
    edTimeSpinEdit = 21,
    edDateSpinEdit = 22,
    edNumericEditBtn = 23,
    edFloatEditBtn = 24,
    edCustom = 25,
    edRichEdit = 26,
    edUniEdit = 27,
    edUniComboEdit = 28,
    edUniComboList = 29,
};

enum TGridOption {
    goFixedVertLine,
    goFixedHorzLine,
    goVertLine,
    goHorzLine,
    goRangeSelect,
    goDrawFocusSelected,
    goRowSizing,
    goColSizing,
    goRowMoving,
    goColMoving,
    goEditing,
    goTabs,
    goRowSelect,
    goAlwaysShowEditor,
    goThumbTracking,
};

enum TGridDrawStateFlag {
    gdSelected,
    gdFocused,
    gdFixed,
};

enum TInsertPosition {
    pInsertBefore = 0,
    pInsertAfter = 1,
};

enum TAdvanceDirection {
    adLeftRight = 0,
    adTopBottom = 1,
};

// A small set of enumeration values (at most 32 of them), as the grid's
// option and drawing-state sets need.
template <typename Enum> class EnumSet
{
public:
    EnumSet() = default;
    EnumSet(std::initializer_list<Enum> values)
    {
        for (Enum value : values)
            Include(value);
    }

    bool Contains(Enum value) const { return (m_bits & bit(value)) != 0; }
    void Include(Enum value) { m_bits |= bit(value); }
    void Exclude(Enum value) { m_bits &= ~bit(value); }
    bool operator==(const EnumSet&) const = default;

private:
    static std::uint32_t bit(Enum value) { return std::uint32_t { 1 } << static_cast<unsigned>(value); }

    std::uint32_t m_bits = 0;
};

using TGridOptions = EnumSet<TGridOption>;
using TGridDrawState = EnumSet<TGridDrawStateFlag>;
