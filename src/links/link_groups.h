// Hyperlinks during the body conversion: links to anchors where they stand,
// anchors where their targets lie (one link group per target entry).
#pragma once

#include <string>

#include "links/link_table.h"
#include "platform/platform.h"

namespace qel {

// Converts one hyperlink whose text starts at `position` (just after "<HL>")
// and appends it to `destination`: the visible text alone (links off), a link
// to "#HL%06d" (resolved, numbered), or a link to the target entry as a whole.
// Moves `position` just after the link's "</HL>", or to the end of the text.
// A link without a full target (fewer than two ":" before its "</HL>") gives
// its visible text only and is not numbered.
void convert_link(std::string& destination, const char*& position, const char* entry_id, int links_on,
                  int italic);

// Appends the link taken apart in `parts` as convert_link does (the repair of
// a link whose "<HL>" is missing uses it with the stray "</HL>" as the close).
void write_link(std::string& destination, const LinkParts& parts, const char* entry_id, int links_on,
                int italic);

// Loads the next link group from hyperlnk.dat; returns its entry number, or
// none when the data is exhausted. Groups of any size are held.
const char* load_link_group(File* file);

// Appends "<a name=\"%s\"></a>\n" to `text` for every unplaced target of the
// loaded group that matches, and marks it placed. `pos` may be none; -1 for
// `number`/`sub` means none; `match` may be none.
void place_anchors(std::string& text, int kind, const char* pos, int number, int sub, const char* match);

// Logs the unplaced targets of the loaded group.
void report_unplaced_targets();

// Writes the anchors of all unplaced targets into the body ("<br>\n" first when
// `line_open` is set, which is then cleared) and returns their number.
int write_unplaced_anchors(File* body, int& line_open);

// The indent control "&#x1f09;&#x00;&#x%02x;" for `level` (+1), in a buffer
// that the next call overwrites.
const char* indent_text(int level);

// Replaces `destination` with `source` without blanks and gaiji references.
std::string& squeeze_text(std::string& destination, const char* source);

// Forgets the loaded group and the reader state. For tests and a new run.
void reset_link_groups();

}  // namespace qel
