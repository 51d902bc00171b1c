// The quick-jump pass: which entries qualify, the items of their records, the
// record lines and their reading back.
#include "html/quick_jump_table.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "html/inline.h"
#include "links/link_table.h"
#include "platform/platform.h"
#include "support/test_support.h"
#include "text/sjis.h"

using namespace qel;
using qeltest::lf;
using qeltest::read_file;
using qeltest::TempDir;
using qeltest::write_file;

namespace {

// main.txt as stored: every byte complemented, each line ended by 0xF5.
std::string stored_main_text(const std::vector<std::string>& lines) {
    std::string out;
    for (const std::string& line : lines) {
        for (char c : line) out.push_back(static_cast<char>(~static_cast<unsigned char>(c)));
        out.push_back(static_cast<char>(0xF5));
    }
    return out;
}

// One record: RA, RN, EN, then `fields`, then `filler` TR lines.
std::vector<std::string> record(const char* number, const char* headword, std::vector<std::string> fields,
                                int filler = 0) {
    std::vector<std::string> lines = {"RA=", std::string("RN=") + number, std::string("EN=") + headword};
    lines.insert(lines.end(), fields.begin(), fields.end());
    for (int i = 0; i < filler; ++i) lines.push_back("TR" + std::to_string(i + 1) + "=訳");
    return lines;
}

std::vector<std::string> operator+(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// Byte offset of line `index` in the stored text of `lines`.
long offset_of(const std::vector<std::string>& lines, size_t index) {
    long offset = 0;
    for (size_t i = 0; i < index; ++i) offset += static_cast<long>(lines[i].size()) + 1;
    return offset;
}

struct QuickJumpPass : testing::Test {
    TempDir dir;
    ConversionSettings settings;  // the run's settings, the defaults unless a test sets them
    std::string console;
    void SetUp() override {
        settings.DICPATH = "";
        set_console_transcoding(0);
        dir.enter();
    }
    void TearDown() override {
        set_console_transcoding(-1);
    }
    // Runs the pass over `lines`; returns quickjmp.dat as text lines.
    std::string run(const std::vector<std::string>& lines, int* result = nullptr) {
        write_file("main.txt", stored_main_text(lines));
        testing::internal::CaptureStdout();
        int r = build_quick_jump_data(settings, GaijiCodes());
        console = testing::internal::GetCapturedStdout();
        if (result) *result = r;
        return lf(read_file(QuickJumpDataName));
    }
};

}  // namespace

TEST_F(QuickJumpPass, QualificationWithTheDefaultThresholds) {
    // Defaults: 3 items (PS lines plus idiom blocks) and 30 lines.
    EXPECT_EQ(settings.QJITEMS, 3);
    EXPECT_EQ(settings.QJLINES, 30);

    // 1. Two PS lines, one idiom block, 40 counted lines: EN, 2 PS, ID and 36 TR.
    std::vector<std::string> lines = record("000010", "apple|apple", {"PS=名詞", "PS=動詞", "ID=an apple"}, 36);
    EXPECT_EQ(run(lines), "0|000010|apple|名詞|動詞|成句|\n") << "two PS and an idiom block";

    // 2. One PS line and no idioms does not qualify, however long.
    EXPECT_EQ(run(record("000010", "apple|apple", {"PS=名詞"}, 60)), "") << "one item";

    // 3. Lines: 29 is too few, 30 is enough; RA and RN do not count, ENN (not
    // shown) does not count, OT1SUB counts.
    std::vector<std::string> three = {"PS=名詞", "PS=動詞", "PS=形容詞"};
    EXPECT_EQ(run(record("1", "a|a", three, 25)), "") << "29 lines";
    EXPECT_EQ(run(record("1", "a|a", three, 26)), "0|1|a|名詞|動詞|形容詞|\n") << "30 lines";
    EXPECT_EQ(run(record("1", "a|a", three + std::vector<std::string>{"ENN=a", "KEY=a", "RES="}, 25)), "")
        << "lines not shown";
    EXPECT_EQ(run(record("1", "a|a", three + std::vector<std::string>{"OT1SUB=x"}, 25)), "0|1|a|名詞|動詞|形容詞|\n")
        << "OT1SUB counts as a line and gives no item";

    // 4. Other thresholds from the settings.
    settings.QJITEMS = 1;
    settings.QJLINES = 2;
    EXPECT_EQ(run(record("1", "a|a", {"PS=名詞"})), "0|1|a|名詞|\n");
    settings.QJITEMS = 2;
    EXPECT_EQ(run(record("1", "a|a", {"PS=名詞", "OT1=【類語】x", "DR=b|b"}, 5)), "")
        << "OT and DR items do not count towards the threshold";
}

TEST_F(QuickJumpPass, ItemsOfTheEntryInLineOrder) {
    settings.QJITEMS = 1;
    settings.QJLINES = 1;

    // 1. Several ID lines in a row give one "成句"; a new PS line allows another;
    // ID lines before any PS give one too.
    EXPECT_EQ(run(record("7", "go|go", {"ID=a", "PS=動詞", "ID=go on", "ID=go off", "IDSUB=x", "ID=go by", "PS=名詞",
                                         "ID=a go"})),
              "0|7|go|成句|動詞|成句|名詞|成句|\n");

    // 2. OT labels without their brackets, DR lines as "派生形", SUB rows no item.
    EXPECT_EQ(run(record("7", "go|go", {"PS=動詞", "OT1=【類語】walk", "OT2SUB=【語法】x", "OT5=【地域的異形】",
                                         "DR=goer|goer", "PS=名詞", "OT3=【活用】"})),
              "0|7|go|動詞|類語|地域的異形|派生形|名詞|活用|\n");

    // 3. PS values are converted with links off: tags to HTML, a link to its
    // visible text.
    settings.ITALIC = 1;
    EXPECT_EQ(run(record("7", "go|go", {"PS=名詞 <SPO>n.</SPO> <HL>see:000123:1</HL>"})),
              "0|7|go|名詞 <i>n.</i> see|\n");

    // 4. The key is the EN value after its first "|", empty without one; the
    // identifier is the last RN value.
    EXPECT_EQ(run(record("8", "a b|x|y", {"PS=名詞"})), "0|8|x&#124;y|名詞|\n");
    EXPECT_EQ(run(record("8", "plain", {"PS=名詞"})), "0|8||名詞|\n");
    EXPECT_EQ(run({"RA=", "RN=1", "EN=a|a", "RN=2", "PS=名詞"}), "0|2|a|名詞|\n");
}

TEST_F(QuickJumpPass, EntriesAndTheirPositions) {
    settings.QJITEMS = 2;
    settings.QJLINES = 3;

    // Lines before the first RA belong to no entry; every entry, the last one
    // included, is finished at the next RA or the end of the file.
    std::vector<std::string> lines = std::vector<std::string>{"PS=前", "PS=前", "PS=前"} +
                                     record("000001", "a|a", {"PS=名詞", "PS=動詞"}) +
                                     record("000002", "b|b", {"PS=名詞"}) +
                                     record("000003", "c|c", {"PS=名詞", "ID=c c"});
    std::string expected = std::to_string(offset_of(lines, 3)) + "|000001|a|名詞|動詞|\n" +
                           std::to_string(offset_of(lines, 12)) + "|000003|c|名詞|成句|\n";
    int result = -1;
    EXPECT_EQ(run(lines, &result), expected);
    EXPECT_EQ(result, 0);

    // Stored with CR LF line ends.
    EXPECT_EQ(read_file(QuickJumpDataName), qeltest::crlf(expected));

    // The progress line and the closing message.
    EXPECT_EQ(console.substr(0, std::string("項目内ジャンプデータを生成しています...").size()),
              "項目内ジャンプデータを生成しています...");
    long divisor = offset_of(lines, lines.size()) / 100;
    long first_percent = divisor != 0 ? offset_of(lines, 3) / divisor : 0;
    EXPECT_NE(console.find("\r項目内ジャンプデータを生成しています... " + std::to_string(first_percent) + "%"),
              std::string::npos)
        << "the first entry's percentage";
    EXPECT_EQ(console.substr(console.size() - std::string("\r項目内ジャンプデータを生成しています... 終了しました\n").size()),
              "\r項目内ジャンプデータを生成しています... 終了しました\n");
    EXPECT_NE(read_file("qelconv.log").find("項目内ジャンプデータを生成しています...\r\n終了しました\r\n"),
              std::string::npos);
}

TEST_F(QuickJumpPass, LinesWithoutTextGiveNoItems) {
    settings.QJITEMS = 1;
    settings.QJLINES = 1;
    // Empty PS, OT and ID lines are written nowhere in the body and carry no
    // anchor, so they give no item; an empty PS does not start a new idiom
    // block, and an empty ID does not use up the block's "成句". Short OT
    // values are read safely.
    EXPECT_EQ(run(record("5", "e|e", {"PS=", "OT1=", "ID=", "PS=名詞", "ID=", "ID=x", "PS=", "ID=y", "OT2=【",
                                       "OT3=a", "OT4=【語法"})),
              "0|5|e|名詞|成句||a|語法|\n");
}

TEST_F(QuickJumpPass, LongTextsAndBarsInsideFields) {
    settings.QJITEMS = 1;
    settings.QJLINES = 1;

    // 1. Labels far past 128 bytes and a list far past 4096 bytes are kept whole.
    std::string long_label(300, 'x');
    std::vector<std::string> fields;
    std::string items;
    for (int i = 0; i < 40; ++i) {
        fields.push_back("PS=" + long_label + std::to_string(i));
        items += long_label + std::to_string(i) + "|";
    }
    fields.push_back("OT1=【" + std::string(200, 'y') + "】z");
    items += std::string(200, 'y') + "|";
    std::string id(150, '9');
    std::string key(500, 'k');
    EXPECT_EQ(run(record(id.c_str(), ("h|" + key).c_str(), fields)), "0|" + id + "|" + key + "|" + items + "\n");

    // 2. A "|" inside a label is escaped; the trail byte 0x7C of a two-byte
    // character (ポ is 0x83 0x7C) is not a bar.
    EXPECT_EQ(run(record("6", "a|a", {"PS=a|b", "OT1=【ポイント】x"})), "0|6|a|a&#124;b|ポイント|\n");

    // 3. An entry identifier holding a bar gets no record; the next one does.
    EXPECT_EQ(run(record("6|7", "a|a", {"PS=名詞"}) + record("8ポ", "b|b", {"PS=動詞"})),
              std::to_string(offset_of(record("6|7", "a|a", {"PS=名詞"}), 4)) + "|8ポ|b|動詞|\n");
}

TEST_F(QuickJumpPass, FilesThatCannotBeOpened) {
    // 1. No main.txt: the reader's message, -1, no table.
    testing::internal::CaptureStdout();
    EXPECT_EQ(build_quick_jump_data(settings, GaijiCodes()), -1);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("本文ファイル main.txt がオープンできません\n"), std::string::npos);
    EXPECT_FALSE(qeltest::file_exists(QuickJumpDataName));

    // 2. The table cannot be created (a directory takes its name).
    make_directory(QuickJumpDataName);
    int result = 0;
    run(record("1", "a|a", {"PS=名詞"}), &result);
    EXPECT_EQ(result, -1);
    EXPECT_NE(console.find("項目内ジャンプデータファイル quickjmp.dat が新規作成できません\n"), std::string::npos);

    // 3. Opening a missing table for reading.
    testing::internal::CaptureStdout();
    EXPECT_EQ(open_quick_jump_data("missing.dat"), nullptr);
    out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out, "項目内ジャンプデータファイル missing.dat がオープンできません\n");
}

TEST(QuickJumpRecord, ReadingStopsAtTheFirstLineWithoutANumber) {
    TempDir dir;
    dir.enter();
    std::string long_line = "42|1|k|" + std::string(5000, 'x') + "|\r\n";
    write_file("q.dat", "7|000001|a|名詞|\r\n" + long_line + "9|2|b|c|\n\r\n12|3|c|d|\r\nx|4|d|e|\r\n13|5|e|f");
    File* f = open_quick_jump_data("q.dat");
    ASSERT_NE(f, nullptr);
    std::string buffer;
    // 1. CR LF reads as LF; the line keeps its line feed.
    EXPECT_EQ(read_quick_jump_record(f, buffer), 7);
    EXPECT_EQ(buffer, "7|000001|a|名詞|\n");
    // 2. A line longer than any fixed buffer comes whole.
    EXPECT_EQ(read_quick_jump_record(f, buffer), 42);
    EXPECT_EQ(buffer, lf(long_line));
    // 3. LF alone ends a line too; an empty line gives -1.
    EXPECT_EQ(read_quick_jump_record(f, buffer), 9);
    EXPECT_EQ(read_quick_jump_record(f, buffer), -1);
    EXPECT_EQ(read_quick_jump_record(f, buffer), 12);
    // 4. A line that does not begin with a digit gives -1.
    EXPECT_EQ(read_quick_jump_record(f, buffer), -1);
    // 5. A last line without a line end gets one; then the end of the file.
    EXPECT_EQ(read_quick_jump_record(f, buffer), 13);
    EXPECT_EQ(buffer, "13|5|e|f\n");
    EXPECT_EQ(read_quick_jump_record(f, buffer), -1);
    EXPECT_EQ(read_quick_jump_record(f, buffer), -1);
    close_quick_jump_data(f);

    // 6. A number beyond any entry position is no position.
    write_file("q.dat", "99999999999|1|a|b|\n");
    f = open_quick_jump_data("q.dat");
    EXPECT_EQ(read_quick_jump_record(f, buffer), -1);
    close_quick_jump_data(f);
}
