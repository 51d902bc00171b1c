// Quick-jump navigation: finds each record's items in quickjmp.dat and writes
// the menus, anchors, return links and pages that use them.
#include "html/quick_jump_nav.h"

#include <string>

#include "common/settings.h"
#include "html/body_state.h"
#include "links/link_groups.h"
#include "html/quick_jump_table.h"
#include "text/main_text.h"
#include "text/sjis.h"
#include "text/text_copy.h"

namespace qel {

namespace {

// The item that announces a derived form.
const char* const DerivedFormItem = "派生形";

// What one step through a record's items gives.
enum MenuStep {
    MENU_NONE,     // the items are used up (at the line feed or the end)
    MENU_BLOCK,    // a link to the block anchor "<id>QJnn"
    MENU_DERIVED,  // a link to the derived form "<id>DRnn"
    MENU_NOTHING   // a "派生形" with no item after it: no link
};

// Running numbers of one menu or page.
struct MenuNumbers {
    int block;    // next block number, from 0
    int derived;  // next derived-form link number, from 1
};

// Texts reused from menu to menu.

// Position of the "|", line feed or terminator that ends the field at `p`;
// a trail byte 0x7C is part of its character and ends nothing.
const char* field_end(const char* p) {
    while (*p != '\0' && *p != '|' && *p != '\n') p = next_char(p);
    return p;
}

bool at_items_end(const char* p) {
    return *p == '\0' || *p == '\n';
}

// Copies the item at `position` into `destination` and moves past its "|"
// (or up to the line feed of a last item without one).
void take_item(const char*& position, std::string& destination) {
    const char* end = field_end(position);
    destination.assign(position, static_cast<size_t>(end - position));
    position = *end == '|' ? end + 1 : end;
}

// The next link of a menu from the items at `position` (not at their end):
// its kind, its number in `number` and its label in `label`.
MenuStep next_menu_step(BodyConversionState& s, const char*& position, MenuNumbers& numbers, int& number) {
    take_item(position, s.qj_label);
    if (s.qj_label != DerivedFormItem) {
        number = numbers.block++;
        return MENU_BLOCK;
    }
    if (at_items_end(position)) return MENU_NOTHING;
    // A derived form without items of its own is followed by the next one:
    // its link gets the label "派生形" and the next "派生形" makes its own link.
    const char* after = position;
    take_item(after, s.qj_next_label);
    number = numbers.derived++;
    if (s.qj_next_label == DerivedFormItem) return MENU_DERIVED;
    position = after;
    s.qj_label.swap(s.qj_next_label);
    ++numbers.block;
    return MENU_DERIVED;
}

// Writes one menu link of the entry `id` after `lead` (a separator or the
// indent), with the label of the last step.
void write_menu_link(BodyConversionState& s, File* body, const char* lead, const std::string& id, MenuStep step, int number) {
    s.qj_link.assign(lead).append("<a href=\"#").append(id).append(step == MENU_BLOCK ? "QJ" : "DR");
    append_decimal(s.qj_link, number, 2);
    s.qj_link.append("\">").append(s.arrow_symbol).append(s.qj_label).append("</a>");
    file_write(body, s.qj_link.data(), s.qj_link.size());
}

// Splits a record into its identifier and key; returns the position of its
// items, or none when it has fewer than three fields before them.
const char* record_items(const char* record, std::string* id, std::string* key) {
    const char* p = record;
    for (int field = 0; field < 3; ++field) {
        const char* end = field_end(p);
        if (*end != '|') return nullptr;
        if (field == 1 && id != nullptr) id->assign(p, static_cast<size_t>(end - p));
        if (field == 2 && key != nullptr) key->assign(p, static_cast<size_t>(end - p));
        p = end + 1;
    }
    return p;
}

bool is_section_field(int index) {
    return index == FT_OT1 || index == FT_OT2 || index == FT_OT3 || index == FT_OT4 || index == FT_OT5;
}

}  // namespace

int open_quick_jump_navigation(BodyConversionState& s) {
    s.quick_jump_items = nullptr;
    s.quick_jump_anchor_number = 0;
    s.quick_jump_data = open_quick_jump_data(QuickJumpDataName);
    if (s.quick_jump_data == nullptr) {
        s.quick_jump_record_position = -1;
        return -1;
    }
    s.quick_jump_record_position = read_quick_jump_record(s.quick_jump_data, s.quick_jump_record);
    return 0;
}

void close_quick_jump_navigation(BodyConversionState& s) {
    if (s.quick_jump_data != nullptr) close_quick_jump_data(s.quick_jump_data);
    s.quick_jump_data = nullptr;
    s.quick_jump_items = nullptr;
}

void find_quick_jump_items(BodyConversionState& s) {
    s.quick_jump_items = nullptr;
    if (s.settings->QUICKJUMP == 0 || s.quick_jump_data == nullptr) return;

    // Records behind this entry position can never match: pass them over.
    while (s.quick_jump_record_position >= 0 && s.quick_jump_record_position < s.entry_position)
        s.quick_jump_record_position = read_quick_jump_record(s.quick_jump_data, s.quick_jump_record);

    if (s.quick_jump_record_position != s.entry_position) return;
    s.quick_jump_items = record_items(s.quick_jump_record.c_str(), nullptr, nullptr);
    s.quick_jump_anchor_number = 0;
}

void write_quick_jump_header(BodyConversionState& s, const char*& separator) {
    File* body = s.body;
    if (s.settings->QUICKJUMP == 0 || s.quick_jump_items == nullptr) return;

    // Mode 4: one link to the record's page.
    if (s.settings->QUICKJUMP == 4) {
        file_printf(body, "%s<a href=\"#QJ%s\">", separator, s.entry_id.c_str());
        file_write(body, s.jump_symbol.data(), s.jump_symbol.size());
        file_puts(body, "</a>");
        separator = " ";
        return;
    }

    // Modes 1-3: the menu.
    MenuNumbers numbers = {0, 1};
    const char* position = s.quick_jump_items;
    if (s.settings->QUICKJUMP == 2) {
        file_printf(body, "<br>\n%s", s.indent1.c_str());
        separator = "";
    }
    while (!at_items_end(position)) {
        if (s.settings->QUICKJUMP == 3) {
            file_printf(body, "<br>\n%s", s.indent1.c_str());
            separator = "";
        }
        int number = 0;
        MenuStep step = next_menu_step(s, position, numbers, number);
        if (step == MENU_BLOCK || step == MENU_DERIVED) write_menu_link(s, body, separator, s.entry_id, step, number);
        separator = " ";
    }
    s.quick_jump_items = position;
}

void write_block_anchor(BodyConversionState& s, int field_index) {
    if (s.settings->QUICKJUMP == 0 || s.quick_jump_items == nullptr || *s.quick_jump_items == '\0') return;
    if (field_index != FT_PS && !is_section_field(field_index) &&
        !(field_index == FT_ID && s.idiom_heading_pending != 0))
        return;
    s.qj_link.assign("<a name=\"").append(s.entry_id).append("QJ");
    append_decimal(s.qj_link, s.quick_jump_anchor_number, 2);
    s.qj_link.append("\"></a>\n");
    file_write(s.body, s.qj_link.data(), s.qj_link.size());
    ++s.quick_jump_anchor_number;
}

void write_return_link(BodyConversionState& s) {
    if (s.settings->QUICKJUMP == 0 || s.settings->QUICKRET == 0 || s.quick_jump_items == nullptr) return;
    s.qj_link.assign("<a href=\"#").append(s.entry_id).append("\">").append(s.return_symbol).append("</a>");
    file_write(s.body, s.qj_link.data(), s.qj_link.size());
}

void write_quick_jump_pages(BodyConversionState& s) {
    File* body = s.body;
    if (s.settings->QUICKJUMP != 4 || s.quick_jump_data == nullptr || file_seek(s.quick_jump_data, 0) != 0) return;
    s.quick_jump_items = nullptr;
    s.page_indent = s.indent1;

    while (read_quick_jump_record(s.quick_jump_data, s.page_record) >= 0) {
        const char* position = record_items(s.page_record.c_str(), &s.page_id, &s.page_key);
        if (position == nullptr) continue;
        MenuNumbers numbers = {0, 1};
        file_puts(body, "&#x1f03;\n&#x1f02;\n");
        file_printf(body, "<dt id=\"QJ%s\">", s.page_id.c_str());
        file_write(body, s.page_key.data(), s.page_key.size());
        file_puts(body, "</dt>\n<dd><p> <br>\n");
        int line_open = 0;
        while (!at_items_end(position)) {
            if (line_open != 0) {
                file_puts(body, "<br>\n");
                line_open = 0;
            }
            int number = 0;
            MenuStep step = next_menu_step(s, position, numbers, number);
            if (step == MENU_BLOCK || step == MENU_DERIVED) write_menu_link(s, body, s.page_indent.c_str(), s.page_id, step, number);
            line_open = 1;
        }
        file_puts(body, "\n</p></dd>\n");
    }
    s.quick_jump_record_position = -1;
}

}  // namespace qel
