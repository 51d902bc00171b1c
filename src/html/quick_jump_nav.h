// Quick-jump navigation in the body: the jump menu or jump link on a record's
// header line, the block anchors it points at, return links to the head of
// the record and the separate quick-jump pages. Works on body_state (the
// body file, the entry identifier, the quick-jump record and its items, the
// anchor number, the symbol texts) and does nothing while QUICKJUMP is 0.
#pragma once

namespace qel {

// Opens quickjmp.dat (QUICKJUMP on) into body_state.quick_jump_data and reads
// its first record. 0, or -1 after reporting the open failure.
int open_quick_jump_navigation();

// Closes quickjmp.dat when it is open.
void close_quick_jump_navigation();

// At every RA line, after the entry position is set: reads ahead in the
// quick-jump data and sets body_state.quick_jump_items to the items of the
// record at this entry position, or none.
void find_quick_jump_items();

// From open_entry, for a main headword whose record has items: writes the jump
// link (mode 4) or the menu (modes 1-3) after `separator`, which it may change
// (" " after an item, empty after a line break).
void write_quick_jump_header(const char*& separator);

// Output stage, before a line's text: the block anchor of a PS, OT1-OT5, or
// first ID line (`field_index` is its FieldTagTable index) in a record with items.
void write_block_anchor(int field_index);

// After a PS line (main headword), the idiom heading and an OT label: the link
// back to the head of the record, when QUICKRET is on and the record has items.
void write_return_link();

// At the end of the body with QUICKJUMP 4: one quick-jump page per record.
void write_quick_jump_pages();

}  // namespace qel
