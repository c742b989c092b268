#pragma once

#include "base/text.h"

#include <cstddef>

// Reads a grid file line by line. A line ends at LF; a CR right before the
// LF belongs to the line end, any other CR stays in the line. The last line
// needs no line end. Lines may hold any bytes.
//
// Only a plain file is read, and only within bounds that no site list comes
// near: at most SizeLimit bytes, no line longer than LineLimit. The whole
// file is read and checked before the first line is handed out, so a file
// refused for any reason leaves nothing half applied.
//
// The file name is GBK text; the file system sees it in its own encoding
// (UTF-8). Blocking file I/O on the caller's thread; not thread-safe. Errors,
// all raised by the constructor: EGridError "Cannot open file " + file name
// when the file is missing or cannot be opened or is a folder, with
// ": not a plain file" after it for a pipe, a device or a socket (opened
// without waiting for a writer); EGridError "Cannot read " + file name +
// ": larger than 64 MiB" or ": line N longer than 16 MiB" beyond the bounds;
// std::system_error when reading fails part way.
class GridFileReader
{
public:
    static constexpr std::size_t SizeLimit = std::size_t { 64 } << 20;
    static constexpr std::size_t LineLimit = std::size_t { 16 } << 20;

    explicit GridFileReader(const Text& FileName);

    // Puts the next line, without its line end, into line; false at the end
    // of the file.
    bool ReadLine(Text& line);

private:
    void readAll(int descriptor, std::size_t sizeHint);
    void checkLineLengths() const;

    Text m_fileName;
    Text m_bytes;
    std::size_t m_next = 0;
};
