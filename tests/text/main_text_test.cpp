// Reading main.txt line by line and classifying its lines by field tag.
#include "text/main_text.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/platform.h"
#include "support/test_support.h"

using namespace qel;
using qeltest::TempDir;
using qeltest::write_file;

namespace {

// The stored form of a decoded text: every byte complemented, so each "\n"
// becomes the line end 0xF5.
std::string stored(const std::string& text) {
    std::string bytes = text;
    for (char& c : bytes) c = static_cast<char>(~static_cast<unsigned char>(c));
    return bytes;
}

// Writes `text` as main.txt in `dir`, reads every line and records the line
// start offsets next to the lines.
struct ReadResult {
    std::vector<std::string> lines;
    std::vector<int32_t> starts;
    int32_t bytes_read;
    int32_t size;
};

ReadResult read_all(TempDir& dir, const std::string& text) {
    write_file(dir.path + "/main.txt", stored(text));
    ReadResult result{{}, {}, 0, 0};
    MainText* main_text = open_main_text((dir.path + "/").c_str(), "main.txt");
    EXPECT_NE(main_text, nullptr);
    if (main_text == nullptr) return result;
    result.size = main_text_size(main_text);
    std::string line = "stale";
    while (const char* text = read_main_line(main_text, line)) {
        result.lines.push_back(text);
        result.starts.push_back(line_start_offset(main_text));
    }
    result.bytes_read = main_text_bytes_read(main_text);
    // At the end it stays at the end.
    EXPECT_EQ(read_main_line(main_text, line), nullptr);
    close_main_text(main_text);
    return result;
}

int index_of(const char* line) {
    return classify_line(line).index;
}

}  // namespace

TEST(MainTextReader, LinesAndTheirOffsets) {
    TempDir dir;
    // 1. Consecutive lines: each start is the previous start plus its length
    //    plus one; an empty line between two line ends; CR stays in the line;
    //    the last line without a line end is dropped but counted.
    ReadResult r = read_all(dir, "RA=1\nRN=22\n\nEN=a|b\r\nlast");
    ASSERT_EQ(r.lines.size(), 4u);
    EXPECT_EQ(r.lines[0], "RA=1");
    EXPECT_EQ(r.lines[1], "RN=22");
    EXPECT_EQ(r.lines[2], "");
    EXPECT_EQ(r.lines[3], "EN=a|b\r");
    EXPECT_EQ(r.starts, (std::vector<int32_t>{0, 5, 11, 12}));
    EXPECT_EQ(r.bytes_read, 24);
    EXPECT_EQ(r.size, 24);
    // 2. An empty file gives no line; a reopened file starts again at 0.
    r = read_all(dir, "");
    EXPECT_TRUE(r.lines.empty());
    EXPECT_EQ(r.bytes_read, 0);
    r = read_all(dir, "x\n");
    EXPECT_EQ(r.starts, (std::vector<int32_t>{0}));
    EXPECT_EQ(r.bytes_read, 2);
}

TEST(MainTextReader, LongLinesAcrossReadBlocks) {
    TempDir dir;
    // Lines far longer than a body line, one ending right at the 256 KiB
    // read block's end and one spanning several blocks, all come whole.
    std::string first(262143, 'a');  // with its line end exactly 262144 bytes
    std::string second(600000, 'b');
    second[300000] = '\x83';
    std::string third = "TR1=x";
    ReadResult r = read_all(dir, first + "\n" + second + "\n" + third + "\n");
    ASSERT_EQ(r.lines.size(), 3u);
    EXPECT_EQ(r.lines[0], first);
    EXPECT_EQ(r.lines[1], second);
    EXPECT_EQ(r.lines[2], third);
    EXPECT_EQ(r.starts[1], 262144);
    EXPECT_EQ(r.starts[2], 262144 + 600001);
}

TEST(MainTextReader, BadBytesAreReadSafely) {
    TempDir dir;
    // 1. A NUL inside a line ends its text; its bytes still count.
    ReadResult r = read_all(dir, std::string("EN=ab\0cd\nRN=1\n", 14));
    ASSERT_EQ(r.lines.size(), 2u);
    EXPECT_EQ(r.lines[0], "EN=ab");
    EXPECT_EQ(r.starts[1], 9);
    // 2. Also when the rest of the line runs on into the next read block.
    std::string before(262138, 'a');
    r = read_all(dir, before + std::string(1, '\0') + std::string(10000, 'b') + "\nRN=1\n");
    ASSERT_EQ(r.lines.size(), 2u);
    EXPECT_EQ(r.lines[0], before);
    EXPECT_EQ(r.lines[1], "RN=1");
    EXPECT_EQ(r.starts[1], 262138 + 1 + 10000 + 1);
    // 3. Lone lead bytes at line ends and bytes that are no Shift_JIS pass
    //    through unchanged, and the line end after a lead byte still ends it.
    r = read_all(dir, "EN=\x83\nTRSUB2(\x81\n\xFF\xFE\x80\n");
    ASSERT_EQ(r.lines.size(), 3u);
    EXPECT_EQ(r.lines[0], "EN=\x83");
    EXPECT_EQ(r.lines[1], "TRSUB2(\x81");
    EXPECT_EQ(r.lines[2], "\xFF\xFE\x80");
    EXPECT_EQ(index_of(r.lines[1].c_str()), FT_TRSUB);
    EXPECT_EQ(FieldTagTable[FT_TRSUB].number2, 0);
    EXPECT_EQ(index_of(r.lines[2].c_str()), FT_CMT);
}

TEST(MainTextReader, OpenFailureIsReported) {
    TempDir dir;
    dir.enter();
    set_console_transcoding(0);  // the console gets the Shift_JIS bytes as they are
    testing::internal::CaptureStdout();
    MainText* main_text = open_main_text("nowhere/", "main.txt");
    std::string console = testing::internal::GetCapturedStdout();
    set_console_transcoding(-1);
    EXPECT_EQ(main_text, nullptr);
    EXPECT_EQ(console, "本文ファイル nowhere/main.txt がオープンできません\n");
    close_main_text(nullptr);
}

// Entry positions are 32-bit: a file of 2 GiB is refused, not read with
// positions that wrap around. The file is sparse, so it takes no disk space.
TEST(MainTextReader, FileOf2GiBIsRefused) {
    TempDir dir;
    dir.enter();
    write_file("main.txt", "");
    ASSERT_EQ(truncate("main.txt", 0x80000000LL), 0);
    set_console_transcoding(0);
    testing::internal::CaptureStdout();
    MainText* main_text = open_main_text("", "main.txt");
    std::string console = testing::internal::GetCapturedStdout();
    set_console_transcoding(-1);
    EXPECT_EQ(main_text, nullptr);
    EXPECT_EQ(console, "本文ファイル main.txt が大きすぎます(2GB以上)\n");
    close_main_text(main_text);
}

TEST(MainTextReader, ProgressFigure) {
    TempDir dir;
    // 1. A file under 100 bytes: divisor 0, the figure stays 0.
    write_file(dir.path + "/main.txt", stored("RA=1\n"));
    MainText* main_text = open_main_text((dir.path + "/").c_str(), "main.txt");
    ASSERT_NE(main_text, nullptr);
    EXPECT_EQ(progress_divisor(main_text), 0);
    EXPECT_EQ(progress_percent(4, progress_divisor(main_text)), 0);
    close_main_text(main_text);
    // 2. Otherwise offset / (size / 100).
    write_file(dir.path + "/main.txt", stored(std::string(999, 'x') + "\n"));
    main_text = open_main_text((dir.path + "/").c_str(), "main.txt");
    ASSERT_NE(main_text, nullptr);
    EXPECT_EQ(progress_divisor(main_text), 10);
    EXPECT_EQ(progress_percent(0, 10), 0);
    EXPECT_EQ(progress_percent(995, 10), 99);
    close_main_text(main_text);
}

TEST(ClassifyLine, EveryTagFindsItsRow) {
    for (int i = 0; i < FieldTagCount; ++i) {
        std::string line = std::string(FieldTagTable[i].name) + "=x";
        FieldTagInfo row = classify_line(line.c_str());
        EXPECT_EQ(row.name, FieldTagTable[i].name) << line;
        EXPECT_EQ(row.index, i) << line;
    }
    // The rows the passes depend on, by flag.
    EXPECT_EQ(FieldTagTable[FT_NSBUS].shown, 1);
    EXPECT_EQ(FieldTagTable[FT_RA].shown, 0);
    EXPECT_EQ(FieldTagTable[FT_KEYID].shown, 0);
    EXPECT_EQ(FieldTagTable[FT_IMG].shown, 1);
    EXPECT_EQ(FieldTagTable[FieldTagCount].index, FT_NONE);
    EXPECT_EQ(FieldTagTable[FieldTagCount].name, nullptr);
}

TEST(ClassifyLine, KeysPrefixesAndComments) {
    // 1. The OT family: the SUB form needs a digit then "S".
    EXPECT_EQ(index_of("OT3SUB=x"), FT_OT3SUB);
    EXPECT_EQ(index_of("OT3=x"), FT_OT3);
    EXPECT_EQ(index_of("OT5SUB=x"), FT_OT5SUB);
    EXPECT_EQ(index_of("OT6=x"), FT_NONE);
    EXPECT_EQ(index_of("OT=x"), FT_NONE);
    // 2. J2E with or without its digit.
    EXPECT_EQ(index_of("J2E=x"), FT_J2E);
    EXPECT_EQ(index_of("J2E2=x"), FT_J2E);
    // 3. A key that only begins a name finds the first such name.
    EXPECT_EQ(index_of("E=x"), FT_EN);
    EXPECT_EQ(index_of("NBS=x"), FT_NBSUB);
    EXPECT_EQ(index_of("KEYE=x"), FT_KEYEX);
    // 4. Comments: empty, lower case, digit, Japanese.
    EXPECT_EQ(index_of(""), FT_CMT);
    EXPECT_EQ(index_of("en=x"), FT_CMT);
    EXPECT_EQ(index_of("1=x"), FT_CMT);
    EXPECT_EQ(index_of("見出し=x"), FT_CMT);
    // 5. Unlisted tags give the end row, which is not shown.
    FieldTagInfo none = classify_line("XYZ=x");
    EXPECT_EQ(none.index, FT_NONE);
    EXPECT_EQ(none.shown, 0);
    EXPECT_EQ(index_of("ENX=x"), FT_NONE);
    EXPECT_EQ(index_of(std::string(300, 'Q').c_str()), FT_NONE);
}

// Every key of up to three letters, and every name cut short, lengthened by
// a letter or changed in one, finds the first row whose name begins with it
// (the end row when none does, or when the key is longer than any name).
TEST(ClassifyLine, AnyKeyFindsTheFirstNameBeginningWithIt) {
    auto first_row_for = [](const std::string& key) -> int {
        if (key.size() > 6) return FT_NONE;
        for (int i = 0; i < FieldTagCount; ++i)
            if (std::string(FieldTagTable[i].name).compare(0, key.size(), key) == 0) return i;
        return FT_NONE;
    };
    std::vector<std::string> keys;
    const std::string letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    for (char a : letters) {
        keys.push_back(std::string(1, a));
        for (char b : letters) {
            keys.push_back(std::string{a, b});
            for (char c : letters) keys.push_back(std::string{a, b, c});
        }
    }
    for (int i = 0; i < FieldTagCount; ++i) {
        std::string name = FieldTagTable[i].name;
        for (size_t cut = 1; cut <= name.size(); ++cut) keys.push_back(name.substr(0, cut));
        for (char c : letters) {
            keys.push_back(name + c);
            for (size_t at = 0; at < name.size(); ++at) {
                std::string changed = name;
                changed[at] = c;
                keys.push_back(changed);
            }
        }
    }
    for (const std::string& key : keys) {
        // The OT and J2E families are read by their own rules.
        if (key.compare(0, 2, "OT") == 0 || key.compare(0, 3, "J2E") == 0) continue;
        if (key.find_first_not_of(letters) != std::string::npos) continue;
        ASSERT_EQ(index_of((key + "=x").c_str()), first_row_for(key)) << key;
        ASSERT_EQ(index_of(key.c_str()), first_row_for(key)) << key;
    }
}

TEST(ClassifyLine, TranslationNumbers) {
    FieldTagInfo row;
    // 1. TRSUB: the number after the tag, and the one after the first "(".
    row = classify_line("TRSUB12(3)=x");
    EXPECT_EQ(row.index, FT_TRSUB);
    EXPECT_EQ(row.number1, 12);
    EXPECT_EQ(row.number2, 3);
    row = classify_line("TRSUB4=a(7)");
    EXPECT_EQ(row.number1, 4);
    EXPECT_EQ(row.number2, 7);
    // 2. No "(": 0; a "(" inside a two-byte character does not count.
    row = classify_line("TRSUB4=x");
    EXPECT_EQ(row.number2, 0);
    row = classify_line("TRSUB4=\x83(9(7)");
    EXPECT_EQ(row.number2, 7);
    // 3. TR: blanks and a sign allowed, no digits 0. The table's rows are
    //    never written: the numbers travel in the returned copy only.
    row = classify_line("TR5=x");
    EXPECT_EQ(row.index, FT_TR);
    EXPECT_EQ(row.number1, 5);
    EXPECT_EQ(classify_line("TR -3=x").number1, -3);
    EXPECT_EQ(classify_line("TR=x").number1, 0);
    EXPECT_EQ(FieldTagTable[FT_TRSUB].number1, 0);
    EXPECT_EQ(FieldTagTable[FT_TR].number1, 0);
    // 4. A number too large for an int is held at the limit.
    EXPECT_EQ(classify_line("TR99999999999999999999=x").number1, 2147483647);
    EXPECT_EQ(classify_line("TR-99999999999999999999=x").number1, -2147483647 - 1);
    // 5. White space is the C locale's, whatever locale the console uses: a
    //    tab and a plus sign are taken, a byte 0xA0 (a space in some 8-bit
    //    locales) is not.
    EXPECT_EQ(classify_line("TR\t+8=x").number1, 8);
    EXPECT_EQ(classify_line("TR\xA0" "8=x").number1, 0);
    row = classify_line("TRSUB 2( 5=x");
    EXPECT_EQ(row.number1, 2);
    EXPECT_EQ(row.number2, 5);
}

TEST(ClassifyLine, ValueAfterTheFirstEqualsSign) {
    EXPECT_STREQ(line_value("EN=a=b"), "a=b");
    EXPECT_STREQ(line_value("CMT"), "");
    // A lead byte takes the byte after it along, even an "=".
    EXPECT_STREQ(line_value("EN\x83==v"), "v");
    EXPECT_STREQ(line_value("\x83=EN=v"), "v");
    EXPECT_STREQ(line_value("EN\x83"), "");
    EXPECT_STREQ(line_value("RA"), "");
}
