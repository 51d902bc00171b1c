// Entry points of the fuzz targets: each takes arbitrary bytes and runs them
// through one reader of untrusted input the way a run of qelconv or qelmend
// does. The libFuzzer programs (fuzz_main.cpp) and the replay test of the test
// suite both call these, so a corpus file replays exactly what was fuzzed.
//
// Every entry point works in the current directory: it writes its input there
// under the name the programs read (qelconv.ini, main.txt, qelgaiji.tbl, ...),
// leaves its outputs there and removes the log afterwards, so the directory
// does not grow from input to input. Callers make a scratch directory current
// first. Console output goes to standard output; callers silence it.
//
// Input forms (what a corpus file holds):
//   settings     a settings file
//   main_text    main.txt as text: the entry point stores it complemented
//   inline       one flag byte (bit 0 links on, bit 1 ITALIC), then a field value
//   resolve      the target entry number, a line feed, then the link target specification
//   link_group   hyperlnk.dat
//   gaiji_table  qelgaiji.tbl
//   index_words  the records of en.dat (the entry point adds the 256-byte header)
//   readme       Readme.txt
//   honmon       the book file honmon
//   link_pass    main.txt as text; the hyperlink pass with a no-op sort
//   body         one flag byte (see fuzz_body), then main.txt as text; the
//                quick-jump pass, the hyperlink pass with the real sort and
//                the body conversion, with small fixed index lists and bundles
#pragma once

#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "common/report.h"
#include "common/settings_line.h"
#include "converter/settings.h"
#include "fixer/fixer.h"
#include "fixer/honmon.h"
#include "gaiji/gaiji_table.h"
#include "html/body.h"
#include "html/inline.h"
#include "links/link_groups.h"
#include "links/link_table.h"
#include "links/quick_jump_table.h"
#include "platform/platform.h"
#include "project/copyright.h"
#include "text/index_words.h"
#include "text/main_text.h"
#include "text/sjis.h"

namespace qelfuzz {

using FuzzEntry = int (*)(const uint8_t* data, size_t size);

struct FuzzTarget {
    const char* name;  // the target's name, also the folder of its corpus and regressions
    FuzzEntry entry;   // runs one input; always returns 0
};

// ---- Helpers ------------------------------------------------------------------

inline std::string bytes_of(const uint8_t* data, size_t size) {
    return std::string(reinterpret_cast<const char*>(data), size);
}

// Writes `bytes` to `name` in the current directory as they are.
inline void put_file(const char* name, const std::string& bytes) {
    qel::File* f = qel::file_open(name, qel::FILE_WRITE_RAW);
    if (f == nullptr) return;
    qel::file_write(f, bytes.data(), bytes.size());
    qel::file_close(f);
}

// The end of every input: the log would otherwise grow with every run.
inline int finish_input() {
    std::remove(qel::LogFileName);
    return 0;
}

// Settings of a plain run: everything in the current directory.
inline void plain_settings() {
    qel::reset_settings();
    qel::settings.SORTCMD = ":";
}

// A small gaiji table of every kind of definition, converted into the tables
// that the inline conversion reads. Loaded once; the gaiji target clears the
// flag because it replaces the tables with its own.
inline int fixed_tables_loaded = 0;

inline void load_fixed_gaiji_tables() {
    if (fixed_tables_loaded) return;
    std::string rows;
    for (int r = 0; r < 16; ++r) rows += (r % 2 ? "@@..@@..@@..@@..\n" : "..@@..@@..@@..@@\n");
    std::string table = "# fixed table of the fuzz targets\n"
                        "CHAR:G1-21:\"!\"\n"
                        "CHAR:sym:\"(sym)\"\n"
                        "CHAR:G5-41:H:U+00C1:\n" + rows +
                        "CHAR:G99-A5:H:\n" + rows +
                        "CHAR:G0-41:Z:U+3042:\n" + rows +
                        "CHAR:G2-30:Z2:\n" + rows;
    put_file("fixed.tbl", table);
    qel::convert_gaiji_table("", "fixed.tbl", "fixed-map.xml", "fixed-font.xml");
    fixed_tables_loaded = 1;
}

// ---- Entry points -------------------------------------------------------------

// The settings line syntax, then the settings file as both programs read it.
inline int fuzz_settings(const uint8_t* data, size_t size) {
    std::string text = bytes_of(data, size);
    std::string key, value, symbol;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start + 1);
        start = end == std::string::npos ? text.size() : end + 1;
        if (qel::split_settings_line(line.c_str(), key, value) == 0) continue;
        qel::settings_directory_value(value);
        qel::settings_integer_value(value);
        qel::parse_symbol_setting(symbol, value.c_str());
    }
    put_file("qelconv.ini", text);
    qel::read_settings();
    qel::parse_symbol_setting(symbol, qel::settings.PRONSYM.c_str());
    qel::parse_symbol_setting(symbol, qel::settings.RETSYM.c_str());
    qel::reset_fixer_state();
    qel::read_outpath();
    qel::reset_fixer_state();
    qel::reset_settings();
    return finish_input();
}

// main.txt line by line, each line classified.
inline int fuzz_main_text(const uint8_t* data, size_t size) {
    std::string stored = bytes_of(data, size);
    for (char& c : stored) c = static_cast<char>(~static_cast<unsigned char>(c));
    put_file("main.txt", stored);
    qel::MainText* text = qel::open_main_text("", "main.txt");
    if (text == nullptr) return finish_input();
    int32_t divisor = qel::progress_divisor();
    std::string line, part;
    while (const char* l = qel::read_main_line(text, line)) {
        qel::classify_line(l);
        const char* value = qel::line_value(l);
        qel::progress_percent(qel::line_start_offset(), divisor);
        // The headword key and the section label, as the passes take them.
        qel::copy_until_char(qel::find_char(value, '|'), part, '\0');
        qel::copy_wide_until(value + (value[0] != '\0' && value[1] != '\0' ? 2 : 0), part, "】");
    }
    qel::close_main_text(text);
    return finish_input();
}

// One field value through the three inline conversions and the text scanners.
inline int fuzz_inline(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    load_fixed_gaiji_tables();
    int flags = data[0];
    std::string source = bytes_of(data + 1, size - 1);
    const char* s = source.c_str();
    qel::settings.ITALIC = (flags & 2) ? 1 : 0;
    qel::reset_link_numbers();

    std::string out;
    qel::convert_inline(out, s, "123", "key", flags & 1);
    qel::convert_title(out, s);
    qel::convert_plain(out, s);

    // The scanners that the passes use on values.
    std::string word;
    const char* p = s;
    while ((p = qel::next_full_width_word(p, word)) != nullptr) {
    }
    qel::to_full_width(word, s);
    qel::parse_quoted(s, word);
    qel::squeeze_text(word, s);
    qel::copy_until_any(s, word, " \"");
    qel::copy_wide_until(s, word, "】");
    qel::find_pair(s, "】");
    qel::hex_byte_value(s);
    std::string stripped = source;
    qel::strip_tags(stripped);
    qel::settings.ITALIC = 0;
    return finish_input();
}

// A target entry number and a link target specification resolved, and the same text
// taken apart as a link.
inline int fuzz_resolve(const uint8_t* data, size_t size) {
    std::string text = bytes_of(data, size);
    size_t lf = text.find('\n');
    std::string target = lf == std::string::npos ? std::string() : text.substr(0, lf);
    std::string link_spec = lf == std::string::npos ? text : text.substr(lf + 1);
    qel::resolve_link_target(link_spec.c_str(), target.c_str(), "key", 1);
    qel::resolve_link_target(link_spec.c_str(), target.c_str(), "key", 0);

    // The whole input as the visible text, target and target specification of a link.
    const char* value = text.c_str();
    qel::LinkParts parts;
    std::string number;
    qel::split_link(value, nullptr, nullptr, parts);
    if (parts.full) {
        qel::link_target_number(parts, "45", number);
        qel::resolve_link_parts(parts, number.c_str(), "key", 1);
    }
    // A stray closing tag: the link assumed to start before it.
    if (const char* close = std::strstr(value, "</HL>")) {
        int found = 0;
        const char* start = qel::assumed_link_start(value, close, found);
        qel::split_link(start, close, close + 5, parts);
        if (parts.full) {
            qel::link_target_number(parts, "45", number);
            qel::resolve_link_parts(parts, number.c_str(), "key", 0);
        }
    }
    return finish_input();
}

// hyperlnk.dat read group by group, each group's anchors placed, reported
// and written.
inline int fuzz_link_group(const uint8_t* data, size_t size) {
    put_file("hyperlnk.dat", bytes_of(data, size));
    qel::reset_link_groups();
    qel::File* file = qel::open_link_data("hyperlnk.dat");
    qel::File* body = qel::file_open("body.html", qel::FILE_WRITE_TEXT);
    if (file == nullptr || body == nullptr) {
        qel::close_link_data(file);
        qel::file_close(body);
        return finish_input();
    }
    static const int Kinds[] = {qel::FT_TR,  qel::FT_TRSUB, qel::FT_OT1,   qel::FT_OT5, qel::FT_KEYEX,
                                qel::FT_KEYID, qel::FT_TL,  qel::FT_TLSUB, qel::FT_IMG, qel::FT_SRC,
                                qel::FT_PS,  qel::FT_DR};
    std::string text;
    int line_open = 1;
    while (const char* number = qel::load_link_group(file)) {
        std::string group = number;
        text.clear();
        for (int kind : Kinds) {
            qel::place_anchors(text, kind, "v.t.", 1, 2, group.c_str());
            qel::place_anchors(text, kind, nullptr, -1, -1, nullptr);
            qel::place_anchors(text, kind, "n.", 2, -1, "[of]");
        }
        qel::report_unplaced_targets();
        qel::write_unplaced_anchors(body, line_open);
        qel::indent_text(static_cast<int>(group.size()));
    }
    qel::close_link_data(file);
    qel::file_close(body);
    qel::reset_link_groups();
    return finish_input();
}

// The gaiji table converted into the map and font files and the look-up
// tables, which are then read the ways the conversion reads them.
inline int fuzz_gaiji_table(const uint8_t* data, size_t size) {
    fixed_tables_loaded = 0;
    std::string table = bytes_of(data, size);
    put_file("qelgaiji.tbl", table);
    if (qel::convert_gaiji_table("", "qelgaiji.tbl", "qelgmap.xml", "qelgfont.xml") == 0) {
        for (int set : {-1, 0, 1, 5, 6, 7, 99, 100})
            for (int code = -1; code <= 256; ++code) qel::gaiji_text(set, code);
        std::string symbol;
        qel::parse_symbol_setting(symbol, "\"a\" G1-21 G99-a5 G-1-41 sym");
        // Every name of the table through the look-up.
        size_t at = 0;
        while ((at = table.find("CHAR:", at)) != std::string::npos) {
            at += 5;
            size_t end = table.find_first_of(":\r\n", at);
            std::string name = table.substr(at, end == std::string::npos ? std::string::npos : end - at);
            qel::gaiji_lookup(name.c_str());
        }
    }
    // The pool would otherwise grow with every input.
    qel::reset_gaiji_tables();
    qel::release_string_pool();
    return finish_input();
}

// An index-word list read record by record, its keys written as the body's
// headings write them.
inline int fuzz_index_words(const uint8_t* data, size_t size) {
    put_file("en.dat", std::string(256, '\0') + bytes_of(data, size));
    qel::IndexWordList* list = qel::open_index_word_list("", "en.dat");
    qel::File* body = qel::file_open("keys.html", qel::FILE_WRITE_TEXT);
    if (list != nullptr && body != nullptr) {
        qel::IndexWordRecord record;
        qel::IndexWordRecord* current = qel::read_index_word(list, &record);
        current = qel::write_index_keys(body, list, current, 0, "title", 1);
        current = qel::write_index_keys(body, list, current, 65536, "title", 0);
        current = qel::write_index_keys(body, list, current, INT32_MAX, "title", 1);
    }
    qel::close_index_word_list(list);
    qel::file_close(body);
    return finish_input();
}

// Readme.txt into the copyright page.
inline int fuzz_readme(const uint8_t* data, size_t size) {
    put_file("Readme.txt", bytes_of(data, size));
    plain_settings();
    qel::write_copyright_page();
    qel::reset_settings();
    return finish_input();
}

// The heading patcher over a book file.
inline int fuzz_honmon(const uint8_t* data, size_t size) {
    qel::make_directory("qel");
    qel::make_directory("qel/data");
    put_file("qel/data/honmon", bytes_of(data, size));
    qel::set_fixer_outpath("");
    qel::patch_book();
    qel::reset_fixer_state();
    return finish_input();
}

// The hyperlink pass over main.txt (the sort is a no-op).
inline int fuzz_link_pass(const uint8_t* data, size_t size) {
    std::string stored = bytes_of(data, size);
    for (char& c : stored) c = static_cast<char>(~static_cast<unsigned char>(c));
    put_file("main.txt", stored);
    plain_settings();
    qel::build_link_table();
    qel::reset_settings();
    return finish_input();
}

// Index lists and bundles of the body target, the same for every input.
inline int body_files_written = 0;

inline void write_body_files() {
    if (body_files_written) return;
    std::string english(256, '\0'), translation(256, '\0');
    // Records at entry positions 0, 20 and 200 (word "w" and a Shift_JIS one).
    for (uint32_t position : {0u, 20u, 200u}) {
        std::string head = "\x01\x02";
        std::string tail = std::string(2, '\0') + '\0' + std::string(2, '\0');
        for (int i = 0; i < 4; ++i) tail += static_cast<char>((position >> (8 * i)) & 0xFF);
        tail += std::string(14, '\0') + '\0';
        english += head + '\x01' + "w" + tail;
        translation += head + '\x02' + "\x8C\xEA" + tail;
    }
    put_file("en.dat", english);
    put_file("tr.dat", translation);
    std::string bundle;
    for (int i = 0; i < 4096; ++i) bundle += static_cast<char>(i * 7);
    put_file("img.dat", bundle);
    put_file("qelra.bnd", bundle);
    put_file("qelq3.bnd", bundle);
    body_files_written = 1;
}

// The three passes over main.txt. The flag byte: bits 0-2 QUICKJUMP (0-4,
// taken modulo 5), bit 3 QUICKRET, bit 4 COMPLEX, bit 5 ITALIC, bit 6 figures
// and sounds, bit 7 MACINTOSH.
inline int fuzz_body(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    load_fixed_gaiji_tables();
    write_body_files();
    int flags = data[0];
    std::string stored = bytes_of(data + 1, size - 1);
    for (char& c : stored) c = static_cast<char>(~static_cast<unsigned char>(c));
    put_file("main.txt", stored);

    qel::reset_settings();
    qel::ConversionSettings& s = qel::settings;
    for (const char* sort : qel::SortCandidates)
        if (s.SORTCMD.empty() && qel::path_exists(sort)) s.SORTCMD = sort;
    s.QUICKJUMP = (flags & 7) % 5;
    s.QUICKRET = (flags >> 3) & 1;
    s.COMPLEX = (flags >> 4) & 1;
    s.ITALIC = (flags >> 5) & 1;
    s.FIGURE = s.SOUND = (flags >> 6) & 1;
    s.MACINTOSH = (flags >> 7) & 1;
    s.PRONSYM = "\"(snd)\" sym";
    if (s.FIGURE) {
        // Extracted members go into fresh directories, emptied after the input.
        qel::make_directory("fig");
        qel::make_directory("snd");
        s.figure_dir = "fig\\";
        s.sound_dir = "snd\\";
        s.sound_dir_slashed = "snd/";
    }

    if (s.QUICKJUMP == 0 || qel::build_quick_jump_data() == 0) {
        if (qel::build_link_table() == 0) qel::convert_body();
    }

    std::error_code ignored;
    std::filesystem::remove_all("fig", ignored);
    std::filesystem::remove_all("snd", ignored);
    qel::reset_settings();
    return finish_input();
}

// Every target, for the replay test.
inline const FuzzTarget FuzzTargets[] = {
    {"settings", fuzz_settings},       {"main_text", fuzz_main_text},     {"inline", fuzz_inline},
    {"resolve", fuzz_resolve},         {"link_group", fuzz_link_group},   {"gaiji_table", fuzz_gaiji_table},
    {"index_words", fuzz_index_words}, {"readme", fuzz_readme},           {"honmon", fuzz_honmon},
    {"link_pass", fuzz_link_pass},     {"body", fuzz_body},
};

}  // namespace qelfuzz
