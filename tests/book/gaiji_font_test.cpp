// The book's gaiji: reading the map and font files, the code look-up, and the
// font files of the book.
#include "book/gaiji_font.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "common/report.h"
#include "support/test_support.h"

using namespace qel;
using qeltest::crlf;
using qeltest::file_exists;
using qeltest::read_file;
using qeltest::TempDir;
using qeltest::write_file;

namespace {

// A glyph block: row r of a narrow glyph has its dot at r % 8, of a wide one at r.
std::string glyph(const std::string& code, int width, int rows = 16) {
    std::string t = "<fontData ebcode=\"" + code + "\" unicode=\"#xE000\">\n";
    for (int r = 0; r < rows; ++r) {
        std::string row(static_cast<size_t>(width), ' ');
        row[static_cast<size_t>(r % width)] = '#';
        t += row + "\n";
    }
    return t + "</fontData>\n";
}

std::string font(const std::string& narrow, const std::string& wide, const std::string& narrow_start = "A121") {
    return "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\n<gaijiData xml:space=\"preserve\">\n"
           "<fontSet size=\"8X16\" start=\"" + narrow_start + "\">\n" + narrow +
           "</fontSet>\n<fontSet size=\"16X16\" start=\"A221\">\n" + wide + "</fontSet></gaijiData>\n";
}

std::string map(const std::string& lines) {
    return "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\n<gaijiSet>\n" + lines + "</gaijiSet>\n";
}

std::string map_line(const std::string& unicode, const std::string& code) {
    return "<gaijiMap unicode=\"#x" + unicode + "\" ebcode=\"" + code + "\"/>\n";
}

// Reads `text` (stored with CR LF) as the font file; the console is captured.
int read_font_text(const std::string& text, BookGaiji& g) {
    write_file("qelgfont.xml", crlf(text));
    testing::internal::CaptureStdout();
    int status = read_gaiji_font("qelgfont.xml", g);
    testing::internal::GetCapturedStdout();
    return status;
}

}  // namespace

TEST(GaijiFont, ReadsCodesFlagsAndGlyphsOfBothSets) {
    TempDir dir;
    dir.enter();
    write_file("qelgmap.xml", crlf(map(map_line("00E9", "A121") + map_line("00FC", "A130") + map_line("2460", "A221") +
                                       map_line("00E9", "A123") + map_line("00FC", "A122"))));
    BookGaiji g;
    ASSERT_EQ(read_gaiji_map("qelgmap.xml", g), 0);
    ASSERT_EQ(read_font_text(font(glyph("A121", 8) + glyph("A122", 8), glyph("A221", 16)), g), 0);

    // 1. The map is sorted by code point, file order kept among equals.
    ASSERT_EQ(g.map.size(), 5u);
    EXPECT_EQ(g.map[0], std::make_pair(0xE9u, uint16_t{0xA121}));
    EXPECT_EQ(g.map[2], std::make_pair(0xFCu, uint16_t{0xA130}));
    // 2. Codes, with the first drawn one of a code point that has several.
    int narrow = -1;
    EXPECT_EQ(gaiji_book_code(g, 0xE9, &narrow), 0xA121);
    EXPECT_EQ(narrow, 1);
    EXPECT_EQ(gaiji_book_code(g, 0xFC, &narrow), 0xA122);
    EXPECT_EQ(gaiji_book_code(g, 0x2460, &narrow), 0xA221);
    EXPECT_EQ(narrow, 0);
    EXPECT_EQ(gaiji_book_code(g, 0x41, &narrow), 0);
    EXPECT_EQ(check_gaiji_codes(g, "qelgmap.xml"), 2);  // A130 and A123 have no glyph
    // 3. Bitmaps: MSB is the leftmost dot; a wide row is two bytes.
    EXPECT_EQ(g.narrow.start, 0xA121);
    EXPECT_EQ(g.narrow.count, 2);
    ASSERT_EQ(g.narrow.bitmaps.size(), 32u);
    EXPECT_EQ(g.narrow.bitmaps[0], 0x80);
    EXPECT_EQ(g.narrow.bitmaps[7], 0x01);
    EXPECT_EQ(g.narrow.bitmaps[16 + 9], 0x40);
    EXPECT_EQ(g.wide.start, 0xA221);
    ASSERT_EQ(g.wide.bitmaps.size(), 32u);
    EXPECT_EQ(g.wide.bitmaps[2 * 9], 0x00);
    EXPECT_EQ(g.wide.bitmaps[2 * 9 + 1], 0x40);
}

TEST(GaijiFont, BadGlyphsAreSkippedAndLoggedWithTheirLine) {
    struct Case {
        const char* what;
        std::string text;  // placed after A130 (lines 4-21) in the narrow set from A130
        int line;          // line the log must name
    };
    std::string rows15 = glyph("A131", 8, 15), rows17 = glyph("A131", 8, 17);
    std::string good = glyph("A131", 8);
    auto with_row = [&](int r, const std::string& row) {  // good glyph with row r replaced
        size_t p = good.find('\n') + 1;
        for (int i = 0; i < r; ++i) p = good.find('\n', p) + 1;
        return good.substr(0, p) + row + good.substr(good.find('\n', p));
    };
    const Case cases[] = {
        {"short row", with_row(3, "   #   "), 26},
        {"long row", with_row(3, "   #    #"), 26},
        {"other character", with_row(0, "x       "), 23},
        {"NUL byte", with_row(0, std::string("#\0      ", 8)), 23},
        {"2000-byte row", with_row(0, std::string(2000, '#')), 23},
        {"15 rows", rows15, 38},
        {"17 rows", rows17, 39},
        {"bad hex", glyph("A1G1", 8), 22},
        {"low byte 7F", glyph("A17F", 8), 22},
        {"high byte FF", glyph("FF21", 8), 22},
        {"before the start", glyph("A121", 8), 22},
        {"defined twice", glyph("A130", 8), 22},
        {"no ebcode", "<fontData>\n" + good.substr(good.find('\n') + 1), 22},
        {"no </fontData>", good.substr(0, good.rfind("</fontData>")), 39},
    };
    for (const Case& c : cases) {
        TempDir dir;
        dir.enter();
        BookGaiji g;
        ASSERT_EQ(read_font_text(font(glyph("A130", 8) + c.text + glyph("A17E", 8), "", "A130"), g), 0) << c.what;
        EXPECT_EQ(g.narrow.start, 0xA130) << c.what;
        ASSERT_EQ(g.narrow.count, 0x4F) << c.what;
        EXPECT_EQ(g.narrow.drawn[0] + g.narrow.drawn[1] + g.narrow.drawn[0x4E], 2) << c.what;
        EXPECT_EQ(g.narrow.bitmaps[0x4E * 16 + 15], 0x01) << c.what;  // the glyph after stays in step
        std::string log = read_file(LogFileName);
        EXPECT_NE(log.find("の " + std::to_string(c.line) + " 行目が正しくありません"), std::string::npos)
            << c.what << "\n" << log;
        EXPECT_NE(log.find("の 1 個の外字を読み飛ばしました"), std::string::npos) << c.what;
    }
}

TEST(GaijiFont, GlyphsOutsideAUsableSetAreSkipped) {
    TempDir dir;
    dir.enter();
    BookGaiji g;
    std::string set24 = "<fontSet size=\"24X24\" start=\"A121\">\n" + glyph("A121", 8) + "</fontSet>\n";
    std::string text = "<gaijiData>\n" + glyph("A121", 8) + set24 + "<fontSet size=\"8X16\" start=\"A121\">\n" +
                       glyph("A121", 8) + "</fontSet><fontSet size=\"16X16\" start=\"A121\">\n" + glyph("A121", 16) +
                       "</fontSet>\n<fontSet size=\"8X16\" start=\"A121\">\n" + glyph("A122", 8) + "</fontSet>\n" +
                       "</gaijiData>\n";
    ASSERT_EQ(read_font_text(text, g), 0);
    EXPECT_EQ(g.narrow.count, 1);
    EXPECT_EQ(g.wide.count, 1);
    EXPECT_NE(read_file(LogFileName).find("の 3 個の外字を読み飛ばしました"), std::string::npos);
    // Both sets hold A121: the narrow one wins it.
    g.map = {{0xE9, 0xA121}};
    int narrow = 0;
    EXPECT_EQ(gaiji_book_code(g, 0xE9, &narrow), 0xA121);
    EXPECT_EQ(narrow, 1);
}

TEST(GaijiFont, FullCodeSpaceKeepsWhatAReaderAccepts) {
    TempDir dir;
    dir.enter();
    std::string glyphs;
    for (int high = 0xA1; high <= 0xFE; ++high)
        for (int low = 0x21; low <= 0x7E; ++low) {
            char code[5];
            std::snprintf(code, sizeof code, "%02X%02X", high, low);
            glyphs += glyph(code, 8);
        }
    BookGaiji g;
    ASSERT_EQ(read_font_text(font(glyphs, ""), g), 0);
    // From A121 a reader computes the end of 8836 codes as FF20: FE7E goes.
    EXPECT_EQ(g.narrow.count, 8835);
    EXPECT_EQ(g.wide.count, 0);
    EXPECT_NE(read_file(LogFileName).find("外字 FE7E は"), std::string::npos);
    EXPECT_EQ(write_gaiji_font_file("GAI16H", g.narrow, 1), 0);
}

TEST(GaijiFont, TruncatedFontKeepsWholeGlyphs) {
    TempDir dir;
    dir.enter();
    std::string text = font(glyph("A121", 8) + glyph("A122", 8), "");
    BookGaiji g;
    ASSERT_EQ(read_font_text(text.substr(0, text.find("A122") + 60), g), 0);
    EXPECT_EQ(g.narrow.count, 1);
    EXPECT_NE(read_file(LogFileName).find("途中で終わっています"), std::string::npos);
}

TEST(GaijiFont, BadMapLinesAreSkippedAndLogged) {
    const char* bad[] = {
        "<gaijiMap ebcode=\"A122\"/>",           "<gaijiMap unicode=\"#x\" ebcode=\"A122\"/>",
        "<gaijiMap unicode=\"#x110000\" ebcode=\"A122\"/>",
        "<gaijiMap unicode=\"#x000000E9A\" ebcode=\"A122\"/>",
        "<gaijiMap unicode=\"#x00E9\" ebcode=\"A12\"/>", "<gaijiMap unicode=\"#x00E9\" ebcode=\"A17F\"/>",
        "<gaijiMap unicode=\"#x00E9\" ebcode=\"A021\"/>", "<gaijiMap unicode=\"#x00E9\" ebcode=\"A122\"",
        "<gaijiMap unicode=\"#x00E9\" ebcode=\"A122\"/> x", "<fontData ebcode=\"A122\">",
    };
    for (const char* line : bad) {
        TempDir dir;
        dir.enter();
        write_file("qelgmap.xml", crlf(map(map_line("00E8", "A121") + line + "\n" + map_line("00E9", "A123"))));
        BookGaiji g;
        ASSERT_EQ(read_gaiji_map("qelgmap.xml", g), 0) << line;
        ASSERT_EQ(g.map.size(), 2u) << line;
        EXPECT_EQ(g.map[1].second, 0xA123) << line;
        EXPECT_NE(read_file(LogFileName).find("の 4 行目が正しくありません"), std::string::npos) << line;
    }
}

TEST(GaijiFont, FilesThatAreMissingOrNoGaijiFail) {
    TempDir dir;
    dir.enter();
    BookGaiji g;
    testing::internal::CaptureStdout();
    EXPECT_EQ(read_gaiji_map("none.xml", g), -1);
    EXPECT_EQ(read_gaiji_font("none.xml", g), -1);
    write_file("empty.xml", "");
    EXPECT_EQ(read_gaiji_map("empty.xml", g), -1);
    write_file("map.xml", crlf(map(map_line("00E9", "A121"))));
    EXPECT_EQ(read_gaiji_font("map.xml", g), -1);
    std::string console = testing::internal::GetCapturedStdout();
    EXPECT_NE(console.find("外字マップファイル none.xml がオープンできません"), std::string::npos);
    EXPECT_NE(console.find("外字フォントファイル none.xml がオープンできません"), std::string::npos);
    EXPECT_NE(console.find("外字フォントファイル map.xml は外字フォントではありません"), std::string::npos);
}

TEST(GaijiFont, WritesHeaderAndGlyphsPackedInUnits) {
    TempDir dir;
    dir.enter();
    // 65 narrow glyphs: the 65th opens the second 1024-byte unit.
    GaijiFontSet narrow{0xA121, 65, {}, {}};
    for (int i = 0; i < 65; ++i) narrow.bitmaps.insert(narrow.bitmaps.end(), 16, static_cast<uint8_t>(i + 1));
    ASSERT_EQ(write_gaiji_font_file("GAI16H", narrow, 1), 0);
    std::string h = read_file("GAI16H");
    ASSERT_EQ(h.size(), 4096u);
    EXPECT_EQ(h.substr(0, 16), std::string("\x01\0\0\0\0\0\0\0\x08\x10\xA1\x21\x00\x41\0\0", 16));
    EXPECT_EQ(h.substr(16, 2032), std::string(2032, '\0'));
    EXPECT_EQ(h.substr(2048 + 63 * 16, 16), std::string(16, '\x40'));
    EXPECT_EQ(h.substr(3072, 16), std::string(16, '\x41'));
    EXPECT_EQ(h.substr(3072 + 16), std::string(4096 - 3072 - 16, '\0'));

    // 33 wide glyphs: 32 to a unit.
    GaijiFontSet wide{0xA221, 33, std::vector<uint8_t>(33 * 32, 0x5A), {}};
    ASSERT_EQ(write_gaiji_font_file("GAI16F", wide, 0), 0);
    std::string f = read_file("GAI16F");
    ASSERT_EQ(f.size(), 4096u);
    EXPECT_EQ(f.substr(8, 6), std::string("\x10\x10\xA2\x21\x00\x21", 6));
    EXPECT_EQ(f.substr(3072, 32), std::string(32, '\x5A'));
    EXPECT_EQ(f[3072 + 32], '\0');

    // From A160, 128 codes carry into a third row; the reader loads 129 glyphs.
    GaijiFontSet carry{0xA160, 128, std::vector<uint8_t>(128 * 16, 1), {}};
    ASSERT_EQ(write_gaiji_font_file("CARRY", carry, 1), 0);
    EXPECT_EQ(read_file("CARRY").size(), 6144u);

    // Nothing for an empty set; a refusal for a set no reader takes.
    EXPECT_EQ(write_gaiji_font_file("EMPTY", GaijiFontSet(), 1), 0);
    EXPECT_FALSE(file_exists("EMPTY"));
    const GaijiFontSet refused[] = {
        {0xA100, 1, std::vector<uint8_t>(16), {}},
        {0xA121, 8836, std::vector<uint8_t>(8836 * 16), {}},
        {0xA121, 2, std::vector<uint8_t>(16), {}},
    };
    testing::internal::CaptureStdout();
    for (const GaijiFontSet& set : refused) EXPECT_EQ(write_gaiji_font_file("BAD", set, 1), -1) << set.start;
    testing::internal::GetCapturedStdout();
    EXPECT_FALSE(file_exists("BAD"));
}
