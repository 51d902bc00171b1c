// The line syntax of "qelconv.ini", shared by the converter and the fixer.
#pragma once

#include <string>

namespace qel {

// "qelconv.ini": read from the working directory (the program's own).
extern const char* const SettingsFileName;

// The line past a UTF-8 byte-order mark at its start (an editor's mark on
// the file's first line), or the line itself.
const char* skip_byte_order_mark(const char* line);

// Size of the piece the settings file is read in: a longer line is read on
// as further lines.
const int SettingsLineSize = 512;

// Splits one line of the settings file. Returns 0 for a blank or comment line
// (leading spaces and tabs, then '#', CR, LF or the end); otherwise 1 with
// `key` (up to a space, tab, '=', '#', CR or LF) and `value` (after the first
// '=', double-byte aware, blanks skipped; up to a tab, '#', CR or LF; inner and
// trailing spaces kept). A line without '=' gives an empty value.
int split_settings_line(const char* line, std::string& key, std::string& value);

// 1 when the text's last character is a slash or a backslash; a backslash
// that is the second byte of a two-byte character does not count.
int ends_with_separator(const std::string& text);

// A directory value as stored: a backslash is appended unless the value ends
// with a slash or a backslash (so an empty value becomes a single backslash).
std::string settings_directory_value(const std::string& value);

// Reads "qelconv.ini" from the working directory and keeps the last value of
// each of the `count` directory keys `keys` in `values` (as
// settings_directory_value stores it; a key the file does not give leaves
// its value alone); every other line, whatever its key, is passed over
// without a message. Returns 0, or -1 after reporting when the file cannot
// be opened.
int read_directory_settings(const char* const* keys, std::string* values, int count);

// The value read as a decimal integer in the manner of atoi (optional sign,
// digits, stops at the first other byte, 0 without digits); a number past the
// range of int is held at its limit.
int settings_integer_value(const std::string& value);

// 1 when the value is a decimal number as written (an optional sign, 1 to 9
// digits, nothing after them but spaces); 0 for a text, an empty value or a
// number too long for an integer key.
int is_decimal_value(const std::string& value);

// 1 when the text is a sequence of whole Shift_JIS characters.
int is_shift_jis_text(const std::string& text);

}  // namespace qel
