// Full-width forms of ASCII text: the form table, whole texts, and the
// full-width words that become search keys.
#pragma once

#include <string>

namespace qel {

// Two-byte Shift_JIS full-width form of each byte 0x00-0x7F ("" for 0x00-0x1F
// and 0x7F); 0x20 is the ideographic space, 0x5C the yen sign.
extern const char* const FullWidthForms[128];

// Replaces `destination` with the full-width form of `source`: bytes from 0x80
// up are dropped one at a time, others replaced by their FullWidthForms entry.
std::string& to_full_width(std::string& destination, const char* source);

// Yields the next run of ASCII letters and digits in full-width upper case,
// skipping tags ("<...>"), four-byte gaiji references ("#xx#") and two-byte
// characters whole (a trail byte that looks like a letter is no word). Returns
// the position after the run, or none (nullptr) when no run is left; then
// `destination` is left untouched.
const char* next_full_width_word(const char* source, std::string& destination);

}  // namespace qel
