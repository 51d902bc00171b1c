// Inline markup of field values to output text: HTML for the body, the title
// form of headwords and a plain form without markup.
//
// convert_inline and convert_link call each other: a link's visible text is
// converted inside the link's conversion, and may hold further links. Both
// take the conversion's state, InlineConversion.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "links/link_table.h"
#include "text/gaiji_codes.h"

namespace qel {

// The value being converted at the outermost level, for the reports about it.
struct ValueReports {
    const char* source;  // the whole value
    const char* key;     // its key
    int count;           // reports made so far
    int left_out;        // reports not made
    int nesting_noted;   // the nesting limit has been reported
};

// Scratch texts of one link's conversion, one set per nesting level.
struct LinkScratch {
    std::string source;  // the visible text
    std::string text;    // its conversion
    std::string target;  // the target entry number
};

// The state of the conversions of one pass: the run's gaiji texts, the links
// numbered so far, and scratch that grows to the longest value and is then
// reused, so that converting allocates nothing once warmed up.
struct InlineConversion {
    const GaijiCodes* gaiji = nullptr;  // the run's gaiji texts
    int link_counter = 0;               // links numbered so far (the last number given)
    LinkResolver resolver;              // scratch of the target resolution
    // Output length reached before the character or tag that holds each
    // source byte, one table per nesting level; the repair of a missing
    // "<HL>" rewinds the output to the mark of the assumed link start.
    std::deque<std::vector<size_t>> output_marks;
    int depth = 0;                         // nesting level of the conversion under way
    ValueReports reports = {"", "", 0, 0, 0};  // reports about the outermost value
    std::deque<LinkScratch> link_scratch;  // by link nesting level
    int link_depth = 0;                    // links being converted, one inside the other
};

// Converts a field value: entities escaped, gaiji references and the one-byte
// middle dot 0xA5 to their texts, tags by the tag table, <HL> links through
// convert_link (numbered when `links_on` is 1), faulty markup reported to the
// log with `key` and repaired where it can be; I and SPO tags give italic
// markup when `italic` (the ITALIC setting) is not 0. Replaces `destination`
// (which grows as needed). Returns 0.
int convert_inline(InlineConversion& conversion, std::string& destination, const char* source,
                   const char* entry_id, const char* key, int links_on, int italic);

// Converts one hyperlink whose text starts at `position` (just after "<HL>")
// and appends it to `destination`: the visible text alone (links off), a link
// to "#HL%06d" (resolved, numbered), or a link to the target entry as a whole.
// Moves `position` just after the link's "</HL>", or to the end of the text.
// A link without a full target (fewer than two ":" before its "</HL>") gives
// its visible text only and is not numbered.
void convert_link(InlineConversion& conversion, std::string& destination, const char*& position,
                  const char* entry_id, int links_on, int italic);

// Appends the link taken apart in `parts` as convert_link does (the repair of
// a link whose "<HL>" is missing uses it with the stray "</HL>" as the close).
void write_link(InlineConversion& conversion, std::string& destination, const LinkParts& parts,
                const char* entry_id, int links_on, int italic);

// Title form of a headword: 0xA5 and gaiji references through set 99, tags
// dropped, every other character copied. Replaces `destination`. Returns 0.
int convert_title(std::string& destination, const GaijiCodes& gaiji, const char* source);

// Plain form: 0xA5 to "・", gaiji references in the current set (opening G
// tags change it), tags dropped. Replaces `destination`. Returns 0.
int convert_plain(std::string& destination, const GaijiCodes& gaiji, const char* source);

}  // namespace qel
