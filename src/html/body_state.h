// The body conversion's state: what links the lines of main.txt, the holding
// buffer of text that waits for the next flush point of qel.html, the files
// of the step and its scratch texts; and the generator identity.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

#include "common/settings.h"
#include "html/inline.h"
#include "html/media.h"
#include "links/link_groups.h"
#include "platform/platform.h"
#include "text/gaiji_codes.h"
#include "text/index_words.h"
#include "text/main_text.h"

namespace qel {

struct MenuPage;

// The three texts of the generator meta tags of qel.html and the menu pages.
struct ProgramIdentity {
    const char* name;     // "qelconv"
    const char* version;  // "pre-release4a"
    const char* date;     // "2004/12/25"
};
extern const ProgramIdentity Identity;

// Held text: anchors, menu anchors, figure images and condition keys that go
// into qel.html where the body next flushes. Nominally 65536 bytes; it grows
// instead of overflowing, and the warning threshold below is kept.
struct OutputHoldingBuffer {
    std::string text;  // the held text, written out and emptied by flush_held_text
};

// Held text longer than this draws "出力保持バッファがもうすぐ一杯です" before
// condition keys are added.
const size_t HoldingBufferWarning = 61440;

// The state of one body conversion, created by convert_body for the run and
// handed to every operation of the step; a fresh value is the start state.
// The texts grow as needed; their nominal sizes (128 bytes, 1024 for the part
// of speech) are never a limit, and once grown they are reused, so that no
// line allocates.
struct BodyConversionState {
    // The run's settings and gaiji texts, given to convert_body.
    const ConversionSettings* settings = nullptr;
    const GaijiCodes* gaiji = nullptr;

    // Text held for the next flush point of qel.html.
    OutputHoldingBuffer output_holding_buffer;

    // Files of the step; none when not open.
    MainText* main_text = nullptr;      // main.txt
    File* body = nullptr;               // qel.html
    MenuPage* menu_pages[5] = {};       // qelmenu1.html .. qelmenu5.html (page 1 only with FIGURE)

    // The record and its entries.
    int32_t entry_position = -1;   // line_start_offset of the last RA line; -1 before the first
    std::string entry_id;          // value of the last RN line
    std::string opened_id;         // dt id of the first entry opened in the last record that opened one
    int record_opened = 0;         // the current record has opened an entry
    std::string headword_display;  // convert_title of the display part of the last EN/DR value
    std::string headword_key;      // the part of the last EN/DR value after its first "|"
    int derived_number = 0;        // 0 after EN, +1 for every DR
    int group_letter = '@';        // menu group letter: '@' or 'A'-'Z'

    // Where the current line stands in the record.
    int has_part_of_speech = 0;    // 1 once a PS line has given part_of_speech in this record
    std::string part_of_speech;    // last PS value, tags stripped
    int sense_number = -1;         // number1 of the last TR/TRSUB, 1 after MN, -1 for none
    int sub_sense_number = -1;     // number2 of the last TRSUB, -1 for none
    int group_active = 0;          // the loaded link group belongs to the current entry

    // Pending entry and its header line.
    int headword_pending = 0;       // an EN/DR line waits for its entry to open
    int pronunciation_pending = 0;  // a PR line waits for the entry to open
    std::string pronunciation_text;
    int variant_pending = 0;        // an ENV line waits for the entry to open
    std::string variant_text;
    int sound_pending = 0;          // a sound link waits for the entry to open
    std::string sound_link_text;
    int first_entry = 1;            // no entry has been opened yet
    int line_open = 0;              // the next line of entry text needs "<br>\n" first
    int idiom_heading_pending = 0;  // the next ID line gets the idiom heading

    // Quick-jump navigation (filled by the quick-jump module).
    File* quick_jump_data = nullptr;          // quickjmp.dat, open while QUICKJUMP is not 0
    std::string quick_jump_record;            // the remembered quick-jump record's text
    int32_t quick_jump_record_position = -1;  // its entry position; -1 when the data is exhausted
    const char* quick_jump_items = nullptr;   // where the items begin in quick_jump_record; none
                                              // when the record has no items
    int quick_jump_anchor_number = 0;         // next number of a block anchor

    // Index-word lists and their cursors (the next unwritten record or none).
    IndexWordList* english_list = nullptr;
    IndexWordList* translation_list = nullptr;
    IndexWordRecord english_record;
    IndexWordRecord translation_record;
    IndexWordRecord* english_current = nullptr;
    IndexWordRecord* translation_current = nullptr;

    // Hyperlink data and numbering.
    File* link_data = nullptr;       // hyperlnk.dat
    LinkGroupReader link_groups;     // its reader and the loaded group
    int group_loaded = 0;            // a link group is loaded
    long long group_number = 0;      // decimal value of the loaded group's entry number
    int unplaced_anchor_count = 0;   // anchors written by the last catch-up of link groups
    int link_snapshot = 0;           // links numbered by the hyperlink pass
    int pass_over_groups = 0;        // 1: the next entry number reads past the groups below it
                                     // instead of finishing them one by one

    // Conversion of field values; its link counter numbers the body's links.
    InlineConversion conversion;

    // Figures, sounds and playlists.
    MediaState media;

    // Progress display; with a divided body, also what the second part has
    // converted: the offset it has reached past its start.
    PassProgress progress = {"", 0, -1};
    const std::atomic<int32_t>* ahead_reached = nullptr;  // none when the body is not divided
    int32_t ahead_start = 0;

    // Symbol texts.
    std::string return_symbol;
    std::string arrow_symbol;
    std::string jump_symbol;
    std::string pronunciation_symbol;

    // Indent controls of levels 1 and 2.
    std::string indent1;
    std::string indent2;

    // Scratch texts reused from line to line.
    std::string line;             // a line of main.txt that runs across two read blocks
    std::string converted;        // a field value converted for the body
    std::string converted_extra;  // a second conversion beside it
    std::string work;             // an intermediate text of one line
    std::string display_part;     // the display part of a headword
    std::string dt_suffix;        // "DR%02d" of a derived form's number, empty for a main headword
    std::string key_title;        // the title of condition keys
    std::string key_word;         // one condition key
    std::string menu_text;        // a menu entry's converted title or label
    std::string anchor_name;      // a menu entry's anchor name
    std::string link_line;        // a menu entry's link line
    std::string qj_label;         // the label of a quick-jump menu link
    std::string qj_next_label;    // the label after a derived-form item
    std::string qj_link;          // one quick-jump link, anchor or return link
    std::string page_record;      // a quick-jump page's record
    std::string page_id;          // its entry identifier
    std::string page_key;         // its key
    std::string page_indent;      // the indent of its lines
};

// Writes the held text of `state` to its body file and empties it.
void flush_held_text(BodyConversionState& state);

}  // namespace qel
