#pragma once

#include "base/text.h"

#include <cstdint>

// How the body of the current response is delimited.
enum TBodyMode : std::uint8_t {
    BM_ToClose = 0, // no length information: read until the connection ends
    BM_Sized = 1, // Content-Length
    BM_Chunked = 2, // chunked transfer coding
};

// What the header block of one response says about where its body ends. It
// is handed the header lines as they arrive and then names the body mode and
// length. Chunked transfer coding wins over any Content-Length, wherever the
// lines stand. Without it, a Content-Length that is not a decimal number of
// at most 2147483647 (the client's sizes are 32-bit), or two that differ,
// leave the framing broken: the body's end is unknown. A Content-Length line
// without a blank after its colon names no length. A plain value, used by one
// exchange on one thread.
class ResponseFraming
{
public:
    // Looks at one header line; lines of other names pass by.
    void TakeLine(const Text& Line);
    TBodyMode Mode() const;
    // The announced body length, -1 when there is none.
    std::int32_t Size() const { return m_size; }
    bool Broken() const { return !m_chunked && m_lengthBroken; }

    // The size a chunk-size line announces, its extensions after ";" left
    // out: hexadecimal digits only, of at most 7FFFFFFF; -1 for anything else.
    static std::int32_t ChunkSize(const Text& Line);

private:
    void takeLength(const Text& Line);

    bool m_chunked = false;
    bool m_lengthBroken = false;
    std::int32_t m_size = -1;
};
