// The body conversion's shared state and holding buffer.
#include "html/body_state.h"

namespace qel {

const ProgramIdentity Identity = {"qelconv", "pre-release4a", "2004/12/25"};

BodyConversionState body_state;

void flush_held_text(File* body) {
    std::string& held = body_state.output_holding_buffer.text;
    if (held.empty()) return;
    file_write(body, held.data(), held.size());
    held.clear();
}

void reset_body_state() {
    BodyConversionState& s = body_state;
    s.body = nullptr;
    for (MenuPage*& page : s.menu_pages) page = nullptr;

    s.entry_position = -1;
    s.entry_id.clear();
    s.opened_id.clear();
    s.record_opened = 0;
    s.headword_display.clear();
    s.headword_key.clear();
    s.derived_number = 0;
    s.group_letter = '@';

    s.has_part_of_speech = 0;
    s.part_of_speech.clear();
    s.sense_number = -1;
    s.sub_sense_number = -1;
    s.group_active = 0;

    s.headword_pending = 0;
    s.pronunciation_pending = 0;
    s.pronunciation_text.clear();
    s.variant_pending = 0;
    s.variant_text.clear();
    s.sound_pending = 0;
    s.sound_link_text.clear();
    s.first_entry = 1;
    s.line_open = 0;
    s.idiom_heading_pending = 0;

    s.quick_jump_data = nullptr;
    s.quick_jump_record.clear();
    s.quick_jump_record_position = -1;
    s.quick_jump_items = nullptr;
    s.quick_jump_anchor_number = 0;

    s.english_list = nullptr;
    s.translation_list = nullptr;
    s.english_current = nullptr;
    s.translation_current = nullptr;

    s.link_data = nullptr;
    s.group_loaded = 0;
    s.group_number = 0;
    s.unplaced_anchor_count = 0;
    s.link_snapshot = 0;

    s.progress_divisor = 0;
    s.last_percent = -1;

    s.return_symbol.clear();
    s.arrow_symbol.clear();
    s.jump_symbol.clear();
    s.pronunciation_symbol.clear();

    body_state.output_holding_buffer.text.clear();
}

}  // namespace qel
