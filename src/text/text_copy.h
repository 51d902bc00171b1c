// Copies of Shift_JIS texts into std::string destinations.
//
// Copies stop at NUL, CR or LF unless said otherwise and replace the contents
// of their destination, so they never overflow; a destination that is reused
// keeps its capacity, so a loop over lines does not allocate once warmed up.
// A source must not lie inside its own destination.
#pragma once

#include <string>

namespace qel {

// Appends `source` to `destination` (the operation that stitches texts).
void append_text(std::string& destination, const char* source);

// Byte-by-byte copy into `destination` up to a byte of `stops` or a line end.
// Returns the source position of the stop byte.
const char* copy_until_any(const char* source, std::string& destination, const char* stops);

// The same with the single stop byte `c`.
const char* copy_until_char(const char* source, std::string& destination, char c);

// Copies two bytes per step; stops when the two bytes equal the two-byte
// character `wide`, or a step starts with a line end (a terminator in the
// second byte ends the copy too: the lone byte is kept and the terminator's
// position returned). Returns the position of the stop character.
const char* copy_wide_until(const char* source, std::string& destination, const char* wide);

// Copies ASCII digits. Returns the position after them.
const char* copy_digits(const char* source, std::string& destination);

// Appends `value` in decimal with leading zeros up to `width` characters, as
// printf's "%0*ld" writes it ("-" first for a negative value, counted in the
// width; a value wider than `width` is written whole). For the numbered
// anchors and table lines that are written once per link or entry.
void append_decimal(std::string& destination, long value, int width);

// Removes every "<" and what follows it up to and including the next ">" (a
// "<" without ">" removes the rest); double-byte aware. Returns `text`.
char* strip_tags(char* text);
std::string& strip_tags(std::string& text);

// Skips an optional leading double quote, then copies up to a double quote or
// the end: "\" takes the next byte literally, a lead byte is copied with its
// trail byte. Returns the position after the closing quote (if any).
const char* parse_quoted(const char* source, std::string& destination);

}  // namespace qel
