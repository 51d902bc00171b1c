// Inline tag conversion: field values to HTML, to the title form of headwords
// and to a plain form, with the reports and repairs of faulty markup.
#include "html/inline.h"

#include <cstring>

#include "common/report.h"
#include "links/link_table.h"
#include "text/gaiji_codes.h"
#include "text/inline_tags.h"
#include "text/sjis.h"
#include "text/text_copy.h"

namespace qel {

namespace {

const char* const MiddleDot = "・";

// A link's visible text may hold further links, each converted inside the
// one around it. Deeper than this the conversion stops taking links apart:
// their tags are dropped and their text converted as it stands, so that a
// value of nested "<HL>" tags cannot nest the conversion without end.
const int MaxLinkNesting = 8;

// Reports about one value stop after this many, and the number left out is
// logged at the end of the value, so that a long broken line cannot fill the
// log with copies of itself.
const int MaxReportsPerValue = 16;

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
bool may_report(ValueReports& reports) {
    if (reports.count < MaxReportsPerValue) {
        ++reports.count;
        return true;
    }
    ++reports.left_out;
    return false;
}

void report_unlisted_tag(ValueReports& reports, std::string_view name, const char* key, const char* source) {
    if (!may_report(reports)) return;
    count_data_fault(FAULT_BODY_MARKUP);
    report_log("本文に未知のタグがあります\n  TAG: </%.*s>\n  KEY: %s\n  LINE: %s\n", static_cast<int>(name.size()),
               name.data(), key, source);
}

// A link tag met deeper than MaxLinkNesting: dropped, and noted once per value.
void report_deep_link(ValueReports& reports) {
    if (reports.nesting_noted) return;
    reports.nesting_noted = 1;
    if (!may_report(reports)) return;
    count_data_fault(FAULT_BODY_MARKUP);
    report_log("本文に誤りがあります\n  ERR: <HL>の入れ子が深すぎます\n  KEY: %s\n  LINE: %s\n"
               "  内側のリンクはタグを除いて変換しました\n",
               reports.key, reports.source);
}

// Italic markup, when the settings want it.
void append_italic(std::string& destination, const char* markup, int italic) {
    if (italic != 0) destination.append(markup);
}

// The opening-tag column of the tag table (the G rule is handled before).
// A link or a comment moves `position` past itself; a link also moves `limit`.
void open_tag(InlineConversion& c, std::string& destination, std::string_view name, const char*& position, const char*& limit,
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
        convert_link(c, destination, position, entry_id, links_on, italic);
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
        report_unlisted_tag(c.reports, name, key, source);
    }
}

// The closing-tag column of the tag table, except "</HL>".
void close_tag(ValueReports& reports, std::string& destination, std::string_view name, const char* key,
               const char* source, int italic) {
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
        report_unlisted_tag(reports, name, key, source);
    }
}

// A "</HL>" met outside a link: its "<HL>" is missing. The link is assumed to
// start at the last "<SC>" since the last link (or the start of the value),
// the output is taken back to what it was there, and the link is converted
// from that point. `close` is the stray tag, `after` the position after it.
void repair_missing_link_start(InlineConversion& c, std::string& destination, const char* close, const char* after,
                               const char* limit, const char* source, const std::vector<size_t>& marks,
                               const char* entry_id, const char* key, int links_on, int italic) {
    bool reported = may_report(c.reports);
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
    write_link(c, destination, parts, entry_id, links_on, italic);
}

}  // namespace

int convert_inline(InlineConversion& c, std::string& destination, const char* source, const char* entry_id,
                   const char* key, int links_on, int italic) {
    // One table of output marks per nesting level; a deque keeps the outer
    // levels' tables in place while inner ones are added.
    if (static_cast<size_t>(c.depth) >= c.output_marks.size()) c.output_marks.emplace_back();
    std::vector<size_t>& marks = c.output_marks[static_cast<size_t>(c.depth)];
    int level = c.depth++;
    int flat = level > MaxLinkNesting;  // links are no longer taken apart here
    marks.resize(std::strlen(source) + 1);
    if (level == 0) c.reports = {source, key, 0, 0, 0};

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
            append_gaiji_text(destination, *c.gaiji, set, hex_byte_value(p + 1));
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
                report_deep_link(c.reports);
            } else if (!tag.closing) {
                open_tag(c, destination, tag.name, p, limit, no_comment_end, source, entry_id, key, links_on,
                         italic);
            } else if (tag.name == "HL") {
                repair_missing_link_start(c, destination, token, p, limit, source, marks, entry_id, key, links_on,
                                          italic);
                limit = p;
            } else {
                close_tag(c.reports, destination, tag.name, key, source, italic);
            }
        } else if (is_lead(b)) {
            size_t n = p[1] != '\0' ? 2 : 1;
            destination.append(p, n);
            p += n;
        } else if (set == 5 && b >= 0x41) {
            // In set 5 every ASCII letter stands for an external character.
            append_gaiji_text(destination, *c.gaiji, 5, b);
            ++p;
        } else {
            destination.push_back(static_cast<char>(b));
            ++p;
        }

        for (const char* q = token; q < p; ++q) marks[static_cast<size_t>(q - source)] = written;
    }
    --c.depth;
    if (level == 0 && c.reports.left_out > 0)
        report_log("本文の同じ行の誤り %d 件は報告を省略しました\n  KEY: %s\n", c.reports.left_out, key);
    return 0;
}

void convert_link(InlineConversion& c, std::string& destination, const char*& position, const char* entry_id,
                  int links_on, int italic) {
    LinkParts parts;
    split_link(position, nullptr, nullptr, parts);
    write_link(c, destination, parts, entry_id, links_on, italic);
    position = parts.next;
}

void write_link(InlineConversion& c, std::string& destination, const LinkParts& parts, const char* entry_id,
                int links_on, int italic) {
    if (static_cast<size_t>(c.link_depth) >= c.link_scratch.size()) c.link_scratch.emplace_back();
    LinkScratch& s = c.link_scratch[static_cast<size_t>(c.link_depth)];
    ++c.link_depth;

    // The visible text, with any link inside it left plain.
    s.source.assign(parts.text, static_cast<size_t>(parts.text_end - parts.text));
    convert_inline(c, s.text, s.source.c_str(), entry_id, "", 0, italic);

    if (links_on == 0 || !parts.full) {
        destination.append(s.text);
    } else {
        link_target_number(parts, entry_id, s.target);
        if (resolve_link_parts(c.resolver, parts, s.target.c_str(), "", 0) != nullptr) {
            destination.append("<a href=\"#HL");
            append_decimal(destination, ++c.link_counter, 6);
            destination.append("\">");
        } else {
            // Unresolved: a link to the target entry as a whole.
            destination.append("<a href=\"#").append(s.target).append("\">");
        }
        destination.append(s.text).append("</a>");
    }
    --c.link_depth;
}

int convert_title(std::string& destination, const GaijiCodes& gaiji, const char* source) {
    destination.clear();
    const char* p = source;
    while (*p != '\0') {
        unsigned char b = static_cast<unsigned char>(*p);
        if (b == MiddleDotByte) {
            append_gaiji_text(destination, gaiji, 99, MiddleDotByte);
            ++p;
        } else if (is_gaiji_reference(p)) {
            append_gaiji_text(destination, gaiji, 99, hex_byte_value(p + 1));
            p += 4;
        } else if (b == '<') {
            p = find_char(p, '>');
        } else {
            // A two-byte character is copied whole, so a second byte 0xA5 is
            // never taken for a middle dot.
            const char* next = next_char(p);
            destination.append(p, static_cast<size_t>(next - p));
            p = next;
        }
    }
    return 0;
}

int convert_plain(std::string& destination, const GaijiCodes& gaiji, const char* source) {
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
            append_gaiji_text(destination, gaiji, set, hex_byte_value(p + 1));
            p += 4;
        } else if (b == '<') {
            // Tags are dropped; only an opening G tag changes the set.
            InlineTag tag;
            p = read_inline_tag(p, tag);
            if (!tag.closing && !tag.name.empty() && tag.name[0] == 'G') set = gaiji_set_of(tag.name);
        } else {
            const char* next = next_char(p);
            destination.append(p, static_cast<size_t>(next - p));
            p = next;
        }
    }
    return 0;
}

}  // namespace qel
