#pragma once

#include "base/text.h"

#include <cstdio>

// Reads a grid file line by line. A line ends at LF; a CR right before the
// LF belongs to the line end, any other CR stays in the line. The last line
// needs no line end. Lines may be of any length and hold any bytes.
//
// The file name is GBK text; the file system sees it in its own encoding
// (UTF-8). Blocking file I/O on the caller's thread; not thread-safe.
// Errors: the constructor raises EGridError "Cannot open file " + file name
// when the file is missing, is not a plain file or cannot be read; ReadLine
// raises std::system_error when reading fails part way.
class GridFileReader
{
public:
    explicit GridFileReader(const Text& FileName);
    ~GridFileReader();
    GridFileReader(const GridFileReader&) = delete;
    GridFileReader& operator=(const GridFileReader&) = delete;

    // Puts the next line, without its line end, into line; false at the end
    // of the file.
    bool ReadLine(Text& line);

private:
    Text m_fileName;
    std::FILE* m_file = nullptr;
    char* m_buffer = nullptr;
    std::size_t m_capacity = 0;
};
