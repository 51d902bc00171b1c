// Quick-jump navigation in the body: the jump menu or jump link on a record's
// header line, the block anchors it points at, return links to the head of
// the record and the separate quick-jump pages. Works on the body conversion's
// state (the body file, the entry identifier, the quick-jump record and its
// items, the anchor number, the symbol texts, the indent of level 1) and does
// nothing while QUICKJUMP is 0.
//
// Numbering: the block anchors "<id>QJnn" count the PS, OT1-OT5 and first ID
// lines of a record (its derived forms included) from 0; the menu gives its
// block links the same numbers by counting every item except "派生形". The
// item after a "派生形" labels the derived-form link "<id>DRnn" and still
// takes its block number, since it names a line of the derived form that
// carries a block anchor; a "派生形" followed by another "派生形" (a derived
// form without items of its own) is labelled "派生形" itself, so the
// derived-form links count the derived forms one by one.
#pragma once

namespace qel {

struct BodyConversionState;

// Opens quickjmp.dat into the state's quick_jump_data and reads its first
// record. 0, or -1 after reporting the open failure.
int open_quick_jump_navigation(BodyConversionState& state);

// Closes quickjmp.dat when it is open.
void close_quick_jump_navigation(BodyConversionState& state);

// At every RA line, after the entry position is set: reads forward in the
// quick-jump data past every record behind this entry position and sets
// the state's quick_jump_items to the items of the record at it (anchor number
// back to 0), or none. A record needs its three leading fields to have items.
void find_quick_jump_items(BodyConversionState& state);

// From open_entry, for a main headword whose record has items: writes the jump
// link (mode 4) or the menu (modes 1-3; any other non-zero mode acts as 1)
// after `separator`, which it may change (" " after an item, empty after a
// line break). The menu leaves the items at the record's line feed; the
// record keeps its items for anchors and return links.
void write_quick_jump_header(BodyConversionState& state, const char*& separator);

// Output stage, before a line's text: the block anchor of a PS, OT1-OT5, or
// first ID line (`field_index` is its FieldTagTable index) in a record with items.
void write_block_anchor(BodyConversionState& state, int field_index);

// After a PS line (main headword), the idiom heading and an OT label: the link
// back to the head of the record, when QUICKRET is on and the record has items.
void write_return_link(BodyConversionState& state);

// At the end of the body with QUICKJUMP 4: reads the quick-jump data again
// from its start and writes one page per record, up to the first line that
// does not begin with a number.
void write_quick_jump_pages(BodyConversionState& state);

}  // namespace qel
