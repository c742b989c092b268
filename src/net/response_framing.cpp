#include "net/response_framing.h"

#include "net/http_text.h"
#include "net/text_util.h"

#include <algorithm>
#include <limits>

namespace {

constexpr std::int64_t largestSize = std::numeric_limits<std::int32_t>::max();

int hexDigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    const char lower = static_cast<char>(c | 0x20);
    return lower >= 'a' && lower <= 'f' ? lower - 'a' + 10 : -1;
}

}

void ResponseFraming::TakeLine(const Text& Line)
{
    // Every test looks at the first character of the line: a blank before
    // the colon or leading white space defeats it.
    const Text upper = UpperAscii(Line);
    if (StartsWith(upper, "CONTENT-LENGTH:"))
        takeLength(Line);
    else if (StartsWith(upper, "TRANSFER-ENCODING:") && ValueAfterBlank(upper).find("CHUNKED") != Text::npos)
        m_chunked = true;
}

void ResponseFraming::takeLength(const Text& Line)
{
    if (Line.find(' ') == Text::npos)
        return;
    const Text value = ValueAfterBlank(Line);
    const bool digits = !value.empty()
        && std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; });
    // IntFromText gives -1 for a number beyond the 32-bit range.
    const std::int32_t size = digits ? IntFromText(value, -1) : -1;
    if (size < 0 || (m_size >= 0 && size != m_size))
        m_lengthBroken = true;
    else
        m_size = size;
}

TBodyMode ResponseFraming::Mode() const
{
    if (m_chunked)
        return BM_Chunked;
    return m_size >= 0 && !m_lengthBroken ? BM_Sized : BM_ToClose;
}

std::int32_t ResponseFraming::ChunkSize(const Text& Line)
{
    const Text chunk = TrimControls(TextBefore(TrimControls(TextBefore(Line, " ")), ";"));
    if (chunk.empty())
        return -1;
    std::int64_t size = 0;
    for (const char c : chunk) {
        const int digit = hexDigitValue(c);
        if (digit < 0)
            return -1;
        size = size * 16 + digit;
        if (size > largestSize)
            return -1;
    }
    return static_cast<std::int32_t>(size);
}
