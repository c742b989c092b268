#pragma once

#include "base/text.h"

#include <string>

// Writes a file so that it either holds everything written or keeps its old
// contents: the bytes go to a new temporary file in the same directory, and
// Commit renames that file over the target only after every byte is on disk.
// A writer that is destroyed without a successful Commit removes its
// temporary file and leaves the target as it was.
//
// The file name is GBK text; the file system sees it in its own encoding
// (UTF-8). Blocking file I/O on the caller's thread; not thread-safe.
// Errors: the constructor raises EGridError "Cannot Create " + file name when
// the target cannot be replaced; Write and Commit raise std::system_error
// when the system fails part way (disk full, file size limit, device error).
class GridFileWriter
{
public:
    explicit GridFileWriter(const Text& FileName);
    ~GridFileWriter();
    GridFileWriter(const GridFileWriter&) = delete;
    GridFileWriter& operator=(const GridFileWriter&) = delete;

    void Write(const Text& bytes);
    void Commit();

private:
    void checkTarget();
    void createTemporary();
    void flush();
    [[noreturn]] void fail(const char* what);
    void discard();

    Text m_fileName;
    std::string m_target;
    std::string m_temporary;
    int m_fd = -1;
    int m_targetMode = -1;
    Text m_buffer;
};
