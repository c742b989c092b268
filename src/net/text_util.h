#pragma once

#include "base/digit_value.h"
#include "base/memory_stream.h"
#include "base/text.h"
#include "base/tick.h"

#include <cstdint>
#include <string_view>

// Stateless functions on 8-bit text shared by the HTTP client, the socket layer
// and the SOCKS code: URL splitting, cutting at delimiters, blank trimming,
// address text recognition, byte packing and line-end search. Positions are
// 1-based, searches find the first occurrence byte for byte, and nothing here
// fails: text that does not parse gives the stated defaults. Safe from any thread.

Text TextBefore(const Text& Value, const Text& Delimiter);
Text TextAfter(const Text& Value, const Text& Delimiter);
// Returns the text before Delimiter; Value keeps the text after it, or becomes
// empty when Delimiter does not occur.
Text CutToken(Text& Value, const Text& Delimiter);
Text CutTrimmedToken(Text& Value, const Text& Delimiter);

// A blank here is the space character only.
Text TrimLeadingSpaces(const Text& Value);
Text TrimTrailingSpaces(const Text& Value);
Text TrimSpaces(const Text& Value);

// The port a URL of Scheme names when it names none: "443" for https, "21"
// for ftp, "80" for anything else; the scheme's letter case does not matter.
Text DefaultPortOf(const Text& Scheme);

// Splits URL into its parts and returns the request target ("/" + path part).
// Nothing is decoded, validated or trimmed.
Text SplitUrl(const Text& URL, Text& Scheme, Text& User, Text& Password, Text& Host, Text& Port, Text& Path,
    Text& Query);

// Optional leading blanks, optional sign, then decimal digits, or hexadecimal
// digits after "$", "x", "X", "0x" or "0X", and nothing after them. Anything else,
// or a value outside the signed 32-bit range, gives Default.
std::int32_t IntFromText(const Text& Value, std::int32_t Default);

bool IsOctetText(const Text& Value);
// Decimal digits only, of a value from 0 to 65535 (leading zeros allowed).
bool IsPortText(const Text& Value);
bool IsIPv4Text(const Text& Value);
bool IsIPv6Text(const Text& Value);

Text IPv4ToBytes(const Text& Value);
Text Word16ToBytes(std::uint16_t Value);
// The two bytes at the 1-based Index, high byte first; 0 when Value is too short.
std::uint16_t BytesToWord16(const Text& Value, int Index);

// Position (1-based) of the earliest CR LF, LF CR, CR or LF in Value, 0 if none;
// at equal positions the two-byte form wins. Terminator receives the line end found.
int FindLineEnd(std::string_view Value, Text& Terminator);

void AppendToStream(MemoryStream& Stream, const Text& Value);
const char* OffsetPointer(const char* Address, std::int64_t Count);
char* OffsetPointer(char* Address, std::int64_t Count);
