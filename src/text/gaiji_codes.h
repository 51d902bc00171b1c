// The output texts of the external characters (gaiji): by set and code, and by
// symbolic name, as the gaiji table conversion registers them; and the symbol
// settings, whose tokens are looked up there.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace qel {

// Rows of the code table: gaiji sets 0-6, then set 99.
const int GaijiRowCount = 8;

// The run's gaiji texts. Filled by the gaiji table conversion and read by
// every conversion of text after it; a fresh value is empty.
struct GaijiCodes {
    std::vector<std::string> slots = std::vector<std::string>(GaijiRowCount * 256);  // text by row * 256 + code
    std::vector<char> filled = std::vector<char>(GaijiRowCount * 256);  // 1 where the slot has a text
    std::vector<std::pair<std::string, std::string>> names;  // symbolic name and text, oldest first
};

// Row of a gaiji set: 0-6 for sets 0-6, 7 for set 99, -1 for any other set.
int gaiji_row(int set);

// The text of slot (row, code), or none when it has not been filled. `row`
// must be 0-7 and `code` 0-255.
const std::string* gaiji_slot(const GaijiCodes& codes, int row, int code);

// Fills slot (row, code) with `text`, replacing what it held.
void set_gaiji_slot(GaijiCodes& codes, int row, int code, const std::string& text);

// Appends the output text of an external character by number (set -1 is taken
// as 0); a set without row, a code outside 0-255 or an empty slot gives the
// notation "{G%d-%02X}".
void append_gaiji_text(std::string& destination, const GaijiCodes& codes, int set, int code);

// append_gaiji_text into a new string.
std::string gaiji_text(const GaijiCodes& codes, int set, int code);

// Output text of a symbolic name: a code name "G<set>-<hex>" with a row and a
// code 0-255 gives its slot (no -1 rule); otherwise the newest entry of that
// exact name; otherwise the name itself (the pointer given).
const char* gaiji_lookup(const GaijiCodes& codes, const char* name);

// Adds a symbolic name; the newest entry of a name wins.
void add_gaiji_name(GaijiCodes& codes, const char* name, const char* text);

// Builds the display text of a symbol setting: quoted items literally, other
// tokens (up to a blank or a double quote) through gaiji_lookup. Replaces
// `destination` and returns it.
std::string& parse_symbol_setting(std::string& destination, const GaijiCodes& codes, const char* value);

}  // namespace qel
