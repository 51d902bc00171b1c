// The built qelmend on small books, beside qelconv, and on a real book made
// with an EPWING authoring toolkit.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <vector>

#include "support/test_support.h"

using namespace qeltest;

namespace {

const size_t Block = 2048;

// A book of `blocks` blocks whose block 1 names one heading component (05)
// over blocks 2-3; an indent code sits at the end of block 2 (its value in
// block 3, when the book has it).
std::string small_book(int blocks) {
    std::string book(blocks * Block, '\0');
    const unsigned char head[] = {0x00, 0x01};
    const unsigned char entry[] = {0x05, 0x00, 0, 0, 0, 2, 0, 0, 0, 2};
    book.replace(0, 2, reinterpret_cast<const char*>(head), 2);
    book.replace(16, 10, reinterpret_cast<const char*>(entry), 10);
    book[Block + 2046] = 0x1F;
    book[Block + 2047] = 0x09;
    if (blocks >= 3) book[2 * Block + 1] = 0x02;
    return book;
}

void make_book(const std::string& dir, const std::string& honmon) {
    shell("mkdir -p '" + dir + "/qel/data'");
    write_file(dir + "/qel/data/honmon", honmon);
}

// The lines of the log from `from` on, up to and including the next empty line.
std::string run_in_log(const std::string& log, size_t from) {
    size_t end = log.find("\r\n\r\n", from);
    return end == std::string::npos ? log.substr(from) : log.substr(from, end + 4 - from);
}

}  // namespace

TEST(QelmendRun, PatchesTheBookBelowOutpath) {
    TempDir home, elsewhere;
    std::string exe = install_program(QELMEND_PATH, home.path);
    // A relative OUTPATH with a backslash, next to keys only the converter knows.
    write_file(home.path + "/qelconv.ini", "Figure=1\r\nOUTPATH=book\\\r\nQUICKJUMP=4\r\n");
    make_book(home.path + "/book", small_book(3));
    RunResult r = run_program(exe, elsewhere.path);
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.output.find("作業ディレクトリ " + home.path + " に移動しました\n"
                            "識別子 05 の書籍構成要素を修正しています... 終了しました\n"
                            "検索見出しの修正が終了しました\n"
                            "経過時間: 0:0"),
              0u) << r.output;
    std::string patched = read_file(home.path + "/book/qel/data/honmon");
    std::string expected = small_book(3);
    expected[Block + 2047] = 0x04;
    expected[2 * Block] = 0x1F;
    expected[2 * Block + 1] = 0x05;
    EXPECT_EQ(patched, expected);
    // The log, in the program's directory, has the start and end times too.
    std::string log = read_file(home.path + "/qelconv.log");
    EXPECT_EQ(log.find("開始時刻: "), 0u);
    EXPECT_NE(log.find("修正しています... 終了しました\r\n検索見出しの修正が終了しました\r\n終了時刻: "),
              std::string::npos);
    EXPECT_EQ(log.substr(log.size() - 4), "\r\n\r\n");
    EXPECT_FALSE(file_exists(elsewhere.path + "/qelconv.log"));
    // A second run changes nothing.
    r = run_program(exe, home.path);
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(read_file(home.path + "/book/qel/data/honmon"), expected);
}

TEST(QelmendRun, FailuresEndWithTheFailureSummary) {
    TempDir home;
    std::string exe = install_program(QELMEND_PATH, home.path);
    // 1. No settings file.
    RunResult r = run_program(exe, home.path);
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_NE(r.output.find("設定ファイル qelconv.ini がオープンできません\n検索見出しの修正に失敗しました\n"),
              std::string::npos);
    // 2. No OUTPATH and no book in the program's directory.
    write_file(home.path + "/qelconv.ini", "BASEPATH=x\n");
    r = run_program(exe, home.path);
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_NE(r.output.find("本文ファイル qel\\data\\honmon がオープンできません\n検索見出しの修正に失敗しました\n"),
              std::string::npos);
    // 3. A book that ends inside its heading component: the block inside is
    //    patched and kept.
    make_book(home.path, small_book(2));
    r = run_program(exe, home.path);
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_NE(r.output.find("識別子 05 の書籍構成要素を修正しています...\n"
                            "識別子 05 の書籍構成要素の修正に失敗しました\n"
                            "検索見出しの修正に失敗しました\n"),
              std::string::npos);
    EXPECT_EQ(read_file(home.path + "/qel/data/honmon")[Block + 2047], 0x04);
}

TEST(QelmendRun, SharesSettingsAndLogWithQelconv) {
    TempDir home;
    std::string conv = install_program(QELCONV_PATH, home.path);
    std::string mend = install_program(QELMEND_PATH, home.path);
    // The converter rejects the lower-case key; the fixer passes it over.
    write_file(home.path + "/qelconv.ini", "Figure=1\r\nOUTPATH=book/\r\n");
    make_book(home.path + "/book", small_book(3));
    RunResult c = run_program(conv, home.path);
    RunResult m = run_program(mend, home.path);
    EXPECT_EQ(c.exit_code, 1);
    EXPECT_EQ(m.exit_code, 0);
    std::string log = read_file(home.path + "/qelconv.log");
    // Both runs, one after the other, each closed by an empty line.
    size_t conv_end = log.find("変換処理に失敗しました\r\n");
    ASSERT_NE(conv_end, std::string::npos);
    std::string first = run_in_log(log, 0);
    EXPECT_NE(first.find("設定ファイルに不正な行があります(1行め)\r\n"), std::string::npos);
    std::string second = run_in_log(log, first.size());
    EXPECT_EQ(second.find("開始時刻: "), 0u);
    EXPECT_NE(second.find("識別子 05 の書籍構成要素を修正しています... 終了しました\r\n"), std::string::npos);
    EXPECT_NE(second.find("検索見出しの修正が終了しました\r\n"), std::string::npos);
    EXPECT_EQ(first.size() + second.size(), log.size());
}

// ---- A real book ------------------------------------------------------------

namespace {

// Runs `command` in `dir` through the shell, its output (both streams) in `out`.
int capture(const std::string& dir, const std::string& command, std::string& out) {
    std::string file = dir + "/.capture";
    int status = shell("cd '" + dir + "' && (" + command + ") > '" + file + "' 2>&1");
    out = read_file(file);
    std::remove(file.c_str());
    return status;
}

bool have_book_tools(std::string& missing) {
    for (const char* tool : {"perl", "make", "fpwmake", "ebinfo", "eblook"})
        if (shell(std::string("command -v ") + tool + " >/dev/null 2>&1") != 0) missing += std::string(" ") + tool;
    return missing.empty();
}

uint32_t read_u32(const std::string& s, size_t p) {
    uint32_t v = 0;
    for (size_t i = 0; i < 4; ++i) v = v << 8 | static_cast<unsigned char>(s[p + i]);
    return v;
}

// The authoring script: one heading and one line of text per pair of input
// lines, each heading also a search word.
const char* const BookScript =
    "use FreePWING::FPWUtils::FPWParser;\n"
    "initialize_fpwparser('text' => \\$fpwtext, 'heading' => \\$fpwheading, 'word2' => \\$fpwword2);\n"
    "while (defined($head = <>) && defined($body = <>)) {\n"
    "    chomp $head; chomp $body;\n"
    "    $fpwtext->new_entry() && $fpwheading->new_entry() && $fpwheading->add_text($head)\n"
    "        && $fpwtext->add_keyword_start() && $fpwtext->add_text($head) && $fpwtext->add_keyword_end()\n"
    "        && $fpwtext->add_newline() && $fpwtext->add_text($body) && $fpwtext->add_newline()\n"
    "        && $fpwword2->add_entry($head, $fpwheading->entry_position(), $fpwtext->entry_position())\n"
    "        || die $fpwtext->error_message() . $fpwheading->error_message() . $fpwword2->error_message() . \"\\n\";\n"
    "}\n"
    "finalize_fpwparser('text' => \\$fpwtext, 'heading' => \\$fpwheading, 'word2' => \\$fpwword2);\n";

// The heading placeholder: two middle dots (EUC-JP A1 A6, stored as JIS
// 21 26), which search words drop; the test turns them into an indent code.
const char* const Placeholder = "\xA1\xA6\xA1\xA6";
const std::string PlaceholderJis = "\x21\x26\x21\x26";
const std::string IndentCode("\x1F\x09\x00\x02", 4);
const std::string EmptyNarrowSpan("\x1F\x04\x1F\x05", 4);

}  // namespace

TEST(QelmendBook, RealBookStillReadsTheSame) {
    std::string missing;
    if (!have_book_tools(missing))
        GTEST_SKIP() << "needs the EPWING authoring toolkit and book readers (freepwing, eb-utils, eblook);"
                     << " missing:" << missing;

    // 1. Build the book: 80 entries, each heading 28 bytes (placeholder, a
    //    narrow span of nine letters, line end) after the 2-byte start code,
    //    so the placeholder of heading 74 begins at the last unit of a block.
    TempDir work, home;
    std::string dict;
    for (int i = 1; i <= 80; ++i) {
        char line[64];
        std::snprintf(line, sizeof line, "%sentry%04d\nmeaning %d\n", Placeholder, i, i);
        dict += line;
    }
    write_file(work.path + "/dict.txt", dict);
    write_file(work.path + "/fpwbook", BookScript);
    write_file(work.path + "/Makefile", "FPWPARSER = fpwbook\nFPWPARSERFLAGS = dict.txt\nDIR = qel\ninclude fpwutils.mk\n");
    write_file(work.path + "/catalogs.txt",
               "[Catalog]\nFileName = catalogs\nType = EPWING1\nBooks = 1\n\n"
               "[Book]\nTitle = \"\xA5\xC6\xA5\xB9\xA5\xC8\"\nBookType = 6001\nDirectory = \"QEL\"\n");
    std::string out;
    ASSERT_EQ(capture(work.path, "fpwmake && fpwmake catalogs", out), 0) << out;
    std::string honmon = read_file(work.path + "/honmon");
    ASSERT_GE(honmon.size(), 2 * Block);

    // 2. Turn the placeholders in every heading component into indent codes.
    int indents = 0, straddling = 0;
    std::vector<size_t> places;
    unsigned n = static_cast<unsigned char>(honmon[0]) << 8 | static_cast<unsigned char>(honmon[1]);
    uint32_t start05 = 0, start07 = 0;
    for (unsigned k = 0; k < n && 16 + 16 * k + 16 <= Block; ++k) {
        size_t e = 16 + 16 * k;
        int id = static_cast<unsigned char>(honmon[e]);
        if (id != 0x05 && id != 0x07) continue;
        uint32_t start = read_u32(honmon, e + 2), count = read_u32(honmon, e + 6);
        (id == 0x05 ? start05 : start07) = start;
        for (size_t p = (start - 1) * Block; p < (start - 1 + count) * Block && p + 4 <= honmon.size(); p += 2) {
            if (honmon.compare(p, 4, PlaceholderJis) != 0) continue;
            honmon.replace(p, 4, IndentCode);
            places.push_back(p);
            ++indents;
            if (p % Block == Block - 2) ++straddling;
        }
    }
    ASSERT_NE(start05, 0u);
    ASSERT_EQ(indents, 80);
    ASSERT_EQ(straddling, 1);
    std::string book = home.path + "/book";
    make_book(book, honmon);
    shell("cp '" + work.path + "/catalogs' '" + book + "/catalogs'");

    // 3. What the readers show before the patch.
    std::string info_before, words_before, text_before;
    ASSERT_EQ(capture(home.path, "LC_ALL=C ebinfo book", info_before), 0) << info_before;
    capture(home.path, "printf 'select 1\\nsearch entry*\\n' | LC_ALL=C eblook book", words_before);
    capture(home.path, "printf 'select 1\\nsearch entry0074\\ncontent 1\\n' | LC_ALL=C eblook book", text_before);
    ASSERT_NE(words_before.find("\tentry0074\n"), std::string::npos) << words_before;
    ASSERT_NE(words_before.find("\tentry0080\n"), std::string::npos) << words_before;

    // 4. Patch; where 07 names the blocks of 05, as this toolkit makes it,
    //    they are patched once.
    std::string exe = install_program(QELMEND_PATH, home.path);
    write_file(home.path + "/qelconv.ini", "OUTPATH=book\\\n");
    RunResult r = run_program(exe, home.path);
    ASSERT_EQ(r.exit_code, 0) << r.output;
    EXPECT_NE(r.output.find("識別子 05 の書籍構成要素を修正しています... 終了しました\n"), std::string::npos);
    if (start07 == start05) {
        EXPECT_EQ(r.output.find("識別子 07"), std::string::npos);
    }

    // 5. Exactly the indent codes became empty narrow spans.
    std::string expected = honmon;
    for (size_t p : places) expected.replace(p, 4, EmptyNarrowSpan);
    std::string patched = read_file(book + "/qel/data/honmon");
    EXPECT_TRUE(patched == expected) << "bytes other than the indent codes changed";

    // 6. The book still opens, and headings and text read as before.
    std::string info_after, words_after, text_after;
    EXPECT_EQ(capture(home.path, "LC_ALL=C ebinfo book", info_after), 0);
    capture(home.path, "printf 'select 1\\nsearch entry*\\n' | LC_ALL=C eblook book", words_after);
    capture(home.path, "printf 'select 1\\nsearch entry0074\\ncontent 1\\n' | LC_ALL=C eblook book", text_after);
    EXPECT_EQ(info_after, info_before);
    EXPECT_EQ(words_after, words_before);
    EXPECT_EQ(text_after, text_before);
    EXPECT_NE(text_after.find("meaning 74"), std::string::npos) << text_after;
}
