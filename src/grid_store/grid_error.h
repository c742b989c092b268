#pragma once

#include "base/text.h"

#include <stdexcept>

// The error the grid's file operations raise when the named file cannot be
// created or opened, or is no file the reader takes (not a plain file, or
// beyond its bounds). The message is GBK text, like every text of the system,
// and names the file as the caller gave it.
class EGridError : public std::runtime_error
{
public:
    explicit EGridError(const Text& Message);
};
