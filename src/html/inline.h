// Inline markup of field values to output text: HTML for the body, the title
// form of headwords and a plain form without markup.
#pragma once

#include <string>
#include <string_view>

namespace qel {

// Converts a field value: entities escaped, gaiji references and the one-byte
// middle dot 0xA5 to their texts, tags by the tag table, <HL> links through
// convert_link (numbered when `links_on` is 1), faulty markup reported to the
// log with `key` and repaired where it can be. Replaces `destination` (which
// grows as needed). Returns 0.
int convert_inline(std::string& destination, const char* source, const char* entry_id, const char* key,
                   int links_on);

// Title form of a headword: 0xA5 and gaiji references through set 99, tags
// dropped, every other character copied. Replaces `destination`. Returns 0.
int convert_title(std::string& destination, const char* source);

// Plain form: 0xA5 to "・", gaiji references in the current set (opening G
// tags change it), tags dropped. Replaces `destination`. Returns 0.
int convert_plain(std::string& destination, const char* source);

// Forgets the cached set-99 middle dot of convert_title. For tests.
void reset_inline_state();

// ---- How convert_inline steps through a value ------------------------------
// The hyperlink pass walks values with these same steps, so that it meets
// exactly the tags that convert_inline meets.

// One tag as convert_inline reads it.
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
