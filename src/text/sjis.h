// Shift_JIS scanning and copying, full-width forms, the string pool, the gaiji
// look-up tables and the symbol settings.
//
// Texts are NUL-terminated Shift_JIS. A byte from 0x80 up begins a two-byte
// character whose second byte may look like ASCII; operations called double-byte
// aware step over whole characters, and none ever steps over a terminator (a
// lead byte right before the terminator ends the text). Copies stop at NUL, CR
// or LF unless said otherwise and replace the contents of their std::string
// destination, so they never overflow; a destination that is reused keeps its
// capacity, so a loop over lines does not allocate once warmed up. A source
// must not lie inside its own destination.
#pragma once

#include <string>

namespace qel {

// A byte from 0x80 up begins a two-byte character, as the dictionary's text
// is stepped through (the one-byte middle dot 0xA5 is told apart where it
// matters).
inline bool is_lead(unsigned char b) {
    return b >= 0x80;
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

// ---- Copies ----------------------------------------------------------------

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

// ---- Full-width forms ------------------------------------------------------

// Two-byte Shift_JIS full-width form of each byte 0x00-0x7F ("" for 0x00-0x1F
// and 0x7F); 0x20 is the ideographic space, 0x5C the yen sign.
extern const char* const FullWidthForms[128];

// Replaces `destination` with the full-width form of `source`: bytes from 0x80
// up are dropped one at a time, others replaced by their FullWidthForms entry.
std::string& to_full_width(std::string& destination, const char* source);

// Skips an optional leading double quote, then copies up to a double quote or
// the end: "\" takes the next byte literally, a lead byte is copied with its
// trail byte. Returns the position after the closing quote (if any).
const char* parse_quoted(const char* source, std::string& destination);

// Yields the next run of ASCII letters and digits in full-width upper case,
// skipping tags ("<...>"), four-byte gaiji references ("#xx#") and two-byte
// characters whole (a trail byte that looks like a letter is no word). Returns
// the position after the run, or none (nullptr) when no run is left; then
// `destination` is left untouched.
const char* next_full_width_word(const char* source, std::string& destination);

// ---- String pool -----------------------------------------------------------

// Copies `text` into the pool (4096-byte blocks, never freed) and returns the
// copy; none for a null text. A text too long for one block gets a block of
// its own size.
const char* pool_copy(const char* text);

// Forgets the pool's current block (the texts stay valid). For tests.
void reset_string_pool();

// Frees every block of the pool: every text copied so far becomes invalid, so
// the gaiji tables must be reset first. For tests and fuzzing, where many
// conversions run in one process.
void release_string_pool();

// ---- Gaiji tables ----------------------------------------------------------

// Output texts of the external characters by (row, code); rows 0-6 are gaiji
// sets 0-6, row 7 is set 99. Filled by the gaiji table conversion; a null slot
// has not been filled.
extern const char* GaijiCodeTable[8][256];

// Row of a gaiji set: 0-6 for sets 0-6, 7 for set 99, -1 for any other set.
int gaiji_row(int set);

// Output text of an external character by number (set -1 is taken as 0); a
// set without row, a code outside 0-255 or an empty slot gives "{G%d-%02X}"
// in a buffer that the next such call overwrites.
const char* gaiji_text(int set, int code);

// Output text of a symbolic name: a code name "G<set>-<hex>" with a row and a
// code 0-255 gives its slot (no -1 rule); otherwise the newest list entry of
// that exact name; otherwise the name itself.
const char* gaiji_lookup(const char* name);

// Adds a name at the head of the list of symbolic gaiji names (texts copied
// into the pool); the newest entry of a name wins.
void add_gaiji_name(const char* name, const char* text);

// Empties both tables. For tests and a new run.
void reset_gaiji_tables();

// ---- Symbol settings -------------------------------------------------------

// Builds the display text of a symbol setting: quoted items literally, other
// tokens (up to a blank or a double quote) through gaiji_lookup. Replaces
// `destination` and returns it.
std::string& parse_symbol_setting(std::string& destination, const char* value);

}  // namespace qel
