// The index-word lists: records, the end of a list, and the key lines.
#include "text/index_words.h"

#include <gtest/gtest.h>

#include <string>

#include "common/report.h"
#include "platform/platform.h"
#include "support/test_support.h"

using namespace qel;
using qeltest::crlf;
using qeltest::read_file;
using qeltest::TempDir;
using qeltest::write_file;

namespace {

std::string le32(uint32_t v) {
    return {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF), static_cast<char>((v >> 16) & 0xFF),
            static_cast<char>((v >> 24) & 0xFF)};
}

// One record in its stored form; the ignored bytes are filled with "?".
std::string record(const std::string& word, uint32_t position, const std::string& second = "",
                   const std::string& third = "", uint32_t second_number = 7) {
    return "??" + std::string(1, static_cast<char>(word.size())) + word + "??" +
           std::string(1, static_cast<char>(second.size())) + second + "??" + le32(position) + "??" +
           le32(second_number) + "????????" + std::string(1, static_cast<char>(third.size())) + third;
}

std::string header() {
    return std::string(256, 'H');
}

// Writes a list file into `dir` and opens it.
IndexWordList* open_list(TempDir& dir, const char* name, const std::string& bytes) {
    write_file(dir.path + "/" + name, bytes);
    IndexWordList* list = open_index_word_list((dir.path + "/").c_str(), name);
    EXPECT_NE(list, nullptr);
    return list;
}

}  // namespace

TEST(IndexWordList, ReadsRecordsBackToBack) {
    TempDir dir;
    // 1. The 30-byte record: cat at entry position 1000; the next record
    //    starts right after it.
    std::string cat = std::string("\x01\x02\x03" "cat" "\x04\x05\x00\x06\x07\xE8\x03\x00\x00\x08\x09", 17) +
                      le32(0x01020304) + "ABCDEFGH" + std::string(1, '\0');
    ASSERT_EQ(cat.size(), 30u);
    IndexWordList* list = open_list(dir, "en.dat", header() + cat + record("dog", 2000, "s", "t", 9));
    ASSERT_NE(list, nullptr);
    IndexWordRecord r;
    ASSERT_EQ(read_index_word(list, &r), &r);
    EXPECT_EQ(r.word, "cat");
    EXPECT_EQ(r.entry_position, 1000);
    EXPECT_EQ(r.second_number, 0x01020304u);
    EXPECT_EQ(r.second_text, "");
    EXPECT_EQ(r.third_text, "");
    ASSERT_EQ(read_index_word(list, &r), &r);
    EXPECT_EQ(r.word, "dog");
    EXPECT_EQ(r.entry_position, 2000);
    EXPECT_EQ(r.second_text, "s");
    EXPECT_EQ(r.third_text, "t");
    EXPECT_EQ(r.second_number, 9u);
    EXPECT_EQ(read_index_word(list, &r), nullptr);
    EXPECT_EQ(read_index_word(list, &r), nullptr);
    close_index_word_list(list);
    // 2. Length bytes up to 255 fit whole; positions are signed.
    std::string w(255, 'w'), s(255, 's'), t(255, 't');
    list = open_list(dir, "tr.dat", header() + record(w, 0xFFFFFFFF, s, t));
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(read_index_word(list, &r), &r);
    EXPECT_EQ(r.word, w);
    EXPECT_EQ(r.second_text, s);
    EXPECT_EQ(r.third_text, t);
    EXPECT_EQ(r.entry_position, -1);
    close_index_word_list(list);
}

TEST(IndexWordList, EmptyAndShortFilesHoldNoRecord) {
    TempDir dir;
    IndexWordRecord r;
    for (const std::string& bytes : {header(), std::string(), std::string(100, 'H')}) {
        IndexWordList* list = open_list(dir, "en.dat", bytes);
        ASSERT_NE(list, nullptr);
        EXPECT_EQ(read_index_word(list, &r), nullptr) << bytes.size();
        close_index_word_list(list);
    }
}

TEST(IndexWordList, ARecordCutShortEndsTheList) {
    TempDir dir;
    dir.enter();
    std::string whole = record("word", 5, "xy", "z");
    // Every cut from one byte to one byte short gives the end of the list,
    // with a note in the log.
    for (size_t cut = 1; cut < whole.size(); ++cut) {
        IndexWordList* list = open_list(dir, "en.dat", header() + record("a", 1) + whole.substr(0, cut));
        ASSERT_NE(list, nullptr);
        IndexWordRecord r;
        ASSERT_EQ(read_index_word(list, &r), &r);
        EXPECT_EQ(read_index_word(list, &r), nullptr) << "cut at " << cut;
        EXPECT_EQ(read_index_word(list, &r), nullptr);
        close_index_word_list(list);
    }
    std::string log = qeltest::lf(read_file(LogFileName));
    std::string note = "索引語リストファイル " + dir.path + "/en.dat の最後のレコードが途中で切れています\n";
    EXPECT_EQ(log.substr(0, note.size()), note);
}

TEST(IndexWordList, OpenFailureIsReported) {
    TempDir dir;
    dir.enter();
    set_console_transcoding(0);  // the console gets the Shift_JIS bytes as they are
    testing::internal::CaptureStdout();
    IndexWordList* list = open_index_word_list("nowhere\\", "tr.dat");
    std::string console = testing::internal::GetCapturedStdout();
    set_console_transcoding(-1);
    EXPECT_EQ(list, nullptr);
    EXPECT_EQ(console, "索引語リストファイル nowhere\\tr.dat がオープンできません\n");
    close_index_word_list(nullptr);
}

TEST(IndexKeys, DueWordsInListOrder) {
    TempDir dir;
    // English: a-1 at 0, two words at 100, one beyond every entry.
    IndexWordList* en = open_list(dir, "en.dat",
                                  header() + record("a-1", 0) + record("Big", 100) + record("cat", 100) +
                                      record("far", 999999));
    // Translation: one word at 100, stored bytes written as they are.
    IndexWordList* tr = open_list(dir, "tr.dat", header() + record("犬\\", 100));
    ASSERT_NE(en, nullptr);
    ASSERT_NE(tr, nullptr);
    File* body = file_open((dir.path + "/body.html").c_str(), FILE_WRITE_TEXT);
    ASSERT_NE(body, nullptr);

    IndexWordRecord en_record, tr_record;
    IndexWordRecord* en_current = read_index_word(en, &en_record);
    IndexWordRecord* tr_current = read_index_word(tr, &tr_record);

    // 1. The first heading (position 0) takes the word at 0 only.
    file_puts(body, "[first]\n");
    en_current = write_index_keys(body, en, en_current, 0, "head1", 1);
    tr_current = write_index_keys(body, tr, tr_current, 0, "head1", 0);
    // 2. A heading at 100: both English words, then the translation word.
    file_puts(body, "[second]\n");
    en_current = write_index_keys(body, en, en_current, 100, "head2", 1);
    tr_current = write_index_keys(body, tr, tr_current, 100, "head2", 0);
    // 3. A later heading of the same entry finds nothing left.
    file_puts(body, "[derived]\n");
    en_current = write_index_keys(body, en, en_current, 100, "head3", 1);
    tr_current = write_index_keys(body, tr, tr_current, 100, "head3", 0);
    file_close(body);

    EXPECT_NE(en_current, nullptr);  // the word far beyond is still waiting
    EXPECT_EQ(en_current->word, "far");
    EXPECT_EQ(tr_current, nullptr);
    EXPECT_EQ(read_file(dir.path + "/body.html"),
              crlf("[first]\n"
                   "<key title=\"head1\" type=\"前方表記\">ａ－１</key>\n"
                   "<key title=\"head1\" type=\"後方表記\">ａ－１</key>\n"
                   "[second]\n"
                   "<key title=\"head2\" type=\"前方表記\">Ｂｉｇ</key>\n"
                   "<key title=\"head2\" type=\"後方表記\">Ｂｉｇ</key>\n"
                   "<key title=\"head2\" type=\"前方表記\">ｃａｔ</key>\n"
                   "<key title=\"head2\" type=\"後方表記\">ｃａｔ</key>\n"
                   "<key title=\"head2\" type=\"前方表記\">犬\\</key>\n"
                   "<key title=\"head2\" type=\"後方表記\">犬\\</key>\n"
                   "[derived]\n"));
    close_index_word_list(en);
    close_index_word_list(tr);
}
