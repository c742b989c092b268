#pragma once

#include "base/text.h"

// Small text helpers of the HTTP client and its callers: the wider trimming
// (every byte with a code from 0 to 32) and ASCII-only letter case changes that
// leave all other bytes, GBK included, as they are. Stateless; safe from any thread.

Text TrimControls(const Text& Value);
Text UpperAscii(Text Value);
Text LowerAscii(Text Value);
bool StartsWith(const Text& Value, const Text& Prefix);
// The value of a header line: the trimmed text after its first blank, or the
// whole trimmed line when it has none.
Text ValueAfterBlank(const Text& Line);
