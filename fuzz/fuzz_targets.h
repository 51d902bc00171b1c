// Entry points of the fuzz targets: each takes arbitrary bytes and runs them
// through one reader of untrusted input the way a run of qelconv, qelmend or
// qelbook does. The libFuzzer programs (fuzz_main.cpp) and the replay test of
// the test suite both call these, so a corpus file replays exactly what was
// fuzzed.
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
//   book_html    an HTML source, read token by token, its references decoded
//   book_project qel.ebs
//   book_gaiji   one byte (even: the map, odd: the font), then qelgmap.xml or
//                qelgfont.xml; the other file is a small fixed one
//   book_media   one byte (even: a figure, odd: a sound), then the file
//   book_complex qelcmpl.xml
//   book_run     the body qel.html of a whole qelbook run, with a fixed
//                project, menu page, copyright page, gaiji and media files
//
// Besides the sanitizers' checks, the qelbook targets check what the readers
// promise their callers (QEL_FUZZ_EXPECT): a breach stops the program like an
// overrun, so the fuzzer keeps the input and the replay test fails on it.
#pragma once

#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "book/book_writer.h"
#include "book/gaiji_font.h"
#include "book/html_reader.h"
#include "book/media.h"
#include "book/multi_search.h"
#include "book/project.h"
#include "book/text_encoder.h"
#include "common/report.h"
#include "common/settings.h"
#include "common/settings_line.h"
#include "fixer/fixer.h"
#include "fixer/honmon.h"
#include "gaiji/gaiji_table.h"
#include "html/body.h"
#include "html/inline.h"
#include "links/link_groups.h"
#include "links/link_table.h"
#include "html/quick_jump_table.h"
#include "platform/platform.h"
#include "project/copyright.h"
#include "text/full_width.h"
#include "text/gaiji_codes.h"
#include "text/index_words.h"
#include "text/main_text.h"
#include "text/sjis.h"
#include "text/text_copy.h"

namespace qelfuzz {

using FuzzEntry = int (*)(const uint8_t* data, size_t size);

struct FuzzTarget {
    const char* name;  // the target's name, also the folder of its corpus and regressions
    FuzzEntry entry;   // runs one input; always returns 0
};

// ---- Helpers ------------------------------------------------------------------

// Stops the program on a broken promise of a reader (see QEL_FUZZ_EXPECT).
[[noreturn]] inline void broken_promise(const char* condition, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: fuzz check failed: %s\n", file, line, condition);
    std::abort();
}

#define QEL_FUZZ_EXPECT(condition) \
    ((condition) ? static_cast<void>(0) : qelfuzz::broken_promise(#condition, __FILE__, __LINE__))

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
inline qel::ConversionSettings plain_settings() {
    qel::ConversionSettings settings;
    settings.SORTCMD = ":";
    return settings;
}

// A small gaiji table of every kind of definition, converted into the texts
// that the inline conversion reads.
inline qel::GaijiCodes load_fixed_gaiji_codes() {
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
    qel::GaijiCodes codes;
    qel::convert_gaiji_table(codes, "", "fixed.tbl", "fixed-map.xml", "fixed-font.xml");
    return codes;
}

// The fixed texts, converted once for the whole fuzzing run.
inline const qel::GaijiCodes& fixed_gaiji_codes() {
    static const qel::GaijiCodes codes = load_fixed_gaiji_codes();
    return codes;
}

// ---- Entry points -------------------------------------------------------------

// The settings line syntax, then the settings file as both programs read it.
inline int fuzz_settings(const uint8_t* data, size_t size) {
    std::string text = bytes_of(data, size);
    std::string key, value, symbol;
    const qel::GaijiCodes no_gaiji;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start + 1);
        start = end == std::string::npos ? text.size() : end + 1;
        if (qel::split_settings_line(line.c_str(), key, value) == 0) continue;
        qel::settings_directory_value(value);
        qel::settings_integer_value(value);
        qel::parse_symbol_setting(symbol, no_gaiji, value.c_str());
    }
    put_file("qelconv.ini", text);
    qel::ConversionSettings settings;
    qel::read_settings(settings);
    qel::parse_symbol_setting(symbol, no_gaiji, settings.PRONSYM.c_str());
    qel::parse_symbol_setting(symbol, no_gaiji, settings.RETSYM.c_str());
    std::string outpath;
    qel::read_outpath(outpath);
    return finish_input();
}

// main.txt line by line, each line classified.
inline int fuzz_main_text(const uint8_t* data, size_t size) {
    std::string stored = bytes_of(data, size);
    for (char& c : stored) c = static_cast<char>(~static_cast<unsigned char>(c));
    put_file("main.txt", stored);
    qel::MainText* text = qel::open_main_text("", "main.txt");
    if (text == nullptr) return finish_input();
    int32_t divisor = qel::progress_divisor(text);
    std::string line, part;
    while (const char* l = qel::read_main_line(text, line)) {
        qel::classify_line(l);
        const char* value = qel::line_value(l);
        qel::progress_percent(qel::line_start_offset(text), divisor);
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
    const qel::GaijiCodes& gaiji = fixed_gaiji_codes();
    int flags = data[0];
    std::string source = bytes_of(data + 1, size - 1);
    const char* s = source.c_str();

    std::string out;
    qel::InlineConversion conversion;
    conversion.gaiji = &gaiji;
    qel::convert_inline(conversion, out, s, "123", "key", flags & 1, (flags & 2) ? 1 : 0);
    qel::convert_title(out, gaiji, s);
    qel::convert_plain(out, gaiji, s);

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
    return finish_input();
}

// A target entry number and a link target specification resolved, and the same text
// taken apart as a link.
inline int fuzz_resolve(const uint8_t* data, size_t size) {
    std::string text = bytes_of(data, size);
    size_t lf = text.find('\n');
    std::string target = lf == std::string::npos ? std::string() : text.substr(0, lf);
    std::string link_spec = lf == std::string::npos ? text : text.substr(lf + 1);
    qel::LinkResolver resolver;
    qel::resolve_link_target(resolver, link_spec.c_str(), target.c_str(), "key", 1);
    qel::resolve_link_target(resolver, link_spec.c_str(), target.c_str(), "key", 0);

    // The whole input as the visible text, target and target specification of a link.
    const char* value = text.c_str();
    qel::LinkParts parts;
    std::string number;
    qel::split_link(value, nullptr, nullptr, parts);
    if (parts.full) {
        qel::link_target_number(parts, "45", number);
        qel::resolve_link_parts(resolver, parts, number.c_str(), "key", 1);
    }
    // A stray closing tag: the link assumed to start before it.
    if (const char* close = std::strstr(value, "</HL>")) {
        int found = 0;
        const char* start = qel::assumed_link_start(value, close, found);
        qel::split_link(start, close, close + 5, parts);
        if (parts.full) {
            qel::link_target_number(parts, "45", number);
            qel::resolve_link_parts(resolver, parts, number.c_str(), "key", 0);
        }
    }
    return finish_input();
}

// hyperlnk.dat read group by group, each group's anchors placed, reported
// and written.
inline int fuzz_link_group(const uint8_t* data, size_t size) {
    put_file("hyperlnk.dat", bytes_of(data, size));
    qel::LinkGroupReader reader;
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
    while (const char* number = qel::load_link_group(reader, file)) {
        std::string group = number;
        text.clear();
        for (int kind : Kinds) {
            qel::place_anchors(reader, text, kind, "v.t.", 1, 2, group.c_str());
            qel::place_anchors(reader, text, kind, nullptr, -1, -1, nullptr);
            qel::place_anchors(reader, text, kind, "n.", 2, -1, "[of]");
        }
        qel::report_unplaced_targets(reader);
        qel::write_unplaced_anchors(reader, body, line_open);
        qel::indent_text(static_cast<int>(group.size()));
    }
    qel::close_link_data(file);
    qel::file_close(body);
    return finish_input();
}

// The gaiji table converted into the map and font files and the look-up
// tables, which are then read the ways the conversion reads them.
inline int fuzz_gaiji_table(const uint8_t* data, size_t size) {
    std::string table = bytes_of(data, size);
    put_file("qelgaiji.tbl", table);
    qel::GaijiCodes codes;
    if (qel::convert_gaiji_table(codes, "", "qelgaiji.tbl", "qelgmap.xml", "qelgfont.xml") == 0) {
        std::string text;
        for (int set : {-1, 0, 1, 5, 6, 7, 99, 100})
            for (int code = -1; code <= 256; ++code) qel::append_gaiji_text(text, codes, set, code);
        std::string symbol;
        qel::parse_symbol_setting(symbol, codes, "\"a\" G1-21 G99-a5 G-1-41 sym");
        // Every name of the table through the look-up.
        size_t at = 0;
        while ((at = table.find("CHAR:", at)) != std::string::npos) {
            at += 5;
            size_t end = table.find_first_of(":\r\n", at);
            std::string name = table.substr(at, end == std::string::npos ? std::string::npos : end - at);
            qel::gaiji_lookup(codes, name.c_str());
        }
    }
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
    qel::write_copyright_page(plain_settings());
    return finish_input();
}

// The heading patcher over a book file.
inline int fuzz_honmon(const uint8_t* data, size_t size) {
    qel::make_directory("qel");
    qel::make_directory("qel/data");
    put_file("qel/data/honmon", bytes_of(data, size));
    qel::BookPatch patch;
    qel::patch_book("", patch);
    return finish_input();
}

// The hyperlink pass over main.txt (the sort is a no-op).
inline int fuzz_link_pass(const uint8_t* data, size_t size) {
    std::string stored = bytes_of(data, size);
    for (char& c : stored) c = static_cast<char>(~static_cast<unsigned char>(c));
    put_file("main.txt", stored);
    int link_count = 0;
    qel::build_link_table(plain_settings(), link_count);
    return finish_input();
}

// Index lists and bundles of the body target, the same for every input.
// Written into each scratch directory (the replay test gives every target a
// fresh one): a flag alone would leave a later directory without them.
inline void write_body_files() {
    if (qel::path_exists("qelq3.bnd")) return;
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
}

// The three passes over main.txt. The flag byte: bits 0-2 QUICKJUMP (0-4,
// taken modulo 5), bit 3 QUICKRET, bit 4 COMPLEX, bit 5 ITALIC, bit 6 figures
// and sounds, bit 7 MACINTOSH.
inline int fuzz_body(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const qel::GaijiCodes& gaiji = fixed_gaiji_codes();
    write_body_files();
    int flags = data[0];
    std::string stored = bytes_of(data + 1, size - 1);
    for (char& c : stored) c = static_cast<char>(~static_cast<unsigned char>(c));
    put_file("main.txt", stored);

    qel::ConversionSettings s;
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

    int link_count = 0;
    if (s.QUICKJUMP == 0 || qel::build_quick_jump_data(s, gaiji) == 0) {
        if (qel::build_link_table(s, link_count) == 0) qel::convert_body(s, gaiji, link_count);
    }

    std::error_code ignored;
    std::filesystem::remove_all("fig", ignored);
    std::filesystem::remove_all("snd", ignored);
    return finish_input();
}

// ---- qelbook ------------------------------------------------------------------

// Every "&" of `text` through the reference decoder, which must stay inside
// the run and give a code point or UnknownEntity.
inline void decode_entities(const char* text, size_t length) {
    const char* end = text + length;
    for (const char* p = text; p < end; ++p) {
        p = static_cast<const char*>(std::memchr(p, '&', static_cast<size_t>(end - p)));
        if (p == nullptr) break;
        uint32_t code_point = 0;
        size_t taken = qel::decode_entity(p, end, &code_point);
        QEL_FUZZ_EXPECT(taken <= static_cast<size_t>(end - p));
        QEL_FUZZ_EXPECT(taken == 0 || code_point == qel::UnknownEntity || code_point < 0x110000);
    }
}

// Reads every token of `reader`, which holds `bytes` (a file up to its first
// 0x1A). Each token must lie in the window, hold the bytes of the source it
// stands for and take some; what the reader passes over between tokens must
// be comments and the like; together they must take every byte once and
// count every line. The attribute values are read as fragments the same way,
// as titles are, `depth` levels deep.
inline void read_html_tokens(qel::HtmlReader& reader, std::string_view bytes, int depth) {
    qel::HtmlToken token;
    size_t taken = 0;
    for (;;) {
        int kind = qel::next_html_token(reader, token);
        if (kind == qel::HTML_END) break;
        QEL_FUZZ_EXPECT(reader.taken > static_cast<int64_t>(taken) &&
                        reader.taken <= static_cast<int64_t>(bytes.size()));
        QEL_FUZZ_EXPECT(reader.start <= reader.end && reader.end <= reader.window.size());
        const char* window = reader.window.data();
        // Passed over before the token: markup that starts "<!" or "<?".
        QEL_FUZZ_EXPECT(bytes[taken] == '<' || kind == qel::HTML_TEXT);
        if (kind == qel::HTML_TEXT) {
            QEL_FUZZ_EXPECT(token.length > 0 && token.text >= window &&
                            token.text + token.length <= window + reader.end);
            size_t at = static_cast<size_t>(reader.taken) - token.length;
            QEL_FUZZ_EXPECT(at == taken || (at > taken + 1 && bytes[taken] == '<' &&
                                            (bytes[taken + 1] == '!' || bytes[taken + 1] == '?')));
            QEL_FUZZ_EXPECT(std::memcmp(token.text, bytes.data() + at, token.length) == 0);
            decode_entities(token.text, token.length);
        } else {
            QEL_FUZZ_EXPECT(kind == qel::HTML_START_TAG || kind == qel::HTML_END_TAG);
            QEL_FUZZ_EXPECT(bytes[static_cast<size_t>(reader.taken) - 1] == '>' && !token.name.empty());
            QEL_FUZZ_EXPECT(token.attribute_count >= 0 &&
                            static_cast<size_t>(token.attribute_count) <= token.attributes.size());
            for (int i = 0; kind == qel::HTML_START_TAG && i < token.attribute_count; ++i) {
                std::string_view value = token.attributes[static_cast<size_t>(i)].value;
                decode_entities(value.data(), value.size());
                if (depth > 0) {
                    qel::HtmlReader fragment;
                    qel::open_html_text(fragment, value.data(), value.size(), reader.path);
                    read_html_tokens(fragment, value, depth - 1);
                    qel::close_html(fragment);
                }
            }
            qel::html_attribute(token, "href");
        }
        taken = static_cast<size_t>(reader.taken);
    }
    QEL_FUZZ_EXPECT(reader.taken == static_cast<int64_t>(bytes.size()));
    long lines = 1;
    for (char c : bytes) lines += c == '\n';
    QEL_FUZZ_EXPECT(reader.line == lines && token.line == reader.line);
}

// An HTML source through the reader alone, token by token.
inline int fuzz_book_html(const uint8_t* data, size_t size) {
    // The reader is kept from input to input with its window (its file
    // closed): a fresh megabyte window for every reading makes the target
    // ten times slower.
    static qel::HtmlReader reader;
    std::string source = bytes_of(data, size);
    put_file("qel.html", source);
    if (qel::open_html(reader, "qel.html") == 0) {
        read_html_tokens(reader, std::string_view(source).substr(0, source.find('\x1A')), 1);
        qel::file_close(reader.file);
    }
    reader.file = nullptr;
    std::remove("qel.html");
    return finish_input();
}

// A file name the book writer makes a directory or file of: 1-8 letters,
// digits or "_", so it cannot lead out of the book.
inline bool plain_book_name(const std::string& name) {
    if (name.empty() || name.size() > 8) return false;
    for (char c : name)
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_'))
            return false;
    return true;
}

// The project file, and the same bytes as qelbook's settings file.
inline int fuzz_book_project(const uint8_t* data, size_t size) {
    std::string text = bytes_of(data, size);
    put_file("qel.ebs", text);
    qel::BookProject project;
    if (qel::read_book_project("", project) == 0) {
        // What the writer takes for granted once the definition is read.
        QEL_FUZZ_EXPECT(!project.sources.empty());
        for (const qel::BookSource& source : project.sources) QEL_FUZZ_EXPECT(!source.path.empty());
        QEL_FUZZ_EXPECT(plain_book_name(project.directory));
        QEL_FUZZ_EXPECT(project.narrow_font.empty() || plain_book_name(project.narrow_font));
        QEL_FUZZ_EXPECT(project.wide_font.empty() || plain_book_name(project.wide_font));
        qel::echo_book_project(project);
    }
    put_file("qelconv.ini", text);
    qel::BookSettings settings;
    qel::read_book_settings(settings);
    std::remove("qel.ebs");
    std::remove("qelconv.ini");
    return finish_input();
}

// Sixteen rows of a glyph `width` dots wide, a different pattern per `seed`.
inline std::string glyph_rows(int width, int seed) {
    std::string rows;
    for (int r = 0; r < 16; ++r) {
        for (int x = 0; x < width; ++x) rows += ((x + r + seed) % 3 == 0) ? '#' : ' ';
        rows += '\n';
    }
    return rows;
}

// The gaiji files of the qelbook targets: U+00E9 on a narrow and a wide
// code, U+E000 narrow, U+3042 wide (a character the book also holds in JIS
// X 0208), U+10FFFF on a code no font draws. The narrow set holds A121 and
// A122, the wide one A321 and, after a gap, A323.
inline void write_fixed_book_gaiji(const char* map_name, const char* font_name) {
    put_file(map_name, "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\n<gaijiSet>\n"
                       "<gaijiMap unicode=\"#x00E9\" ebcode=\"A121\"/>\n"
                       "<gaijiMap unicode=\"#x00E9\" ebcode=\"A321\"/>\n"
                       "<gaijiMap unicode=\"#xE000\" ebcode=\"A122\"/>\n"
                       "<gaijiMap unicode=\"#x3042\" ebcode=\"A323\"/>\n"
                       "<gaijiMap unicode=\"#x10FFFF\" ebcode=\"FE7E\"/>\n</gaijiSet>\n");
    put_file(font_name, "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\n<gaijiData xml:space=\"preserve\">\n"
                        "<fontSet size=\"8X16\" start=\"A121\">\n"
                        "<fontData ebcode=\"A121\" unicode=\"#x00E9\">\n" + glyph_rows(8, 0) + "</fontData>\n"
                        "<fontData ebcode=\"A122\" unicode=\"#xE000\">\n" + glyph_rows(8, 1) + "</fontData>\n"
                        "</fontSet>\n<fontSet size=\"16X16\" start=\"A321\">\n"
                        "<fontData ebcode=\"A321\" unicode=\"#x00E9\">\n" + glyph_rows(16, 2) + "</fontData>\n"
                        "<fontData ebcode=\"A323\" unicode=\"#x3042\">\n" + glyph_rows(16, 0) + "</fontData>\n"
                        "</fontSet>\n</gaijiData>\n");
}

// The fixed gaiji files read once (in the directory current then).
inline const qel::BookGaiji& fixed_book_gaiji() {
    static std::unique_ptr<qel::BookGaiji> gaiji;
    if (!gaiji) {
        write_fixed_book_gaiji("fixed-map.xml", "fixed-font.xml");
        gaiji = std::make_unique<qel::BookGaiji>();
        int status = qel::read_gaiji_map("fixed-map.xml", *gaiji);
        if (status == 0) status = qel::read_gaiji_font("fixed-font.xml", *gaiji);
        QEL_FUZZ_EXPECT(status == 0);
        std::remove("fixed-map.xml");
        std::remove("fixed-font.xml");
    }
    return *gaiji;
}

// Checks a set the font reader made and writes it as the book's font file,
// which must succeed: the reader keeps only what a book reader accepts.
inline void check_and_write_gaiji_set(const qel::GaijiFontSet& set, int narrow) {
    const char* name = narrow ? "gai16h" : "gai16f";
    size_t glyph = narrow ? 16 : 32;
    QEL_FUZZ_EXPECT(qel::write_gaiji_font_file(name, set, narrow) == 0);
    if (set.count > 0) {
        std::error_code error;
        uintmax_t written = std::filesystem::file_size(name, error);
        QEL_FUZZ_EXPECT(!error && written >= 2048 + static_cast<uintmax_t>(set.count) * glyph && written % 2048 == 0);
    }
    std::remove(name);
}

// Position of a book code among all codes A121-FE7E (-1 for no code).
inline int gaiji_code_position(int code) {
    int high = code >> 8, low = code & 0xFF;
    if (high < 0xA1 || high > 0xFE || low < 0x21 || low > 0x7E) return -1;
    return (high - 0xA1) * 94 + low - 0x21;
}

// Whether `set` draws `code`, as its fields say.
inline bool gaiji_set_draws(const qel::GaijiFontSet& set, int code) {
    int at = gaiji_code_position(code), first = gaiji_code_position(set.start);
    if (set.count <= 0 || at < 0 || first < 0 || at < first || at - first >= set.count) return false;
    return set.drawn.empty() || set.drawn[static_cast<size_t>(at - first)] != 0;
}

// The map or the font file (the other one fixed), the look-up of the map's
// code points and the book's font files.
inline int fuzz_book_gaiji(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    int font = data[0] & 1;
    const char* name = font ? "qelgfont.xml" : "qelgmap.xml";
    put_file(name, bytes_of(data + 1, size - 1));
    qel::BookGaiji gaiji = fixed_book_gaiji();
    if ((font ? qel::read_gaiji_font(name, gaiji) : qel::read_gaiji_map(name, gaiji)) == 0) {
        for (size_t i = 0; i < gaiji.map.size(); ++i) {
            QEL_FUZZ_EXPECT(gaiji.map[i].first <= 0x10FFFF && gaiji_code_position(gaiji.map[i].second) >= 0);
            QEL_FUZZ_EXPECT(i == 0 || gaiji.map[i - 1].first <= gaiji.map[i].first);
        }
        qel::check_gaiji_codes(gaiji, name);

        // The first code points of the map and a few fixed ones: a code given
        // must be one the map gives the code point and the named set draws.
        std::vector<uint32_t> code_points = {0, 0xE9, 0x3042, 0xE000, 0x10FFFF, 0x110000, 0xFFFFFFFF};
        for (size_t i = 0; i < gaiji.map.size() && i < 64; ++i) code_points.push_back(gaiji.map[i].first);
        for (uint32_t code_point : code_points) {
            int narrow = -1;
            int code = qel::gaiji_book_code(gaiji, code_point, &narrow);
            QEL_FUZZ_EXPECT(narrow == 0 || narrow == 1);
            if (code == 0) continue;
            QEL_FUZZ_EXPECT(gaiji_set_draws(narrow ? gaiji.narrow : gaiji.wide, code));
            bool mapped = false;
            for (const auto& entry : gaiji.map) mapped |= entry.first == code_point && entry.second == code;
            QEL_FUZZ_EXPECT(mapped);
        }
        check_and_write_gaiji_set(gaiji.narrow, 1);
        check_and_write_gaiji_set(gaiji.wide, 0);
    }
    std::remove(name);
    return finish_input();
}

// A figure or a sound checked as the book writer checks it when first named.
inline int fuzz_book_media(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    // An exact copy: a read past its end is an overrun the sanitizer sees.
    std::vector<unsigned char> bytes(data + 1, data + size);
    std::string reason;
    if (data[0] & 1) {
        qel::WaveLayout layout;
        if (qel::check_wave(bytes.data(), bytes.size(), layout, reason) == 0) {
            // The writer copies data_size bytes from data_offset.
            QEL_FUZZ_EXPECT(layout.data_size > 0 && layout.data_offset <= bytes.size() &&
                            layout.data_size <= bytes.size() - layout.data_offset);
            qel::wave_format_code(layout);
        } else {
            QEL_FUZZ_EXPECT(!reason.empty());
        }
    } else {
        int kind = qel::check_graphic(bytes.data(), bytes.size(), reason);
        QEL_FUZZ_EXPECT(kind == qel::MEDIA_BMP || kind == qel::MEDIA_JPEG || (kind == -1 && !reason.empty()));
    }
    return finish_input();
}

// The complex-search definition read as the writer reads it, and its pages.
inline int fuzz_book_complex(const uint8_t* data, size_t size) {
    put_file("qelcmpl.xml", bytes_of(data, size));
    // The context as start_book_build sets it up; a whole BookBuild would
    // also allocate the heading stream's buffer, which the definition never
    // touches, and make the target several times slower.
    qel::BookProblems problems = qel::BookProblems();
    qel::AnchorTable anchors;
    qel::LargeVector<qel::LinkFixup> fixups;
    qel::TextContext context = qel::TextContext();
    context.gaiji = &fixed_book_gaiji();
    context.problems = &problems;
    context.anchors = &anchors;
    context.fixups = &fixups;
    context.line = 0;
    context.resolve = 1;
    std::vector<qel::MultiSearch> searches;
    if (qel::read_complex_definition("qelcmpl.xml", context, searches) == 0) {
        // The pages have room for these many searches, fields and bytes.
        QEL_FUZZ_EXPECT(searches.size() <= static_cast<size_t>(qel::MaxMultiSearches));
        qel::IndexExtent keys{40, 38, 3};
        for (const qel::MultiSearch& search : searches) {
            QEL_FUZZ_EXPECT(search.title.size() <= static_cast<size_t>(qel::MultiTitleBytes));
            QEL_FUZZ_EXPECT(!search.labels.empty() && search.labels.size() <= static_cast<size_t>(qel::MaxMultiFields));
            for (const std::string& label : search.labels)
                QEL_FUZZ_EXPECT(label.size() <= static_cast<size_t>(qel::MultiLabelBytes));
            QEL_FUZZ_EXPECT(qel::make_multi_page(search, keys).size() == qel::TextBlockSize);
        }
        QEL_FUZZ_EXPECT(qel::make_search_title_page(searches).size() == qel::TextBlockSize);
    }
    std::remove("qelcmpl.xml");
    return finish_input();
}

// Appends `value` as `bytes` little-endian bytes.
inline void put_le(std::string& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

// A 2x2 BMP of 24-bit colour.
inline std::string tiny_bmp() {
    std::string b = "BM";
    put_le(b, 14 + 40 + 16, 4);  // file size
    put_le(b, 0, 4);
    put_le(b, 14 + 40, 4);       // offset of the pixels
    put_le(b, 40, 4);            // information header: size, width, height, planes, bits
    put_le(b, 2, 4);
    put_le(b, 2, 4);
    put_le(b, 1, 2);
    put_le(b, 24, 2);
    put_le(b, 0, 4);             // no compression
    put_le(b, 16, 4);
    put_le(b, 2835, 4);
    put_le(b, 2835, 4);
    put_le(b, 0, 4);
    put_le(b, 0, 4);
    for (int row = 0; row < 2; ++row) b += std::string("\xFF\x00\x00\x00\xFF\x00\x00\x00", 8);
    return b;
}

// An 8x8 grey baseline JPEG.
inline std::string tiny_jpeg() {
    static const char bytes[] =
        "\xFF\xD8\xFF\xE0\x00\x10\x4A\x46\x49\x46\x00\x01\x01\x00\x00\x01\x00\x01\x00\x00\xFF\xDB\x00\x43"
        "\x00\x10\x0B\x0C\x0E\x0C\x0A\x10\x0E\x0D\x0E\x12\x11\x10\x13\x18\x28\x1A\x18\x16\x16\x18\x31\x23"
        "\x25\x1D\x28\x3A\x33\x3D\x3C\x39\x33\x38\x37\x40\x48\x5C\x4E\x40\x44\x57\x45\x37\x38\x50\x6D\x51"
        "\x57\x5F\x62\x67\x68\x67\x3E\x4D\x71\x79\x70\x64\x78\x5C\x65\x67\x63\xFF\xC0\x00\x0B\x08\x00\x08"
        "\x00\x08\x01\x01\x11\x00\xFF\xC4\x00\x14\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00"
        "\x00\x00\x00\x00\xFF\xC4\x00\x1B\x10\x00\x02\x01\x05\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00"
        "\x00\x11\x12\x62\x24\x32\x42\x82\x92\xFF\xDA\x00\x08\x01\x01\x00\x00\x3F\x00\x59\x15\xD5\x47\x20"
        "\x24\x42\x60\x94\xFF\x00\xFF\xD9";
    return std::string(bytes, sizeof bytes - 1);
}

// A PCM WAV of eight samples (stereo 16-bit or mono 8-bit), with a LIST
// chunk of odd length (and its pad byte) before its data when `list` is set.
inline std::string tiny_wave(int stereo, int list) {
    uint32_t channels = stereo ? 2 : 1, bits = stereo ? 16 : 8, block = channels * bits / 8;
    std::string chunks = "fmt ";
    put_le(chunks, 16, 4);
    put_le(chunks, 1, 2);
    put_le(chunks, channels, 2);
    put_le(chunks, 8000, 4);
    put_le(chunks, 8000 * block, 4);
    put_le(chunks, block, 2);
    put_le(chunks, bits, 2);
    if (list) {
        chunks += "LIST";
        put_le(chunks, 13, 4);
        chunks += "INFOICMT";
        put_le(chunks, 1, 4);
        chunks += "x";
        chunks += '\0';
    }
    chunks += "data";
    put_le(chunks, 8 * block, 4);
    for (uint32_t i = 0; i < 8 * block; ++i) chunks += static_cast<char>(i * 37);
    std::string riff = "RIFF";
    put_le(riff, static_cast<uint32_t>(chunks.size()) + 4, 4);
    return riff + "WAVE" + chunks;
}

// The fixed files of a qelbook run around the body qel.html: the settings
// (the sources in the working directory, the book in book/), the project
// with every search and both fonts, a menu page and a copyright page that
// define the anchors menu-top and c1 and link only to these (so that the
// body alone decides whether a link to a missing anchor makes the writer
// read the sources again), the complex-search definition, the gaiji, and the
// figures and sounds that bodies may name (fig/a.bmp, fig/b.jpg,
// fig/bad.bmp, snd/a.wav, snd/list.wav, snd/bad.wav).
inline void write_book_run_files() {
    put_file("qelconv.ini", "# no BASEPATH: the sources lie in the working directory\r\nOUTPATH=book\\\r\n");
    put_file("qel.ebs", "GaijiFile=$(BASE)\\qelgfont.xml\r\nGaijiMapFile=$(BASE)\\qelgmap.xml\r\n"
                        "WordSearchHyoki=1\r\nEndWordSearchHyoki=1\r\nKeywordSearch=1\r\nComplexSearch=1\r\n"
                        "DTTagIndex=1\r\ndelBlank=1\r\ndelSym=1\r\n"
                        "Book=試験辞典;FUZZ;英和辞典;$(BASE)\\qelcopr.html;$(BASE)\\qelcmpl.xml;GAI16H00;GAI16F00;"
                        "_;_;_;_;_;_;\r\n"
                        "Source=$(BASE)\\qel.html;本文;_;HTML;\r\n"
                        "Source=$(BASE)\\qelmenu1.html;索引;_;HTML;\r\n");
    put_file("qelmenu1.html", "<html><head><title>索引</title></head><body>\n"
                              "<h2 id=\"menu-top\">索引</h2>\n"
                              "<p><a href=\"#c1\">著作権</a><br>\n<a href=\"qel.html\">本文</a></p>\n"
                              "<p><img src=\"fig/a.bmp\" alt=\"図\"> <a href=\"snd/a.wav\">&#xE000;音</a></p>\n"
                              "</body></html>\n");
    put_file("qelcopr.html", "<html><body><p>Copyright &amp; 著作権表示 &#x00E9;<br>\n"
                             "<a name=\"c1\"></a><a href=\"#menu-top\">索引へ</a></p>\n"
                             "</body></html>\n");
    put_file("qelcmpl.xml", "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\n<complex>\n"
                            " <group name=\"成句検索\">\n  <keyword name=\"単語１\" />\n  <keyword name=\"単語２\" />\n"
                            " </group>\n</complex>\n");
    write_fixed_book_gaiji("qelgmap.xml", "qelgfont.xml");
    qel::make_directory("fig");
    qel::make_directory("snd");
    put_file("fig/a.bmp", tiny_bmp());
    put_file("fig/b.jpg", tiny_jpeg());
    put_file("fig/bad.bmp", tiny_bmp().substr(0, 40));
    put_file("snd/a.wav", tiny_wave(1, 0));
    put_file("snd/list.wav", tiny_wave(0, 1));
    put_file("snd/bad.wav", tiny_wave(0, 0).substr(0, 50));
}

// The whole book writer on a body: whatever the body holds, a book is made.
inline int fuzz_book_run(const uint8_t* data, size_t size) {
    write_book_run_files();
    put_file("qel.html", bytes_of(data, size));
    qel::BookSettings settings;
    QEL_FUZZ_EXPECT(qel::read_book_settings(settings) == 0);
    QEL_FUZZ_EXPECT(qel::write_book(settings) == 0);
    std::error_code error;
    uintmax_t catalog = std::filesystem::file_size("book/catalogs", error);
    QEL_FUZZ_EXPECT(!error && catalog > 0 && catalog % 2048 == 0);
    // Every component the index page (block 1) lists lies inside the file; a
    // search index (ids 0x70-0x9F) is listed by its root page, where a reader
    // starts, and only that page is checked.
    std::string honmon;
    if (FILE* f = std::fopen("book/fuzz/data/honmon", "rb")) {
        char buffer[65536];
        for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, f)) > 0;) honmon.append(buffer, got);
        std::fclose(f);
    }
    QEL_FUZZ_EXPECT(honmon.size() >= 3 * 2048);
    auto be = [&honmon](size_t at, int bytes) {
        uint32_t value = 0;
        for (int i = 0; i < bytes; ++i) value = value << 8 | static_cast<unsigned char>(honmon[at + i]);
        return value;
    };
    uint32_t components = be(0, 2), blocks = static_cast<uint32_t>((honmon.size() + 2047) / 2048);
    QEL_FUZZ_EXPECT(components >= 1 && components <= (2048 - 16) / 16);
    for (uint32_t i = 0; i < components; ++i) {
        uint32_t id = be(16 + 16 * i, 1), start = be(16 + 16 * i + 2, 4), length = be(16 + 16 * i + 6, 4);
        QEL_FUZZ_EXPECT(start >= 2 && start <= blocks && length >= 1);
        if (id < 0x70 || id > 0x9F) QEL_FUZZ_EXPECT(start - 1 + length <= blocks);
    }
    // The book and what its run may leave beside it.
    for (const char* dir : {"book", "book.qelbook-tmp", "book.qelbook-tmp-old"})
        std::filesystem::remove_all(dir, error);
    return finish_input();
}

// Every target, for the replay test.
inline const FuzzTarget FuzzTargets[] = {
    {"settings", fuzz_settings},       {"main_text", fuzz_main_text},     {"inline", fuzz_inline},
    {"resolve", fuzz_resolve},         {"link_group", fuzz_link_group},   {"gaiji_table", fuzz_gaiji_table},
    {"index_words", fuzz_index_words}, {"readme", fuzz_readme},           {"honmon", fuzz_honmon},
    {"link_pass", fuzz_link_pass},     {"body", fuzz_body},               {"book_html", fuzz_book_html},
    {"book_project", fuzz_book_project}, {"book_gaiji", fuzz_book_gaiji},   {"book_media", fuzz_book_media},
    {"book_complex", fuzz_book_complex}, {"book_run", fuzz_book_run},
};

}  // namespace qelfuzz
