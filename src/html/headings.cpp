// Entry headings and search keys.
#include "html/headings.h"

#include <cstring>
#include <string>

#include "common/report.h"
#include "common/settings.h"
#include "html/body_state.h"
#include "html/inline.h"
#include "html/quick_jump_nav.h"
#include "text/full_width.h"
#include "text/index_words.h"
#include "text/sjis.h"
#include "text/text_copy.h"

namespace qel {

namespace {

// Texts reused for every heading and KEYID line.

// Position of the first "|" at a character start, or of the terminator.
const char* first_bar(const char* text) {
    const char* p = text;
    while (*p != '\0' && *p != '|') p = next_char(p);
    return p;
}

// Appends `text` to the header line after the separator; the separator then
// becomes one blank.
void write_header_item(File* body, const char*& separator, const std::string& text) {
    file_puts(body, separator);
    file_write(body, text.data(), text.size());
    separator = " ";
}

}  // namespace

const char* take_headword_key(const char* value, std::string& key) {
    // The bar is looked for at character starts, as the other passes over
    // main.txt do, so that a trail byte 0x7C never splits a character.
    const char* bar = first_bar(value);
    if (*bar == '|')
        copy_until_char(bar + 1, key, '\0');
    else
        key.clear();
    return bar;
}

// The first ASCII letter of the key, upper-cased, at character starts (a
// trail byte that happens to look like a letter does not count); "@" if none.
int group_letter_of(const char* key) {
    for (const char* p = key; *p != '\0'; p = next_char(p)) {
        if (*p >= 'a' && *p <= 'z') return *p - 'a' + 'A';
        if (*p >= 'A' && *p <= 'Z') return *p;
    }
    return '@';
}

void take_headword(BodyConversionState& s, const char* value, int derived) {

    // Display part up to the first "|", key after it.
    const char* bar = take_headword_key(value, s.headword_key);
    s.display_part.assign(value, static_cast<size_t>(bar - value));
    s.display_part.resize(std::strcspn(s.display_part.c_str(), "\r\n"));
    convert_title(s.headword_display, *s.gaiji, s.display_part.c_str());

    s.headword_pending = 1;
    s.derived_number = derived != 0 ? s.derived_number + 1 : 0;
    s.group_letter = group_letter_of(s.headword_key.c_str());
}

void open_entry(BodyConversionState& s) {
    File* body = s.body;
    s.headword_pending = 0;

    // Close the previous entry and write out what was held for the gap.
    if (s.first_entry != 0)
        s.first_entry = 0;
    else
        file_puts(body, "\n</p></dd>\n");
    flush_held_text(s);

    // The heading. The record's first dt is where links back to its head lead.
    s.dt_suffix.clear();
    if (s.derived_number != 0) {
        s.dt_suffix.assign("DR");
        append_decimal(s.dt_suffix, s.derived_number, 2);
    }
    if (s.record_opened == 0) {
        s.opened_id.assign(s.entry_id);
        s.opened_id += s.dt_suffix;
        s.record_opened = 1;
    }
    file_puts(body, "<dt id=\"");
    file_write(body, s.entry_id.data(), s.entry_id.size());
    file_write(body, s.dt_suffix.data(), s.dt_suffix.size());
    file_puts(body, "\">");
    file_write(body, s.headword_display.data(), s.headword_display.size());
    file_puts(body, "</dt>\n");

    // Index keys due at this entry position: English words, then translations.
    const char* title = s.headword_display.c_str();
    if (s.english_current != nullptr)
        s.english_current = write_index_keys(body, s.english_list, s.english_current, s.entry_position, title, 1);
    if (s.translation_current != nullptr)
        s.translation_current =
            write_index_keys(body, s.translation_list, s.translation_current, s.entry_position, title, 0);

    file_puts(body, "<dd><p>\n");

    // The header line.
    const char* separator = "";
    if (s.pronunciation_pending != 0) {
        s.pronunciation_pending = 0;
        write_header_item(body, separator, s.pronunciation_text);
    }
    if (s.variant_pending != 0) {
        s.variant_pending = 0;
        write_header_item(body, separator, s.variant_text);
    }
    if (s.sound_pending != 0) {
        s.sound_pending = 0;
        write_header_item(body, separator, s.sound_link_text);
    }
    if (s.settings->QUICKRET != 0 && s.quick_jump_items != nullptr && s.derived_number != 0) {
        file_puts(body, separator);
        file_puts(body, "<a href=\"#");
        file_write(body, s.entry_id.data(), s.entry_id.size());
        file_puts(body, "\">");
        file_write(body, s.return_symbol.data(), s.return_symbol.size());
        file_puts(body, "</a>");
        separator = " ";
    }
    if (s.derived_number == 0 && s.quick_jump_items != nullptr) write_quick_jump_header(s, separator);
    if (*separator == '\0') file_puts(body, " ");

    s.line_open = 1;
}

void write_condition_keys(BodyConversionState& s, const char* value) {
    std::string& held = s.output_holding_buffer.text;

    // Title: links stay plain, since the hyperlink pass does not number KEYID lines.
    convert_inline(s.conversion, s.key_title, value, s.entry_id.c_str(), "", 0, s.settings->ITALIC);

    if (held.size() > HoldingBufferWarning) report_log("出力保持バッファがもうすぐ一杯です\n");

    for (const char* p = value; (p = next_full_width_word(p, s.key_word)) != nullptr;) {
        held += "<key title=\"";
        held += s.key_title;
        held += "\" type=\"条件\">";
        held += s.key_word;
        held += "</key>\n";
    }
}

}  // namespace qel
