// The quick-jump pass: collects, per entry of main.txt, the items of its jump
// menu and the number of its lines, and writes a record to "quickjmp.dat" for
// every entry that is long enough to need a menu.
#include "html/quick_jump_table.h"

#include <cstdint>
#include <string>

#include "common/decimal.h"
#include "common/report.h"
#include "common/settings.h"
#include "common/written_file.h"
#include "html/inline.h"
#include "text/main_text.h"
#include "text/sjis.h"
#include "text/text_copy.h"

namespace qel {

const char* const QuickJumpDataName = "quickjmp.dat";

namespace {

// The entry the pass is collecting.
struct QuickJumpEntry {
    int open;                  // 1 once an RA line has started an entry
    int32_t position;          // line_start_offset of the entry's RA line
    int items;                 // PS items
    int idiom_items;           // "成句" items
    int lines;                 // shown lines of the entry
    int idiom_allowed;         // the next ID line adds "成句"
    std::string entry_id;      // value of the last RN line
    std::string key;           // the last EN value after its first "|"
    std::string item_list;     // the items, each followed by "|", "|" inside escaped
};

// The quick-jump pass's own state.
struct QuickJumpPass {
    QuickJumpEntry entry;          // the entry being collected
    InlineConversion conversion;   // conversion of the PS items (links off)
    std::string converted;         // a converted PS item
    std::string label;             // an OT label
    std::string record_line;       // the record being formed
};

// How a "|" inside a field is written, so that it cannot end the field.
const char* const EscapedBar = "&#124;";

// Appends `text` to `destination` with every "|" at a character start written
// as EscapedBar (a trail byte 0x7C is part of its character and stays).
void append_escaped(std::string& destination, const char* text) {
    for (const char* p = text; *p != '\0';) {
        if (next_char(p) == p + 2) {
            destination.append(p, 2);
            p += 2;
        } else if (*p == '|') {
            destination.append(EscapedBar);
            ++p;
        } else {
            destination.push_back(*p++);
        }
    }
}

// Appends one item and its "|" to the entry's list.
void add_item(QuickJumpEntry& entry, const char* item) {
    append_escaped(entry.item_list, item);
    entry.item_list.push_back('|');
}

// Whether `text` holds a "|" at a character start.
bool has_bar(const std::string& text) {
    const char* p = text.c_str();
    while (*p != '\0' && *p != '|') p = next_char(p);
    return *p == '|';
}

// Writes the record of the open entry when it qualifies. An entry identifier
// holding "|" could not be told apart from the fields after it, so such an
// entry gets no record (and no menu) rather than a menu that points astray.
void finish_entry(QuickJumpPass& pass, File* table, const ConversionSettings& cs) {
    const QuickJumpEntry& entry = pass.entry;
    std::string& record_line = pass.record_line;
    if (entry.open == 0) return;
    if (entry.items + entry.idiom_items < cs.QJITEMS || entry.lines < cs.QJLINES) return;
    if (has_bar(entry.entry_id)) return;
    record_line.clear();
    append_decimal(record_line, entry.position, 0);
    record_line.append("|").append(entry.entry_id).append("|");
    append_escaped(record_line, entry.key.c_str());
    record_line.append("|").append(entry.item_list).append("\n");
    file_write(table, record_line.data(), record_line.size());
}

// Starts a new entry at the RA line that begins at `position`.
void start_entry(QuickJumpEntry& entry, int32_t position) {
    entry.open = 1;
    entry.position = position;
    entry.items = entry.idiom_items = entry.lines = 0;
    entry.idiom_allowed = 1;
    entry.item_list.clear();
}

}  // namespace

File* create_quick_jump_data(const char* name) {
    remove_old_file(name);
    File* file = file_open(name, FILE_WRITE_TEXT);
    if (file == nullptr) report("項目内ジャンプデータファイル %s が新規作成できません\n", name);
    return file;
}

File* open_quick_jump_data(const char* name) {
    File* file = file_open(name, FILE_READ_TEXT);
    if (file == nullptr) report("項目内ジャンプデータファイル %s がオープンできません\n", name);
    return file;
}

void close_quick_jump_data(File* file) {
    file_close(file);
}

int32_t read_quick_jump_record(File* file, std::string& buffer) {
    // The whole line, in pieces.
    char piece[1024];
    buffer.clear();
    while (file_gets(piece, sizeof piece, file) != nullptr) {
        buffer.append(piece);
        if (!buffer.empty() && buffer.back() == '\n') break;
    }
    if (buffer.empty()) return -1;
    if (buffer.back() != '\n') buffer.push_back('\n');

    // The entry position it begins with.
    DecimalNumber position = read_decimal(buffer.c_str(), INT64_C(1) + INT32_MAX, DecimalDigitsOnly);
    if (position.digits == 0 || position.value > INT32_MAX) return -1;
    return static_cast<int32_t>(position.value);
}

int build_quick_jump_data(const ConversionSettings& cs, const GaijiCodes& gaiji) {
    report("項目内ジャンプデータを生成しています...");
    report_log("\n");

    // Open main.txt and create the table.
    MainText* text = open_main_text(cs.DICPATH.c_str(), "main.txt");
    if (text == nullptr) return -1;
    File* table = create_quick_jump_data(QuickJumpDataName);
    if (table == nullptr) {
        close_main_text(text);
        return -1;
    }
    PassProgress progress = start_progress(text, "項目内ジャンプデータを生成しています... ");
    QuickJumpPass pass;
    pass.conversion.gaiji = &gaiji;
    QuickJumpEntry& entry = pass.entry;
    start_entry(entry, 0);
    entry.open = 0;  // the lines before the first RA belong to no entry
    entry.entry_id.clear();
    entry.key.clear();

    // Collect the entries. A PS, OT or ID line with an empty value counts as a
    // line but gives no item: the body writes nothing for it, so it carries no
    // block anchor for a menu link to point at, and it does not start a new
    // idiom block there either.
    std::string line;
    while (const char* l = read_main_line(text, line)) {
        const FieldTagInfo tag = classify_line(l);
        const FieldTagInfo* info = &tag;
        const char* value = line_value(l);
        if (info->shown == 1) ++entry.lines;
        switch (info->index) {
        case FT_RN:
            entry.entry_id.assign(value);
            break;
        case FT_RA: {
            finish_entry(pass, table, cs);
            start_entry(entry, line_start_offset(text));
            show_progress(progress, entry.position);
            break;
        }
        case FT_PS:
            if (*value == '\0') break;
            convert_inline(pass.conversion, pass.converted, value, entry.entry_id.c_str(), "", 0, cs.ITALIC);
            add_item(entry, pass.converted.c_str());
            ++entry.items;
            entry.idiom_allowed = 1;
            break;
        case FT_OT1:
        case FT_OT2:
        case FT_OT3:
        case FT_OT4:
        case FT_OT5: {
            if (*value == '\0') break;
            // The label between the opening "【" and the next "】"; a value
            // without the opening bracket gives its text up to "】".
            const char* start = (value[0] == "【"[0] && value[1] == "【"[1]) ? value + 2 : value;
            copy_wide_until(start, pass.label, "】");
            add_item(entry, pass.label.c_str());
            break;
        }
        case FT_ID:
            if (*value == '\0' || entry.idiom_allowed == 0) break;
            add_item(entry, "成句");
            ++entry.idiom_items;
            entry.idiom_allowed = 0;
            break;
        case FT_EN: {
            const char* bar = find_char(value, '|');
            entry.key.assign(bar);
            break;
        }
        case FT_DR:
            add_item(entry, "派生形");
            break;
        default:
            break;
        }
    }
    finish_entry(pass, table, cs);

    close_main_text(text);
    report_console("\r項目内ジャンプデータを生成しています... ");
    if (close_written_file(table, QuickJumpDataName) != 0) return -1;
    report("終了しました\n");
    return 0;
}

}  // namespace qel
