// Both programs on hostile data: lines, texts, groups and tables far beyond
// the sizes real data has, broken markup, cut-short records and books whose
// counts run past their blocks. Every run must end with exit code 0 or 1 and
// its summary line, show no sanitizer report (the asan preset runs this suite
// under AddressSanitizer and UndefinedBehaviorSanitizer), and leave every file
// it wrote whole.
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>

#include "support/test_support.h"

using namespace qeltest;

namespace {

const size_t npos = std::string::npos;

// ---- Runs ---------------------------------------------------------------------

// The run ended cleanly: exit code 0 or 1 with the matching summary line, and
// nothing from a sanitizer.
void expect_clean_end(const RunResult& r, const char* success_line, const char* failure_line) {
    EXPECT_TRUE(r.exit_code == 0 || r.exit_code == 1) << "exit code " << r.exit_code << "\n" << r.output;
    for (const char* report : {"AddressSanitizer", "LeakSanitizer", "UndefinedBehaviorSanitizer", "runtime error:"})
        EXPECT_EQ(r.output.find(report), npos) << r.output;
    EXPECT_NE(r.output.find(r.exit_code == 0 ? success_line : failure_line), npos) << r.output;
}

// Everything qelconv reads, as text; written as the files store it.
struct Dictionary {
    std::string ini = "SORTCMD=/usr/bin/sort\nFIGURE=0\nSOUND=0\n";
    std::string main_text;                    // lines of main.txt, stored complemented
    std::string english = std::string(256, '\0');      // en.dat, header included
    std::string translation = std::string(256, '\0');  // tr.dat, header included
    std::string gaiji = "# no definitions\n";          // qelgaiji.tbl, stored with CR LF
    std::string readme = "Moravel Dictionary\n";       // Readme.txt, raw
    std::map<std::string, std::string> other_files;     // e.g. img.dat, raw
};

// One record of main.txt: its RA, RN and EN lines, then `lines`.
std::string record(int index, const std::string& number, const std::string& headword, const std::string& lines) {
    return "RA=" + std::to_string(index) + "\nRN=" + number + "\nEN=" + headword + "|" + headword + "\n" + lines;
}

std::string complemented(const std::string& text) {
    std::string stored = text;
    for (char& c : stored) c = static_cast<char>(~static_cast<unsigned char>(c));
    return stored;
}

RunResult run_converter(const TempDir& dir, const Dictionary& d) {
    std::string exe = install_program(QELCONV_PATH, dir.path);
    write_file(dir.path + "/qelconv.ini", crlf(d.ini));
    write_file(dir.path + "/main.txt", complemented(d.main_text));
    write_file(dir.path + "/en.dat", d.english);
    write_file(dir.path + "/tr.dat", d.translation);
    write_file(dir.path + "/qelgaiji.tbl", crlf(d.gaiji));
    write_file(dir.path + "/Readme.txt", d.readme);
    for (const auto& [name, bytes] : d.other_files) write_file(dir.path + "/" + name, bytes);
    return run_program(exe, dir.path);
}

void expect_converter_clean(const RunResult& r) {
    expect_clean_end(r, "変換処理が終了しました\n", "変換処理に失敗しました\n");
}

// The files a successful run writes end with their closing lines, and the
// log ends with the run's blank line.
void expect_outputs_whole(const TempDir& dir) {
    auto ends_with = [](const std::string& text, const std::string& tail) {
        return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
    };
    EXPECT_TRUE(ends_with(read_file(dir.path + "/qelgmap.xml"), "</gaijiSet>\r\n"));
    EXPECT_TRUE(ends_with(read_file(dir.path + "/qelgfont.xml"), "</fontSet>\r\n</gaijiData>\r\n"));
    EXPECT_TRUE(ends_with(read_file(dir.path + "/qel.html"), "</dl>\r\n</body>\r\n</html>\r\n"));
    for (int page = 2; page <= 5; ++page) {
        std::string name = dir.path + "/qelmenu" + std::to_string(page) + ".html";
        EXPECT_TRUE(ends_with(read_file(name), "</html>\r\n")) << name;
    }
    EXPECT_TRUE(ends_with(read_file(dir.path + "/qelcopr.html"), "</p>\r\n</body>\r\n</html>\r\n"));
    EXPECT_TRUE(ends_with(read_file(dir.path + "/qel.ebs"), "\r\n"));
    EXPECT_TRUE(ends_with(read_file(dir.path + "/qelconv.log"), "\r\n\r\n"));
}

// A record of the index-word lists (see the list format): word, entry position.
std::string index_record(const std::string& word, uint32_t position, const std::string& third = "") {
    std::string r = "\x01\x02";
    r += static_cast<char>(word.size());
    r += word;
    r += std::string(2, '\0') + '\0' + std::string(2, '\0');
    for (int i = 0; i < 4; ++i) r += static_cast<char>((position >> (8 * i)) & 0xFF);
    r += std::string(2, '\0') + std::string(4, '\0') + std::string(8, '\0');
    r += static_cast<char>(third.size());
    r += third;
    return r;
}

// ---- Books --------------------------------------------------------------------

const size_t Block = 2048;

void put_u16(std::string& book, size_t at, unsigned value) {
    book[at] = static_cast<char>(value >> 8);
    book[at + 1] = static_cast<char>(value & 0xFF);
}

// A component entry at `at`: identifier, start block, block count.
void put_entry(std::string& book, size_t at, int identifier, uint32_t start, uint32_t count) {
    book[at] = static_cast<char>(identifier);
    for (int i = 0; i < 4; ++i) {
        book[at + 2 + i] = static_cast<char>((start >> (24 - 8 * i)) & 0xFF);
        book[at + 6 + i] = static_cast<char>((count >> (24 - 8 * i)) & 0xFF);
    }
}

RunResult run_fixer(const TempDir& dir, const std::string& book) {
    std::string exe = install_program(QELMEND_PATH, dir.path);
    write_file(dir.path + "/qelconv.ini", crlf("OUTPATH=book/\n"));
    shell("mkdir -p '" + dir.path + "/book/qel/data'");
    write_file(dir.path + "/book/qel/data/honmon", book);
    return run_program(exe, dir.path);
}

void expect_fixer_clean(const RunResult& r) {
    expect_clean_end(r, "検索見出しの修正が終了しました\n", "検索見出しの修正に失敗しました\n");
}

}  // namespace

// ---- The converter ---------------------------------------------------------------

TEST(HostileConverter, LinesOf20000Bytes) {
    TempDir dir;
    Dictionary d;
    // 1. Plain text with markup, entities and gaiji references: nothing is cut.
    std::string long_text;
    while (long_text.size() < 20000) long_text += "<B>word</B> & #41# \"q\" 語 ";
    // 2. Links nested inside each other's text, 5000 deep.
    std::string nested;
    while (nested.size() < 20000) nested += "<HL>";
    // 3. Comments that are never closed, and a never-closed tag at the end.
    std::string comments;
    while (comments.size() < 20000) comments += "<CMT>c ";
    d.main_text = record(1, "100", "long", "TR1=" + long_text + "END-OF-LINE-1\nTR2=" + nested + "x:100:1\nTR3=" +
                                               comments + "END-OF-LINE-3\nTR4=" + std::string(20000, 'y') + "<B\n");
    RunResult r = run_converter(dir, d);
    expect_converter_clean(r);
    ASSERT_EQ(r.exit_code, 0) << r.output;
    expect_outputs_whole(dir);
    std::string body = read_file(dir.path + "/qel.html");
    EXPECT_NE(body.find("END-OF-LINE-1"), npos);
    EXPECT_NE(body.find("END-OF-LINE-3"), npos);
    EXPECT_NE(body.find(std::string(20000, 'y')), npos);
}

TEST(HostileConverter, HeadwordsAndEntryNumbersOfHundredsOfBytes) {
    TempDir dir;
    Dictionary d;
    std::string headword(600, 'h');
    std::string number = std::string(300, '9');
    std::string japanese;
    while (japanese.size() < 600) japanese += "見出し";
    d.main_text = record(1, number, headword, "TR1=<HL>see:" + number + ":1</HL>\n") +
                  record(2, "7" + std::string(299, '0'), japanese, "TR1=text\nDR=" + headword + "s|" + headword +
                                                                       "s\nTR1=derived\n");
    d.english += index_record(std::string(200, 'e'), 0);
    RunResult r = run_converter(dir, d);
    expect_converter_clean(r);
    ASSERT_EQ(r.exit_code, 0) << r.output;
    expect_outputs_whole(dir);
    std::string body = read_file(dir.path + "/qel.html");
    EXPECT_NE(body.find(headword), npos);
    EXPECT_NE(body.find(japanese), npos);
    EXPECT_NE(body.find(headword + "s"), npos);
}

TEST(HostileConverter, LinkGroupOf500TargetsWith10KBOfTexts) {
    TempDir dir;
    Dictionary d;
    // Entry 2 links 500 times into entry 1, each link to an idiom of its own
    // (about 20 bytes each, so 10 KB of target texts in one group); entry 1
    // holds half of the idioms, the other half end the entry as unplaced anchors.
    std::string links, idioms;
    for (int i = 0; i < 500; ++i) {
        std::string idiom = "an idiom number " + std::to_string(1000 + i);
        links += "<HL>l" + std::to_string(i) + ":1:\"" + idiom + "\"</HL> ";
        if (i % 2 == 0) idioms += "KEYID=" + idiom + "\nID=<B>" + idiom + "</B>\n";
    }
    d.main_text = record(1, "1", "target", "TR1=t\n" + idioms) + record(2, "2", "source", "TR1=" + links + "\n");
    RunResult r = run_converter(dir, d);
    expect_converter_clean(r);
    ASSERT_EQ(r.exit_code, 0) << r.output;
    expect_outputs_whole(dir);
    std::string body = read_file(dir.path + "/qel.html");
    // Every link has its anchor, placed or at the end of the entry.
    for (int n = 1; n <= 500; ++n) {
        char name[32];
        std::snprintf(name, sizeof name, "<a name=\"HL%06d\"></a>", n);
        EXPECT_NE(body.find(name), npos) << name;
        std::snprintf(name, sizeof name, "<a href=\"#HL%06d\">", n);
        EXPECT_NE(body.find(name), npos) << name;
    }
}

TEST(HostileConverter, BrokenMarkup) {
    TempDir dir;
    Dictionary d;
    d.main_text = record(1, "1", "markup",
                         "TR1=before <B unclosed tag\n"            // 1. an unclosed "<"
                         "TR2=stray</HL>after stray\n"             // 2. a stray "</HL>" without ":"
                         "TR3=<HL>open link:1:1 without close\n"   // 3. a link never closed
                         "TR4=<HL>no target</HL>visible tail\n"    // 4. a link without its two ":"
                         "TR5=<<<<>>>>&&&&#4#<G>#41#</G><G9\n"     // 5. entities and broken gaiji
                         "TR6=</HL></HL>:</HL>::</HL>\n");         // 6. stray tags in a row
    RunResult r = run_converter(dir, d);
    expect_converter_clean(r);
    ASSERT_EQ(r.exit_code, 0) << r.output;
    expect_outputs_whole(dir);
    std::string body = read_file(dir.path + "/qel.html");
    EXPECT_NE(body.find("before "), npos);
    EXPECT_NE(body.find("after stray"), npos);
    EXPECT_NE(body.find("visible tail"), npos);
    std::string log = read_file(dir.path + "/qelconv.log");
    EXPECT_NE(log.find("<HL>の脱落"), npos);
}

TEST(HostileConverter, IndexRecordsOfLength255AndACutShortLastRecord) {
    TempDir dir;
    Dictionary d;
    d.main_text = record(1, "1", "first", "TR1=one\n") + record(2, "2", "second", "TR1=two\n");
    std::string word(255, 'w');
    std::string japanese;
    while (japanese.size() < 254) japanese += "語";
    d.english += index_record(word, 0, std::string(255, 't')) + index_record("cut", 0).substr(0, 20);
    d.translation += index_record(japanese, 0) + index_record(japanese, 0).substr(0, 3);
    RunResult r = run_converter(dir, d);
    expect_converter_clean(r);
    ASSERT_EQ(r.exit_code, 0) << r.output;
    expect_outputs_whole(dir);
    std::string body = read_file(dir.path + "/qel.html");
    std::string full_width;
    for (int i = 0; i < 255; ++i) full_width += "ｗ";
    EXPECT_NE(body.find(">" + full_width + "</key>"), npos);
    EXPECT_NE(body.find(">" + japanese + "</key>"), npos);
    EXPECT_EQ(body.find("cut"), npos);
    std::string log = read_file(dir.path + "/qelconv.log");
    EXPECT_NE(log.find("en.dat"), npos);
}

TEST(HostileConverter, MediaOffsetsPastTheBundleAndNonHexValues) {
    TempDir dir;
    Dictionary d;
    d.ini = "SORTCMD=/usr/bin/sort\nFIGURE=1\nSOUND=1\nGENSOUND=1\n";
    d.other_files["img.dat"] = std::string(100, 'i');
    d.other_files["qelra.bnd"] = std::string(100, 's');
    // 1. Figures that cannot be cut out are dropped and the run goes on.
    d.main_text = record(1, "1", "media",
                         "TR1=t\n"
                         "IMG=10,20\n"                          // a good figure
                         "IMG=50,100\n"                         // runs past the end
                         "IMG=7fffffff,10\n"                    // starts past the end
                         "IMG=zz,yy\n"                          // not hexadecimal
                         "IMG=ffffffffff,-1\n"                  // too large, negative
                         "IMG=\n"                               // empty
                         "IMG=" + std::string(300, '1') + ",1\n"  // a name too long for a file
                         "SND=20,10\nSND=xyz\nSND=30,0\n");
    RunResult r = run_converter(dir, d);
    expect_converter_clean(r);
    ASSERT_EQ(r.exit_code, 0) << r.output;
    expect_outputs_whole(dir);
    // Offsets and lengths are hexadecimal: 0x10 and 0x20.
    EXPECT_EQ(read_file(dir.path + "/fig/10.bmp"), std::string(0x20, 'i'));
    EXPECT_EQ(read_file(dir.path + "/snd/000/20.ra"), std::string(0x10, 's'));
    std::string body = read_file(dir.path + "/qel.html");
    EXPECT_NE(body.find("fig/10.jpg"), npos);
    EXPECT_EQ(body.find("fig/50.jpg"), npos);

    // 2. A sound that cannot be cut out ends the run; what was written stays.
    TempDir dir2;
    d.main_text = record(1, "1", "media", "TR1=t\nSND=20,10\nSND=90,100\n") + record(2, "2", "next", "TR1=u\n");
    r = run_converter(dir2, d);
    expect_converter_clean(r);
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_NE(r.output.find("データファイルの読み込みに失敗しました\n"), npos) << r.output;
    EXPECT_EQ(read_file(dir2.path + "/snd/000/20.ra"), std::string(0x10, 's'));
    EXPECT_TRUE(file_exists(dir2.path + "/snd/000/90.ra"));
    EXPECT_NE(read_file(dir2.path + "/qelgmap.xml").find("</gaijiSet>\r\n"), npos);
}

TEST(HostileConverter, GaijiTableOf300GlyphsWith3000ByteLines) {
    TempDir dir;
    Dictionary d;
    std::string table;
    std::string row(3000, '@');
    for (int i = 0; i < 300; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "G%d-%02X", i % 7, i % 256);
        // Definition lines of 3000 bytes; half-width, one-cell and wide glyphs.
        const char* kind = i % 3 == 0 ? "H:" : i % 3 == 1 ? "Z:" : "Z4:";
        table += "CHAR:" + std::string(name) + ":" + kind + std::string(3000, 'x') + "\n";
        for (int r = 0; r < 16; ++r) table += row + "\n";
    }
    d.gaiji = table;
    d.main_text = record(1, "1", "gaiji", "TR1=<G1>#21#</G1>\n");
    RunResult r = run_converter(dir, d);
    expect_converter_clean(r);
    ASSERT_EQ(r.exit_code, 0) << r.output;
    expect_outputs_whole(dir);
    std::string map = read_file(dir.path + "/qelgmap.xml");
    size_t lines = 0;
    for (size_t at = map.find("<gaijiMap "); at != npos; at = map.find("<gaijiMap ", at + 1)) ++lines;
    EXPECT_EQ(lines, 100u + 100u + 4u * 100u);
    // Every dot of a 3000-byte row is read: the wide glyphs' rows are full.
    EXPECT_NE(read_file(dir.path + "/qelgfont.xml").find(std::string(16, '#') + "\r\n"), npos);
}

TEST(HostileConverter, ReadmeWithAnEndOfFileByteInside) {
    TempDir dir;
    Dictionary d;
    d.readme = "before\r\n" + std::string(5000, ' ') + "\x1a" + "after\r\n";
    d.main_text = record(1, "1", "x", "TR1=x\n");
    RunResult r = run_converter(dir, d);
    expect_converter_clean(r);
    ASSERT_EQ(r.exit_code, 0) << r.output;
    expect_outputs_whole(dir);
    std::string page = read_file(dir.path + "/qelcopr.html");
    EXPECT_NE(page.find("before"), npos);
    EXPECT_EQ(page.find("after"), npos);
}

TEST(HostileConverter, SettingsLinesBeyond512Bytes) {
    TempDir dir;
    Dictionary d;
    // A line is read in pieces of 511 bytes: the rest of a long value and a
    // 700-byte key are invalid lines. The run fails after the echo, with
    // nothing else written.
    d.ini = "SORTCMD=/usr/bin/sort\nPRONSYM=" + std::string(2000, 'p') + "\n" + std::string(700, 'K') + "=1\n";
    d.main_text = record(1, "1", "x", "TR1=x\n");
    RunResult r = run_converter(dir, d);
    expect_converter_clean(r);
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_NE(r.output.find("設定ファイルに不正な行があります(3行め)\n"), npos) << r.output;
    EXPECT_NE(r.output.find("  PRONSYM = " + std::string(511 - 8, 'p') + "\n"), npos);
    EXPECT_FALSE(file_exists(dir.path + "/qel.html"));
    // The fixer reads only OUTPATH and passes every other piece over.
    std::string book(2 * Block, '\0');
    write_file(dir.path + "/qelconv.ini", crlf(d.ini + "OUTPATH=book/\n"));
    std::string exe = install_program(QELMEND_PATH, dir.path);
    shell("mkdir -p '" + dir.path + "/book/qel/data'");
    write_file(dir.path + "/book/qel/data/honmon", book);
    r = run_program(exe, dir.path);
    expect_fixer_clean(r);
    EXPECT_EQ(r.exit_code, 0) << r.output;
}

// ---- The fixer -------------------------------------------------------------------

TEST(HostileFixer, BookWithTwoHundredComponentEntries) {
    TempDir dir;
    // Block 1 declares 200 entries; only 127 fit. The entries that fit name a
    // heading component in block 2, which is patched before the count runs out.
    std::string book(3 * Block, '\0');
    put_u16(book, 0, 200);
    for (int k = 0; k < 127; ++k) put_entry(book, 16 + 16 * k, k == 0 ? 0x03 : 0x01, 2, 1);
    book[Block] = 0x1F;
    book[Block + 1] = 0x09;
    RunResult r = run_fixer(dir, book);
    expect_fixer_clean(r);
    std::string patched = read_file(dir.path + "/book/qel/data/honmon");
    ASSERT_EQ(patched.size(), book.size());
    // Whatever the verdict, block 2 was patched whole and nothing else moved.
    EXPECT_EQ(patched.substr(Block, 4), std::string("\x1F\x04\x1F\x05", 4));
    EXPECT_EQ(patched.substr(0, Block), book.substr(0, Block));
    EXPECT_EQ(patched.substr(2 * Block), book.substr(2 * Block));
    if (r.exit_code == 1) {
        EXPECT_NE(r.output.find("200"), npos) << r.output;
    }
}

TEST(HostileFixer, ComplexSearchCountsPastItsBlock) {
    TempDir dir;
    // 1. A group record whose entry count runs past the block.
    std::string book(4 * Block, '\0');
    put_u16(book, 0, 2);
    put_entry(book, 16, 0x05, 2, 1);
    put_entry(book, 32, 0xFF, 3, 1);
    book[Block] = 0x1F;
    book[Block + 1] = 0x09;
    put_u16(book, 2 * Block, 1);
    book[2 * Block + 16] = static_cast<char>(255);
    RunResult r = run_fixer(dir, book);
    expect_fixer_clean(r);
    std::string patched = read_file(dir.path + "/book/qel/data/honmon");
    EXPECT_EQ(patched.substr(Block, 4), std::string("\x1F\x04\x1F\x05", 4));
    EXPECT_EQ(patched.substr(2 * Block), book.substr(2 * Block));

    // 2. 65535 group records of no entries each; 3. a complex-search block past the end.
    put_u16(book, 2 * Block, 0xFFFF);
    book[2 * Block + 16] = 0;
    r = run_fixer(dir, book);
    expect_fixer_clean(r);
    put_entry(book, 32, 0xFF, 400, 1);
    r = run_fixer(dir, book);
    expect_fixer_clean(r);
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_NE(r.output.find("複合検索管理情報ブロックが読めません"), npos) << r.output;
}

TEST(HostileFixer, ComponentsPastTheEndOfTheBook) {
    TempDir dir;
    std::string book(2 * Block, '\0');
    put_u16(book, 0, 3);
    put_entry(book, 16, 0x03, 2, 0xFFFFFFFF);  // runs to the end of the file and far past it
    put_entry(book, 32, 0x05, 0xFFFFFFFF, 2);  // the last block number, and past it
    put_entry(book, 48, 0x07, 0, 1);           // block 0 does not exist
    book[Block + 10] = 0x1F;
    book[Block + 11] = 0x09;
    RunResult r = run_fixer(dir, book);
    expect_fixer_clean(r);
    EXPECT_EQ(r.exit_code, 1);
    std::string patched = read_file(dir.path + "/book/qel/data/honmon");
    ASSERT_EQ(patched.size(), book.size());
    EXPECT_EQ(patched.substr(Block + 10, 4), std::string("\x1F\x04\x1F\x05", 4));
    // The log says where the block lies and how long the book is.
    std::string log = read_file(dir.path + "/qelconv.log");
    EXPECT_NE(log.find("  ブロック 3 (位置 0x1000) が読めません: 本文ファイル book/qel\\data\\honmon の大きさは 4096 "
                       "バイトです\r\n"),
              std::string::npos)
        << log;
}

// ---- The generated hostile set ------------------------------------------------------

// All of the above at once, in a generated dictionary with every optional part
// on: the converter gets through with exit code 0 and writes every file whole;
// the fixer fails on both broken books after patching what it could.
#ifdef QEL_HAVE_SAMPLE
TEST(HostileSample, BothProgramsGetThroughTheGeneratedHostileSet) {
    TempDir dir;
    const std::string generator = std::string(QEL_TOOLS_DIR) + "/qelsample";
    ASSERT_EQ(shell("'" + generator + "' --hostile --records 100 '" + dir.path + "' > /dev/null"), 0);
    std::string ini = read_file(dir.path + "/qelconv.ini");
    size_t sort = ini.find("SORTCMD=\r\n");
    ASSERT_NE(sort, npos);
    ini.replace(sort, 10, "SORTCMD=/usr/bin/sort\r\n");
    write_file(dir.path + "/qelconv.ini", ini);

    RunResult r = run_program(install_program(QELCONV_PATH, dir.path), dir.path);
    expect_converter_clean(r);
    ASSERT_EQ(r.exit_code, 0) << r.output;
    std::string src = dir.path + "/src";
    for (const char* name : {"qelgmap.xml", "qelgfont.xml", "qel.html", "qelcopr.html", "qel.ebs"})
        EXPECT_NE(read_file(src + "/" + name).size(), 0u) << name;
    EXPECT_NE(read_file(src + "/qel.html").find("</dl>\r\n</body>\r\n</html>\r\n"), npos);
    EXPECT_NE(read_file(src + "/qel.html").find("END-OF-LINE-3"), npos);
    std::string log = read_file(dir.path + "/qelconv.log");
    EXPECT_NE(log.find("1023"), npos);    // the cut glyph definition lines
    EXPECT_NE(log.find("en.dat"), npos);  // the cut-short last index record
    EXPECT_TRUE(log.size() >= 4 && log.compare(log.size() - 4, 4, "\r\n\r\n") == 0);

    std::string exe = install_program(QELMEND_PATH, dir.path);
    std::string book = read_file(dir.path + "/book/qel/data/honmon");
    r = run_program(exe, dir.path);
    expect_fixer_clean(r);
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_NE(r.output.find("200"), npos) << r.output;
    std::string patched = read_file(dir.path + "/book/qel/data/honmon");
    ASSERT_EQ(patched.size(), book.size());
    EXPECT_EQ(patched.substr(Block, 2), std::string("\x1F\x04", 2));
    EXPECT_EQ(patched.substr(2 * Block, 2), std::string("\x1F\x05", 2));  // the value unit past the block

    ini = read_file(dir.path + "/qelconv.ini");
    ini.replace(ini.find("OUTPATH=book\\"), 13, "OUTPATH=book2\\");
    write_file(dir.path + "/qelconv.ini", ini);
    r = run_program(exe, dir.path);
    expect_fixer_clean(r);
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_NE(r.output.find("複合検索管理情報ブロックのグループ 1 がブロックに収まりません"), npos) << r.output;
}
#endif
