#pragma once

// The values of digits, for the readers of numbers in text (addresses,
// character references, grid files). Pure functions.

// The value of a decimal digit; -1 for any other byte.
inline int DecimalDigitValue(char c) { return c >= '0' && c <= '9' ? c - '0' : -1; }

// The value of a hexadecimal digit in either letter case; -1 for any other byte.
inline int HexDigitValue(char c)
{
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return DecimalDigitValue(c);
}
