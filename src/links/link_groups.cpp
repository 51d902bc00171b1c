// Hyperlinks during the body conversion: each link becomes an HTML link to
// the anchor its number names, and the targets of one entry (a link group of
// "hyperlnk.dat") get their anchors where the entry's fields match them.
#include "links/link_groups.h"

#include <climits>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "common/decimal.h"
#include "common/report.h"
#include "text/main_text.h"
#include "text/sjis.h"
#include "text/text_copy.h"

namespace qel {

namespace {

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
    return static_cast<int>(read_decimal(text.c_str(), INT_MAX, DecimalDigitsOnly).value);
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
void add_target(LinkGroupReader& reader, const std::string& line) {
    if (reader.target_count == reader.targets.size()) reader.targets.emplace_back();
    LinkTarget& t = reader.targets[reader.target_count++];
    std::string& field_text = reader.field_text;

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

const char* load_link_group(LinkGroupReader& reader, File* file) {
    if (reader.state == LinkGroupReader::ENDED || file == nullptr) {
        reader.target_count = 0;
        return nullptr;
    }
    if (reader.state == LinkGroupReader::NOT_STARTED && !read_data_line(file, reader.data_line)) {
        reader.state = LinkGroupReader::ENDED;
        reader.target_count = 0;
        return nullptr;
    }

    // Every following line with the same target entry joins the group.
    std::string_view number = first_field(reader.data_line);
    reader.group_number.assign(number.data(), number.size());
    reader.target_count = 0;
    for (;;) {
        add_target(reader, reader.data_line);
        if (!read_data_line(file, reader.data_line)) {
            reader.state = LinkGroupReader::ENDED;
            break;
        }
        reader.state = LinkGroupReader::LINE_WAITING;
        if (first_field(reader.data_line) != reader.group_number) break;
    }
    return reader.group_number.c_str();
}

long long entry_number_value(const char* text) {
    return read_decimal(text, LLONG_MAX, DecimalBlanks | DecimalSign).value;
}

const char* skip_link_groups_below(LinkGroupReader& reader, File* file, long long limit) {
    while (reader.state == LinkGroupReader::LINE_WAITING &&
           entry_number_value(skip_blanks(reader.data_line.c_str())) < limit) {
        if (!read_data_line(file, reader.data_line)) reader.state = LinkGroupReader::ENDED;
    }
    return load_link_group(reader, file);
}

void place_anchors(LinkGroupReader& reader, std::string& text, int kind, const char* pos, int number, int sub,
                   const char* match) {
    std::string& squeezed_match = reader.squeezed_match;
    int squeezed = 0;
    for (size_t i = 0; i < reader.target_count; ++i) {
        LinkTarget& t = reader.targets[i];
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

void report_unplaced_targets(const LinkGroupReader& reader) {
    int first = 1;
    char number[16], sub[16];
    for (size_t i = 0; i < reader.target_count; ++i) {
        const LinkTarget& t = reader.targets[i];
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
        report_log("  項目番号=%s, リンク=\"%s:%s:%s:%s:%s\"\n", reader.group_number.c_str(), name, t.pos ? t.pos : "",
                   number, sub, t.text.c_str());
    }
}

int write_unplaced_anchors(LinkGroupReader& reader, File* body, int& line_open) {
    int written = 0;
    for (size_t i = 0; i < reader.target_count; ++i) {
        LinkTarget& t = reader.targets[i];
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

std::string indent_text(int level) {
    char text[32];
    std::snprintf(text, sizeof text, "&#x1f09;&#x00;&#x%02x;", level + 1);
    return text;
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

}  // namespace qel
