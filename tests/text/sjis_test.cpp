// Shift_JIS scanners and copies, and full-width forms.
#include "text/full_width.h"
#include "text/sjis.h"
#include "text/text_copy.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <string>

using namespace qel;

namespace {

// Two-byte characters whose second byte looks like ASCII.
const char* const Po = "\x83\x7C";      // ポ: second byte "|"
const char* const Hyou = "\x95\x5C";    // 表: second byte "\"
const char* const KanaA = "\x83\x41";   // ア: second byte "A"


}  // namespace

TEST(SjisScan, HexByteValue) {
    EXPECT_EQ(hex_byte_value("1F"), 31);
    EXPECT_EQ(hex_byte_value("xA"), 10);
    EXPECT_EQ(hex_byte_value("Ax"), 0);
    EXPECT_EQ(hex_byte_value("ff"), 255);
    EXPECT_EQ(hex_byte_value("a0#"), 0xA0);  // only two characters count
    EXPECT_EQ(hex_byte_value("F"), 15);      // the terminator ends it early
    EXPECT_EQ(hex_byte_value(""), 0);
}

TEST(SjisScan, SearchesMatchOnlyAtCharacterStarts) {
    // 1. A delimiter that occurs only as a trail byte is not found: the end.
    std::string text = std::string("a") + Po + "b";
    EXPECT_EQ(find_char(text.c_str(), '|'), text.c_str() + text.size());
    // 2. The real one after it is found; the position is just past it.
    text = std::string(Po) + "x|y";
    EXPECT_EQ(find_char(text.c_str(), '|'), text.c_str() + 4);
    // 3. An absent byte gives the terminator's position, not one past it.
    EXPECT_EQ(find_char("abc", '='), std::strchr("abc", '\0'));
    // 4. A lead byte right before the terminator does not step over it.
    const char* lone = "ab\x83";
    EXPECT_EQ(find_char(lone, 'z'), lone + 3);
    // 5. find_pair at character starts only: "表" then "\x5C\x5C" must not
    //    match across the character boundary.
    text = std::string(Hyou) + "\\x";
    EXPECT_EQ(find_pair(text.c_str(), "\\\\"), text.c_str() + text.size());
    text = "ab\x81\x79xyz\x81\x7A" "rest";  // ab【xyz】rest
    EXPECT_EQ(find_pair(text.c_str(), "\x81\x7A"), text.c_str() + 9);
    EXPECT_EQ(find_pair("ab\x81", "\x81\x7A"), std::strchr("ab\x81", '\0'));
    // 6. The other scanners.
    const char* blanks = " \t x";
    EXPECT_EQ(skip_blanks(blanks), blanks + 3);
    EXPECT_EQ(end_of_text("abc") - 3, std::strchr("abc", 'a'));
}

TEST(SjisCopy, CopiesStopAtLineEndsAndStopBytes) {
    std::string out = "old contents are replaced";
    const char* p;
    // 1. copy_until_any: a stop byte, and each of the three line ends.
    const char* src = "abc def\"g";
    p = copy_until_any(src, out, " \"");
    EXPECT_EQ(out, "abc");
    EXPECT_EQ(p, src + 3);
    for (const char* line : {"ab\rc", "ab\nc", "ab"}) {
        p = copy_until_any(line, out, "|");
        EXPECT_EQ(out, "ab") << line;
        EXPECT_EQ(p, line + 2);
    }
    // 2. copy_until_char is byte by byte: a trail byte "|" stops it.
    std::string text = std::string("x") + Po + "y";
    p = copy_until_char(text.c_str(), out, '|');
    EXPECT_EQ(out, "x\x83");
    EXPECT_EQ(*p, '|');
    p = copy_until_char("k|v", out, '|');
    EXPECT_EQ(out, "k");
    // 3. copy_digits.
    src = "123ab";
    p = copy_digits(src, out);
    EXPECT_EQ(out, "123");
    EXPECT_EQ(p, src + 3);
    p = copy_digits("x", out);
    EXPECT_EQ(out, "");
    // 4. append_text adds to what is there.
    out = "ab";
    append_text(out, "cd");
    EXPECT_EQ(out, "abcd");
}

TEST(SjisCopy, WideCopyStepsTwoBytes) {
    std::string out;
    const char* p;
    // 1. Up to the closing bracket, not past it.
    std::string text = "\x81\x79\x96\xBC\x81\x7A rest";  // 【名】 rest
    p = copy_wide_until(text.c_str() + 2, out, "\x81\x7A");
    EXPECT_EQ(out, "\x96\xBC");
    EXPECT_EQ(p, text.c_str() + 4);
    // 2. The bracket's bytes straddling two characters do not match.
    text = "a\x81\x7A\x81";  // "a" then 81 7A at an odd offset
    p = copy_wide_until(text.c_str(), out, "\x81\x7A");
    EXPECT_EQ(p, text.c_str() + text.size());
    EXPECT_EQ(out, text);
    // 3. A line end at the start of a step ends the copy.
    text = "\x96\xBC\r\n";
    p = copy_wide_until(text.c_str(), out, "\x81\x7A");
    EXPECT_EQ(out, "\x96\xBC");
    EXPECT_EQ(*p, '\r');
    // 4. A terminator in a step's second byte: the lone byte is kept and the
    //    terminator's position returned.
    text = "\x96\xBC\x96";
    p = copy_wide_until(text.c_str(), out, "\x81\x7A");
    EXPECT_EQ(out, text);
    EXPECT_EQ(p, text.c_str() + 3);
}

TEST(SjisCopy, StripTags) {
    char a[] = "a<i>b</i>c<unclosed";
    EXPECT_STREQ(strip_tags(a), "abc");
    // A two-byte character stays whole, also when its second byte is "\".
    std::string b = std::string("<b>") + Hyou + "</b>" + Po;
    strip_tags(b);
    EXPECT_EQ(b, std::string(Hyou) + Po);
    // A lead byte before the terminator ends the text without a step past it.
    std::string c = "x\x83";
    strip_tags(c);
    EXPECT_EQ(c, "x\x83");
    std::string d = "<>";
    EXPECT_EQ(strip_tags(d), "");
}

TEST(SjisCopy, AppendDecimalWritesWhatPrintfWrites) {
    // Every value and width against "%0*ld": zero, one digit more and less
    // than the width, negatives (the sign counts in the width) and both ends
    // of the range.
    const long values[] = {0, 1, 9, 10, 99, 100, 12345, 999999, 1000000, 123456789, -1, -5, -99999, -1000000,
                           LONG_MAX, LONG_MIN};
    for (long value : values) {
        for (int width : {0, 1, 2, 6, 8, 25}) {
            char expected[64];
            std::snprintf(expected, sizeof expected, "%0*ld", width, value);
            std::string got = "HL";
            append_decimal(got, value, width);
            EXPECT_EQ(got, std::string("HL") + expected) << value << " in width " << width;
        }
    }
}

TEST(FullWidth, FormsAreTheExactShiftJisBytes) {
    // 1. The whole printable range against the full-width literals.
    std::string ascii;
    for (int c = 0x20; c <= 0x7E; ++c) ascii += static_cast<char>(c);
    std::string out;
    to_full_width(out, ascii.c_str());
    EXPECT_EQ(out,
              "　！”＃＄％＆’（）＊＋，－．／０１２３４５６７８９：；＜＝＞？"
              "＠ＡＢＣＤＥＦＧＨＩＪＫＬＭＮＯＰＱＲＳＴＵＶＷＸＹＺ［￥］＾＿"
              "‘ａｂｃｄｅｆｇｈｉｊｋｌｍｎｏｐｑｒｓｔｕｖｗｘｙｚ｛｜｝～");
    // 2. The choices that matter, as bytes.
    EXPECT_STREQ(FullWidthForms[0x20], "\x81\x40");
    EXPECT_STREQ(FullWidthForms[0x22], "\x81\x68");
    EXPECT_STREQ(FullWidthForms[0x27], "\x81\x66");
    EXPECT_STREQ(FullWidthForms[0x2D], "\x81\x7C");
    EXPECT_STREQ(FullWidthForms[0x5C], "\x81\x8F");
    EXPECT_STREQ(FullWidthForms[0x60], "\x81\x65");
    EXPECT_STREQ(FullWidthForms[0x7E], "\x81\x60");
    for (int c : {0x00, 0x09, 0x1F, 0x7F}) EXPECT_STREQ(FullWidthForms[c], "") << c;
    for (int c = 0; c < 128; ++c) {
        size_t length = std::strlen(FullWidthForms[c]);
        EXPECT_TRUE(length == 0 || length == 2) << "every form is one two-byte character or none: " << c;
    }
    // 3. to_full_width: tilde and backslash; bytes from 0x80 up dropped one at
    //    a time; controls give nothing.
    EXPECT_EQ(to_full_width(out, "~\\"), "～￥");
    EXPECT_EQ(to_full_width(out, "a-1"), "ａ－１");
    EXPECT_EQ(to_full_width(out, (std::string("x") + KanaA + "\t").c_str()), "ｘＡ");
    EXPECT_EQ(to_full_width(out, ""), "");
}

TEST(ParseQuoted, EscapesAndTwoByteCharacters) {
    std::string out;
    // 1. An escaped quote inside; the position after the closing quote.
    const char* src = "\"a\\\"b\" more";
    const char* p = parse_quoted(src, out);
    EXPECT_EQ(out, "a\"b");
    EXPECT_EQ(p, src + 6);
    EXPECT_EQ(*p, ' ');
    // 2. A doubled backslash; no leading quote.
    p = parse_quoted("x\\\\y\"z", out);
    EXPECT_EQ(out, "x\\y");
    EXPECT_EQ(*p, 'z');
    // 3. A character whose second byte is "\" is not an escape.
    std::string text = std::string("\"") + Hyou + "\"";
    p = parse_quoted(text.c_str(), out);
    EXPECT_EQ(out, Hyou);
    EXPECT_EQ(*p, '\0');
    // 4. The empty quoted text, and an unclosed one.
    p = parse_quoted("\"\"rest", out);
    EXPECT_EQ(out, "");
    EXPECT_EQ(*p, 'r');
    p = parse_quoted("\"abc", out);
    EXPECT_EQ(out, "abc");
    EXPECT_EQ(*p, '\0');
    // 5. A trailing backslash or lead byte is kept and the end is not passed.
    text = "\"ab\\";
    p = parse_quoted(text.c_str(), out);
    EXPECT_EQ(out, "ab\\");
    EXPECT_EQ(p, text.c_str() + text.size());
    text = "\"ab\x83";
    p = parse_quoted(text.c_str(), out);
    EXPECT_EQ(out, "ab\x83");
    EXPECT_EQ(p, text.c_str() + text.size());
}

TEST(NextFullWidthWord, YieldsRunsAndSkipsMarkup) {
    std::string word = "untouched";
    const char* p;
    // 1. ab-3 yields ＡＢ, ３, then none, leaving the destination alone.
    p = next_full_width_word("ab-3", word);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(word, "ＡＢ");
    p = next_full_width_word(p, word);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(word, "３");
    EXPECT_EQ(next_full_width_word(p, word), nullptr);
    EXPECT_EQ(word, "３");
    // 2. Tags and the gaiji reference are skipped whole.
    p = next_full_width_word("<i>x1</i> #A1#y", word);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(word, "Ｘ１");
    p = next_full_width_word(p, word);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(word, "Ｙ");
    EXPECT_EQ(next_full_width_word(p, word), nullptr);
    // 3. A "#" that begins no reference skips itself only.
    p = next_full_width_word("C# go", word);
    p = next_full_width_word(p, word);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(word, "ＧＯ");
    // 4. Japanese text yields nothing, though a trail byte looks like "A".
    std::string text = std::string(KanaA) + Po + "z";
    p = next_full_width_word(text.c_str(), word);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(word, "Ｚ");
    // 5. Unclosed markup and a lone lead byte yield none; a "#" cut by the end
    //    begins no reference.
    EXPECT_EQ(next_full_width_word("<i abc", word), nullptr);
    p = next_full_width_word("#A1", word);  // no closing "#": no reference
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(word, "Ａ１");
    EXPECT_EQ(next_full_width_word("\x83", word), nullptr);
    EXPECT_EQ(next_full_width_word("", word), nullptr);
}

