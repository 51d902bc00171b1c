// The copyright page and the complex-search definition.
#include "project/copyright.h"

#include <gtest/gtest.h>

#include "platform/platform.h"
#include "support/test_support.h"

using namespace qel;
using qeltest::crlf;
using qeltest::read_file;
using qeltest::TempDir;
using qeltest::write_file;

namespace {

// Captures the console as raw Shift_JIS, whatever an earlier test left set.
void capture_console() {
    set_console_transcoding(0);
    testing::internal::CaptureStdout();
}

const std::string PageHead = "<html>\n<head>\n<title>著作権表示</title>\n</head>\n<body>\n<p>\n";
const std::string PageFoot = "</p>\n</body>\n</html>\n";

// The page body (between the head and the foot, raw bytes) made from `readme`.
std::string page_body(const ConversionSettings& settings, const std::string& readme) {
    write_file("Readme.txt", readme);
    capture_console();
    int r = write_copyright_page(settings);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(r, 0);
    std::string page = read_file("qelcopr.html");
    std::string head = crlf(PageHead), foot = crlf(PageFoot);
    if (page.compare(0, head.size(), head) != 0 || page.size() < head.size() + foot.size() ||
        page.compare(page.size() - foot.size(), foot.size(), foot) != 0)
        return "(malformed page) " + page;
    return page.substr(head.size(), page.size() - head.size() - foot.size());
}

}  // namespace

TEST(CopyrightPage, WholePageFromDicpathIntoBasepath) {
    TempDir dir;
    dir.enter();
    make_directory("dic");
    make_directory("base");
    ConversionSettings settings;
    settings.DICPATH = "dic\\";
    settings.BASEPATH = "base/";
    write_file("dic/Readme.txt", "Moravel <c> 2004\r\nAll rights\r\n");
    capture_console();
    ASSERT_EQ(write_copyright_page(settings), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "著作権表示ファイルを生成しています... 終了しました\n");
    // Nothing is escaped; the trailing line break opens an empty last paragraph.
    EXPECT_EQ(read_file("base/qelcopr.html"),
              crlf(PageHead + "Moravel <c> 2004</p>\n<p>All rights</p>\n<p>" + PageFoot));
}

TEST(CopyrightPage, LineBreaksMakeParagraphs) {
    TempDir dir;
    dir.enter();
    ConversionSettings settings;
    const std::string br = crlf("</p>\n<p>");
    // 1. Empty Readme: "<p>" directly followed by "</p>".
    EXPECT_EQ(page_body(settings, ""), "") << "case 1";
    // 2. CR LF is one break; LF CR is two (an empty paragraph between).
    EXPECT_EQ(page_body(settings, "a\r\nb"), "a" + br + "b") << "case 2";
    EXPECT_EQ(page_body(settings, "a\n\rb"), "a" + br + br + "b") << "case 2";
    // 3. CR alone and LF alone break too; an empty line is an empty paragraph.
    EXPECT_EQ(page_body(settings, "a\rb\nc\r\n\r\nd"), "a" + br + "b" + br + "c" + br + br + "d") << "case 3";
    // 4. A 0x1A byte ends the page; what follows it is ignored.
    EXPECT_EQ(page_body(settings, "ab\x1A" "cd\r\n"), "ab") << "case 4";
    // 5. Double-byte text passes unchanged.
    EXPECT_EQ(page_body(settings, "著作権\r\n"), "著作権" + br) << "case 5";
}

TEST(CopyrightPage, BlankPairsBecomeFullWidthSpaces) {
    TempDir dir;
    dir.enter();
    ConversionSettings settings;
    const std::string br = crlf("</p>\n<p>");
    // 1. One blank stays, two make a full-width space, three add a blank
    // before the next word.
    EXPECT_EQ(page_body(settings, "a b"), "a b") << "case 1";
    EXPECT_EQ(page_body(settings, "a  b"), "a\x81\x40" "b") << "case 1";
    EXPECT_EQ(page_body(settings, "a   b"), "a\x81\x40 b") << "case 1";
    EXPECT_EQ(page_body(settings, "    x"), "\x81\x40\x81\x40x") << "case 1";
    // 2. A blank at a line end comes out in front of the next paragraph's text.
    EXPECT_EQ(page_body(settings, "a \r\nx"), "a" + br + " x") << "case 2";
    // 3. A blank pending at the end of the file is dropped.
    EXPECT_EQ(page_body(settings, "a "), "a") << "case 3";
    EXPECT_EQ(page_body(settings, "a   "), "a\x81\x40") << "case 3";
}

TEST(CopyrightPage, LongReadmeIsWrittenWhole) {
    TempDir dir;
    dir.enter();
    ConversionSettings settings;
    std::string readme, expected;
    for (int i = 0; i < 3000; ++i) {
        readme += "line " + std::to_string(i) + "\r\n";
        expected += "line " + std::to_string(i) + crlf("</p>\n<p>");
    }
    EXPECT_EQ(page_body(settings, readme), expected);
}

TEST(CopyrightPage, MissingFilesAreReported) {
    TempDir dir;
    dir.enter();
    ConversionSettings settings;
    // 1. No Readme.txt in DICPATH: nothing is written.
    settings.DICPATH = "dic\\";
    capture_console();
    EXPECT_EQ(write_copyright_page(settings), -1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "ファイル dic\\Readme.txt がオープンできません\n");
    EXPECT_FALSE(qeltest::file_exists("qelcopr.html"));
    // 2. The page cannot be created.
    settings.DICPATH = "";
    settings.BASEPATH = "missing\\";
    write_file("Readme.txt", "x");
    capture_console();
    EXPECT_EQ(write_copyright_page(settings), -1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "著作権表示ファイル missing\\qelcopr.html が新規作成できません\n");
}

TEST(ComplexDefinition, FixedFileAndItsFailure) {
    TempDir dir;
    dir.enter();
    ConversionSettings settings;
    capture_console();
    ASSERT_EQ(write_complex_definition(settings), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "複合検索定義ファイルを生成しています... 終了しました\n");
    EXPECT_EQ(read_file("qelcmpl.xml"),
              crlf("<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\n"
                   "<!-- MoravelToolkit 複合検索定義ファイル -->\n"
                   "<complex>\n"
                   " <group name=\"成句・用例検索\">\n"
                   "  <keyword name=\"単語１\" />\n"
                   "  <keyword name=\"単語２\" />\n"
                   "  <keyword name=\"単語３\" />\n"
                   "  <keyword name=\"単語４\" />\n"
                   "  <keyword name=\"単語５\" />\n"
                   " </group>\n"
                   "</complex>\n"));

    settings.BASEPATH = "missing\\";
    capture_console();
    EXPECT_EQ(write_complex_definition(settings), -1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "複合検索定義ファイル missing\\qelcmpl.xml が新規作成できません\n");
}
