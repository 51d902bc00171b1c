// Hyperlink targets during the body conversion: the anchors where the targets
// of one entry (a link group of "hyperlnk.dat") lie in its fields.
#pragma once

#include <string>
#include <vector>

#include "links/link_table.h"
#include "platform/platform.h"

namespace qel {

// One target of the loaded group: one line of "hyperlnk.dat".
struct LinkTarget {
    std::string anchor;    // field 2, e.g. HL000001
    int kind;              // FieldTagTable index of the description's kind, -1 if unknown
    const char* pos;       // a PartOfSpeechList name, or none
    int number;            // translation number, -1 when empty
    int sub;               // translation sub-number, -1 when empty
    int has_text;          // the description's text field is not empty
    std::string text;      // that text
    std::string squeezed;  // the text without blanks and gaiji references
    int placed;            // its anchor has been written
};

// The reader of "hyperlnk.dat" and its loaded group; a fresh value has read
// nothing. Targets are reused from group to group, so their texts keep their
// capacity and loading allocates only for a group larger than any before it.
struct LinkGroupReader {
    enum State { NOT_STARTED, LINE_WAITING, ENDED };
    State state = NOT_STARTED;       // whether a line has been read ahead, or the data ended
    std::vector<LinkTarget> targets;  // the loaded group's targets (the first target_count)
    size_t target_count = 0;         // targets in the loaded group
    std::string group_number;        // the loaded group's target entry number
    std::string data_line;           // the line read ahead
    std::string field_text;          // scratch for the fields of a line
    std::string squeezed_match;      // scratch of place_anchors
};

// Loads the next link group from `file`; returns its entry number (held in
// `reader`), or none when the data is exhausted. Groups of any size are held.
const char* load_link_group(LinkGroupReader& reader, File* file);

// The decimal value of an entry number text (blanks and a sign allowed), held
// to the range of long long: link groups are ordered and met by it.
long long entry_number_value(const char* text);

// Reads past the groups after the loaded one whose entry number is below
// `limit`, without taking their targets, and loads the first one at or above
// it: the reader then stands where loading and finishing those groups one
// by one would leave it. Returns the loaded group's entry number, or none
// when the data is exhausted.
const char* skip_link_groups_below(LinkGroupReader& reader, File* file, long long limit);

// Appends "<a name=\"%s\"></a>\n" to `text` for every unplaced target of the
// loaded group that matches, and marks it placed. `pos` may be none; -1 for
// `number`/`sub` means none; `match` may be none.
void place_anchors(LinkGroupReader& reader, std::string& text, int kind, const char* pos, int number, int sub,
                   const char* match);

// Logs the unplaced targets of the loaded group.
void report_unplaced_targets(const LinkGroupReader& reader);

// Writes the anchors of all unplaced targets into the body ("<br>\n" first when
// `line_open` is set, which is then cleared) and returns their number.
int write_unplaced_anchors(LinkGroupReader& reader, File* body, int& line_open);

// The indent control "&#x1f09;&#x00;&#x%02x;" for `level` (+1).
std::string indent_text(int level);

// Replaces `destination` with `source` without blanks and gaiji references.
std::string& squeeze_text(std::string& destination, const char* source);

}  // namespace qel
