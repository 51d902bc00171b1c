// Entry headings of qel.html: taking a headword from an EN or DR line, opening
// its entry (dt line, search keys from the index-word lists, header line), and
// the condition-type search keys of KEYID lines.
#pragma once

#include <string>

namespace qel {

struct BodyConversionState;

// The key of an EN or DR value: the part after its first "|" at a character
// start (empty without one), into `key`. Returns the position of that "|",
// or of the terminator.
const char* take_headword_key(const char* value, std::string& key);

// The menu group letter of a headword key: its first ASCII letter at a
// character start, upper-cased; '@' when it has none.
int group_letter_of(const char* key);

// EN (derived 0) or DR (derived 1) line: sets the headword display text
// (title form of the part before the first "|" at a character start), the
// headword key (the part after it, empty without "|"), the derived-form number, the group letter
// (first ASCII letter of the key, upper-cased; "@" when there is none) and
// headword pending.
void take_headword(BodyConversionState& state, const char* value, int derived);

// Opens the pending entry: closes the previous one, flushes the held text,
// writes the dt line, the index keys due at the entry position, "<dd><p>\n"
// and the header line (pronunciation, variant, sound link, return link or
// quick-jump menu; never empty). Leaves line open set.
void open_entry(BodyConversionState& state);

// KEYID line with COMPLEX on: appends one condition key per full-width word
// of the value to the held text, titled with the value converted with links
// off; warns in the log first when the held text is nearly full.
void write_condition_keys(BodyConversionState& state, const char* value);

}  // namespace qel
