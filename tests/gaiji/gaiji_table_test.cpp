// Conversion of the gaiji table into the map and font files and the look-up
// tables.
#include "gaiji/gaiji_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "support/test_support.h"
#include "text/gaiji_codes.h"

using namespace qel;
using qeltest::crlf;
using qeltest::lf;
using qeltest::read_file;
using qeltest::TempDir;
using qeltest::write_file;

namespace {

// Captures the console as raw Shift_JIS, whatever an earlier test left set.
void capture_console() {
    set_console_transcoding(0);
    testing::internal::CaptureStdout();
}

const std::string MapHead = "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\n<gaijiSet>\n";
const std::string FontHead =
    "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\n<gaijiData xml:space=\"preserve\">\n"
    "<fontSet size=\"8X16\" start=\"A121\">\n";

// Result of one conversion in the working directory.
struct Conversion {
    int status;           // what convert_gaiji_table returned
    std::string console;  // what it showed
    std::string map;      // qelgmap.xml, text-mode content
    std::string font;     // qelgfont.xml, text-mode content
    GaijiCodes codes;     // the texts it registered
};

// Writes `table` (stored with CR LF line ends unless `raw`) and converts it.
Conversion convert(const std::string& table, bool raw = false) {
    write_file("qelgaiji.tbl", raw ? table : crlf(table));
    capture_console();
    Conversion c;
    c.status = convert_gaiji_table(c.codes, "", "qelgaiji.tbl", "qelgmap.xml", "qelgfont.xml");
    c.console = testing::internal::GetCapturedStdout();
    c.map = lf(read_file("qelgmap.xml"));
    c.font = lf(read_file("qelgfont.xml"));
    return c;
}

// A definition line followed by `rows` bitmap lines (missing ones are empty).
std::string glyph(const std::string& definition, const std::vector<std::string>& rows = {}) {
    std::string t = definition + "\n";
    for (int r = 0; r < 16; ++r) t += (r < static_cast<int>(rows.size()) ? rows[r] : "") + "\n";
    return t;
}

std::string map_line(const std::string& unicode, const std::string& code) {
    return "<gaijiMap unicode=\"#x" + unicode + "\" ebcode=\"" + code + "\"/>\n";
}

// The header line of a font block.
std::string block_head(const std::string& code, const std::string& unicode) {
    return "<fontData ebcode=\"" + code + "\" unicode=\"#x" + unicode + "\">\n";
}

// A font block whose rows are all clear.
std::string blank_block(const std::string& code, const std::string& unicode, int width) {
    std::string b = block_head(code, unicode);
    for (int r = 0; r < 16; ++r) b += std::string(width, ' ') + "\n";
    return b + "</fontData>\n";
}

// The text of the map lines only (without head and foot).
std::string map_body(const Conversion& c) {
    if (c.map.rfind(MapHead, 0) != 0 || c.map.size() < MapHead.size() + 12) return "(malformed) " + c.map;
    return c.map.substr(MapHead.size(), c.map.size() - MapHead.size() - 12);
}

}  // namespace

TEST(GaijiTable, EmptyTableGivesFixedFilesAndDefaults) {
    TempDir dir;
    dir.enter();
    Conversion c = convert("# no definitions\nCHAR\nchar:G1-21:H\n");
    ASSERT_EQ(c.status, 0);
    EXPECT_EQ(c.console, "外字データを変換しています... 終了しました\n");
    EXPECT_EQ(read_file("qelgmap.xml"), crlf(MapHead + "</gaijiSet>\n"));
    EXPECT_EQ(read_file("qelgfont.xml"),
              crlf(FontHead + "</fontSet>\n<fontSet size=\"16X16\" start=\"A221\">\n</fontSet>\n</gaijiData>\n"));

    // Every slot is filled: XML specials, ASCII, the notation elsewhere.
    EXPECT_EQ(gaiji_text(c.codes, 1, 0x41), "A");
    EXPECT_EQ(gaiji_text(c.codes, 0, 0x7E), "~");
    EXPECT_EQ(gaiji_text(c.codes, 6, 0x5C), "\\");
    EXPECT_EQ(gaiji_text(c.codes, 99, 0xA5), "{G99-A5}");
    EXPECT_EQ(gaiji_text(c.codes, 3, 0x20), "{G3-20}");
    EXPECT_EQ(gaiji_text(c.codes, 5, 0x7F), "{G5-7F}");
    EXPECT_EQ(gaiji_text(c.codes, 99, 0x00), "{G99-00}");
    for (int row = 0; row < 8; ++row) {
        int set = row < 7 ? row : 99;
        EXPECT_EQ(gaiji_text(c.codes, set, 0x3C), "&lt;") << "set " << set;
        EXPECT_EQ(gaiji_text(c.codes, set, 0x3E), "&gt;") << "set " << set;
        EXPECT_EQ(gaiji_text(c.codes, set, 0x26), "&amp;") << "set " << set;
        EXPECT_EQ(gaiji_text(c.codes, set, 0x22), "&quot;") << "set " << set;
        EXPECT_EQ(gaiji_text(c.codes, set, 0x27), "&apos;") << "set " << set;
        for (int code = 0; code < 256; ++code) EXPECT_NE(gaiji_slot(c.codes, row, code), nullptr);
    }
    // No symbolic name was defined: a name gives itself.
    EXPECT_STREQ(gaiji_lookup(c.codes, "CHAR"), "CHAR");
    EXPECT_STREQ(gaiji_lookup(c.codes, "char"), "char");
}

TEST(GaijiTable, HalfWidthCodesComeFirstWhereverTheyStand) {
    TempDir dir;
    dir.enter();
    // A full-width glyph first, then three half-width ones.
    Conversion c = convert(glyph("CHAR:G1-30:Z", {"@@@@@@@@@@@@@@@@", "@..............@"}) +
                           glyph("CHAR:G1-21:H", {"@.@.@.@.", "", ".@"}) + glyph("CHAR:G1-22:H:") +
                           glyph("CHAR:G1-23:H"));
    ASSERT_EQ(c.status, 0);
    // Codes A121-A123 and E000-E002 for the half-width glyphs, A221 and E003
    // for the full-width one.
    EXPECT_EQ(map_body(c), map_line("E000", "A121") + map_line("E001", "A122") + map_line("E002", "A123") +
                               map_line("E003", "A221"));
    std::string first = block_head("A121", "E000") + "# # # # \n        \n #      \n";
    for (int r = 3; r < 16; ++r) first += "        \n";
    first += "</fontData>\n";
    std::string wide = block_head("A221", "E003") + "################\n#              #\n";
    for (int r = 2; r < 16; ++r) wide += std::string(16, ' ') + "\n";
    wide += "</fontData>\n";
    EXPECT_EQ(c.font, FontHead + first + blank_block("A122", "E001", 8) + blank_block("A123", "E002", 8) +
                          "</fontSet>\n<fontSet size=\"16X16\" start=\"A221\">\n" + wide +
                          "</fontSet>\n</gaijiData>\n");
    EXPECT_EQ(gaiji_text(c.codes, 1, 0x21), "&#xE000;");
    EXPECT_EQ(gaiji_text(c.codes, 1, 0x30), "&#xE003;");
}

TEST(GaijiTable, NinetyFourHalfWidthGlyphsMoveTheFullWidthSetToA321) {
    TempDir dir;
    dir.enter();
    std::string table;
    for (int i = 0; i < 94; ++i) table += glyph("CHAR:h" + std::to_string(i) + ":H");
    table += glyph("CHAR:wide:Z1");
    Conversion c = convert(table);
    ASSERT_EQ(c.status, 0);
    EXPECT_NE(c.map.find(map_line("E05D", "A17E") + map_line("E05E", "A321")), std::string::npos);
    EXPECT_EQ(c.map.find("ebcode=\"A2"), std::string::npos);
    EXPECT_NE(c.font.find("</fontSet>\n<fontSet size=\"16X16\" start=\"A321\">\n" + block_head("A321", "E05E")),
              std::string::npos);
    // Symbolic names go to the name list.
    EXPECT_STREQ(gaiji_lookup(c.codes, "h0"), "&#xE000;");
    EXPECT_STREQ(gaiji_lookup(c.codes, "wide"), "&#xE05E;");
}

TEST(GaijiTable, GivenCodePointsLeaveTheCounterAlone) {
    TempDir dir;
    dir.enter();
    Conversion c = convert(glyph("CHAR:G1-21:H:U+00E9:") + glyph("CHAR:G1-22:H") +
                           glyph("CHAR:G2-41:Z:U+2460") + glyph("CHAR:G2-42:Z1:u+2461") +
                           glyph("CHAR:G2-43:Z:U+2462extra:more"));
    ASSERT_EQ(c.status, 0);
    // 1. The text after U+ up to the next ":" or the line end, as written.
    EXPECT_EQ(map_body(c), map_line("00E9", "A121") + map_line("E000", "A122") + map_line("2460", "A221") +
                               map_line("E001", "A222") + map_line("E002", "A223"));
    EXPECT_NE(c.font.find(block_head("A121", "00E9")), std::string::npos);
    EXPECT_EQ(gaiji_text(c.codes, 1, 0x21), "&#x00E9;");
    EXPECT_EQ(gaiji_text(c.codes, 2, 0x41), "&#x2460;");
    // 2. Only an upper-case "U+" introduces a code point.
    EXPECT_EQ(gaiji_text(c.codes, 2, 0x42), "&#xE001;");
    // 3. A value that is not hexadecimal takes the counter and is logged.
    EXPECT_EQ(gaiji_text(c.codes, 2, 0x43), "&#xE002;");
    EXPECT_NE(read_file("qelconv.log").find("外字 G2-43 のUnicode値 U+2462extra が正しくないため、"
                                            "私用領域のコードを使います\r\n"),
              std::string::npos);
}

TEST(GaijiTable, MultiCellGlyphsSplitTheirRows) {
    TempDir dir;
    dir.enter();
    std::string left = "@@@@@@@@........", right = "........@@@@@@@@";
    Conversion c = convert(glyph("CHAR:G99-A1:Z2:U+1234", {left + right, right + left, "@"}) +
                           glyph("CHAR:G99-A2:Z") + glyph("CHAR:G99-A3:Z3"));
    ASSERT_EQ(c.status, 0);
    // 1. Two codes and two code points (U+ is ignored), then the next glyphs.
    EXPECT_EQ(map_body(c), map_line("E000", "A221") + map_line("E001", "A222") + map_line("E002", "A223") +
                               map_line("E003", "A224") + map_line("E004", "A225") + map_line("E005", "A226"));
    EXPECT_EQ(gaiji_text(c.codes, 99, 0xA1), "<nobr>&#xE000;&#xE001;</nobr>");
    EXPECT_EQ(gaiji_text(c.codes, 99, 0xA2), "&#xE002;");
    EXPECT_EQ(gaiji_text(c.codes, 99, 0xA3), "<nobr>&#xE003;&#xE004;&#xE005;</nobr>");
    // 2. The left and the right 16 dots of each row, one block per cell.
    std::string rest;
    for (int r = 3; r < 16; ++r) rest += std::string(16, ' ') + "\n";
    std::string expected = block_head("A221", "E000") + "########        \n        ########\n#" +
                           std::string(15, ' ') + "\n" + rest + "</fontData>\n" + block_head("A222", "E001") +
                           "        ########\n########        \n" + std::string(16, ' ') + "\n" + rest +
                           "</fontData>\n";
    EXPECT_NE(c.font.find("start=\"A221\">\n" + expected + block_head("A223", "E002")), std::string::npos);
}

TEST(GaijiTable, RowsAreReadWhateverTheyHold) {
    TempDir dir;
    dir.enter();
    // 1. Rows shorter than the width, longer than it, or looking like a
    // definition are rows all the same; the line after the 16th row is read
    // as a definition again.
    std::vector<std::string> rows = {"@", "@@@@@@@@@@@@", "CHAR:G1-50:\"no\"", "\t@"};
    Conversion c = convert(glyph("CHAR:G1-21:H", rows) + "CHAR:G1-51:\"yes\"\n");
    ASSERT_EQ(c.status, 0);
    std::string block = block_head("A121", "E000") + "#       \n########\n        \n #      \n";
    for (int r = 4; r < 16; ++r) block += "        \n";
    EXPECT_NE(c.font.find(block + "</fontData>\n"), std::string::npos);
    EXPECT_EQ(gaiji_text(c.codes, 1, 0x50), "P");
    EXPECT_EQ(gaiji_text(c.codes, 1, 0x51), "yes");

    // 2. A glyph with only 10 rows at the end of the table gets 6 blank rows
    // of its set's width; so does each cell of a cut-short multi-cell glyph.
    std::string ten = "CHAR:G1-21:H\n", wide = "CHAR:G1-22:Z2\n";
    for (int r = 0; r < 10; ++r) {
        ten += "@\n";
        wide += std::string(16, '.') + "@\n";
    }
    c = convert(ten);
    ASSERT_EQ(c.status, 0);
    block = block_head("A121", "E000");
    for (int r = 0; r < 16; ++r) block += r < 10 ? "#       \n" : "        \n";
    EXPECT_EQ(c.font, FontHead + block + "</fontData>\n</fontSet>\n<fontSet size=\"16X16\" start=\"A221\">\n"
                                         "</fontSet>\n</gaijiData>\n");
    c = convert(wide);
    ASSERT_EQ(c.status, 0);
    EXPECT_EQ(map_body(c), map_line("E000", "A221") + map_line("E001", "A222"));
    block = block_head("A222", "E001");
    for (int r = 0; r < 16; ++r) block += r < 10 ? "#" + std::string(15, ' ') + "\n" : std::string(16, ' ') + "\n";
    EXPECT_NE(c.font.find(block + "</fontData>\n</fontSet>\n</gaijiData>\n"), std::string::npos);

    // 3. Line ends of CR LF or LF; a lone CR is a byte of the row; a 0x1A
    // byte ends the table.
    c = convert("CHAR:G1-21:H\n@@\r\n@\r@\n@\n\x1A" "CHAR:G1-22:\"late\"\n", true);
    ASSERT_EQ(c.status, 0);
    block = block_head("A121", "E000") + "##      \n# #     \n#       \n";
    for (int r = 3; r < 16; ++r) block += "        \n";
    EXPECT_NE(c.font.find(block), std::string::npos);
    EXPECT_EQ(gaiji_text(c.codes, 1, 0x22), "&quot;");
}

TEST(GaijiTable, QuotedDefinitionsRegisterTheirText) {
    TempDir dir;
    dir.enter();
    Conversion c = convert(
        "CHAR:G1-21:\"first\"\n"
        "CHAR:G1-21:\"a\\\"b\" trailing\n"  // a later definition replaces the earlier one
        "CHAR:PRON:\"[発音]\"\n"
        "CHAR:PRON:\"[new]\"\n"  // the newest entry of a name wins
        "CHAR:G7-41:\"seven\"\n"  // set 7 has no row: a symbolic name
        "CHAR:G1-100:\"big\"\n"   // code beyond FF: a symbolic name
        "CHAR:G2-3C:\"\"\n"       // an empty text
        "CHAR:G3-41:\"open\n"     // no closing quote: the rest of the line
        "CHAR:G4-41:Q\n"          // an unknown kind: passed over
        "CHAR:G5-41\n");          // no kind at all
    ASSERT_EQ(c.status, 0);
    EXPECT_EQ(gaiji_text(c.codes, 1, 0x21), "a\"b");
    EXPECT_STREQ(gaiji_lookup(c.codes, "PRON"), "[new]");
    EXPECT_STREQ(gaiji_lookup(c.codes, "G7-41"), "seven");
    EXPECT_STREQ(gaiji_lookup(c.codes, "G1-100"), "big");
    EXPECT_EQ(gaiji_text(c.codes, 7, 0x41), "{G7-41}");
    EXPECT_EQ(gaiji_text(c.codes, 2, 0x3C), "");
    EXPECT_EQ(gaiji_text(c.codes, 3, 0x41), "open");
    EXPECT_EQ(gaiji_text(c.codes, 4, 0x41), "A");
    EXPECT_EQ(gaiji_text(c.codes, 5, 0x41), "A");
    // No quoted definition gets a code or a glyph.
    EXPECT_EQ(map_body(c), "");
    // Names read like the look-up reads them: "G2-3c" is the slot of G2-3C.
    EXPECT_STREQ(gaiji_lookup(c.codes, "G2-3c"), "");
}

TEST(GaijiTable, LongLinesNeverSpillIntoOtherLines) {
    TempDir dir;
    dir.enter();
    // 1. A long line whose 1024th byte starts "CHAR:" defines nothing.
    // 2. A long quoted definition is cut to the line buffer and logged.
    // 3. A glyph 70 cells wide keeps the dots of its last cell, which lie
    //    beyond the first 1023 bytes of each row.
    std::string long_text(2000, 'q');
    std::string row = std::string(69 * 16, '.') + "@.............@.";
    Conversion c = convert(std::string(1023, 'x') + "CHAR:G1-30:\"hidden\"\n" + "CHAR:G1-31:\"" + long_text +
                           "\"\n" + glyph("CHAR:G1-32:Z70", {row, row}) + "CHAR:G1-33:\"after\"\n");
    ASSERT_EQ(c.status, 0);
    EXPECT_EQ(gaiji_text(c.codes, 1, 0x30), "0");
    EXPECT_EQ((gaiji_text(c.codes, 1, 0x31)), std::string(1023 - 12, 'q'));
    EXPECT_NE(read_file("qelconv.log").find("外字データファイル qelgaiji.tbl の 2 行目は長すぎるため、"
                                            "先頭の 1023 バイトだけを読みました\r\n"),
              std::string::npos);
    std::string last = block_head("A266", "E045") + "#             # \n#             # \n";
    for (int r = 2; r < 16; ++r) last += std::string(16, ' ') + "\n";
    EXPECT_NE(c.font.find(last + "</fontData>\n</fontSet>"), std::string::npos);
    EXPECT_NE(c.font.find(blank_block("A265", "E044", 16)), std::string::npos);
    EXPECT_EQ(gaiji_text(c.codes, 1, 0x33), "after");

    // 4. A line of exactly 1023 bytes is whole and not logged.
    std::string log_before = read_file("qelconv.log");
    c = convert("CHAR:G1-31:\"" + std::string(1023 - 13, 'q') + "\"\n");
    ASSERT_EQ(c.status, 0);
    EXPECT_EQ((gaiji_text(c.codes, 1, 0x31)), std::string(1023 - 13, 'q'));
    EXPECT_EQ(read_file("qelconv.log").substr(log_before.size()),
              crlf("外字データを変換しています... 終了しました\n"));
}

TEST(GaijiTable, GlyphsBeyondTheLastCodeAreLeftOut) {
    TempDir dir;
    dir.enter();
    // The full-width set starts at A221 and has 93 high bytes of 94 codes:
    // 8742 cells. A glyph that does not fit whole gets nothing, and the
    // glyphs after it still get their codes when they fit.
    Conversion c = convert(glyph("CHAR:G1-21:Z8743", {"@"}) + glyph("CHAR:G1-22:Z8741") +
                           glyph("CHAR:G1-23:Z2") + glyph("CHAR:G1-24:Z") + glyph("CHAR:G1-25:Z:U+00E9") +
                           "CHAR:G1-26:\"after\"\n");
    ASSERT_EQ(c.status, 0);
    EXPECT_EQ(c.console,
              "外字データを変換しています... 終了しました\n"
              "※ 外字コードが足りないため、3 個の外字を変換しませんでした (qelconv.log を参照)\n");
    std::string log = read_file("qelconv.log");
    EXPECT_EQ(log.rfind("外字データを変換しています...\r\n"
                        "外字 G1-21 に割り当てる外字コードが残っていないため、変換しません\r\n"
                        "外字 G1-23 に割り当てる外字コードが残っていないため、変換しません\r\n"
                        "外字 G1-25 に割り当てる外字コードが残っていないため、変換しません\r\n"
                        " 終了しました\r\n",
                        0),
              0u);
    // The left-out glyphs keep their default texts; no code point is used up.
    EXPECT_EQ(gaiji_text(c.codes, 1, 0x21), "!");
    EXPECT_EQ(gaiji_text(c.codes, 1, 0x23), "#");
    EXPECT_EQ(gaiji_text(c.codes, 1, 0x24), "&#x10225;");
    EXPECT_EQ(gaiji_text(c.codes, 1, 0x25), "%");
    EXPECT_EQ(gaiji_text(c.codes, 1, 0x26), "after");
    // The last code handed out is FE7E; no code reaches high byte FF.
    EXPECT_NE(c.map.find(map_line("10225", "FE7E") + "</gaijiSet>\n"), std::string::npos);
    EXPECT_EQ(c.map.find("ebcode=\"FF"), std::string::npos);
    EXPECT_EQ(std::count(c.map.begin(), c.map.end(), '\n'), 3 + 8742);
}

TEST(GaijiTable, FilesThatCannotBeOpenedAreReported) {
    TempDir dir;
    dir.enter();
    GaijiCodes codes;
    // 1. No table.
    capture_console();
    EXPECT_EQ(convert_gaiji_table(codes, "", "qelgaiji.tbl", "qelgmap.xml", "qelgfont.xml"), -1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "外字データファイル qelgaiji.tbl がオープンできません\n");
    // 2. The map file cannot be created.
    write_file("qelgaiji.tbl", "");
    capture_console();
    EXPECT_EQ(convert_gaiji_table(codes, "missing\\", "qelgaiji.tbl", "qelgmap.xml", "qelgfont.xml"), -1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "外字マップファイル missing\\qelgmap.xml が新規作成できません\n");
    // 3. The font file cannot be created.
    capture_console();
    EXPECT_EQ(convert_gaiji_table(codes, "", "qelgaiji.tbl", "qelgmap.xml", "missing\\qelgfont.xml"), -1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "外字フォントファイル missing\\qelgfont.xml が新規作成できません\n");
}
