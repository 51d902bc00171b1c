// A divided body conversion: the second part on its own thread, the seam
// where the first part takes it over, and the state both are compared by.
#include "html/body_split.h"

#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>

#include "common/report.h"
#include "common/written_file.h"
#include "html/body_lines.h"
#include "html/menus.h"
#include "links/link_groups.h"
#include "text/index_words.h"
#include "text/main_text.h"
#include "platform/platform.h"

namespace qel {

struct BodyPart {
    BodySplit split;                  // where the part starts, and what the lines before leave
    BodyConversionState state;        // the part's own conversion
    std::thread thread;
    HeldReports held;                 // its messages after the seam, refused past their limit
    std::mutex lock;
    std::condition_variable changed;  // signalled when `seam` or `ended` changes
    int seam = 0;                     // 1 once seam_text holds its state at the seam; -1 when it never
                                      // got there
    std::string seam_text;            // body_seam_state at the seam
    int ended = 0;                    // 1 once the thread has done all it will do
    int status = -1;                  // 0 when it converted to the end and wrote its files whole
    std::atomic<int> stop{0};         // 1: give the work up (asked, or its messages refused)
    std::atomic<int32_t> reached{0};  // the offset of main.txt converted up to
    std::atomic<int64_t> body_stored{0};  // bytes of its part of qel.html written so far
    std::string body_path;            // its part of qel.html
    std::string menu_paths[5];        // its parts of the menu pages; empty for a page not written
};

namespace {

// What the names of a part's files end with.
const char* const PartSuffix = ".part";

// ---- The state at the seam ------------------------------------------------------

// Each value ends with ";" and each text is preceded by its length, so that
// no two different states give the same text.
void add_number(std::string& t, long long n) {
    t += std::to_string(n);
    t += ';';
}

void add_text(std::string& t, const std::string& text) {
    add_number(t, static_cast<long long>(text.size()));
    t += text;
}

// A reader of an index-word list: where it stands in the file and the
// record it has read ahead.
void add_index_list(std::string& t, IndexWordList* list, const IndexWordRecord* current) {
    add_number(t, list != nullptr);
    if (list == nullptr) return;
    add_number(t, index_word_list_offset(list));
    add_number(t, index_word_list_ended(list));
    add_number(t, current != nullptr);
    if (current == nullptr) return;
    add_number(t, current->entry_position);
    add_number(t, current->second_number);
    add_text(t, current->word);
    add_text(t, current->second_text);
    add_text(t, current->third_text);
}

// The reader of hyperlnk.dat and its loaded group, placed anchors included;
// once the data is exhausted no group is loaded, whatever the last one was.
void add_link_groups(std::string& t, BodyConversionState& s) {
    const LinkGroupReader& r = s.link_groups;
    add_number(t, s.link_data != nullptr ? file_tell(s.link_data) : -1);
    add_number(t, s.pass_over_groups);
    add_number(t, r.state);
    if (r.state == LinkGroupReader::LINE_WAITING) add_text(t, r.data_line);
    add_number(t, s.group_loaded);
    if (s.group_loaded == 0) return;
    add_number(t, s.group_number);
    add_text(t, r.group_number);
    add_number(t, static_cast<long long>(r.target_count));
    for (size_t i = 0; i < r.target_count; ++i) {
        const LinkTarget& target = r.targets[i];
        add_text(t, target.anchor);
        add_number(t, target.kind);
        add_text(t, target.pos != nullptr ? target.pos : "-");
        add_number(t, target.number);
        add_number(t, target.sub);
        add_number(t, target.has_text);
        add_text(t, target.text);
        if (target.has_text != 0) add_text(t, target.squeezed);  // else left from an earlier group
        add_number(t, target.placed);
    }
}

// ---- The second part's thread -----------------------------------------------------

// An output that keeps nothing, for the records before the seam.
File* open_sink() {
    return file_open(NullDeviceName, FILE_WRITE_TEXT);
}

// The part's state at the start of its division: its inputs open, main.txt
// read from there on, the link number and menu numbers the lines before it
// leave, the index lists read past the entries before it, every output a
// sink. 0 or -1.
int prepare_part(BodyPart& part) {
    BodyConversionState& s = part.state;
    const ConversionSettings& cs = *s.settings;
    const MenuSeam& menus = part.split.menus;
    if (open_body_inputs(s, cs) != 0 || seek_main_text(s.main_text, part.split.point.start) != 0) return -1;
    s.body = open_sink();
    if (s.body == nullptr) return -1;
    for (int page = cs.FIGURE != 0 ? 0 : 1; page < 5; ++page) {
        File* sink = open_sink();
        if (sink == nullptr) return -1;
        s.menu_pages[page] =
            new MenuPage{sink, page + 1, menus.last_group_letter[page], menus.anchor_counter[page], std::string()};
    }
    prepare_body_state(s);
    s.progress.message = nullptr;  // the first part shows the progress of both
    s.conversion.link_counter = part.split.point.links_before;
    s.group_letter = menus.group_letter;
    s.pass_over_groups = 1;
    s.english_current = skip_index_words(s.english_list, s.english_current, part.split.point.start);
    s.translation_current = skip_index_words(s.translation_list, s.translation_current, part.split.point.start);
    return 0;
}

// After the seam, the part writes into its own files. 0, or -1 after the
// failing open has reported.
int open_part_outputs(BodyPart& part) {
    BodyConversionState& s = part.state;
    file_close(s.body);
    remove_old_file(part.body_path.c_str());
    s.body = file_open(part.body_path.c_str(), FILE_WRITE_TEXT);
    if (s.body == nullptr) {
        report("出力HTMLファイル %s が新規作成できません\n", part.body_path.c_str());
        return -1;
    }
    file_count_stored(s.body, &part.body_stored);
    file_write_behind(s.body);
    for (int page = 0; page < 5; ++page) {
        MenuPage* menu = s.menu_pages[page];
        if (menu == nullptr) continue;
        file_close(menu->file);
        menu->path = part.menu_paths[page];
        menu->file = file_open(menu->path.c_str(), FILE_WRITE_TEXT);
        if (menu->file == nullptr) {
            report("メニューファイル %s が新規作成できません\n", menu->path.c_str());
            return -1;
        }
    }
    return 0;
}

// Closes the part's files, each written whole or reported. 0 or -1.
int close_part_outputs(BodyPart& part) {
    BodyConversionState& s = part.state;
    int status = close_written_file(s.body, part.body_path);
    s.body = nullptr;
    for (MenuPage*& page : s.menu_pages) {
        if (page == nullptr) continue;
        if (close_written_file(page->file, page->path) != 0) status = -1;
        delete page;
        page = nullptr;
    }
    return status;
}

// The thread of the second part.
void run_part(BodyPart& part) {
    // What the part says before the seam is the first part's to say.
    HeldReports before;
    drop_reports(before);
    hold_reports(before);
    BodyConversionState& s = part.state;

    // Up to the seam, building up the state; then the part's own files are
    // made, for the first part to read as they are written.
    std::string seam_text;
    int at_seam = 0;
    if (prepare_part(part) == 0) {
        LineRun run;
        run.seam_start = part.split.point.start;
        run.stop = &part.stop;
        at_seam = convert_lines(s, run) == LINES_SEAM;
        // From the seam on, passed groups are finished as in any conversion.
        s.pass_over_groups = 0;
        if (at_seam) seam_text = body_seam_state(s);
        hold_reports(part.held);
        if (at_seam && open_part_outputs(part) != 0) at_seam = 0;
    }
    {
        std::lock_guard<std::mutex> guard(part.lock);
        part.seam = at_seam ? 1 : -1;
        part.seam_text.swap(seam_text);
    }
    part.changed.notify_all();

    // After it, to the end.
    int status = -1;
    if (at_seam) {
        LineRun run;
        run.stop = &part.stop;
        run.reached = &part.reached;
        if (convert_lines(s, run) == LINES_END && part.stop.load() == 0) {
            finish_body(s);
            close_inputs(s);
            status = close_part_outputs(part);
            if (part.stop.load() != 0) status = -1;
        }
    }
    if (status != 0) abandon_step(s);
    {
        std::lock_guard<std::mutex> guard(part.lock);
        part.status = status;
        part.ended = 1;
    }
    part.changed.notify_all();
}

void remove_part_files(const BodyPart& part) {
    std::remove(os_path(part.body_path.c_str()).c_str());
    for (const std::string& path : part.menu_paths)
        if (!path.empty()) std::remove(os_path(path.c_str()).c_str());
}

// Where the first part's body and menu pages end before the second part's
// are appended: what they are put back to when the second part is not taken.
struct AppendStart {
    int64_t body;     // -1 when it cannot be told
    int64_t menus[5];
};

AppendStart append_start(BodyConversionState& s) {
    // Text still held by a file is handed to the system first: the files
    // end where everything written to them ends.
    AppendStart start;
    start.body = file_tell(s.body);
    for (int page = 0; page < 5; ++page)
        start.menus[page] = s.menu_pages[page] != nullptr ? file_tell(s.menu_pages[page]->file) : 0;
    return start;
}

// Puts the first part's files back where they ended (what lies beyond is
// written over by the rest of the conversion), and writes its body behind
// again.
void undo_append(BodyConversionState& s, const AppendStart& start) {
    if (start.body >= 0) file_seek(s.body, start.body);
    file_write_behind(s.body);
    for (int page = 0; page < 5; ++page)
        if (s.menu_pages[page] != nullptr) file_seek(s.menu_pages[page]->file, start.menus[page]);
}

// Appends the part's menu pages to the first part's. 0 or -1.
int append_part_menus(const BodyPart& part, BodyConversionState& s, const AppendStart& start) {
    for (int page = 0; page < 5; ++page) {
        MenuPage* menu = s.menu_pages[page];
        if (menu == nullptr) continue;
        if (start.menus[page] < 0 || file_append(menu->file, part.menu_paths[page].c_str()) != 0) return -1;
    }
    return 0;
}

// The part's body is appended in pieces of at least this many bytes while it
// is being written.
const int64_t AppendPiece = 4 << 20;

}  // namespace

BodyPart* start_body_part(const ConversionSettings& cs, const GaijiCodes& gaiji, const BodySplit& split,
                          int link_count) {
    BodyPart* part = new BodyPart;
    part->split = split;
    part->state.settings = &cs;
    part->state.gaiji = &gaiji;
    part->state.conversion.gaiji = &gaiji;
    part->state.link_snapshot = link_count;
    part->reached.store(split.point.start);
    part->held.refused = &part->stop;
    part->body_path = cs.BASEPATH + "qel.html" + PartSuffix;
    for (int page = cs.FIGURE != 0 ? 0 : 1; page < 5; ++page)
        part->menu_paths[page] = cs.BASEPATH + MenuPageNames[page].file_name + PartSuffix;
    try {
        part->thread = std::thread(run_part, std::ref(*part));
    } catch (const std::system_error&) {
        delete part;
        return nullptr;
    }
    return part;
}

const std::atomic<int32_t>* body_part_reached(const BodyPart* part) {
    return &part->reached;
}

int join_body_part(BodyPart* part, BodyConversionState& s) {
    // The part's state at the seam.
    {
        std::unique_lock<std::mutex> guard(part->lock);
        part->changed.wait(guard, [part] { return part->seam != 0; });
    }
    if (part->seam != 1 || part->seam_text != body_seam_state(s)) {
        end_body_part(part);
        return 0;
    }

    // Its part of the body is appended as it is written, on this part's
    // processor; the progress goes on meanwhile.
    AppendStart start = append_start(s);
    int handle = handle_open_read(part->body_path.c_str());
    int failed = handle < 0 || start.body < 0;
    int64_t appended = 0;
    for (;;) {
        int ended;
        {
            std::unique_lock<std::mutex> guard(part->lock);
            part->changed.wait_for(guard, std::chrono::milliseconds(10), [part] { return part->ended != 0; });
            ended = part->ended;
        }
        int64_t stored = part->body_stored.load(std::memory_order_acquire);
        if (failed == 0 && stored > appended && (ended != 0 || stored - appended >= AppendPiece)) {
            if (file_append_from(s.body, handle, appended, stored - appended) != 0) failed = 1;
            appended = stored;
        }
        if (ended != 0) break;
        show_body_progress(s);
    }
    part->thread.join();
    handle_close(handle);
    if (failed != 0 || part->status != 0 || append_part_menus(*part, s, start) != 0) {
        undo_append(s, start);
        drop_reports(part->held);
        remove_part_files(*part);
        delete part;
        return 0;
    }

    // Its messages after this part's, its numbering as the whole body's.
    release_reports(part->held);
    s.conversion.link_counter = part->state.conversion.link_counter;
    remove_part_files(*part);
    delete part;
    return 1;
}

void end_body_part(BodyPart* part) {
    part->stop.store(1);
    drop_reports(part->held);
    part->thread.join();
    remove_part_files(*part);
    delete part;
}

std::string body_seam_state(BodyConversionState& s) {
    std::string t;

    // The record, its entries and where the current line stands in it. The
    // texts of a pronunciation, variant or sound link count only while they
    // wait for their entry.
    add_number(t, s.entry_position);
    add_text(t, s.entry_id);
    add_text(t, s.opened_id);
    add_number(t, s.record_opened);
    add_text(t, s.headword_display);
    add_text(t, s.headword_key);
    add_number(t, s.derived_number);
    add_number(t, s.group_letter);
    add_number(t, s.has_part_of_speech);
    add_text(t, s.part_of_speech);
    add_number(t, s.sense_number);
    add_number(t, s.sub_sense_number);
    add_number(t, s.group_active);
    add_number(t, s.headword_pending);
    add_number(t, s.pronunciation_pending);
    if (s.pronunciation_pending != 0) add_text(t, s.pronunciation_text);
    add_number(t, s.variant_pending);
    if (s.variant_pending != 0) add_text(t, s.variant_text);
    add_number(t, s.sound_pending);
    if (s.sound_pending != 0) add_text(t, s.sound_link_text);
    add_number(t, s.first_entry);
    add_number(t, s.line_open);
    add_number(t, s.idiom_heading_pending);

    // The held text.
    add_text(t, s.output_holding_buffer.text);

    // The quick-jump data: where its reader stands and the record it holds;
    // the anchor number counts only for a record with items.
    add_number(t, s.quick_jump_data != nullptr);
    if (s.quick_jump_data != nullptr) {
        add_number(t, file_tell(s.quick_jump_data));
        add_number(t, s.quick_jump_record_position);
        add_text(t, s.quick_jump_record);
        add_number(t, s.quick_jump_items != nullptr ? s.quick_jump_items - s.quick_jump_record.c_str() : -1);
        if (s.quick_jump_items != nullptr) add_number(t, s.quick_jump_anchor_number);
    }

    // The index lists, the link groups and the numbering.
    add_index_list(t, s.english_list, s.english_current);
    add_index_list(t, s.translation_list, s.translation_current);
    add_link_groups(t, s);
    add_number(t, s.conversion.link_counter);
    add_number(t, s.conversion.depth);
    add_number(t, s.conversion.link_depth);

    // The menu pages and the media.
    for (const MenuPage* page : s.menu_pages) {
        add_number(t, page != nullptr);
        if (page == nullptr) continue;
        add_number(t, page->number);
        add_number(t, page->anchor_counter);
        add_number(t, page->last_group_letter);
    }
    add_number(t, s.media.sound_count);
    add_number(t, s.media.figures_unwritten);
    return t;
}

}  // namespace qel
