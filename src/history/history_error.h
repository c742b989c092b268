#pragma once

#include <stdexcept>

// A history database that cannot be opened, read or written. The message
// names the file and says why in the operator's terms ("file is not a
// database", "database is locked", "database or disk is full", "written by a
// newer LinkWatch").
class HistoryError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};
