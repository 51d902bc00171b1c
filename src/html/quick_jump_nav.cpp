// Quick-jump navigation (not built yet: no record has items, nothing is written).
#include "html/quick_jump_nav.h"

#include "html/body_state.h"

namespace qel {

int open_quick_jump_navigation() {
    body_state.quick_jump_data = nullptr;
    body_state.quick_jump_record_position = -1;
    return 0;
}

void close_quick_jump_navigation() {
    body_state.quick_jump_data = nullptr;
}

void find_quick_jump_items() {
    body_state.quick_jump_items = nullptr;
}

void write_quick_jump_header(const char*& separator) {
    (void)separator;
}

void write_block_anchor(int field_index) {
    (void)field_index;
}

void write_return_link() {}

void write_quick_jump_pages() {}

}  // namespace qel
