#pragma once

#include "check/html_markup.h"

#include <array>
#include <cstddef>
#include <string_view>

// A fixed set of lower-case ASCII names, each with a value, that tells the
// value of a name in any letter case with one comparison: each name has a
// slot of its own, found from its length and its first, second and last
// letters. Two names of the table that would share a slot stop the build,
// so a name added to a table may ask for another slot count. Built at
// compile time; read-only, safe from any thread.
template <typename Value> class NameTable
{
public:
    struct Entry {
        std::string_view name;
        Value value;
    };

    template <std::size_t Count>
    consteval NameTable(const Entry (&entries)[Count], Value none)
        : m_none(none)
    {
        for (Entry& slot : m_slots)
            slot = Entry { {}, none };
        for (const Entry& entry : entries) {
            Entry& slot = m_slots[slotOf(entry.name)];
            // Not a constant expression, so two names in one slot fail the build here.
            if (!slot.name.empty())
                throw "two names of the table share a slot";
            slot = entry;
        }
    }

    // The value of name, letter case ignored; the table's none when it holds no such name.
    constexpr Value operator[](std::string_view name) const
    {
        if (name.empty())
            return m_none;
        const Entry& slot = m_slots[slotOf(name)];
        return EqualsIgnoringCase(name, slot.name) ? slot.value : m_none;
    }

private:
    static constexpr std::size_t slotCount = 128;

    // Setting bit 0x20 makes a letter lower case and leaves the digits and
    // '-' of a name as they are, so a name in any letter case finds its slot.
    static constexpr std::size_t slotOf(std::string_view name)
    {
        const auto folded
            = [](char c) { return static_cast<std::size_t>(static_cast<unsigned char>(c) | 0x20); };
        const std::size_t second = name.size() > 1 ? folded(name[1]) : folded(name[0]);
        return (name.size() + folded(name.front()) * 6 + second + folded(name.back())) % slotCount;
    }

    std::array<Entry, slotCount> m_slots {};
    Value m_none;
};
