// Patching the indent codes of the heading components in a book file.
#include "fixer/honmon.h"

#include <gtest/gtest.h>

#include <vector>

#include "common/report.h"
#include "platform/platform.h"
#include "support/test_support.h"

using namespace qel;
using qeltest::read_file;
using qeltest::TempDir;
using qeltest::write_file;

namespace {

struct Entry {
    int identifier;
    uint32_t start;
    uint32_t count;
};

// A book file under construction: blocks of zeros numbered from 1.
struct TestBook {
    std::string bytes;

    explicit TestBook(int blocks) : bytes(static_cast<size_t>(blocks) * BookBlockSize, '\0') {}

    size_t at(uint32_t block, size_t offset) const { return (block - 1) * size_t(BookBlockSize) + offset; }

    void put(uint32_t block, size_t offset, std::initializer_list<int> values) {
        size_t p = at(block, offset);
        for (int v : values) bytes[p++] = static_cast<char>(v);
    }

    void put_u16(uint32_t block, size_t offset, unsigned v) { put(block, offset, {int(v >> 8 & 0xFF), int(v & 0xFF)}); }

    void put_entry(uint32_t block, size_t offset, const Entry& e) {
        put(block, offset, {e.identifier, 0});
        for (int i = 0; i < 4; ++i) {
            put(block, offset + 2 + i, {int(e.start >> (24 - 8 * i) & 0xFF)});
            put(block, offset + 6 + i, {int(e.count >> (24 - 8 * i) & 0xFF)});
        }
    }

    // Block 1: the count and the entries.
    void components(const std::vector<Entry>& entries) {
        put_u16(1, 0, static_cast<unsigned>(entries.size()));
        for (size_t k = 0; k < entries.size(); ++k) put_entry(1, 16 + 16 * k, entries[k]);
    }

    // A complex-search management block with one group record per list.
    void groups(uint32_t block, const std::vector<std::vector<Entry>>& records) {
        put_u16(block, 0, static_cast<unsigned>(records.size()));
        size_t offset = 16;
        for (const std::vector<Entry>& r : records) {
            put(block, offset, {static_cast<int>(r.size())});
            for (size_t j = 0; j < r.size(); ++j) put_entry(block, offset + 32 + 16 * j, r[j]);
            offset += 32 + 16 * r.size();
        }
    }

    // Two-byte unit `unit` (0-1023) of a block.
    void unit(uint32_t block, int unit, int high, int low) { put(block, 2 * size_t(unit), {high, low}); }
    void indent(uint32_t block, int unit) {
        this->unit(block, unit, 0x1F, 0x09);
        if (unit < 1023) this->unit(block, unit + 1, 0x00, 0x02);
    }
    // The empty narrow span an indent code at `unit` becomes.
    void narrow(uint32_t block, int unit) {
        this->unit(block, unit, 0x1F, 0x04);
        if (unit < 1023) this->unit(block, unit + 1, 0x1F, 0x05);
    }
};

const char* const BookPath = "qel/data/honmon";

// Enters `dir`, lays `book` out as the book below it (OUTPATH empty).
void install_book(TempDir& dir, const TestBook& book) {
    dir.enter();
    qeltest::shell("mkdir -p qel/data");
    write_file(BookPath, book.bytes);
}

// Runs the patcher on the book below `outpath` into `patch`, keeping its
// console output in `console`.
int run_patch(std::string& console, BookPatch& patch, const std::string& outpath = "") {
    set_console_transcoding(0);
    testing::internal::CaptureStdout();
    int r = patch_book(outpath, patch);
    console = testing::internal::GetCapturedStdout();
    set_console_transcoding(-1);
    return r;
}

// The same with a patch run of its own.
int run_patch(std::string& console) {
    BookPatch patch;
    return run_patch(console, patch);
}

std::string progress(int identifier) {
    char line[80];
    std::snprintf(line, sizeof line, "識別子 %02X の書籍構成要素を修正しています... 終了しました\n", identifier);
    return line;
}

size_t count_of(const std::string& text, const std::string& piece) {
    size_t n = 0;
    for (size_t p = text.find(piece); p != std::string::npos; p = text.find(piece, p + piece.size())) ++n;
    return n;
}

}  // namespace

TEST(HonmonPatch, IndentCodesAcrossBlocksAndComponents) {
    TempDir dir;
    // Component 05 over blocks 2-3, component 0D over block 4; block 5 is no component's.
    TestBook book(5);
    book.components({{0x05, 2, 2}, {0x0D, 4, 1}});
    book.indent(2, 0);
    book.unit(2, 10, 0x1F, 0x09);  // a value unit that looks like an indent code
    book.unit(2, 11, 0x1F, 0x09);
    book.unit(2, 12, 0x00, 0x02);
    book.put(2, 101, {0x1F, 0x09, 0x00, 0x02});  // odd offset
    book.unit(2, 1023, 0x1F, 0x09);             // last unit of a block
    book.unit(3, 0, 0x00, 0x03);
    book.indent(3, 1);
    book.unit(3, 1023, 0x1F, 0x09);  // last unit of the component
    book.unit(4, 0, 0x00, 0x02);
    book.indent(4, 512);
    book.indent(5, 0);
    install_book(dir, book);

    TestBook expected = book;
    expected.narrow(2, 0);
    expected.narrow(2, 10);
    expected.unit(2, 12, 0x00, 0x02);
    expected.unit(2, 1023, 0x1F, 0x04);
    expected.unit(3, 0, 0x1F, 0x05);
    expected.narrow(3, 1);
    expected.unit(3, 1023, 0x1F, 0x04);
    expected.narrow(4, 512);

    std::string console;
    ASSERT_EQ(run_patch(console), 0);
    // 1. Only the indent codes and their value units changed; the value unit
    // of the code at the block's end is the next block's first unit; the next
    // component starts afresh; odd offsets and other blocks stay.
    EXPECT_EQ(read_file(BookPath), expected.bytes);
    // 2. One line per component, in the log as on the console.
    EXPECT_EQ(console, progress(0x05) + progress(0x0D));
    EXPECT_EQ(read_file(LogFileName), qeltest::crlf(console));
    // 3. A second run finds nothing more to change.
    ASSERT_EQ(run_patch(console), 0);
    EXPECT_EQ(read_file(BookPath), expected.bytes);
    EXPECT_EQ(console, progress(0x05) + progress(0x0D));
}

TEST(HonmonPatch, ZeroBlocksAndOtherIdentifiersChangeNothing) {
    TempDir dir;
    TestBook book(6);
    // 1. A component of no blocks still reports its line.
    // 2. Identifiers outside the heading set, in block 1 and in a group
    //    record (0xFF there included), are never touched.
    book.components({{0x00, 2, 1}, {0x01, 3, 1}, {0x02, 4, 1}, {0x04, 2, 2},
                     {0x03, 5, 0}, {0xFF, 6, 1}, {0x91, 3, 2}, {0x06, 5, 1}});
    book.groups(6, {{{0x0B, 2, 1}, {0xFF, 3, 1}, {0x00, 4, 1}}, {{0x08, 5, 1}}});
    for (uint32_t b = 2; b <= 5; ++b) book.indent(b, 6);
    install_book(dir, book);

    std::string console;
    ASSERT_EQ(run_patch(console), 0);
    EXPECT_EQ(read_file(BookPath), book.bytes);
    EXPECT_EQ(console, progress(0x03));
}

TEST(HonmonPatch, EachStartBlockIsPatchedOnce) {
    // 1. Book entries 05 and 07 naming the same blocks; a complex-search
    //    component with a start already patched, and one with a new start.
    {
        TempDir dir;
        TestBook book(6);
        book.components({{0x05, 2, 2}, {0x07, 2, 2}, {0xFF, 6, 1}, {0x0A, 5, 1}});
        book.groups(6, {{{0x05, 2, 1}}, {{0x0D, 4, 1}, {0x03, 2, 3}}});
        book.unit(2, 1023, 0x1F, 0x09);
        book.unit(3, 0, 0x1F, 0x09);
        book.unit(3, 1, 0x00, 0x02);
        book.indent(4, 0);
        book.indent(5, 0);
        install_book(dir, book);
        TestBook expected = book;
        expected.unit(2, 1023, 0x1F, 0x04);
        expected.unit(3, 0, 0x1F, 0x05);
        expected.narrow(4, 0);
        expected.narrow(5, 0);

        std::string console;
        BookPatch patch;
        ASSERT_EQ(run_patch(console, patch), 0);
        EXPECT_EQ(read_file(BookPath), expected.bytes);
        EXPECT_EQ(console, progress(0x05) + progress(0x0D) + progress(0x0A));
        EXPECT_TRUE(is_patched_start(patch, 2));
        EXPECT_TRUE(is_patched_start(patch, 4));
        EXPECT_FALSE(is_patched_start(patch, 3));
    }
    // 2. The other order: the complex-search component comes first and the
    //    book component with its start block is passed over.
    {
        TempDir dir;
        TestBook book(4);
        book.components({{0xFF, 4, 1}, {0x05, 2, 1}, {0x07, 3, 1}});
        book.groups(4, {{{0x07, 2, 1}}});
        install_book(dir, book);
        std::string console;
        ASSERT_EQ(run_patch(console), 0);
        EXPECT_EQ(console, progress(0x07) + progress(0x07));
    }
    // 3. More components than the list was first meant for: each patched, and
    //    a start repeated after the 64th is still recognised.
    {
        TempDir dir;
        const int n = 70;
        TestBook book(n + 1);
        std::vector<Entry> entries;
        for (int i = 0; i < n; ++i) {
            entries.push_back({0x05, uint32_t(i + 2), 1});
            book.unit(uint32_t(i + 2), 1023, 0x1F, 0x09);
        }
        entries.push_back({0x07, uint32_t(n + 1), 1});
        book.components(entries);
        install_book(dir, book);
        std::string console;
        ASSERT_EQ(run_patch(console), 0);
        EXPECT_EQ(count_of(console, progress(0x05)), size_t(n));
        EXPECT_EQ(count_of(console, progress(0x07)), 0u);
        std::string patched = read_file(BookPath);
        for (int i = 0; i < n; ++i) EXPECT_EQ(patched[book.at(uint32_t(i + 2), 2047)], 0x04) << "block " << i + 2;
    }
}

TEST(HonmonPatch, EachRunKeepsItsOwnPatchedStarts) {
    // Two books in one process, both with a component at block 2: the second
    // run patches it again and lists only its own starts.
    TempDir first_dir, second_dir;
    TestBook first(2), second(3);
    first.components({{0x05, 2, 1}});
    second.components({{0x05, 2, 1}, {0x07, 3, 1}});
    first.indent(2, 0);
    second.indent(2, 0);
    second.indent(3, 0);
    TestBook expected = second;
    expected.narrow(2, 0);
    expected.narrow(3, 0);

    std::string console;
    BookPatch first_patch, second_patch;
    install_book(first_dir, first);
    ASSERT_EQ(run_patch(console, first_patch), 0);
    install_book(second_dir, second);
    ASSERT_EQ(run_patch(console, second_patch), 0);
    EXPECT_EQ(read_file(BookPath), expected.bytes);
    EXPECT_EQ(console, progress(0x05) + progress(0x07));
    EXPECT_EQ(first_patch.patched_starts, std::vector<uint32_t>({2}));
    EXPECT_EQ(second_patch.patched_starts, std::vector<uint32_t>({2, 3}));
    // The file is closed when the run ends.
    EXPECT_EQ(second_patch.book, nullptr);
}

TEST(HonmonPatch, FailuresAreReportedAndKeepWhatWasWritten) {
    std::string console;
    // 1. No book: the path as formed from OUTPATH.
    {
        TempDir dir;
        dir.enter();
        BookPatch patch;
        EXPECT_EQ(run_patch(console, patch, "out\\"), -1);
        EXPECT_EQ(console, "本文ファイル out\\qel\\data\\honmon がオープンできません\n");
    }
    // 2. A book too short for block 1.
    {
        TempDir dir;
        TestBook book(1);
        book.bytes.resize(2047);
        install_book(dir, book);
        EXPECT_EQ(run_patch(console), -1);
        EXPECT_EQ(console, "書籍管理情報ブロックが読めません\n");
    }
    // 3. Start block 0 fails the component after the ones before it were
    //    patched; the entries after it are not visited.
    {
        TempDir dir;
        TestBook book(3);
        book.components({{0x05, 2, 1}, {0x0A, 0, 1}, {0x07, 3, 1}});
        book.indent(2, 0);
        book.indent(3, 0);
        install_book(dir, book);
        TestBook expected = book;
        expected.narrow(2, 0);
        EXPECT_EQ(run_patch(console), -1);
        EXPECT_EQ(console, progress(0x05) +
                               "識別子 0A の書籍構成要素を修正しています...\n"
                               "識別子 0A の書籍構成要素の修正に失敗しました\n");
        EXPECT_EQ(read_file(BookPath), expected.bytes);
    }
    // 4. The same in a group record.
    {
        TempDir dir;
        TestBook book(2);
        book.components({{0xFF, 2, 1}});
        book.groups(2, {{{0x0D, 0, 4}}});
        install_book(dir, book);
        EXPECT_EQ(run_patch(console), -1);
        EXPECT_EQ(console,
                  "識別子 0D の書籍構成要素を修正しています...\n"
                  "識別子 0D の複合検索構成要素の修正に失敗しました\n");
    }
    // 5. A component that runs past the end of the file: its blocks inside
    //    the file are patched, the rest of the book is unchanged.
    {
        TempDir dir;
        TestBook book(4);
        book.components({{0x05, 3, 5}, {0x07, 2, 1}});
        book.indent(2, 0);
        book.unit(3, 1023, 0x1F, 0x09);
        book.unit(4, 0, 0x00, 0x02);
        install_book(dir, book);
        TestBook expected = book;
        expected.unit(3, 1023, 0x1F, 0x04);
        expected.unit(4, 0, 0x1F, 0x05);
        EXPECT_EQ(run_patch(console), -1);
        EXPECT_EQ(console,
                  "識別子 05 の書籍構成要素を修正しています...\n"
                  "識別子 05 の書籍構成要素の修正に失敗しました\n");
        EXPECT_EQ(read_file(BookPath), expected.bytes);
    }
    // 6. A complex-search block outside the file, or numbered 0.
    for (uint32_t block : {3u, 0u}) {
        TempDir dir;
        TestBook book(2);
        book.components({{0xFF, block, 1}});
        install_book(dir, book);
        EXPECT_EQ(run_patch(console), -1);
        EXPECT_EQ(console, "複合検索管理情報ブロックが読めません\n") << "block " << block;
    }
}

TEST(HonmonPatch, CountsThatRunPastTheirBlockStopAtItsEnd) {
    std::string console;
    // 1. More entries than block 1 holds: the 127 that fit are visited.
    for (unsigned n : {128u, 65535u}) {
        TempDir dir;
        TestBook book(2);
        book.components({});
        book.put_u16(1, 0, n);
        for (int k = 0; k < 127; ++k) book.put_entry(1, 16 + 16 * size_t(k), {0x00, 2, 1});
        book.put_entry(1, 16 + 16 * 126, {0x05, 2, 1});
        book.indent(2, 8);
        install_book(dir, book);
        TestBook expected = book;
        expected.narrow(2, 8);
        EXPECT_EQ(run_patch(console), -1);
        char message[120];
        std::snprintf(message, sizeof message, "書籍管理情報ブロックの構成要素数 %u がブロックに収まりません\n", n);
        EXPECT_EQ(console, progress(0x05) + message);
        EXPECT_EQ(read_file(BookPath), expected.bytes);
    }
    // 2. A group record whose entries run past the block: the ones inside
    //    are patched, then the walk stops.
    {
        TempDir dir;
        TestBook book(3);
        book.components({{0xFF, 3, 1}});
        std::vector<Entry> record(125, Entry{0x00, 2, 1});
        record[124] = {0x0A, 2, 1};
        book.groups(3, {record});
        book.put(3, 16, {126});      // one entry more than fits
        book.put_u16(3, 0, 2);       // and a second record
        book.indent(2, 0);
        install_book(dir, book);
        EXPECT_EQ(run_patch(console), -1);
        EXPECT_EQ(console, progress(0x0A) + "複合検索管理情報ブロックのグループ 1 がブロックに収まりません\n");
    }
    // 3. More group records than the block holds.
    {
        TempDir dir;
        TestBook book(2);
        book.components({{0xFF, 2, 1}});
        book.put_u16(2, 0, 100);  // records of no entries, 32 bytes each: 63 fit
        install_book(dir, book);
        EXPECT_EQ(run_patch(console), -1);
        EXPECT_EQ(console, "複合検索管理情報ブロックのグループ 64 がブロックに収まりません\n");
    }
}
