// How a field value is stepped through, character by character and tag by
// tag: the same steps for the body's inline conversion and for the passes
// that must meet exactly the tags it meets (the hyperlink pass numbers the
// links that the conversion will number).
#pragma once

#include <string_view>

namespace qel {

// The one-byte middle dot of the dictionary's text (half-width katakana's
// middle dot in Shift_JIS).
const unsigned char MiddleDotByte = 0xA5;

// A gaiji reference "#xx#" starts at `p`.
inline bool is_gaiji_reference(const char* p) {
    return p[0] == '#' && p[1] != '\0' && p[2] != '\0' && p[3] == '#';
}

// One tag as the inline conversion reads it.
struct InlineTag {
    std::string_view name;  // the text between "<" (or "</") and ">", attributes included
    int closing;            // 1 for "</...>"
    int closed;             // 0 when no ">" came before the line end (the tag takes the rest)
};

// Position after the character at `p` (not a "<"): one byte for 0xA5 and the
// ASCII bytes, four for a gaiji reference "#xx#", two for any other byte from
// 0x80 up (one when the terminator follows).
const char* skip_inline_character(const char* p);

// Position of the next "<" that begins a character, stepping from `p` with
// skip_inline_character, or the terminator's position when none follows.
const char* next_tag_start(const char* p);

// Reads the tag that starts with the "<" at `p` (which is not followed by
// another "<"). Returns the position after its ">", or the end of the text
// for a tag that is never closed.
const char* read_inline_tag(const char* p, InlineTag& tag);

// Position just after the first "</CMT>" from `p`, or none when there is none.
const char* skip_comment(const char* p);

}  // namespace qel
