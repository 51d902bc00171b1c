// The body conversion's line-to-line state, the holding buffer of text that
// waits for the next flush point of qel.html, and the generator identity.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "common/settings.h"
#include "platform/platform.h"
#include "text/index_words.h"

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

// The state that links the lines of main.txt during the body conversion. The
// texts grow as needed; their nominal sizes (128 bytes, 1024 for the part of
// speech) are never a limit.
struct BodyConversionState {
    // The run's settings, given to convert_body.
    const ConversionSettings* settings;

    // Text held for the next flush point of qel.html.
    OutputHoldingBuffer output_holding_buffer;

    // Files of the step; none when not open.
    File* body;                 // qel.html
    MenuPage* menu_pages[5];    // qelmenu1.html .. qelmenu5.html (page 1 only with FIGURE)

    // The record and its entries.
    int32_t entry_position;        // line_start_offset of the last RA line; -1 before the first
    std::string entry_id;          // value of the last RN line
    std::string opened_id;         // dt id of the first entry opened in the last record that opened one
    int record_opened;             // the current record has opened an entry
    std::string headword_display;  // convert_title of the display part of the last EN/DR value
    std::string headword_key;      // the part of the last EN/DR value after its first "|"
    int derived_number;            // 0 after EN, +1 for every DR
    int group_letter;              // menu group letter: '@' or 'A'-'Z'

    // Where the current line stands in the record.
    int has_part_of_speech;        // 1 once a PS line has given part_of_speech in this record
    std::string part_of_speech;    // last PS value, tags stripped
    int sense_number;              // number1 of the last TR/TRSUB, 1 after MN, -1 for none
    int sub_sense_number;          // number2 of the last TRSUB, -1 for none
    int group_active;              // the loaded link group belongs to the current entry

    // Pending entry and its header line.
    int headword_pending;          // an EN/DR line waits for its entry to open
    int pronunciation_pending;     // a PR line waits for the entry to open
    std::string pronunciation_text;
    int variant_pending;           // an ENV line waits for the entry to open
    std::string variant_text;
    int sound_pending;             // a sound link waits for the entry to open
    std::string sound_link_text;
    int first_entry;               // no entry has been opened yet
    int line_open;                 // the next line of entry text needs "<br>\n" first
    int idiom_heading_pending;     // the next ID line gets the idiom heading

    // Quick-jump navigation (filled by the quick-jump module).
    File* quick_jump_data;               // quickjmp.dat, open while QUICKJUMP is not 0
    std::string quick_jump_record;       // the remembered quick-jump record's text
    int32_t quick_jump_record_position;  // its entry position; -1 when the data is exhausted
    const char* quick_jump_items;        // where the items begin in quick_jump_record; none when
                                         // the record has no items
    int quick_jump_anchor_number;        // next number of a block anchor

    // Index-word lists and their cursors (the next unwritten record or none).
    IndexWordList* english_list;
    IndexWordList* translation_list;
    IndexWordRecord english_record;
    IndexWordRecord translation_record;
    IndexWordRecord* english_current;
    IndexWordRecord* translation_current;

    // Hyperlink data and numbering.
    File* link_data;                 // hyperlnk.dat
    int group_loaded;                // a link group is loaded
    long long group_number;          // decimal value of the loaded group's entry number
    int unplaced_anchor_count;       // anchors written by the last catch-up of link groups
    int link_snapshot;               // links numbered by the hyperlink pass

    // Progress display.
    int32_t progress_divisor;
    long last_percent;

    // Symbol texts.
    std::string return_symbol;
    std::string arrow_symbol;
    std::string jump_symbol;
    std::string pronunciation_symbol;
};
extern BodyConversionState body_state;

// Writes the held text to `body` and empties it.
void flush_held_text(File* body);

// Puts the state and the holding buffer back to their start values (files are
// forgotten, not closed).
void reset_body_state();

}  // namespace qel
