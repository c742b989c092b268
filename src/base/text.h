#pragma once

#include <string>

// Text is the system's 8-bit string: bytes in the GBK code page, compared byte
// for byte. Nothing in the core converts encodings; see gbk_codec.h for the one
// place that does.
using Text = std::string;
