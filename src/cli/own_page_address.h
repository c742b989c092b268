#pragma once

#include <string>

// Whether a text may be kept as one of the operator's own pages: an http or
// https address (any letter case) with a host, and a port from 1 to 65535
// when one is written, holding no blank, control byte or DEL. Gives why
// not, in a short English phrase, or empty when it may. Pure function.
std::string OwnPageAddressFault(const std::string& address);
