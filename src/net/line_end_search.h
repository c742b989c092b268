#pragma once

#include "base/text.h"

#include <cstddef>
#include <string_view>

// Finds the end of a line in text that grows at its end, looking only at the
// bytes added since the last call (plus the overlap a terminator can span), so
// reading a long line packet by packet costs time in proportion to its length.
//
// With line-end conversion the ends are CR LF, LF CR, a lone CR and a lone LF,
// earliest first and the two-byte form preferred where both start at the same
// place; otherwise only the exact terminator counts. Not shared between threads.
class LineEndSearch
{
public:
    LineEndSearch(const Text& Terminator, bool ConvertLineEnd);

    // Position (0-based) of the first line end in Work, or Text::npos. Work must
    // be the text of the previous call with bytes appended.
    std::size_t Find(std::string_view Work);

    // Length of the line end found last (1 or 2 when converting).
    std::size_t TerminatorLength() const { return m_terminatorLength; }
    // The line end found last was a lone CR / a lone LF.
    bool LoneCR() const { return m_loneCR; }
    bool LoneLF() const { return m_loneLF; }

private:
    Text m_terminator;
    bool m_convert;
    std::size_t m_searched = 0;
    std::size_t m_terminatorLength;
    bool m_loneCR = false;
    bool m_loneLF = false;
};
