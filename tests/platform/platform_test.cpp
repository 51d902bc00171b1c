// Platform layer: text-mode files, ctime text, paths and commands.
#include "platform/platform.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <vector>

#include "support/test_support.h"

using namespace qel;
using qeltest::read_file;
using qeltest::TempDir;
using qeltest::write_file;

TEST(TextFiles, WriteStoresCrLfAndReadTurnsItBack) {
    TempDir dir;
    std::string path = dir.path + "/t.txt";
    File* f = file_open(path.c_str(), FILE_WRITE_TEXT);
    ASSERT_NE(f, nullptr);
    file_puts(f, "a\nb\r\n");
    file_printf(f, "%s=%d\n", "x", 5);
    file_close(f);
    // 1. Each LF is stored as CR LF, even one that already follows a CR.
    EXPECT_EQ(read_file(path), "a\r\nb\r\r\nx=5\r\n");

    // 2. Reading in text mode turns CR LF into LF; a lone CR stays.
    write_file(path, "one\r\ntwo\rthree\nfour\x1a" "after\r\n");
    f = file_open(path.c_str(), FILE_READ_TEXT);
    ASSERT_NE(f, nullptr);
    char buf[64];
    std::string got;
    while (file_gets(buf, sizeof buf, f)) got += std::string(buf) + "|";
    file_close(f);
    // 3. The 0x1A byte ends the file.
    EXPECT_EQ(got, "one\n|two\rthree\n|four|");

    // 4. Raw mode keeps every byte.
    f = file_open(path.c_str(), FILE_READ_RAW);
    std::string raw;
    int c;
    while ((c = file_getc(f)) != EOF) raw += static_cast<char>(c);
    file_close(f);
    EXPECT_EQ(raw, read_file(path));
}

TEST(TextFiles, LongLinesArriveInPiecesAndLongFormatsWhole) {
    TempDir dir;
    std::string path = dir.path + "/long.txt";
    std::string line(1500, 'x');
    File* f = file_open(path.c_str(), FILE_WRITE_TEXT);
    file_printf(f, "%s\n", line.c_str());
    file_close(f);
    EXPECT_EQ(read_file(path), line + "\r\n");

    f = file_open(path.c_str(), FILE_READ_TEXT);
    char buf[512];
    ASSERT_NE(file_gets(buf, sizeof buf, f), nullptr);
    EXPECT_EQ(std::string(buf).size(), 511u);
    file_close(f);
}

// The same writes at once and written behind by a thread of their own.
TEST(TextFiles, WritesOfEverySizeKeepEveryByteAndLineEnd) {
    for (int behind = 0; behind < 2; ++behind) {
        TempDir dir;
        std::string path = dir.path + "/many.txt";
        File* f = file_open(path.c_str(), FILE_WRITE_TEXT);
        ASSERT_NE(f, nullptr);
        if (behind) file_write_behind(f);
        // Pieces of 1 to 700 bytes, line ends at every offset of a piece, one
        // piece of 300000 bytes, a run of bare line ends and some megabytes:
        // together many times the file's own buffer and the buffers handed
        // to the writer thread, so their edges fall everywhere.
        std::string stored;
        auto write = [&](const std::string& piece) {
            EXPECT_EQ(file_write(f, piece.data(), piece.size()), piece.size());
            for (char c : piece) stored += c == '\n' ? std::string("\r\n") : std::string(1, c);
        };
        for (int size = 1; size <= 700; ++size) {
            std::string piece(static_cast<size_t>(size), static_cast<char>('a' + size % 26));
            piece[static_cast<size_t>(size * 7 % size)] = '\n';
            write(piece);
        }
        std::string big(300000, 'x');
        for (size_t i = 0; i < big.size(); i += 997) big[i] = '\n';
        write(big);
        write(std::string(70000, '\n'));
        for (int i = 0; i < 20; ++i) write(big);
        write("end");
        EXPECT_EQ(file_failed(f), 0);
        // 1. The position counts every byte written so far, CR included.
        EXPECT_EQ(file_tell(f), static_cast<int64_t>(stored.size()));
        // 2. A flush makes the file whole at once; writing goes on after it.
        EXPECT_EQ(file_flush(f), 0);
        EXPECT_EQ(read_file(path), stored);
        write("\nafter\n");
        EXPECT_EQ(file_close(f), 0);
        EXPECT_EQ(read_file(path), stored);
        EXPECT_GT(stored.size(), 4 * 65536u);
    }
}

// A write behind that fails shows in file_failed soon after, and in the close.
TEST(TextFiles, AFailedWriteBehindIsNotLost) {
    File* f = file_open("/dev/full", FILE_WRITE_TEXT);
    if (f == nullptr) GTEST_SKIP() << "no /dev/full";
    file_write_behind(f);
    std::string piece(100000, 'x');
    piece.back() = '\n';
    for (int i = 0; i < 100 && file_failed(f) == 0; ++i) file_write(f, piece.data(), piece.size());
    EXPECT_EQ(file_close(f), -1);
}

TEST(TextFiles, ReadingAcrossTheReadAheadKeepsTheTranslation) {
    TempDir dir;
    std::string path = dir.path + "/in.txt";
    // Lines of many lengths, CR LF and lone CRs everywhere, and around the
    // 64 KiB edges of the file's read-ahead a CR LF split by each edge and a
    // lone CR right at it; then a line longer than the pieces, and 0x1A.
    std::string stored;
    auto pad_to = [&](size_t offset, const char* then) {
        stored += std::string(offset - stored.size(), 'x') + then;
    };
    for (int i = 0; stored.size() < 140000; ++i) {
        std::string line(static_cast<size_t>(i % 97), static_cast<char>('a' + i % 26));
        line += i % 5 == 0 ? "\r" : "";
        line += i % 3 == 0 ? "\r\n" : "\n";
        if (stored.size() < 65535 && stored.size() + line.size() >= 65535) pad_to(65535, "\r\n");
        if (stored.size() < 131071 && stored.size() + line.size() >= 131071) pad_to(131071, "\rz\n");
        stored += line;
    }
    stored += std::string(3000, 'w') + "\r\n" + "last\x1a" + "after\n";
    write_file(path, stored);

    // What text mode delivers: CR LF as LF, nothing from 0x1A on.
    std::string translated;
    for (size_t i = 0; i < stored.size() && stored[i] != '\x1a'; ++i) {
        if (stored[i] == '\r' && i + 1 < stored.size() && stored[i + 1] == '\n') continue;
        translated += stored[i];
    }

    // 1. Lines read in pieces of several sizes give exactly that text, each
    //    piece ending at a line end or at the size; the position counts the
    //    stored bytes taken.
    for (int size : {2, 7, 100, 1024}) {
        File* f = file_open(path.c_str(), FILE_READ_TEXT);
        ASSERT_NE(f, nullptr);
        std::vector<char> buffer(static_cast<size_t>(size));
        std::string got;
        int pieces_ok = 1;
        while (file_gets(buffer.data(), size, f) != nullptr) {
            std::string piece(buffer.data());
            pieces_ok &= piece.size() == static_cast<size_t>(size - 1) || piece.back() == '\n' ||
                         got.size() + piece.size() == translated.size();
            got += piece;
        }
        EXPECT_EQ(got, translated) << "pieces of " << size;
        EXPECT_TRUE(pieces_ok) << "pieces of " << size;
        EXPECT_EQ(file_getc(f), EOF);
        file_close(f);
    }

    // 2. The position, byte reads, block reads and a seek back agree with
    //    the stored bytes.
    File* f = file_open(path.c_str(), FILE_READ_TEXT);
    ASSERT_NE(f, nullptr);
    char line[16];
    ASSERT_NE(file_gets(line, sizeof line, f), nullptr);
    EXPECT_STREQ(line, "\r\n");  // line 0: no letters, a lone CR, then CR LF
    EXPECT_EQ(file_tell(f), 3);
    EXPECT_EQ(file_getc(f), 'b');
    char block[4];
    EXPECT_EQ(file_read(f, block, 4), 4u);
    EXPECT_EQ(std::string(block, 4), "\ncc\n");
    EXPECT_EQ(file_tell(f), 8);
    EXPECT_EQ(file_seek(f, 65535), 0);
    EXPECT_EQ(file_getc(f), '\n');  // the CR LF at the first edge
    EXPECT_EQ(file_tell(f), 65537);
    EXPECT_EQ(file_seek(f, 131071), 0);
    EXPECT_EQ(file_getc(f), '\r');  // the lone CR at the second
    EXPECT_EQ(file_getc(f), 'z');
    file_close(f);
}

TEST(TextFiles, AppendAddsToTheEndAndSeekRepositions) {
    TempDir dir;
    std::string path = dir.path + "/log";
    for (int i = 0; i < 2; ++i) {
        File* f = file_open(path.c_str(), FILE_APPEND_TEXT);
        file_puts(f, "line\n");
        file_close(f);
    }
    EXPECT_EQ(read_file(path), "line\r\nline\r\n");

    File* f = file_open(path.c_str(), FILE_READ_TEXT);
    EXPECT_EQ(file_size(f), 12);
    char buf[16];
    file_gets(buf, sizeof buf, f);
    EXPECT_EQ(file_tell(f), 6);
    EXPECT_EQ(file_seek(f, 0), 0);
    EXPECT_STREQ(file_gets(buf, sizeof buf, f), "line\n");
    file_close(f);
}

TEST(Paths, BackslashesAreSeparatorsOnPosix) {
    EXPECT_EQ(os_path("fig\\1a2b.pict"), "fig/1a2b.pict");
    TempDir dir;
    std::string sub = dir.path + "\\made";
    EXPECT_EQ(path_exists(sub.c_str()), 0);
    EXPECT_EQ(make_directory(sub.c_str()), 0);
    EXPECT_EQ(path_is_directory((dir.path + "/made").c_str()), 1);
    // One level only: a missing parent is not created.
    EXPECT_EQ(make_directory((dir.path + "/a/b").c_str()), -1);
    write_file(dir.path + "/file", "x");
    EXPECT_EQ(path_exists((dir.path + "/file").c_str()), 1);
    EXPECT_EQ(path_is_directory((dir.path + "/file").c_str()), 0);
    EXPECT_EQ(file_open(dir.path.c_str(), FILE_READ_TEXT), nullptr);
}

TEST(Time, CtimeTextHasATwoDigitDay) {
    setenv("TZ", "UTC", 1);
    tzset();
    // 2004-12-04 09:05:07 UTC was a Saturday.
    EXPECT_EQ(ctime_text(1102151107), "Sat Dec 04 09:05:07 2004\n");
    EXPECT_EQ(ctime_text(1103936400), "Sat Dec 25 01:00:00 2004\n");
}

TEST(Commands, RunsThroughTheShellWithByteOrderCollation) {
    TempDir dir;
    write_file(dir.path + "/in", "b\nB\na\n");
    std::string cmd = std::string(SortCandidates[0]) + " " + dir.path + "/in > " + dir.path + "/out";
    if (!path_exists(SortCandidates[0])) GTEST_SKIP() << "no sort program at " << SortCandidates[0];
    EXPECT_EQ(run_command(cmd.c_str()), 0);
    EXPECT_EQ(read_file(dir.path + "/out"), "B\na\nb\n");
    EXPECT_NE(run_command("exit 3"), 0);
}

TEST(RawHandles, CreateSeekReadWrite) {
    TempDir dir;
    std::string path = dir.path + "\\bundle";
    int h = handle_create(path.c_str());
    ASSERT_GE(h, 0);
    EXPECT_EQ(handle_write(h, "0123456789", 10), 10);
    handle_close(h);
    h = handle_open_read((dir.path + "/bundle").c_str());
    ASSERT_GE(h, 0);
    EXPECT_EQ(handle_seek(h, 4), 4);
    char buf[8];
    EXPECT_EQ(handle_read(h, buf, 8), 6);
    EXPECT_EQ(std::string(buf, 6), "456789");
    EXPECT_EQ(handle_seek(h, -1), -1);
    handle_close(h);
}
