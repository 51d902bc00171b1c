// The book's gaiji: the converter's map and font files read line by line, the
// look-up of a code point's book code, and the font files of the book.
#include "book/gaiji_font.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>

#include "common/report.h"
#include "common/written_file.h"
#include "platform/platform.h"
#include "text/sjis.h"

namespace qel {

namespace {

const size_t LineMax = 1024;  // bytes kept of a line; a valid line is far shorter
const int FirstHigh = 0xA1;   // book codes run A121 ...
const int LastHigh = 0xFE;    // ... up to FE7E
const int FirstLow = 0x21;
const int LastLow = 0x7E;
const int CodesPerRow = LastLow - FirstLow + 1;
const int CodeSpace = (LastHigh - FirstHigh + 1) * CodesPerRow;  // codes A121-FE7E
const int LastCode = LastHigh << 8 | LastLow;
const uint32_t LastCodePoint = 0x10FFFF;
const int GlyphRows = 16;     // both fonts are 16 dots high
const int NarrowWidth = 8;
const int WideWidth = 16;
const int MaxGlyphBytes = GlyphRows * WideWidth / 8;
const size_t BlockSize = 2048;  // the header block, and the size the file is padded to
const size_t UnitSize = 1024;   // glyphs are packed into units of this size; none crosses one

// A text file read line by line.
struct LineReader {
    File* file;        // open in text mode
    std::string line;  // the current line without its line end, at most LineMax bytes
    long number;       // 1-based number of the current line, 0 before the first
    int cut;           // the current line was longer than LineMax; its rest was dropped
};

// The fontSet element being read.
struct SetReading {
    GaijiFontSet* set;              // where its glyphs go; none when they are not used
    int width;                      // dots per row of its glyphs: 8 or 16
    int start;                      // its start attribute, 0 when that is no code
    long line;                      // line of its <fontSet> tag
    std::vector<uint8_t> bitmaps;   // glyphs taken so far, at every code A121-FE7E
    std::vector<uint8_t> defined;   // CodeSpace flags: 1 where a glyph was taken
};

// One run of read_gaiji_font.
struct FontReading {
    const char* path;              // as given, for messages
    LineReader in;                 // the font file
    BookGaiji* gaiji;              // receives the sets
    int root_seen;                 // <gaijiData> has been read
    int root_closed;               // </gaijiData> has been read
    int narrow_seen;               // an 8X16 fontSet has been read
    int wide_seen;                 // a 16X16 fontSet has been read
    int in_set;                    // between <fontSet> and </fontSet>
    SetReading s;                  // that fontSet
    int in_glyph;                  // between <fontData> and </fontData>
    int code;                      // that glyph's code, when usable
    int rows;                      // its bitmap rows read so far
    int rejected;                  // it cannot be used (the reason is logged)
    uint8_t bitmap[MaxGlyphBytes]; // its rows as the book stores them
    long skipped;                  // glyphs not taken
};

int read_line(LineReader& in);
int next_tag(std::string_view& rest, std::string_view& tag);
int tag_is(std::string_view tag, std::string_view name);
int attribute(std::string_view tag, std::string_view name, std::string_view& value);
int parse_code(std::string_view text);
long parse_code_point(std::string_view text);
int valid_code(int code);
int code_position(int code);
int code_at(int position);
int reader_end(int start, int count);
int reader_glyph_count(int start, int count);
int set_draws(const GaijiFontSet& set, int code);
int starts_with_tag(const std::string& line);
void log_font_line(FontReading& r, long line, const char* reason);
void reject_glyph(FontReading& r, const char* reason);
void begin_set(FontReading& r, std::string_view tag);
void end_set(FontReading& r);
void begin_glyph(FontReading& r, std::string_view tag);
void take_row(FontReading& r);
void end_glyph(FontReading& r);
void read_font_tags(FontReading& r);

// ---- Lines, tags and values -------------------------------------------------------

// Reads the next line into in.line without its line end. The line is taken
// byte by byte, so a NUL byte stays part of it (and makes it malformed)
// instead of hiding the bytes after it. Returns 1 for a line, 0 at the end.
int read_line(LineReader& in) {
    in.line.clear();
    in.cut = 0;
    int c = file_getc(in.file);
    if (c == EOF) return 0;
    ++in.number;
    for (; c != EOF && c != '\n'; c = file_getc(in.file)) {
        if (in.line.size() < LineMax)
            in.line.push_back(static_cast<char>(c));
        else
            in.cut = 1;
    }
    return 1;
}

// Takes the next tag off `rest`, blanks before it skipped: its text between
// "<" and ">" goes into `tag`. Returns 1 for a tag, 0 at the end of the line,
// -1 when something else follows (text outside a tag, a tag without ">").
int next_tag(std::string_view& rest, std::string_view& tag) {
    size_t p = rest.find_first_not_of(" \t");
    if (p == std::string_view::npos) return 0;
    if (rest[p] != '<') return -1;
    size_t close = rest.find('>', p);
    if (close == std::string_view::npos) return -1;
    tag = rest.substr(p + 1, close - p - 1);
    rest.remove_prefix(close + 1);
    return 1;
}

// Whether the tag's text is the element `name` ("fontSet", "/fontSet"), with
// or without attributes.
int tag_is(std::string_view tag, std::string_view name) {
    if (tag.substr(0, name.size()) != name) return 0;
    return tag.size() == name.size() || tag[name.size()] == ' ' || tag[name.size()] == '\t' ||
           tag[name.size()] == '/';
}

// Takes into `value` the text between the quotes of ` name="..."` in the
// tag's text. Returns 1, or 0 when the tag has no such attribute.
int attribute(std::string_view tag, std::string_view name, std::string_view& value) {
    for (size_t p = tag.find(name); p != std::string_view::npos; p = tag.find(name, p + 1)) {
        size_t after = p + name.size();
        if (p == 0 || (tag[p - 1] != ' ' && tag[p - 1] != '\t')) continue;
        if (tag.substr(after, 2) != "=\"") continue;
        size_t close = tag.find('"', after + 2);
        if (close == std::string_view::npos) return 0;
        value = tag.substr(after + 2, close - after - 2);
        return 1;
    }
    return 0;
}

// A book code written as four hexadecimal digits; 0 when the text is not
// that or the code is none of A121-FE7E with low byte 21-7E.
int parse_code(std::string_view text) {
    if (text.size() != 4) return 0;
    int code = 0;
    for (char c : text) {
        int d = hex_digit(static_cast<unsigned char>(c));
        if (d < 0) return 0;
        code = code * 16 + d;
    }
    return valid_code(code) ? code : 0;
}

// A code point written "#x" and 1-8 hexadecimal digits; -1 when the text is
// not that or the value lies beyond 10FFFF.
long parse_code_point(std::string_view text) {
    if (text.size() < 3 || text.size() > 10 || text.substr(0, 2) != "#x") return -1;
    uint32_t value = 0;
    for (char c : text.substr(2)) {
        int d = hex_digit(static_cast<unsigned char>(c));
        if (d < 0) return -1;
        value = value * 16 + static_cast<uint32_t>(d);
    }
    return value > LastCodePoint ? -1 : static_cast<long>(value);
}

// ---- Codes ------------------------------------------------------------------------

int valid_code(int code) {
    int high = code >> 8, low = code & 0xFF;
    return high >= FirstHigh && high <= LastHigh && low >= FirstLow && low <= LastLow;
}

// Place of a valid code among all codes, A121 being 0, so that glyph index =
// position of the code - position of the start.
int code_position(int code) {
    return ((code >> 8) - FirstHigh) * CodesPerRow + (code & 0xFF) - FirstLow;
}

int code_at(int position) {
    return (FirstHigh + position / CodesPerRow) << 8 | (FirstLow + position % CodesPerRow);
}

// The last code a reader (the EB library) takes a font of `count` codes from
// `start` to hold: start + count / 94 rows + count % 94 codes - 1, moved to
// the next row when the low byte passes 7E. That is one code too far when the
// remainder carries into the next row, and low byte 20 of the row after the
// last when a row-start font holds whole rows. The reader refuses a font whose
// end passes FE7E and loads every glyph up to the end.
int reader_end(int start, int count) {
    int end = start + ((count / CodesPerRow) << 8) + count % CodesPerRow - 1;
    if ((end & 0xFF) > LastLow) end += 0xA3;
    return end;
}

// Number of glyphs the reader loads for the font: count, or count + 1 when
// its end overshoots.
int reader_glyph_count(int start, int count) {
    int end = reader_end(start, count);
    return ((end >> 8) - (start >> 8)) * CodesPerRow + (end & 0xFF) - (start & 0xFF) + 1;
}

// Whether the set holds a glyph for `code`.
int set_draws(const GaijiFontSet& set, int code) {
    if (set.count <= 0 || !valid_code(code) || !valid_code(set.start)) return 0;
    int i = code_position(code) - code_position(set.start);
    if (i < 0 || i >= set.count) return 0;
    return set.drawn.empty() || (static_cast<size_t>(i) < set.drawn.size() && set.drawn[i] != 0);
}

// ---- The font file ----------------------------------------------------------------

// Whether the line's first byte after blanks is "<": a tag line, never a row.
int starts_with_tag(const std::string& line) {
    size_t p = line.find_first_not_of(" \t");
    return p != std::string::npos && line[p] == '<';
}

void log_font_line(FontReading& r, long line, const char* reason) {
    report_log("外字フォントファイル %s の %ld 行目が正しくありません(%s)\n", r.path, line, reason);
}

// Makes the glyph being read unusable; its first reason is logged on the
// current line.
void reject_glyph(FontReading& r, const char* reason) {
    if (!r.rejected) log_font_line(r, r.in.number, reason);
    r.rejected = 1;
}

// A <fontSet> tag. Its glyphs go to the set its size names, unless that size
// is none of 8X16 and 16X16 or its set has been read already.
void begin_set(FontReading& r, std::string_view tag) {
    r.in_set = 1;
    r.s.set = nullptr;
    r.s.width = 0;
    r.s.start = 0;
    r.s.line = r.in.number;
    r.s.bitmaps.clear();
    r.s.defined.clear();

    std::string_view size, start;
    int narrow;
    if (!attribute(tag, "size", size)) {
        log_font_line(r, r.in.number, "外字の大きさがありません");
        return;
    }
    if (size == "8X16" || size == "8x16") {
        narrow = 1;
    } else if (size == "16X16" || size == "16x16") {
        narrow = 0;
    } else {
        log_font_line(r, r.in.number, "外字の大きさが 8X16 でも 16X16 でもありません");
        return;
    }
    int& seen = narrow ? r.narrow_seen : r.wide_seen;
    if (seen) {
        log_font_line(r, r.in.number, "同じ大きさの fontSet がすでにあります");
        return;
    }
    seen = 1;
    r.s.set = narrow ? &r.gaiji->narrow : &r.gaiji->wide;
    r.s.width = narrow ? NarrowWidth : WideWidth;
    // A start that is no code is logged only when glyphs follow: the converter
    // writes one beyond FE7E for an empty set when the codes are used up.
    r.s.start = attribute(tag, "start", start) ? parse_code(start) : 0;
    r.s.bitmaps.assign(static_cast<size_t>(CodeSpace) * GlyphRows * r.s.width / 8, 0);
    r.s.defined.assign(CodeSpace, 0);
}

// The end of a fontSet: its taken glyphs become the set, from its start
// (or its lowest code when the start is no code) to its highest drawn code,
// less trailing codes a reader would take for a range beyond FE7E.
void end_set(FontReading& r) {
    r.in_set = 0;
    if (!r.s.set) return;
    GaijiFontSet& set = *r.s.set;
    set = GaijiFontSet();

    // Range of the taken glyphs.
    int low = -1, high = -1;
    for (int p = 0; p < CodeSpace; ++p) {
        if (!r.s.defined[p]) continue;
        if (low < 0) low = p;
        high = p;
    }
    if (low < 0) return;
    int first = low;
    if (r.s.start != 0)
        first = code_position(r.s.start);  // begin_glyph keeps every code at or after it
    else
        log_font_line(r, r.s.line, "fontSet の開始コードが正しくありません");

    // Codes beyond what a reader accepts.
    int count = high - first + 1;
    while (count > 0 && reader_end(code_at(first), count) > LastCode) {
        int p = first + count - 1;
        if (r.s.defined[p]) {
            report_log("外字フォントファイル %s の外字 %04X は、フォントの範囲が FE7E を越えるため使いません\n",
                       r.path, code_at(p));
            ++r.skipped;
        }
        --count;
    }
    while (count > 0 && !r.s.defined[first + count - 1]) --count;
    if (count == 0) return;

    size_t size = static_cast<size_t>(GlyphRows * r.s.width / 8);
    set.start = code_at(first);
    set.count = count;
    set.bitmaps.assign(r.s.bitmaps.begin() + static_cast<long>(first * size),
                       r.s.bitmaps.begin() + static_cast<long>((first + count) * size));
    set.drawn.assign(r.s.defined.begin() + first, r.s.defined.begin() + first + count);
}

// A <fontData> tag: the glyph is usable when it lies in a used fontSet and
// its code is valid, not before the set's start and not taken yet.
void begin_glyph(FontReading& r, std::string_view tag) {
    r.in_glyph = 1;
    r.code = 0;
    r.rows = 0;
    r.rejected = 0;
    std::memset(r.bitmap, 0, sizeof r.bitmap);
    if (!r.in_set) {
        reject_glyph(r, "fontSet の外の外字です");
        return;
    }
    if (!r.s.set) {
        r.rejected = 1;  // the fontSet's own line is logged
        return;
    }
    std::string_view text;
    int code = attribute(tag, "ebcode", text) ? parse_code(text) : 0;
    if (code == 0)
        reject_glyph(r, "外字コードが正しくありません");
    else if (r.s.start != 0 && code < r.s.start)
        reject_glyph(r, "外字コードが fontSet の開始コードより前です");
    else if (r.s.defined[code_position(code)])
        reject_glyph(r, "外字コードがすでに定義されています");
    else
        r.code = code;
}

// A bitmap row of the glyph being read: exactly the set's width of "#" (ink)
// and blanks.
void take_row(FontReading& r) {
    if (r.rejected) return;
    if (r.rows == GlyphRows) {
        reject_glyph(r, "ビットマップが 16 行を越えています");
        return;
    }
    const std::string& row = r.in.line;
    if (r.in.cut || row.size() != static_cast<size_t>(r.s.width)) {
        reject_glyph(r, "ビットマップの行の長さが外字の幅と違います");
        return;
    }
    uint8_t* bytes = r.bitmap + r.rows * r.s.width / 8;
    for (int x = 0; x < r.s.width; ++x) {
        if (row[x] == '#') {
            bytes[x / 8] = static_cast<uint8_t>(bytes[x / 8] | 0x80 >> x % 8);
        } else if (row[x] != ' ') {
            reject_glyph(r, "ビットマップに # と空白以外の文字があります");
            return;
        }
    }
    ++r.rows;
}

// The end of the glyph being read: taken into its set, or counted as skipped.
void end_glyph(FontReading& r) {
    r.in_glyph = 0;
    if (!r.rejected && r.rows < GlyphRows) reject_glyph(r, "ビットマップが 16 行に足りません");
    if (r.rejected) {
        ++r.skipped;
        return;
    }
    int p = code_position(r.code);
    size_t size = static_cast<size_t>(GlyphRows * r.s.width / 8);
    std::memcpy(r.s.bitmaps.data() + static_cast<size_t>(p) * size, r.bitmap, size);
    r.s.defined[p] = 1;
}

// A line of tags outside a glyph's rows (or one that ends them). A tag that
// opens an element before the glyph or set being read is closed closes it
// first.
void read_font_tags(FontReading& r) {
    std::string_view rest = r.in.line, tag;
    int status;
    while ((status = next_tag(rest, tag)) == 1) {
        int self_closing = !tag.empty() && tag.back() == '/';
        if (!tag.empty() && tag[0] == '?') {
            continue;  // the XML declaration
        } else if (tag_is(tag, "gaijiData")) {
            r.root_seen = 1;
        } else if (tag_is(tag, "/gaijiData")) {
            r.root_closed = 1;
        } else if (tag_is(tag, "fontSet")) {
            if (r.in_glyph) {
                reject_glyph(r, "</fontData> がありません");
                end_glyph(r);
            }
            if (r.in_set) {
                log_font_line(r, r.in.number, "前の fontSet が閉じられていません");
                end_set(r);
            }
            begin_set(r, tag);
            if (self_closing) end_set(r);
        } else if (tag_is(tag, "/fontSet")) {
            if (r.in_glyph) {
                reject_glyph(r, "</fontData> がありません");
                end_glyph(r);
            }
            if (r.in_set)
                end_set(r);
            else
                log_font_line(r, r.in.number, "fontSet の外の </fontSet> です");
        } else if (tag_is(tag, "fontData")) {
            if (r.in_glyph) {
                reject_glyph(r, "</fontData> がありません");
                end_glyph(r);
            }
            begin_glyph(r, tag);
            if (self_closing) end_glyph(r);
        } else if (tag_is(tag, "/fontData")) {
            if (r.in_glyph)
                end_glyph(r);
            else
                log_font_line(r, r.in.number, "fontData の外の </fontData> です");
        } else {
            log_font_line(r, r.in.number, "知らないタグです");
            return;
        }
    }
    if (status < 0) log_font_line(r, r.in.number, "タグの外に文字があります");
}

}  // namespace

// ---- Reading -----------------------------------------------------------------------

int read_gaiji_map(const std::string& path, BookGaiji& gaiji) {
    gaiji.map.clear();
    LineReader in{file_open(path.c_str(), FILE_READ_TEXT), std::string(), 0, 0};
    if (!in.file) {
        report("外字マップファイル %s がオープンできません\n", path.c_str());
        return -1;
    }

    // Every line: its mappings are taken when the whole line is well formed.
    int root_seen = 0, root_closed = 0;
    long skipped = 0;
    std::vector<std::pair<uint32_t, uint16_t>> line_maps;
    while (read_line(in)) {
        const char* problem = nullptr;
        line_maps.clear();
        std::string_view rest = in.line, tag, value;
        int status = 0;
        if (in.cut) problem = "行が長すぎます";
        while (!problem && (status = next_tag(rest, tag)) == 1) {
            if (!tag.empty() && tag[0] == '?') continue;  // the XML declaration
            if (tag_is(tag, "gaijiSet")) {
                root_seen = 1;
            } else if (tag_is(tag, "/gaijiSet")) {
                root_closed = 1;
            } else if (tag_is(tag, "gaijiMap")) {
                long code_point = attribute(tag, "unicode", value) ? parse_code_point(value) : -1;
                int code = attribute(tag, "ebcode", value) ? parse_code(value) : 0;
                if (code_point < 0)
                    problem = "Unicode値が正しくありません";
                else if (code == 0)
                    problem = "外字コードが正しくありません";
                else
                    line_maps.emplace_back(static_cast<uint32_t>(code_point), static_cast<uint16_t>(code));
            } else {
                problem = "知らないタグです";
            }
        }
        if (!problem && status < 0) problem = "タグの外に文字があります";
        if (problem) {
            report_log("外字マップファイル %s の %ld 行目が正しくありません(%s)\n", path.c_str(), in.number,
                       problem);
            ++skipped;
            continue;
        }
        gaiji.map.insert(gaiji.map.end(), line_maps.begin(), line_maps.end());
    }
    file_close(in.file);

    // A file without its root element is no map at all, not an empty one.
    if (!root_seen) {
        report("外字マップファイル %s は外字マップではありません(<gaijiSet> がありません)\n", path.c_str());
        gaiji.map.clear();
        return -1;
    }
    if (!root_closed)
        report_log("外字マップファイル %s の %ld 行目が正しくありません(ファイルが途中で終わっています)\n",
                   path.c_str(), in.number);
    if (skipped > 0) report_log("外字マップファイル %s の %ld 行を読み飛ばしました\n", path.c_str(), skipped);
    std::stable_sort(gaiji.map.begin(), gaiji.map.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    return 0;
}

int read_gaiji_font(const std::string& path, BookGaiji& gaiji) {
    gaiji.narrow = GaijiFontSet();
    gaiji.wide = GaijiFontSet();
    FontReading r{};
    r.path = path.c_str();
    r.gaiji = &gaiji;
    r.in.file = file_open(path.c_str(), FILE_READ_TEXT);
    if (!r.in.file) {
        report("外字フォントファイル %s がオープンできません\n", path.c_str());
        return -1;
    }

    // Every line: a glyph's rows, or tags.
    while (read_line(r.in)) {
        if (r.in_glyph && !starts_with_tag(r.in.line)) {
            take_row(r);
        } else if (r.in.cut) {
            if (r.in_glyph)
                reject_glyph(r, "行が長すぎます");
            else
                log_font_line(r, r.in.number, "行が長すぎます");
        } else {
            read_font_tags(r);
        }
    }
    file_close(r.in.file);

    // A file that ends early keeps the glyphs read in full.
    if (r.root_seen && (r.in_glyph || r.in_set || !r.root_closed))
        log_font_line(r, r.in.number, "ファイルが途中で終わっています");
    if (r.in_glyph) {
        r.rejected = 1;
        end_glyph(r);
    }
    if (r.in_set) end_set(r);
    if (!r.root_seen) {
        report("外字フォントファイル %s は外字フォントではありません(<gaijiData> がありません)\n", path.c_str());
        gaiji.narrow = GaijiFontSet();
        gaiji.wide = GaijiFontSet();
        return -1;
    }
    if (r.skipped > 0) report_log("外字フォントファイル %s の %ld 個の外字を読み飛ばしました\n", r.path, r.skipped);

    // Codes both sets cover are ambiguous in the map.
    const GaijiFontSet& n = gaiji.narrow;
    const GaijiFontSet& w = gaiji.wide;
    if (n.count > 0 && w.count > 0) {
        int n_first = code_position(n.start), w_first = code_position(w.start);
        if (n_first < w_first + w.count && w_first < n_first + n.count)
            report_log("外字フォントファイル %s の半角外字と全角外字のコード範囲が重なっています。"
                       "両方にある外字コードは半角外字として使います\n",
                       r.path);
    }
    return 0;
}

long check_gaiji_codes(const BookGaiji& gaiji, const std::string& map_path) {
    long unusable = 0;
    for (const auto& entry : gaiji.map)
        if (!set_draws(gaiji.narrow, entry.second) && !set_draws(gaiji.wide, entry.second)) ++unusable;
    if (unusable > 0)
        report_log("外字マップファイル %s の %ld 個の外字コードは外字フォントに字形がないため、使いません\n",
                   map_path.c_str(), unusable);
    return unusable;
}

int gaiji_book_code(const BookGaiji& gaiji, uint32_t code_point, int* narrow) {
    auto it = std::lower_bound(gaiji.map.begin(), gaiji.map.end(), code_point,
                               [](const auto& entry, uint32_t value) { return entry.first < value; });
    for (; it != gaiji.map.end() && it->first == code_point; ++it) {
        int in_narrow = set_draws(gaiji.narrow, it->second);
        if (in_narrow || set_draws(gaiji.wide, it->second)) {
            if (narrow) *narrow = in_narrow;
            return it->second;
        }
    }
    if (narrow) *narrow = 0;
    return 0;
}

// ---- Writing -----------------------------------------------------------------------

int write_gaiji_font_file(const std::string& path, const GaijiFontSet& set, int narrow) {
    if (set.count == 0) return 0;
    int width = narrow ? NarrowWidth : WideWidth;
    size_t glyph_size = static_cast<size_t>(GlyphRows * width / 8);
    size_t per_unit = UnitSize / glyph_size;

    // Refuse a set no reader would take, or whose bitmaps do not match it.
    if (!valid_code(set.start) || set.count < 0 || set.count > CodeSpace ||
        reader_end(set.start, set.count) > LastCode) {
        report("外字フォントファイル %s を書き出せません(外字コード %04X から %d 個の範囲が正しくありません)\n",
               path.c_str(), set.start & 0xFFFF, set.count);
        return -1;
    }
    if (set.bitmaps.size() != static_cast<size_t>(set.count) * glyph_size) {
        report("外字フォントファイル %s を書き出せません(字形データの大きさが外字の数と合いません)\n",
               path.c_str());
        return -1;
    }

    // Lay out the file: the header block, then the glyph units, with room for
    // every glyph the reader loads, padded to a whole block.
    size_t slots = static_cast<size_t>(reader_glyph_count(set.start, set.count));
    size_t units = (slots + per_unit - 1) / per_unit;
    size_t size = (BlockSize + units * UnitSize + BlockSize - 1) / BlockSize * BlockSize;
    std::vector<uint8_t> image(size, 0);
    image[0] = 0x01;
    image[8] = static_cast<uint8_t>(width);
    image[9] = static_cast<uint8_t>(GlyphRows);
    image[10] = static_cast<uint8_t>(set.start >> 8);
    image[11] = static_cast<uint8_t>(set.start & 0xFF);
    image[12] = static_cast<uint8_t>(set.count >> 8);
    image[13] = static_cast<uint8_t>(set.count & 0xFF);
    for (size_t i = 0; i < static_cast<size_t>(set.count); ++i)
        std::memcpy(image.data() + BlockSize + i / per_unit * UnitSize + i % per_unit * glyph_size,
                    set.bitmaps.data() + i * glyph_size, glyph_size);

    // Write it.
    File* file = file_open(path.c_str(), FILE_WRITE_RAW);
    if (!file) {
        report("外字フォントファイル %s が新規作成できません\n", path.c_str());
        return -1;
    }
    size_t written = file_write(file, image.data(), image.size());
    if (close_written_file(file, path) != 0) return -1;
    if (written != image.size()) {
        report("ファイル %s への書き込みに失敗しました\n", path.c_str());
        return -1;
    }
    return 0;
}

}  // namespace qel
