// Headwords, the opening of entries and their header lines.
#include "html/headings.h"

#include <gtest/gtest.h>

#include <string>

#include "html/body_state.h"
#include "support/test_support.h"

using namespace qel;
using qeltest::lf;
using qeltest::read_file;
using qeltest::TempDir;

TEST(TakeHeadword, KeyGroupLetterAndDerivedNumber) {
    GaijiCodes gaiji;
    ConversionSettings settings;
    BodyConversionState s;
    s.settings = &settings;
    s.gaiji = &gaiji;
    s.conversion.gaiji = &gaiji;
    struct Case {
        const char* value;
        const char* display;
        const char* key;
        int letter;
    } cases[] = {
        {"apple|apple", "apple", "apple", 'A'},
        {"<B>3-D</B>|3-D", "3-D", "3-D", 'D'},
        {"'em|'em", "'em", "'em", 'E'},
        {"x|12 日本アイ", "x", "12 日本アイ", '@'},  // trail bytes that look like letters do not count
        {"no key", "no key", "", '@'},
        {"a|b|c", "a", "b|c", 'B'},
        {"ポ|po", "ポ", "po", 'P'},  // the second byte of ポ is 0x7C
    };
    for (const Case& c : cases) {
        take_headword(s, c.value, 0);
        EXPECT_EQ(s.headword_display, c.display) << c.value;
        EXPECT_EQ(s.headword_key, c.key) << c.value;
        EXPECT_EQ(s.group_letter, c.letter) << c.value;
        EXPECT_EQ(s.derived_number, 0);
    }
    take_headword(s, "b|b", 1);
    take_headword(s, "c|c", 1);
    EXPECT_EQ(s.derived_number, 2);
    EXPECT_EQ(s.headword_pending, 1);
}

TEST(OpenEntry, HeadingAndHeaderLine) {
    TempDir dir;
    dir.enter();
    GaijiCodes gaiji;
    ConversionSettings settings;
    BodyConversionState s;
    s.settings = &settings;
    s.gaiji = &gaiji;
    s.conversion.gaiji = &gaiji;
    s.body = file_open("body.html", FILE_WRITE_TEXT);
    ASSERT_NE(s.body, nullptr);
    s.entry_id = "000123";
    // 1. The first entry: no closing before it, a header line of one blank.
    take_headword(s, "a|a", 0);
    s.output_holding_buffer.text = "<a name=\"HL000001\"></a>\n";
    open_entry(s);
    // 2. Pronunciation, variant and sound link in that order; the held text goes
    // out between the previous entry's end and the new dt.
    take_headword(s, "b|b", 1);
    take_headword(s, "c|c", 1);
    s.pronunciation_pending = s.variant_pending = s.sound_pending = 1;
    s.pronunciation_text = "P";
    s.variant_text = "V";
    s.sound_link_text = "<a href=\"snd/000/1.wav\">S</a>";
    s.output_holding_buffer.text = "<key/>\n";
    open_entry(s);
    EXPECT_EQ(s.line_open, 1);
    EXPECT_EQ(s.headword_pending, 0);
    EXPECT_EQ(s.pronunciation_pending + s.variant_pending + s.sound_pending, 0);
    file_close(s.body);
    EXPECT_EQ(lf(read_file("body.html")),
              "<a name=\"HL000001\"></a>\n<dt id=\"000123\">a</dt>\n<dd><p>\n "
              "\n</p></dd>\n<key/>\n<dt id=\"000123DR02\">c</dt>\n<dd><p>\nP V <a href=\"snd/000/1.wav\">S</a>");
}
