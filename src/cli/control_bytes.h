#pragma once

#include <string>
#include <string_view>

// Names and queries come from the list, reasons, locations and robot
// messages from partner servers: any of them may hold a terminal's control
// sequences (ESC [ ..., BEL, NUL). Every text linkwatch-cli prints goes
// through defusedText, so that none of them reaches the terminal as such.
// Works alike on UTF-8 and GBK, which hold no byte below 0x80 inside a
// character. Qt-free; nothing here throws but for want of memory.

enum class ControlBytes {
    Escaped, // written out as \xNN (lower-case hex): the text format, the transcript, standard error
    Blanked, // a blank: the cells of tsv and csv
};

// text with every C0 control byte (0x00 to 0x1F) and DEL (0x7F) replaced as
// style says, except the bytes in kept.
std::string defusedText(std::string_view text, ControlBytes style, std::string_view kept = {});
