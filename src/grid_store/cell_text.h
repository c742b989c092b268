#pragma once

#include "base/text.h"

// How the grid reads a cell text: whether it is formatted (drawn without its
// tags), whether it is a link, and the plain text the text editor starts
// with. Pure functions on GBK bytes, safe from any thread.

// The text with every "<BR>" and "<HR>" (in any letter case) turned into
// CR LF and every other tag, from a "<" to the next ">", dropped. A "<" with
// no ">" after it stays, together with everything that follows it.
Text RemoveTags(const Text& text);

// A text holding "</", "<B" or "<I" is formatted and drawn without its tags.
bool IsFormattedText(const Text& text);

// A text holding "://" or "mailto:" is shown as a link.
bool IsLinkText(const Text& text);

// A link naming a cell ("CELL://" in any letter case) is never handed to
// the shell.
bool IsCellLink(const Text& text);
