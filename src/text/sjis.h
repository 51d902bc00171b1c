// Shift_JIS scanning: character steps, hexadecimal digits and searches.
//
// Texts are NUL-terminated Shift_JIS. A byte from 0x80 up begins a two-byte
// character whose second byte may look like ASCII; operations called double-byte
// aware step over whole characters, and none ever steps over a terminator (a
// lead byte right before the terminator ends the text).
#pragma once

#include <string>

namespace qel {

// A byte from 0x80 up begins a two-byte character, as the dictionary's text
// is stepped through (the one-byte middle dot 0xA5 is told apart where it
// matters).
inline bool is_lead(unsigned char b) {
    return b >= 0x80;
}

// The bytes that end a line for the copies: NUL, CR and LF.
inline bool is_line_end(unsigned char b) {
    return b == '\0' || b == '\r' || b == '\n';
}

// Position of the next character start after `p`; a lead byte right before the
// terminator only steps onto the terminator.
inline const char* next_char(const char* p) {
    return is_lead(static_cast<unsigned char>(*p)) && p[1] != '\0' ? p + 2 : p + 1;
}

// ---- Scanners (return a position in their source) --------------------------

// Value of one hexadecimal digit (0-9, a-f, A-F), or -1 for any other byte.
int hex_digit(unsigned char b);

// Value of the two characters at `text` as hexadecimal digits: each digit adds
// to value*16; any other character resets the value built so far to 0 (the
// next character still counts). 0-255. Stops early at a terminator.
int hex_byte_value(const char* text);

// Position of the first byte that is neither a space nor a tab.
const char* skip_blanks(const char* text);

// Double-byte aware search for `c` at character starts. Returns the position
// just after it, or the terminator's position when it does not occur.
const char* find_char(const char* text, char c);

// Double-byte aware search for the two-byte sequence `pair` at character
// starts. Returns the position just after it, or the terminator's position.
const char* find_pair(const char* text, const char* pair);

// Position of the terminator.
const char* end_of_text(const char* text);

}  // namespace qel
