// Inline markup of field values to output text: HTML for the body, the title
// form of headwords and a plain form without markup.
#pragma once

#include <string>

namespace qel {

// Converts a field value: entities escaped, gaiji references and the one-byte
// middle dot 0xA5 to their texts, tags by the tag table, <HL> links through
// convert_link (numbered when `links_on` is 1), faulty markup reported to the
// log with `key` and repaired where it can be; I and SPO tags give italic
// markup when `italic` (the ITALIC setting) is not 0. Replaces `destination`
// (which grows as needed). Returns 0.
int convert_inline(std::string& destination, const char* source, const char* entry_id, const char* key,
                   int links_on, int italic);

// Title form of a headword: 0xA5 and gaiji references through set 99, tags
// dropped, every other character copied. Replaces `destination`. Returns 0.
int convert_title(std::string& destination, const char* source);

// Plain form: 0xA5 to "・", gaiji references in the current set (opening G
// tags change it), tags dropped. Replaces `destination`. Returns 0.
int convert_plain(std::string& destination, const char* source);

// Forgets the cached set-99 middle dot of convert_title. For tests.
void reset_inline_state();

}  // namespace qel
