#pragma once

#include "base/text.h"

#include <string>

// Writes a grid file. A link is followed, so the file it names is written and
// the link stays a link; the file keeps its mode.
//
// Where it can, the writer keeps the old contents until the new ones are whole:
// the bytes go to a new temporary file in the same folder, and Commit renames
// that file over the target only after every byte is on disk. A writer that is
// destroyed without a successful Commit removes its temporary file and leaves
// the target as it was. Where a rename would show (see GridFileSaveMethod:
// folder not writable, more than one hard link, another owner or group), the
// target is written in place instead: truncated on the first write, synced on
// Commit; a failure part way then leaves the bytes written before it.
//
// A temporary file holds a lock for as long as its writer lives; temporary
// files of the target's name that no writer holds any more, left by a save
// that was killed, are removed when the next writer starts.
//
// The file name is GBK text; the file system sees it in its own encoding
// (UTF-8). Blocking file I/O on the caller's thread; not thread-safe.
// Errors: the constructor raises EGridError "Cannot Create " + file name when
// the target cannot be written; Write and Commit raise std::system_error when
// the system fails part way (disk full, file size limit, device error).
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
    bool checkTarget();
    void openInPlace();
    void removeLeftovers() const;
    void createTemporary();
    bool holdTemporary() const;
    void flush();
    [[noreturn]] void fail(const char* what);
    void discard();

    Text m_fileName;
    std::string m_target;
    std::string m_temporary;
    int m_fd = -1;
    int m_targetMode = -1;
    bool m_truncatePending = false;
    Text m_buffer;
};
