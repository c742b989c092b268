#pragma once

#include "base/text.h"

// Three bytes to four symbols through a table of 65 symbols; symbol 64 fills an
// incomplete last group. A symbol number the table lacks writes nothing.
Text EncodeWithTable(const Text& Value, const Text& Table);

// Standard Base64 (RFC 4648 alphabet) with "=" fill and no line breaks.
Text Base64EncodeText(const Text& Value);
