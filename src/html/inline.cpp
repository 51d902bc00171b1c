// Inline tag conversion: field values to HTML, to the title form of headwords
// and to a plain form, with the reports and repairs of faulty markup.
#include "html/inline.h"

#include <cstring>
#include <deque>
#include <vector>

#include "common/report.h"
#include "links/link_groups.h"
#include "links/link_table.h"
#include "text/inline_tags.h"
#include "text/sjis.h"

namespace qel {

namespace {

const char* const MiddleDot = "・";

// Output length reached before the character or tag that holds each source
// byte, one table per nesting level (the visible text of a link is converted
// inside the link's conversion). The repair of a missing "<HL>" rewinds the
// output to the length it had where the assumed link starts, which is always
// a "<" or the start of what follows the last link: those bytes always have
// their mark; inside runs of characters copied as they are, others may not.
std::deque<std::vector<size_t>> output_marks;
int inline_depth = 0;

// A link's visible text may hold further links, each converted inside the
// one around it. Deeper than this the conversion stops taking links apart:
// their tags are dropped and their text converted as it stands, so that a
// value of nested "<HL>" tags cannot nest the conversion without end.
const int MaxLinkNesting = 8;

// Reports about one value stop after this many, and the number left out is
// logged at the end of the value, so that a long broken line cannot fill the
// log with copies of itself.
const int MaxReportsPerValue = 16;

// The value being converted at the outermost level, for the reports.
struct ValueReports {
    const char* source;  // the whole value
    const char* key;     // its key
    int count;           // reports made so far
    int left_out;        // reports not made
    int nesting_noted;   // the nesting limit has been reported
};
ValueReports value_reports = {"", "", 0, 0, 0};

// convert_title's text for 0xA5, looked up once.
std::string title_middle_dot;
int title_middle_dot_known = 0;

// The ASCII bytes that convert_inline copies as they are: all but the
// terminator, the bytes that become entities (& " ' >), "<", which begins a
// tag, and "#", which may begin a gaiji reference.
struct PlainAscii {
    bool plain[128];
    constexpr PlainAscii() : plain() {
        for (int b = 1; b < 128; ++b)
            plain[b] = b != '&' && b != '"' && b != '\'' && b != '>' && b != '<' && b != '#';
    }
};
constexpr PlainAscii PlainBytes;

// Whether convert_inline copies the character at `p` as it is: a two-byte
// character (not the one-byte middle dot), or a plain ASCII byte, except the
// letters in gaiji set 5, which stand for external characters there.
inline bool copied_as_is(const char* p, int set) {
    unsigned char b = static_cast<unsigned char>(*p);
    if (is_lead(b)) return b != MiddleDotByte;
    return PlainBytes.plain[b] && !(set == 5 && b >= 0x41);
}

// The gaiji set a G tag selects: 99 for "G9...", else the second character's
// value minus that of "0".
int gaiji_set_of(std::string_view name) {
    char second = name.size() > 1 ? name[1] : '\0';
    return second == '9' ? 99 : second - '0';
}

// Whether another report about the current value may be made; counts it.
bool may_report() {
    if (value_reports.count < MaxReportsPerValue) {
        ++value_reports.count;
        return true;
    }
    ++value_reports.left_out;
    return false;
}

void report_unlisted_tag(std::string_view name, const char* key, const char* source) {
    if (!may_report()) return;
    count_data_fault(FAULT_BODY_MARKUP);
    report_log("本文に未知のタグがあります\n  TAG: </%.*s>\n  KEY: %s\n  LINE: %s\n", static_cast<int>(name.size()),
               name.data(), key, source);
}

// A link tag met deeper than MaxLinkNesting: dropped, and noted once per value.
void report_deep_link() {
    if (value_reports.nesting_noted) return;
    value_reports.nesting_noted = 1;
    if (!may_report()) return;
    count_data_fault(FAULT_BODY_MARKUP);
    report_log("本文に誤りがあります\n  ERR: <HL>の入れ子が深すぎます\n  KEY: %s\n  LINE: %s\n"
               "  内側のリンクはタグを除いて変換しました\n",
               value_reports.key, value_reports.source);
}

// Italic markup, when the settings want it.
void append_italic(std::string& destination, const char* markup, int italic) {
    if (italic != 0) destination.append(markup);
}

// The opening-tag column of the tag table (the G rule is handled before).
// A link or a comment moves `position` past itself; a link also moves `limit`.
void open_tag(std::string& destination, std::string_view name, const char*& position, const char*& limit,
              const char*& no_comment_end, const char* source, const char* entry_id, const char* key,
              int links_on, int italic) {
    if (name == "B") {
        destination.append("<b>");
    } else if (name == "I" || name == "SPO") {
        append_italic(destination, "<i>", italic);
    } else if (name == "SUP") {
        destination.append("<sup>");
    } else if (name == "SUB") {
        destination.append("<sub>");
    } else if (name == "RUBY") {
        destination.push_back('(');
    } else if (name == "HL") {
        convert_link(destination, position, entry_id, links_on, italic);
        limit = position;
    } else if (name == "CMT") {
        // A comment without its closing tag is converted like any other text.
        // Once no "</CMT>" follows, none follows any later comment either.
        const char* end = no_comment_end != nullptr ? nullptr : skip_comment(position);
        if (end != nullptr)
            position = end;
        else
            no_comment_end = position;
    } else if (name == "SO" || name == "SC" || name == "OBJ" || name == "DSR" || name.starts_with("FONT ")) {
        // Layout tags that give nothing.
    } else {
        report_unlisted_tag(name, key, source);
    }
}

// The closing-tag column of the tag table, except "</HL>".
void close_tag(std::string& destination, std::string_view name, const char* key, const char* source, int italic) {
    if (name == "B") {
        destination.append("</b>");
    } else if (name == "I" || name == "SPO") {
        append_italic(destination, "</i>", italic);
    } else if (name == "SUP") {
        destination.append("</sup>");
    } else if (name == "SUB") {
        destination.append("</sub>");
    } else if (name == "RUBY") {
        destination.push_back(')');
    } else if (name == "SO" || name == "SC" || name == "OBJ" || name == "DSR" || name == "FONT") {
        // Nothing.
    } else {
        report_unlisted_tag(name, key, source);
    }
}

// A "</HL>" met outside a link: its "<HL>" is missing. The link is assumed to
// start at the last "<SC>" since the last link (or the start of the value),
// the output is taken back to what it was there, and the link is converted
// from that point. `close` is the stray tag, `after` the position after it.
void repair_missing_link_start(std::string& destination, const char* close, const char* after,
                               const char* limit, const char* source, const std::vector<size_t>& marks,
                               const char* entry_id, const char* key, int links_on, int italic) {
    bool reported = may_report();
    if (reported) {
        count_data_fault(FAULT_BODY_MARKUP);
        report_log("本文に誤りがあります\n  ERR: <HL>の脱落\n  KEY: %s\n  LINE: %s\n", key, source);
    }
    int found;
    const char* start = assumed_link_start(limit, close, found);
    LinkParts parts;
    split_link(start, close, after, parts);

    // Without a full target there is nothing to link: the stray tag is
    // dropped (converting it again would meet the same tag without end).
    if (!parts.full) return;

    if (found) {
        if (reported) report_log("  上記エラーへの対処に成功しました\n");
    } else if (reported) {
        report_log("  上記エラーへの対処に失敗しました\n  変換結果に脱落があります\n");
        report_console("項目 %s で変換に失敗しました\n", key);
    }
    if (start < close) destination.resize(marks[static_cast<size_t>(start - source)]);
    write_link(destination, parts, entry_id, links_on, italic);
}

}  // namespace

int convert_inline(std::string& destination, const char* source, const char* entry_id, const char* key,
                   int links_on, int italic) {
    // One table of output marks per nesting level; a deque keeps the outer
    // levels' tables in place while inner ones are added.
    if (static_cast<size_t>(inline_depth) >= output_marks.size()) output_marks.emplace_back();
    std::vector<size_t>& marks = output_marks[static_cast<size_t>(inline_depth)];
    int level = inline_depth++;
    int flat = level > MaxLinkNesting;  // links are no longer taken apart here
    marks.resize(std::strlen(source) + 1);
    if (level == 0) value_reports = {source, key, 0, 0, 0};

    destination.clear();
    int set = -1;                           // current gaiji set; -1 reads as set 0
    const char* limit = source;             // end of the last link: a repair looks no further back
    const char* no_comment_end = nullptr;   // from here on no "</CMT>" follows
    const char* p = source;
    while (*p != '\0') {
        const char* token = p;
        size_t written = destination.size();
        unsigned char b = static_cast<unsigned char>(*p);

        if (copied_as_is(p, set)) {
            // A run of characters copied as they are goes out in one piece.
            // Its start and any "<" in it (the second byte of a broken
            // two-byte character) get their marks; output and source match
            // byte for byte, so a character's mark is the output length
            // before the run plus its offset in it.
            marks[static_cast<size_t>(token - source)] = written;
            do {
                if (is_lead(static_cast<unsigned char>(*p)) && p[1] != '\0') {
                    size_t offset = static_cast<size_t>(p - token);
                    if (p[1] == '<') marks[static_cast<size_t>(p + 1 - source)] = written + offset;
                    p += 2;
                } else {
                    ++p;
                }
            } while (copied_as_is(p, set));
            destination.append(token, static_cast<size_t>(p - token));
            continue;
        }

        if (b == MiddleDotByte) {
            destination.append(MiddleDot);
            ++p;
        } else if (b == '&') {
            destination.append("&amp;");
            ++p;
        } else if (b == '"') {
            destination.append("&quot;");
            ++p;
        } else if (b == '\'') {
            destination.append("&apos;");
            ++p;
        } else if (is_gaiji_reference(p)) {
            destination.append(gaiji_text(set, hex_byte_value(p + 1)));
            p += 4;
        } else if (b == '>') {
            destination.append("&gt;");
            ++p;
        } else if (b == '<' && p[1] == '<') {
            destination.append("&lt;");
            ++p;
        } else if (b == '<') {
            InlineTag tag;
            p = read_inline_tag(p, tag);
            if (!tag.name.empty() && tag.name[0] == 'G') {
                set = tag.closing ? -1 : gaiji_set_of(tag.name);
            } else if (flat && tag.name == "HL") {
                report_deep_link();
            } else if (!tag.closing) {
                open_tag(destination, tag.name, p, limit, no_comment_end, source, entry_id, key, links_on, italic);
            } else if (tag.name == "HL") {
                repair_missing_link_start(destination, token, p, limit, source, marks, entry_id, key, links_on,
                                          italic);
                limit = p;
            } else {
                close_tag(destination, tag.name, key, source, italic);
            }
        } else if (is_lead(b)) {
            size_t n = p[1] != '\0' ? 2 : 1;
            destination.append(p, n);
            p += n;
        } else if (set == 5 && b >= 0x41) {
            // In set 5 every ASCII letter stands for an external character.
            destination.append(gaiji_text(5, b));
            ++p;
        } else {
            destination.push_back(static_cast<char>(b));
            ++p;
        }

        for (const char* q = token; q < p; ++q) marks[static_cast<size_t>(q - source)] = written;
    }
    --inline_depth;
    if (level == 0 && value_reports.left_out > 0)
        report_log("本文の同じ行の誤り %d 件は報告を省略しました\n  KEY: %s\n", value_reports.left_out, key);
    return 0;
}

int convert_title(std::string& destination, const char* source) {
    if (!title_middle_dot_known) {
        title_middle_dot = gaiji_text(99, MiddleDotByte);
        title_middle_dot_known = 1;
    }
    destination.clear();
    const char* p = source;
    while (*p != '\0') {
        unsigned char b = static_cast<unsigned char>(*p);
        if (b == MiddleDotByte) {
            destination.append(title_middle_dot);
            ++p;
        } else if (is_gaiji_reference(p)) {
            destination.append(gaiji_text(99, hex_byte_value(p + 1)));
            p += 4;
        } else if (b == '<') {
            p = find_char(p, '>');
        } else {
            // A two-byte character is copied whole, so a second byte 0xA5 is
            // never taken for a middle dot.
            size_t n = is_lead(b) && p[1] != '\0' ? 2 : 1;
            destination.append(p, n);
            p += n;
        }
    }
    return 0;
}

int convert_plain(std::string& destination, const char* source) {
    destination.clear();
    int set = -1;
    const char* p = source;
    while (*p != '\0') {
        unsigned char b = static_cast<unsigned char>(*p);
        if (b != MiddleDotByte && b != '#' && b != '<') {
            // A run of characters copied as they are goes out in one piece.
            const char* run = p;
            do {
                p = next_char(p);
                b = static_cast<unsigned char>(*p);
            } while (b != '\0' && b != MiddleDotByte && b != '#' && b != '<');
            destination.append(run, static_cast<size_t>(p - run));
        } else if (b == MiddleDotByte) {
            destination.append(MiddleDot);
            ++p;
        } else if (is_gaiji_reference(p)) {
            destination.append(gaiji_text(set, hex_byte_value(p + 1)));
            p += 4;
        } else if (b == '<') {
            // Tags are dropped; only an opening G tag changes the set.
            InlineTag tag;
            p = read_inline_tag(p, tag);
            if (!tag.closing && !tag.name.empty() && tag.name[0] == 'G') set = gaiji_set_of(tag.name);
        } else {
            size_t n = is_lead(b) && p[1] != '\0' ? 2 : 1;
            destination.append(p, n);
            p += n;
        }
    }
    return 0;
}

void reset_inline_state() {
    title_middle_dot.clear();
    title_middle_dot_known = 0;
}

}  // namespace qel
