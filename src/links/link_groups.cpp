// Hyperlinks during the body conversion: each link becomes an HTML link to
// the anchor its number names, and the targets of one entry (a link group of
// "hyperlnk.dat") get their anchors where the entry's fields match them.
#include "links/link_groups.h"

#include <cstdio>
#include <cstring>
#include <deque>
#include <string_view>
#include <vector>

#include "common/report.h"
#include "html/inline.h"
#include "text/main_text.h"
#include "text/sjis.h"

namespace qel {

namespace {

// One target of the loaded group: one line of "hyperlnk.dat".
struct LinkTarget {
    std::string anchor;    // field 2, e.g. HL000001
    int kind;              // FieldTagTable index of the description's kind, -1 if unknown
    const char* pos;       // a PartOfSpeechList name, or none
    int number;            // translation number, -1 when empty
    int sub;               // translation sub-number, -1 when empty
    int has_text;          // the description's text field is not empty
    std::string text;      // that text
    std::string squeezed;  // the text without blanks and gaiji references
    int placed;            // its anchor has been written
};

enum ReaderState { NOT_STARTED, LINE_WAITING, ENDED };

// The loaded group. Records are reused from group to group, so their texts
// keep their capacity and loading allocates only when a group is larger
// than every group before it.
std::vector<LinkTarget> targets;
size_t target_count = 0;
std::string group_number;
ReaderState reader_state = NOT_STARTED;
std::string data_line;   // the line read ahead
std::string field_text;  // scratch for the fields of a line
std::string squeezed_match;

// Scratch texts of write_link, one set per nesting level (a link's visible
// text may hold another link, converted inside it).
struct LinkScratch {
    std::string source;  // the visible text
    std::string text;    // its conversion
    std::string target;  // the target entry number
};
std::deque<LinkScratch> link_scratch;
int link_depth = 0;

char indent_buffer[32];

// Reads one line of any length into `line`, without its line end. 0 at the
// end of the data. Empty lines are passed over.
int read_data_line(File* file, std::string& line) {
    char chunk[1024];
    for (;;) {
        line.clear();
        int got = 0;
        while (file_gets(chunk, sizeof chunk, file) != nullptr) {
            got = 1;
            line.append(chunk);
            if (!line.empty() && line.back() == '\n') break;
        }
        if (!got) return 0;
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
        if (!line.empty()) return 1;
    }
}

// Field 1 of a line: the target entry number without its leading blanks.
std::string_view first_field(const std::string& line) {
    const char* start = skip_blanks(line.c_str());
    const char* bar = std::strchr(start, '|');
    return std::string_view(start, bar ? static_cast<size_t>(bar - start) : std::strlen(start));
}

// Copies the text at `p` up to `stop` (at character starts) or the end into
// `out`, and returns the position after the stop byte, or the end.
const char* take_field(const char* p, char stop, std::string& out) {
    const char* q = p;
    while (*q != '\0' && *q != stop) q = next_char(q);
    out.assign(p, static_cast<size_t>(q - p));
    return *q == stop ? q + 1 : q;
}

// Decimal value of a number field, -1 when it is empty. Values too large for
// an int are held at its maximum.
int number_value(const std::string& text) {
    if (text.empty()) return -1;
    long value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') break;
        value = value * 10 + (c - '0');
        if (value > 0x7FFFFFFF) return 0x7FFFFFFF;
    }
    return static_cast<int>(value);
}

// FieldTagTable index of a kind name, -1 when it names no row. The first
// letters are compared first: this runs for every target of every group.
int kind_index(const std::string& name) {
    if (name.empty()) return -1;
    for (int i = 0; i < FieldTagCount; ++i)
        if (FieldTagTable[i].name[0] == name[0] && name == FieldTagTable[i].name) return i;
    return -1;
}

// Adds the target of one "hyperlnk.dat" line to the group.
void add_target(const std::string& line) {
    if (target_count == targets.size()) targets.emplace_back();
    LinkTarget& t = targets[target_count++];

    const char* p = take_field(line.c_str(), '|', field_text);  // field 1
    p = take_field(p, '|', t.anchor);

    // Field 3: kind:pos:number:sub:text.
    p = take_field(p, ':', field_text);
    t.kind = kind_index(field_text);
    p = take_field(p, ':', field_text);
    t.pos = nullptr;
    for (const char* name : PartOfSpeechList)
        if (field_text == name) t.pos = name;
    p = take_field(p, ':', field_text);
    t.number = number_value(field_text);
    p = take_field(p, ':', field_text);
    t.sub = number_value(field_text);
    take_field(p, '|', t.text);
    t.has_text = !t.text.empty();
    if (t.has_text) squeeze_text(t.squeezed, t.text.c_str());
    t.placed = 0;
}

}  // namespace

void convert_link(std::string& destination, const char*& position, const char* entry_id, int links_on,
                  int italic) {
    LinkParts parts;
    split_link(position, nullptr, nullptr, parts);
    write_link(destination, parts, entry_id, links_on, italic);
    position = parts.next;
}

void write_link(std::string& destination, const LinkParts& parts, const char* entry_id, int links_on,
                int italic) {
    if (static_cast<size_t>(link_depth) >= link_scratch.size()) link_scratch.emplace_back();
    LinkScratch& s = link_scratch[static_cast<size_t>(link_depth)];
    ++link_depth;

    // The visible text, with any link inside it left plain.
    s.source.assign(parts.text, static_cast<size_t>(parts.text_end - parts.text));
    convert_inline(s.text, s.source.c_str(), entry_id, "", 0, italic);

    if (links_on == 0 || !parts.full) {
        destination.append(s.text);
    } else {
        link_target_number(parts, entry_id, s.target);
        if (resolve_link_parts(parts, s.target.c_str(), "", 0) != nullptr) {
            destination.append("<a href=\"#HL");
            append_decimal(destination, next_link_number(), 6);
            destination.append("\">");
        } else {
            // Unresolved: a link to the target entry as a whole.
            destination.append("<a href=\"#").append(s.target).append("\">");
        }
        destination.append(s.text).append("</a>");
    }
    --link_depth;
}

const char* load_link_group(File* file) {
    if (reader_state == ENDED || file == nullptr) {
        target_count = 0;
        return nullptr;
    }
    if (reader_state == NOT_STARTED && !read_data_line(file, data_line)) {
        reader_state = ENDED;
        target_count = 0;
        return nullptr;
    }

    // Every following line with the same target entry joins the group.
    std::string_view number = first_field(data_line);
    group_number.assign(number.data(), number.size());
    target_count = 0;
    for (;;) {
        add_target(data_line);
        if (!read_data_line(file, data_line)) {
            reader_state = ENDED;
            break;
        }
        reader_state = LINE_WAITING;
        if (first_field(data_line) != group_number) break;
    }
    return group_number.c_str();
}

void place_anchors(std::string& text, int kind, const char* pos, int number, int sub, const char* match) {
    int squeezed = 0;
    for (size_t i = 0; i < target_count; ++i) {
        LinkTarget& t = targets[i];
        if (t.placed || t.kind != kind) continue;
        if (t.pos != nullptr && (pos == nullptr || std::strstr(pos, t.pos) == nullptr)) continue;
        if (t.number != -1 && (number == -1 || number != t.number)) continue;
        if (t.sub != -1 && (sub == -1 || sub != t.sub)) continue;
        if (t.has_text) {
            if (match == nullptr) continue;
            if (kind == FT_KEYID) {
                // Idioms are compared without blanks and gaiji references.
                if (!squeezed) {
                    squeeze_text(squeezed_match, match);
                    squeezed = 1;
                }
                if (squeezed_match != t.squeezed) continue;
            } else if (t.text != match) {
                continue;
            }
        }
        text.append("<a name=\"").append(t.anchor).append("\"></a>\n");
        t.placed = 1;
    }
}

void report_unplaced_targets() {
    int first = 1;
    char number[16], sub[16];
    for (size_t i = 0; i < target_count; ++i) {
        const LinkTarget& t = targets[i];
        if (t.placed) continue;
        if (first) {
            report_log("飛び先不明のため項目末尾にハイパーリンクのアンカーを生成しました\n");
            first = 0;
        }
        count_data_fault(FAULT_UNPLACED_ANCHOR);
        const char* name = t.kind >= 0 ? FieldTagTable[t.kind].name : "";
        number[0] = sub[0] = '\0';
        if (t.number != -1) std::snprintf(number, sizeof number, "%d", t.number);
        if (t.sub != -1) std::snprintf(sub, sizeof sub, "%d", t.sub);
        report_log("  項目番号=%s, リンク=\"%s:%s:%s:%s:%s\"\n", group_number.c_str(), name, t.pos ? t.pos : "",
                   number, sub, t.text.c_str());
    }
}

int write_unplaced_anchors(File* body, int& line_open) {
    int written = 0;
    for (size_t i = 0; i < target_count; ++i) {
        LinkTarget& t = targets[i];
        if (t.placed) continue;
        if (line_open) {
            file_puts(body, "<br>\n");
            line_open = 0;
        }
        file_printf(body, "<a name=\"%s\"></a>\n", t.anchor.c_str());
        t.placed = 1;
        ++written;
    }
    return written;
}

const char* indent_text(int level) {
    std::snprintf(indent_buffer, sizeof indent_buffer, "&#x1f09;&#x00;&#x%02x;", level + 1);
    return indent_buffer;
}

std::string& squeeze_text(std::string& destination, const char* source) {
    destination.clear();
    const char* p = source;
    while (*p != '\0') {
        unsigned char b = static_cast<unsigned char>(*p);
        if (b == ' ') {
            ++p;
        } else if (b == '#') {
            // A gaiji reference: the "#" and the three bytes after it.
            if (p[1] == '\0' || p[2] == '\0' || p[3] == '\0') break;
            p += 4;
        } else if (b >= 0x80) {
            if (p[1] == '\0') break;
            destination.append(p, 2);
            p += 2;
        } else {
            destination.push_back(*p);
            ++p;
        }
    }
    return destination;
}

void reset_link_groups() {
    target_count = 0;
    group_number.clear();
    reader_state = NOT_STARTED;
    data_line.clear();
}

}  // namespace qel
