// Gaiji table conversion: the map and font files of the book, and the output
// texts of every external character.
#include "gaiji/gaiji_table.h"

#include <array>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "common/decimal.h"
#include "common/report.h"
#include "common/written_file.h"
#include "platform/platform.h"
#include "text/gaiji_codes.h"
#include "text/sjis.h"
#include "text/text_copy.h"

namespace qel {

namespace {

const int LineSize = 1024;     // read buffer: lines of up to 1023 bytes
const int GlyphRows = 16;      // bitmap lines after every H or Z definition
const int HalfWidth = 8;       // dots per row of a half-width glyph
const int CellWidth = 16;      // dots per row of one full-width cell
const int FirstHigh = 0xA1;    // external-character codes run A121 ...
const int LastHigh = 0xFE;     // ... up to FE7E
const int FirstLow = 0x21;
const int LastLow = 0x7E;
const long CodesPerHigh = LastLow - FirstLow + 1;
const long CodeCapacity = (LastHigh - FirstHigh + 1) * CodesPerHigh;
const long FirstPrivateUse = 0xE000;
const long MaxCells = 100000;  // a larger cell count can never get its codes

// One run of the conversion: the open files, the current line and the codes
// handed out so far.
struct GaijiConversion {
    const char* table_name;  // as given, for messages
    File* table;             // the table, read in text mode
    File* map;               // the map file being written
    File* font;              // the font file being written
    char line[LineSize];     // the current line without its line end
    long line_number;        // 1-based number of the current line in this pass
    int high;                // next code: high byte A1-FE (beyond when used up)
    int low;                 // next code: low byte 21-7E
    long private_use;        // next private-use code point, from E000
    long dropped;            // glyphs that got no code
    int problem_logged;      // the log's progress line has been ended
    std::string name;        // the current definition's name
    std::string text;        // its registered text
    std::string unicode;     // its code point text, hexadecimal
    GaijiCodes* codes;       // the texts being registered
};

int read_line(GaijiConversion& c, int& cut);
int read_row(GaijiConversion& c, long skip, int width, char* dots);
void skip_rows(GaijiConversion& c);
void log_problem(GaijiConversion& c, const char* format, ...) QEL_PRINTF(2, 3);
const char* definition_kind(GaijiConversion& c);
int code_name_row(const char* name, int& code);
void register_text(GaijiConversion& c, const char* text);
int code_fits(const GaijiConversion& c, long cells);
void advance_code(GaijiConversion& c);
void take_unicode(GaijiConversion& c, const char* rest);
void write_cell(GaijiConversion& c, const char* unicode, long skip, int width);
void convert_half_width(GaijiConversion& c, const char* rest);
int convert_full_width(GaijiConversion& c, const char* rest);
void convert_first_pass(GaijiConversion& c);
int convert_second_pass(GaijiConversion& c);
void fill_default_texts(GaijiCodes& codes);

// ---- Reading the table ------------------------------------------------------

// Reads the next line into c.line without its line end. The rest of a line
// longer than the buffer is read and dropped, and `cut` says so. Returns 1
// for a line, 0 at the end of the table.
int read_line(GaijiConversion& c, int& cut) {
    cut = 0;
    // The last byte stays 1 unless file_gets fills the whole buffer, which
    // tells a cut line from a full one even when the line holds a NUL byte.
    c.line[LineSize - 1] = 1;
    if (!file_gets(c.line, LineSize, c.table)) return 0;
    ++c.line_number;
    if (c.line[LineSize - 1] == '\0' && c.line[LineSize - 2] != '\n') {
        char rest[LineSize];
        for (;;) {
            rest[LineSize - 1] = 1;
            if (!file_gets(rest, LineSize, c.table)) break;
            if (rest[0] != '\n') cut = 1;  // not just the line end of a full line
            if (rest[LineSize - 1] != '\0' || rest[LineSize - 2] == '\n') break;
        }
    }
    size_t length = std::strlen(c.line);
    if (length > 0 && c.line[length - 1] == '\n') c.line[length - 1] = '\0';
    return 1;
}

// Reads the next line as a bitmap row and puts into `dots` the `width` dots
// from byte position `skip` on: '#' where the byte is "@", a blank elsewhere,
// beyond the line's text included. A row longer than the buffer is read in
// pieces, so wide glyphs keep all their dots. Returns 0 at the end of the
// table (all dots clear).
int read_row(GaijiConversion& c, long skip, int width, char* dots) {
    std::memset(dots, ' ', static_cast<size_t>(width));
    long offset = 0;     // position of c.line[0] in the row
    int text_ended = 0;  // a NUL byte has ended the row's text
    for (;;) {
        c.line[LineSize - 1] = 1;
        if (!file_gets(c.line, LineSize, c.table)) return offset > 0 ? 1 : 0;
        if (offset == 0) ++c.line_number;
        int full = c.line[LineSize - 1] == '\0' && c.line[LineSize - 2] != '\n';
        long length = static_cast<long>(std::strlen(c.line));
        if (!full && length > 0 && c.line[length - 1] == '\n') --length;
        if (!text_ended) {
            long from = skip > offset ? skip : offset;
            long to = skip + width < offset + length ? skip + width : offset + length;
            for (long p = from; p < to; ++p)
                if (c.line[p - offset] == '@') dots[p - skip] = '#';
        }
        if (!full) return 1;
        if (length < LineSize - 1) text_ended = 1;
        offset += LineSize - 1;
    }
}

// Passes over the rows of a glyph that is not converted.
void skip_rows(GaijiConversion& c) {
    char dots[CellWidth];
    for (int r = 0; r < GlyphRows; ++r)
        if (!read_row(c, 0, 0, dots)) return;
}

// Logs a problem of the table on a line of its own; the first one ends the
// log's progress line, which the console keeps on one line.
void log_problem(GaijiConversion& c, const char* format, ...) {
    va_list ap, copy;
    va_start(ap, format);
    va_copy(copy, ap);
    int n = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string message(n > 0 ? static_cast<size_t>(n) : 0, '\0');
    if (n > 0) std::vsnprintf(message.data(), message.size() + 1, format, ap);
    va_end(ap);
    if (!c.problem_logged) report_log("\n");
    c.problem_logged = 1;
    count_data_fault(FAULT_GAIJI_TABLE);
    report_log("%s", message.c_str());
}

// For a definition line ("CHAR:" name ":" kind ...), takes the name into
// c.name and returns the position of the kind byte; the terminator's position
// when the name runs to the line end.
const char* definition_kind(GaijiConversion& c) {
    const char* p = copy_until_char(c.line + 5, c.name, ':');
    return *p == ':' ? p + 1 : end_of_text(p);
}

// ---- Texts --------------------------------------------------------------------

// Reads a code name "G<decimal set>-<hexadecimal code>" as the look-up does.
// Returns the row of the table and sets `code`, or -1 for a symbolic name.
int code_name_row(const char* name, int& code) {
    if (name[0] != 'G') return -1;
    char* end = nullptr;
    long set = std::strtol(name + 1, &end, 10);
    if (end == name + 1 || *end != '-') return -1;
    const char* start = end + 1;
    unsigned long value = std::strtoul(start, &end, 16);
    if (end == start || value > 255 || set < 0 || set > 99) return -1;
    code = static_cast<int>(value);
    return gaiji_row(static_cast<int>(set));
}

// Registers `text` for the current name: in its slot for a code name (a
// later definition replaces an earlier one), at the head of the name list for
// a symbolic name.
void register_text(GaijiConversion& c, const char* text) {
    int code = 0;
    int row = code_name_row(c.name.c_str(), code);
    if (row >= 0)
        set_gaiji_slot(*c.codes, row, code, text);
    else
        add_gaiji_name(*c.codes, c.name.c_str(), text);
}

// Fills every empty slot: the XML special characters with their entities,
// 21-7E with the ASCII character itself, the rest with "{G%d-%02X}".
void fill_default_texts(GaijiCodes& codes) {
    char notation[32];
    for (int row = 0; row < GaijiRowCount; ++row) {
        for (int code = 0; code < 256; ++code) {
            if (gaiji_slot(codes, row, code) != nullptr) continue;
            const char* text = notation;
            switch (code) {
            case '<': text = "&lt;"; break;
            case '>': text = "&gt;"; break;
            case '&': text = "&amp;"; break;
            case '"': text = "&quot;"; break;
            case '\'': text = "&apos;"; break;
            default:
                if (code >= 0x21 && code <= 0x7E) {
                    notation[0] = static_cast<char>(code);
                    notation[1] = '\0';
                } else {
                    std::snprintf(notation, sizeof notation, "{G%d-%02X}", row < 7 ? row : 99, code);
                }
            }
            set_gaiji_slot(codes, row, code, text);
        }
    }
}

// ---- Codes and cells ----------------------------------------------------------

// Whether `cells` consecutive codes from the next one stay below high byte FF.
int code_fits(const GaijiConversion& c, long cells) {
    long used = (c.high - FirstHigh) * CodesPerHigh + (c.low - FirstLow);
    return used + cells <= CodeCapacity;
}

void advance_code(GaijiConversion& c) {
    if (++c.low > LastLow) {
        c.low = FirstLow;
        ++c.high;
    }
}

// Sets c.unicode for a one-cell glyph from the text after the next ":" of
// `rest`: the digits after "U+" as written, or the next private-use code point.
void take_unicode(GaijiConversion& c, const char* rest) {
    const char* p = find_char(rest, ':');
    if (p[0] == 'U' && p[1] == '+') {
        copy_until_char(p + 2, c.unicode, ':');
        size_t n = c.unicode.size();
        if (n >= 1 && n <= 8 && c.unicode.find_first_not_of("0123456789ABCDEFabcdef") == std::string::npos)
            return;
        // Anything else would break the map file and the character reference.
        log_problem(c, "外字 %s のUnicode値 U+%s が正しくないため、私用領域のコードを使います\n",
                    c.name.c_str(), c.unicode.c_str());
    }
    char number[16];
    std::snprintf(number, sizeof number, "%04lX", c.private_use++);
    c.unicode.assign(number);
}

// Writes one glyph cell at the next code: its map line and its font block,
// reading the 16 rows from the table (dots from position `skip`, blank rows
// where the table has ended).
void write_cell(GaijiConversion& c, const char* unicode, long skip, int width) {
    file_printf(c.map, "<gaijiMap unicode=\"#x%s\" ebcode=\"%02X%02X\"/>\n", unicode, c.high, c.low);
    file_printf(c.font, "<fontData ebcode=\"%02X%02X\" unicode=\"#x%s\">\n", c.high, c.low, unicode);
    char dots[CellWidth + 1];
    for (int r = 0; r < GlyphRows; ++r) {
        read_row(c, skip, width, dots);
        dots[width] = '\n';
        file_write(c.font, dots, static_cast<size_t>(width) + 1);
    }
    file_puts(c.font, "</fontData>\n");
    advance_code(c);
}

// An H definition: one half-width cell. `rest` follows the kind byte.
void convert_half_width(GaijiConversion& c, const char* rest) {
    if (!code_fits(c, 1)) {
        log_problem(c, "外字 %s に割り当てる外字コードが残っていないため、変換しません\n", c.name.c_str());
        ++c.dropped;
        skip_rows(c);
        return;
    }
    take_unicode(c, rest);
    c.text.assign("&#x").append(c.unicode).append(";");
    register_text(c, c.text.c_str());
    write_cell(c, c.unicode.c_str(), 0, HalfWidth);
}

// A Z definition: `rest` follows the Z and starts with the cell count. A
// multi-cell glyph takes consecutive private-use code points and reads its
// rows once per cell from the noted position of the first row. Returns 0, or
// -1 when the table cannot be re-positioned.
int convert_full_width(GaijiConversion& c, const char* rest) {
    DecimalNumber count = read_decimal(rest, MaxCells, DecimalDigitsOnly);
    long cells = static_cast<long>(count.value);
    rest = count.end;
    if (cells < 1) cells = 1;

    if (!code_fits(c, cells)) {
        log_problem(c, "外字 %s に割り当てる外字コードが残っていないため、変換しません\n", c.name.c_str());
        ++c.dropped;
        skip_rows(c);
        return 0;
    }
    if (cells == 1) {
        take_unicode(c, rest);
        c.text.assign("&#x").append(c.unicode).append(";");
        register_text(c, c.text.c_str());
        write_cell(c, c.unicode.c_str(), 0, CellWidth);
        return 0;
    }

    char number[16];
    c.text.assign("<nobr>");
    for (long i = 0; i < cells; ++i) {
        std::snprintf(number, sizeof number, "&#x%04lX;", c.private_use + i);
        c.text += number;
    }
    c.text += "</nobr>";
    register_text(c, c.text.c_str());

    // Every cell gets its block, blank rows included when the table ends
    // early, so the text never names a code point the map lacks.
    int64_t first_row = file_tell(c.table);
    long first_line = c.line_number;
    for (long i = 0; i < cells; ++i) {
        if (i > 0) {
            if (first_row < 0 || file_seek(c.table, first_row) != 0) {
                report("外字データファイル %s を読み直せません\n", c.table_name);
                return -1;
            }
            c.line_number = first_line;
        }
        std::snprintf(number, sizeof number, "%04lX", c.private_use + i);
        write_cell(c, number, CellWidth * i, CellWidth);
    }
    c.private_use += cells;
    return 0;
}

// ---- Passes -----------------------------------------------------------------

// First pass: quoted definitions and half-width glyphs, in table order.
void convert_first_pass(GaijiConversion& c) {
    int cut = 0;
    while (read_line(c, cut)) {
        if (std::strncmp(c.line, "CHAR:", 5) != 0) continue;
        if (cut)
            log_problem(c, "外字データファイル %s の %ld 行目は長すぎるため、先頭の %d バイトだけを読みました\n",
                        c.table_name, c.line_number, LineSize - 1);
        const char* kind = definition_kind(c);
        if (*kind == '"') {
            parse_quoted(kind, c.text);
            register_text(c, c.text.c_str());
        } else if (*kind == 'H') {
            convert_half_width(c, kind + 1);
        }
    }
}

// Second pass: full-width glyphs, in table order. 0 or -1.
int convert_second_pass(GaijiConversion& c) {
    int cut = 0;
    while (read_line(c, cut)) {
        if (std::strncmp(c.line, "CHAR:", 5) != 0) continue;
        const char* kind = definition_kind(c);
        if (*kind == 'Z' && convert_full_width(c, kind + 1) != 0) return -1;
    }
    return 0;
}

}  // namespace

int convert_gaiji_table(GaijiCodes& codes, const char* directory, const char* table_name, const char* map_name,
                        const char* font_name) {
    GaijiConversion c;
    c.codes = &codes;
    c.table_name = table_name;
    c.line_number = 0;
    c.high = FirstHigh;
    c.low = FirstLow;
    c.private_use = FirstPrivateUse;
    c.dropped = 0;
    c.problem_logged = 0;

    // Open the table and create the two output files.
    std::string map_path = std::string(directory) + map_name;
    std::string font_path = std::string(directory) + font_name;
    c.table = file_open(table_name, FILE_READ_TEXT);
    if (!c.table) {
        report("外字データファイル %s がオープンできません\n", table_name);
        return -1;
    }
    c.map = file_open(map_path.c_str(), FILE_WRITE_TEXT);
    if (!c.map) {
        report("外字マップファイル %s が新規作成できません\n", map_path.c_str());
        file_close(c.table);
        return -1;
    }
    c.font = file_open(font_path.c_str(), FILE_WRITE_TEXT);
    if (!c.font) {
        report("外字フォントファイル %s が新規作成できません\n", font_path.c_str());
        file_close(c.table);
        file_close(c.map);
        return -1;
    }
    report("外字データを変換しています...");

    // Half-width glyphs and quoted definitions.
    file_puts(c.map, "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\n<gaijiSet>\n");
    file_puts(c.font, "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\n<gaijiData xml:space=\"preserve\">\n");
    file_printf(c.font, "<fontSet size=\"8X16\" start=\"%02X%02X\">\n", FirstHigh, FirstLow);
    convert_first_pass(c);
    file_puts(c.font, "</fontSet>\n");

    // Full-width glyphs from the start of the next high byte.
    int status = 0;
    c.high = c.high < LastHigh ? c.high + 1 : LastHigh + 1;
    c.low = FirstLow;
    c.line_number = 0;
    file_printf(c.font, "<fontSet size=\"16X16\" start=\"%02X%02X\">\n", c.high, c.low);
    if (file_seek(c.table, 0) != 0) {
        report("外字データファイル %s を読み直せません\n", table_name);
        status = -1;
    }
    if (status == 0) status = convert_second_pass(c);

    // Close the files, the outputs with their closing lines.
    file_close(c.table);
    file_puts(c.font, "</fontSet>\n</gaijiData>\n");
    file_puts(c.map, "</gaijiSet>\n");
    if (close_written_file(c.font, font_path) != 0) status = -1;
    if (close_written_file(c.map, map_path) != 0) status = -1;
    if (status != 0) return -1;

    fill_default_texts(codes);
    report(" 終了しました\n");
    if (c.dropped > 0)
        report("※ 外字コードが足りないため、%ld 個の外字を変換しませんでした (qelconv.log を参照)\n", c.dropped);
    return 0;
}

}  // namespace qel
