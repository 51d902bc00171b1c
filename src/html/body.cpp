// The body conversion: one pass over main.txt that writes the entries of
// qel.html and feeds the menu pages, the media extraction, the search keys,
// the quick-jump navigation and the anchors of hyperlink targets.
#include "html/body.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "common/report.h"
#include "common/settings.h"
#include "common/written_file.h"
#include "html/body_lines.h"
#include "html/body_split.h"
#include "html/body_state.h"
#include "html/headings.h"
#include "html/inline.h"
#include "html/media.h"
#include "html/menus.h"
#include "html/quick_jump_nav.h"
#include "links/link_groups.h"
#include "links/link_table.h"
#include "text/gaiji_codes.h"
#include "text/index_words.h"
#include "text/main_text.h"
#include "text/sjis.h"
#include "text/text_copy.h"

namespace qel {

namespace {

// How the field stage of a line ends.
enum LineOutcome { NEXT_LINE, OUTPUT, STEP_FAILED };

// The open main.txt.

// Buffers held for the whole step, so that no line allocates once they have
// grown to the longest line.

// ---- Helpers -------------------------------------------------------------

bool begins_with(const char* text, const char* prefix) {
    return std::strncmp(text, prefix, std::strlen(prefix)) == 0;
}

// Writes a text into the body; a literal's length is known when compiled.
void put(BodyConversionState& s, std::string_view text) {
    file_write(s.body, text.data(), text.size());
}

// Loads the next link group and remembers whether one came and its number.
void load_next_group(BodyConversionState& s) {
    const char* number = load_link_group(s.link_groups, s.link_data);
    s.group_loaded = number != nullptr;
    s.group_number = number != nullptr ? entry_number_value(number) : 0;
}

// Places the anchors of the loaded group's targets that lie in this field.
void anchors(BodyConversionState& s, int kind, const char* pos, int number, int sub, const char* match) {
    if (s.group_active != 0)
        place_anchors(s.link_groups, s.output_holding_buffer.text, kind, pos, number, sub, match);
}

// The current part of speech, or none.
const char* current_pos(BodyConversionState& s) {
    return s.has_part_of_speech != 0 ? s.part_of_speech.c_str() : nullptr;
}

// A field value converted for the body, links numbered.
const std::string& convert(BodyConversionState& s, const char* text) {
    convert_inline(s.conversion, s.converted, text, s.entry_id.c_str(), s.headword_key.c_str(), 1,
                   s.settings->ITALIC);
    return s.converted;
}

// Writes every remaining group's unplaced anchors into the body (each group
// reported first) while the group's number is below `limit`; returns how
// many anchors were written.
int finish_groups_below(BodyConversionState& s, long long limit) {
    int count = 0;
    while (s.group_loaded != 0 && s.group_number < limit) {
        report_unplaced_targets(s.link_groups);
        count += write_unplaced_anchors(s.link_groups, s.body, s.line_open);
        load_next_group(s);
    }
    return count;
}

// The link that closes a definition after its unplaced anchors: back to the
// head of the record whose definition is still open. That is the record before
// this one, unless that record opened no entry (then its identifier names no
// dt); the head is its first dt, the main headword's unless that opened none.
// Without any opened entry there is nothing to lead back to.
void write_catch_up_link(BodyConversionState& s) {
    if (s.first_entry != 0) return;
    put(s, s.indent1);
    put(s, "<a href=\"#");
    put(s, s.opened_id);
    put(s, "\">");
    put(s, s.return_symbol);
    put(s, "</a>");
    s.line_open = 1;
}

}  // namespace

// ---- Opening and closing ---------------------------------------------------

int open_body_inputs(BodyConversionState& s, const ConversionSettings& cs) {
    s.main_text = open_main_text(cs.DICPATH.c_str(), "main.txt");
    if (s.main_text == nullptr) return -1;
    s.english_list = open_index_word_list(cs.DICPATH.c_str(), "en.dat");
    if (s.english_list == nullptr) return -1;
    s.translation_list = open_index_word_list(cs.DICPATH.c_str(), "tr.dat");
    if (s.translation_list == nullptr) return -1;
    if (cs.QUICKJUMP != 0 && open_quick_jump_navigation(s) != 0) return -1;
    s.link_data = open_link_data("hyperlnk.dat");
    if (s.link_data == nullptr) return -1;
    return open_media_bundles(s.media, cs);
}

namespace {

// Creates the outputs in their fixed order, after the inputs. 0, or -1 after
// the failing open has reported.
int open_body_outputs(BodyConversionState& s, const ConversionSettings& cs) {
    s.body = open_body_file(cs.BASEPATH.c_str(), "qel.html");
    if (s.body == nullptr) return -1;
    for (int page = cs.FIGURE != 0 ? 0 : 1; page < 5; ++page) {
        s.menu_pages[page] = open_menu_page(cs.BASEPATH.c_str(), MenuPageNames[page].file_name,
                                           MenuPageNames[page].title, page + 1);
        if (s.menu_pages[page] == nullptr) return -1;
    }
    return 0;
}

}  // namespace

void show_body_progress(BodyConversionState& s) {
    // A divided body shows how much of the file both parts have converted.
    int32_t shown = s.entry_position;
    if (s.ahead_reached != nullptr) {
        int32_t reached = s.ahead_reached->load(std::memory_order_relaxed);
        if (reached > s.ahead_start) shown = std::min(main_text_size(s.main_text), shown + (reached - s.ahead_start));
    }
    show_progress(s.progress, shown);
}

void prepare_body_state(BodyConversionState& s) {
    const ConversionSettings& cs = *s.settings;
    s.progress = start_progress(s.main_text, "本文データをHTMLに変換しています... ");
    s.english_current = read_index_word(s.english_list, &s.english_record);
    s.translation_current = read_index_word(s.translation_list, &s.translation_record);
    load_next_group(s);
    if (cs.SOUND != 0) parse_symbol_setting(s.pronunciation_symbol, *s.gaiji, cs.PRONSYM.c_str());
    if (cs.QUICKJUMP == 4) parse_symbol_setting(s.jump_symbol, *s.gaiji, cs.JUMPSYM.c_str());
    if (cs.QUICKJUMP != 0) parse_symbol_setting(s.arrow_symbol, *s.gaiji, cs.ARROWSYM.c_str());
    parse_symbol_setting(s.return_symbol, *s.gaiji, cs.RETSYM.c_str());
    s.indent1 = indent_text(1);
    s.indent2 = indent_text(2);
}

void close_inputs(BodyConversionState& s) {
    close_main_text(s.main_text);
    s.main_text = nullptr;
    close_index_word_list(s.english_list);
    close_index_word_list(s.translation_list);
    s.english_list = s.translation_list = nullptr;
    s.english_current = s.translation_current = nullptr;
    if (s.settings->QUICKJUMP != 0) close_quick_jump_navigation(s);
    close_link_data(s.link_data);
    s.link_data = nullptr;
    close_media_bundles(s.media);
}

void abandon_step(BodyConversionState& s) {
    if (s.main_text != nullptr) close_main_text(s.main_text);
    s.main_text = nullptr;
    if (s.english_list != nullptr) close_index_word_list(s.english_list);
    if (s.translation_list != nullptr) close_index_word_list(s.translation_list);
    s.english_list = s.translation_list = nullptr;
    s.english_current = s.translation_current = nullptr;
    close_quick_jump_navigation(s);
    if (s.link_data != nullptr) close_link_data(s.link_data);
    s.link_data = nullptr;
    abandon_media(s.media);
    for (MenuPage*& page : s.menu_pages) {
        abandon_menu_page(page);
        page = nullptr;
    }
    file_close(s.body);
    s.body = nullptr;
}

namespace {

// ---- Record start and entry number ------------------------------------------

void start_record(BodyConversionState& s) {
    s.entry_position = line_start_offset(s.main_text);
    s.record_opened = 0;
    s.headword_pending = 0;
    s.pronunciation_pending = 0;
    s.variant_pending = 0;
    s.sound_pending = 0;
    s.group_active = 0;
    s.has_part_of_speech = 0;
    s.part_of_speech.clear();
    s.sense_number = -1;
    s.sub_sense_number = -1;
    s.idiom_heading_pending = 1;

    find_quick_jump_items(s);

    show_body_progress(s);
}

void take_entry_number(BodyConversionState& s, const char* value) {
    s.entry_id.assign(value);

    if (s.group_loaded == 0) {
        s.group_active = 0;
        return;
    }

    // Catch up on the link groups of entries already passed: their unplaced
    // anchors close the definition that is still open. Where only the state
    // counts (the records before the seam of a divided body), they are read
    // past at once.
    long long n = entry_number_value(s.entry_id.c_str());
    if (s.pass_over_groups != 0) {
        s.pass_over_groups = 0;
        if (s.group_number < n) {
            const char* number = skip_link_groups_below(s.link_groups, s.link_data, n);
            s.group_loaded = number != nullptr;
            s.group_number = number != nullptr ? entry_number_value(number) : 0;
        }
    }
    s.unplaced_anchor_count = finish_groups_below(s, n);
    if (s.unplaced_anchor_count >= 1) write_catch_up_link(s);

    s.group_active = s.group_loaded != 0 && s.group_number == n;
}

// ---- Field stage -------------------------------------------------------------

// A TL or TLSUB line: anchors for its bracketed title, and the menu entry of
// the title text after it.
void take_work_title(BodyConversionState& s, int index, const char* value) {
    const char* p = work_title_menu_text(value, s.work);
    const char* match = s.work.empty() ? nullptr : s.work.c_str();
    anchors(s, index, current_pos(s), s.sense_number, s.sub_sense_number, match);
    if (*p != '\0') add_title_menu_entry(s, p);
}

LineOutcome field_stage(BodyConversionState& s, const FieldTagInfo* info, const char* value) {
    const ConversionSettings& cs = *s.settings;
    int index = info->index;

    switch (index) {
    case FT_DR:
        take_headword(s, value, 1);
        anchors(s, FT_DR, nullptr, -1, -1, s.headword_key.c_str());
        return NEXT_LINE;
    case FT_EN:
        take_headword(s, value, 0);
        return NEXT_LINE;
    case FT_ENV:
        if (s.headword_pending == 0) return OUTPUT;
        convert_inline(s.conversion, s.variant_text, value, s.entry_id.c_str(), "", 1, cs.ITALIC);
        s.variant_pending = 1;
        return NEXT_LINE;
    case FT_IMG:
        anchors(s, FT_IMG, current_pos(s), s.sense_number, s.sub_sense_number, nullptr);
        if (cs.FIGURE == 0) return NEXT_LINE;
        return handle_figure_line(s, value) != 0 ? OUTPUT : NEXT_LINE;
    case FT_J2E:
        return std::strcmp(value, "END") == 0 ? NEXT_LINE : OUTPUT;
    case FT_KEYEX:
        anchors(s, FT_KEYEX, current_pos(s), s.sense_number, s.sub_sense_number, nullptr);
        return OUTPUT;
    case FT_KEYID:
        s.work.assign(value);
        strip_tags(s.work);
        anchors(s, FT_KEYID, current_pos(s), s.sense_number, s.sub_sense_number, s.work.c_str());
        if (cs.COMPLEX != 0) write_condition_keys(s, value);
        return NEXT_LINE;
    case FT_MN:
        // An unnumbered meaning counts as sense 1 of field TR.
        s.sense_number = 1;
        s.sub_sense_number = -1;
        anchors(s, FT_TR, current_pos(s), 1, -1, nullptr);
        return OUTPUT;
    case FT_OT1:
    case FT_OT2:
    case FT_OT3:
    case FT_OT4:
    case FT_OT5:
        add_section_menu_entry(s, value);
        anchors(s, index, current_pos(s), s.sense_number, s.sub_sense_number, nullptr);
        return OUTPUT;
    case FT_PR:
        convert_inline(s.conversion, s.pronunciation_text, value, s.entry_id.c_str(), "", 1, cs.ITALIC);
        s.pronunciation_pending = 1;
        return NEXT_LINE;
    case FT_PS:
        s.part_of_speech.assign(value);
        strip_tags(s.part_of_speech);
        s.has_part_of_speech = 1;
        s.sense_number = -1;
        s.sub_sense_number = -1;
        anchors(s, FT_PS, s.part_of_speech.c_str(), -1, -1, nullptr);
        return OUTPUT;
    case FT_RA:
        start_record(s);
        return NEXT_LINE;
    case FT_RN:
        take_entry_number(s, value);
        return NEXT_LINE;
    case FT_SND:
        if (cs.SOUND != 0 && handle_sound_line(s, value) != 0) return STEP_FAILED;
        return NEXT_LINE;
    case FT_SRC:
        anchors(s, FT_SRC, current_pos(s), s.sense_number, s.sub_sense_number, nullptr);
        return OUTPUT;
    case FT_TL:
    case FT_TLSUB:
        take_work_title(s, index, value);
        return OUTPUT;
    case FT_TR:
        s.sense_number = info->number1;
        s.sub_sense_number = -1;
        anchors(s, FT_TR, current_pos(s), info->number1, -1, nullptr);
        return OUTPUT;
    case FT_TRSUB:
        s.sense_number = info->number1;
        s.sub_sense_number = info->number2;
        anchors(s, FT_TRSUB, current_pos(s), info->number1, info->number2, nullptr);
        return OUTPUT;
    default:
        // Every other tag, listed or not, goes on to the output stage as it is.
        return OUTPUT;
    }
}

// ---- Output stage ------------------------------------------------------------

void write_idiom(BodyConversionState& s, const char* value, const std::string& indent) {
    if (s.idiom_heading_pending != 0) {
        if (s.line_open != 0) {
            put(s, "<br>\n");
            s.line_open = 0;
        }
        put(s, indent);
        put(s, "<b>＜成句＞</b>");
        write_return_link(s);
        s.idiom_heading_pending = 0;
    }
    put(s, "\n</p>\n<p>\n");
    flush_held_text(s);
    put(s, indent);
    put(s, convert(s, value));
}

void write_section(BodyConversionState& s, const char* value, const std::string& indent) {
    const char* rest = value;
    put(s, indent);
    if (begins_with(value, "【")) {
        const char* p = copy_wide_until(value + 2, s.work, "】");
        put(s, "<b>＜");
        put(s, s.work);
        put(s, "＞</b>");
        write_return_link(s);
        rest = begins_with(p, "】") ? p + 2 : "";
    }
    if (*rest != '\0') {
        put(s, "<br>\n");
        put(s, indent);
        put(s, convert(s, rest));
    }
}

void write_work_title(BodyConversionState& s, const char* value, const std::string& indent) {
    const char* text = value;
    if (begins_with(value, "◇")) {
        put(s, indent);
        put(s, "◆作品名");
        text = value + 2;
        if (*text == '\0') return;
        put(s, "<br>\n");
    }
    flush_held_text(s);
    put(s, indent);
    put(s, convert(s, text));
}

void write_example(BodyConversionState& s, const char* value, const std::string& indent) {
    if (s.settings->COMPLEX == 0) {
        put(s, indent);
        put(s, convert(s, value));
        return;
    }
    const char* object = std::strstr(value, " <OBJ>");
    put(s, "<dfn>");
    put(s, indent);
    if (object == nullptr) {
        put(s, convert(s, value));
        put(s, "</dfn>");
        return;
    }
    s.work.assign(value, static_cast<size_t>(object - value));
    convert_plain(s.converted_extra, *s.gaiji, s.work.c_str());
    put(s, s.converted_extra);
    put(s, "</dfn> ");
    put(s, convert(s, object + 6));
}

void output_stage(BodyConversionState& s, const FieldTagInfo* info, const char* value) {
    int index = info->index;
    if (info->shown == 0 || *value == '\0') return;

    if (s.headword_pending != 0) open_entry(s);
    if (s.line_open != 0 && index != FT_ID) {
        put(s, "<br>\n");
        s.line_open = 0;
    }
    if (index != FT_ID && index != FT_TL) flush_held_text(s);
    write_block_anchor(s, index);

    const std::string& indent =
        (index == FT_EX || index == FT_NB || index == FT_NBP || index == FT_NBPSUB || index == FT_NBSUB ||
         index == FT_NSBUS)
            ? s.indent2
            : s.indent1;

    switch (index) {
    case FT_PS:
        put(s, indent);
        put(s, "━");
        put(s, convert(s, value));
        if (s.derived_number == 0) write_return_link(s);
        s.idiom_heading_pending = 1;
        break;
    case FT_TRSUB: {
        const char* rest = begins_with(value, "【") ? find_pair(value, "】") : value;
        put(s, indent);
        put(s, convert(s, rest));
        break;
    }
    case FT_ID:
        write_idiom(s, value, indent);
        break;
    case FT_OT1:
    case FT_OT2:
    case FT_OT3:
    case FT_OT4:
    case FT_OT5:
        write_section(s, value, indent);
        break;
    case FT_TL:
        write_work_title(s, value, indent);
        break;
    case FT_EX:
        write_example(s, value, indent);
        break;
    case FT_IMG:
        // The image went out with the held text.
        break;
    default:
        put(s, indent);
        put(s, convert(s, value));
        break;
    }
    s.line_open = 1;
}

}  // namespace

// ---- Runs of lines and the end of input -----------------------------------------

LinesEnd convert_lines(BodyConversionState& s, LineRun& run) {
    // A body that can no longer be written (a full disk) stops the
    // conversion soon, not at its end; so does a request of the other part.
    while (const char* text = read_main_line(s.main_text, s.line)) {
        const FieldTagInfo tag = classify_line(text);
        const char* value = line_value(text);
        LineOutcome outcome = field_stage(s, &tag, value);
        if (outcome == STEP_FAILED) return LINES_FAILED;
        if (outcome == OUTPUT) output_stage(s, &tag, value);
        int at_seam = tag.index == FT_RA && run.seam_start >= 0 && s.entry_position >= run.seam_start &&
                      ++run.seam_records == SeamRecords;
        if ((++run.lines & 0xFFF) == 0) {
            if (file_failed(s.body) != 0) return LINES_WRITE_FAILED;
            if (run.reached != nullptr) run.reached->store(s.entry_position, std::memory_order_relaxed);
            if (run.stop != nullptr && run.stop->load(std::memory_order_relaxed) != 0) return LINES_STOPPED;
        }
        if (at_seam) return LINES_SEAM;
    }
    return LINES_END;
}

void finish_body(BodyConversionState& s) {

    // The remaining groups' anchors close the last definition.
    s.unplaced_anchor_count = 0;
    while (s.group_loaded != 0) {
        report_unplaced_targets(s.link_groups);
        s.unplaced_anchor_count += write_unplaced_anchors(s.link_groups, s.body, s.line_open);
        load_next_group(s);
    }
    if (s.unplaced_anchor_count >= 1) write_catch_up_link(s);

    put(s, "\n</p></dd>\n");
    flush_held_text(s);
    if (s.settings->QUICKJUMP == 4) write_quick_jump_pages(s);
}

void remove_old_body(const ConversionSettings& cs) {
    remove_old_file((cs.BASEPATH + "qel.html").c_str());
}

File* open_body_file(const char* directory, const char* name) {
    std::string path = std::string(directory) + name;
    // The body is written as a new file: its closing then need not wait for
    // a file system to write it out (a file left from the last run that
    // cannot be removed is emptied as before).
    remove_old_file(path.c_str());
    File* file = file_open(path.c_str(), FILE_WRITE_TEXT);
    if (file == nullptr) {
        report("出力HTMLファイル %s が新規作成できません\n", path.c_str());
        return nullptr;
    }
    // The body is the bulk of the output: its writing goes on beside the
    // conversion.
    file_write_behind(file);
    file_puts(file, "<html>\n");
    file_puts(file, "<head>\n");
    file_puts(file, "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=x-sjis\">\n");
    file_printf(file, "<meta name=\"GENERATOR\" content=\"Moravel Toolkit %s %s %s\">\n", Identity.name,
                Identity.version, Identity.date);
    file_puts(file, "<title>Moravel Dictionary</title>\n");
    file_puts(file, "</head>\n");
    file_puts(file, "<body>\n");
    file_puts(file, "<dl>\n");
    return file;
}

int close_body_file(File* file, const std::string& path) {
    file_puts(file, "</dl>\n");
    file_puts(file, "</body>\n");
    file_puts(file, "</html>\n");
    return close_written_file(file, path);
}

void plan_body_split(const ConversionSettings& cs, BodySplit& split) {
    // Figures and sounds are numbered and filed as they come, so a body
    // with them is converted in one piece.
    int divisible = usable_processors() > 1 && cs.FIGURE == 0 && cs.SOUND == 0;
    split = BodySplit();
    split.point.share = divisible ? BodySplitShare : 0;
    split.point.minimum_size = BodySplitMinimum;
    split.point.observe_line = observe_menu_line;
    split.point.observer = &split.menus;
}

int convert_body(const ConversionSettings& cs, const GaijiCodes& gaiji, int link_count, BodySplit* split) {
    // The step's state lives on the heap: it is large, and it is the step's alone.
    std::unique_ptr<BodyConversionState> state = std::make_unique<BodyConversionState>();
    BodyConversionState& s = *state;
    s.settings = &cs;
    s.gaiji = &gaiji;
    s.conversion.gaiji = &gaiji;
    s.link_snapshot = link_count;
    if (split != nullptr) split->taken = 0;

    report("本文データをHTMLに変換しています...");
    report_log("\n");

    // A divided body: its second part is converted beside this one from the
    // start of the division on, and taken over at the seam when it
    // continues exactly where this part has got to. It starts first, so
    // that it goes on while this part empties the body of the last run.
    BodyPart* part = nullptr;
    LineRun run;
    if (split != nullptr && split->point.start >= 0 && cs.FIGURE == 0 && cs.SOUND == 0)
        part = start_body_part(cs, gaiji, *split, link_count);

    // Open every file in order, then the start state: progress, index-list
    // cursors, the first link group, symbols.
    if (open_body_inputs(s, cs) != 0 || open_body_outputs(s, cs) != 0) {
        if (part != nullptr) end_body_part(part);
        abandon_step(s);
        return -1;
    }
    prepare_body_state(s);
    if (part != nullptr) {
        run.seam_start = split->point.start;
        s.ahead_reached = body_part_reached(part);
        s.ahead_start = split->point.start;
    }

    // The lines of main.txt.
    std::string body_path = cs.BASEPATH + "qel.html";
    LinesEnd end = convert_lines(s, run);
    int taken = 0;
    if (end == LINES_SEAM) {
        taken = join_body_part(part, s);
        part = nullptr;
        s.ahead_reached = nullptr;
        run.seam_start = -1;
        if (taken == 0) end = convert_lines(s, run);
    }
    if (part != nullptr) {
        // The end or a failure came before the seam.
        end_body_part(part);
        s.ahead_reached = nullptr;
    }
    if (end == LINES_WRITE_FAILED) {
        report_console("\r本文データをHTMLに変換しています... ");
        report("ファイル %s への書き込みに失敗しました\n", body_path.c_str());
    }
    if (end != LINES_END && taken == 0) {
        abandon_step(s);
        return -1;
    }
    if (split != nullptr) split->taken = taken;

    // The end: remaining anchors (written by the second part when it was
    // taken over), the last closing, the files; each output must be written
    // whole for the step to succeed.
    if (taken == 0) finish_body(s);
    close_inputs(s);
    report_console("\r本文データをHTMLに変換しています... ");
    int status = close_body_file(s.body, body_path);
    s.body = nullptr;
    for (MenuPage*& page : s.menu_pages) {
        if (close_menu_page(page) != 0) status = -1;
        page = nullptr;
    }
    if (cs.SOUND != 0 && cs.GENSOUND != 0 && cs.MACINTOSH != 0 && finish_playlists(s.media) != 0) status = -1;
    if (status != 0) return -1;
    report("終了しました\n");
    // Figures that could not be written were left out; the rest of the body
    // is whole, but the book would lack them.
    if (s.media.figures_unwritten > 0) {
        report("図版ファイル %ld 個の書き出しに失敗しました\n", s.media.figures_unwritten);
        return -1;
    }

    // Both passes must have numbered the same links.
    int numbered = s.conversion.link_counter;
    if (numbered == s.link_snapshot) return 0;
    report("ハイパーリンクタグの個数が生成時(%d)と参照時(%d)で異なっています\n", s.link_snapshot, numbered);
    return -1;
}

}  // namespace qel
