// The project file qel.ebs.
#include "project/project_file.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/platform.h"
#include "support/test_support.h"

using namespace qel;
using qeltest::crlf;
using qeltest::read_file;
using qeltest::TempDir;

namespace {

// Captures the console as raw Shift_JIS, whatever an earlier test left set.
void capture_console() {
    set_console_transcoding(0);
    testing::internal::CaptureStdout();
}

// The whole file for BASEPATH "base\", OUTPATH "C:\book\", COMPLEX 2,
// FIGURE 1, SOUND 0.
const char* const FullProject =
    "InPath=base\\\n"
    "OutPath=C:\\book\\\n"
    "IndexFile=\n"
    "Copyright=\n"
    "GaijiFile=$(BASE)\\qelgfont.xml\n"
    "GaijiMapFile=$(BASE)\\qelgmap.xml\n"
    "EBType=0\n"
    "WordSearchHyoki=1\n"
    "WordSearchKana=0\n"
    "EndWordSearchHyoki=1\n"
    "EndWordSearchKana=0\n"
    "KeywordSearch=2\n"
    "ComplexSearch=2\n"
    "topMenu=0\n"
    "singleLine=1\n"
    "kanaSep1=【\n"
    "kanaSep2=】\n"
    "hyokiSep=0\n"
    "makeFig=1\n"
    "inlineImg=0\n"
    "paraHdr=0\n"
    "ruby=1\n"
    "paraBr=0\n"
    "subTitle=1\n"
    "dfnStyle=0\n"
    "srchUnit=1\n"
    "linkChar=0\n"
    "arrowCode=222A\n"
    "eijiPronon=1\n"
    "eijiPartOfSpeech=1\n"
    "eijiBreak=1\n"
    "eijiKana=0\n"
    "leftMargin=0\n"
    "indent=0\n"
    "tableWidth=480\n"
    "StopWord=\n"
    "delBlank=1\n"
    "delSym=1\n"
    "delChars=\n"
    "refAuto=0\n"
    "titleWord=1\n"
    "autoWord=0\n"
    "autoEWord=0\n"
    "HTagIndex=0\n"
    "DTTagIndex=1\n"
    "dispKeyInSelList=0\n"
    "titleOrder=0\n"
    "omitHeader=0\n"
    "addKana=1\n"
    "autoKana=0\n"
    "withHeader=0\n"
    "optMono=0\n"
    "Size=220000;390000;100;229000000;82000;3300000;100;2600;106500;10100;3100\n"
    "Book=Moravel英語辞典;QEL;英和辞典;$(BASE)\\qelcopr.html;$(BASE)\\qelcmpl.xml;"
    "GAI16H00;GAI16F00;_;_;_;_;_;_;\n"
    "Source=$(BASE)\\qel.html;本文;_;HTML;\n"
    "Source=$(BASE)\\qelmenu1.html;図版;_;HTML;\n"
    "Source=$(BASE)\\qelmenu2.html;作品名;_;HTML;\n"
    "Source=$(BASE)\\qelmenu3.html;類語;_;HTML;\n"
    "Source=$(BASE)\\qelmenu4.html;語法;_;HTML;\n"
    "Source=$(BASE)\\qelmenu5.html;活用他;_;HTML;\n";

// Writes qel.ebs for `settings` in the working directory (BASEPATH emptied)
// and returns its text-mode content.
std::string project_text(ConversionSettings& settings) {
    settings.BASEPATH = "";
    capture_console();
    int r = write_project_file(settings);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(r, 0);
    return qeltest::lf(read_file("qel.ebs"));
}

bool has_line(const std::string& text, const std::string& line) {
    return text.find("\n" + line + "\n") != std::string::npos;
}

}  // namespace

TEST(ProjectFile, WholeFileWithComplexTwoAndFigures) {
    TempDir dir;
    dir.enter();
    qel::make_directory("base");
    ConversionSettings settings;
    settings.BASEPATH = "base\\";
    settings.OUTPATH = "C:\\book\\";
    settings.COMPLEX = 2;
    capture_console();
    ASSERT_EQ(write_project_file(settings), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "EBSファイルを生成しています... 終了しました\n");
    // Stored with CR LF line ends, in the base directory.
    EXPECT_EQ(read_file("base/qel.ebs"), crlf(FullProject));
    EXPECT_EQ(read_file("qelconv.log"), crlf("EBSファイルを生成しています... 終了しました\n"));
}

TEST(ProjectFile, SettingsDependentRows) {
    TempDir dir;
    dir.enter();
    ConversionSettings settings;

    // 1. COMPLEX 0: both searches off, "_" in the book line's complex place.
    settings.COMPLEX = 0;
    std::string t = project_text(settings);
    EXPECT_TRUE(has_line(t, "KeywordSearch=0")) << "case 1";
    EXPECT_TRUE(has_line(t, "ComplexSearch=0")) << "case 1";
    EXPECT_TRUE(has_line(t, "Book=Moravel英語辞典;QEL;英和辞典;$(BASE)\\qelcopr.html;_;"
                            "GAI16H00;GAI16F00;_;_;_;_;_;_;")) << "case 1";
    // An empty BASEPATH gives an empty InPath in the working directory.
    EXPECT_EQ(t.rfind("InPath=\nOutPath=\nIndexFile=\n", 0), 0u) << "case 1";

    // 2. FIGURE 0, SOUND 1: makeFig on, no figure menu, the other menus stay.
    settings.COMPLEX = 1;
    settings.FIGURE = 0;
    settings.SOUND = 1;
    t = project_text(settings);
    EXPECT_TRUE(has_line(t, "makeFig=1")) << "case 2";
    EXPECT_EQ(t.find("qelmenu1.html"), std::string::npos) << "case 2";
    EXPECT_TRUE(has_line(t, "Source=$(BASE)\\qel.html;本文;_;HTML;\n"
                            "Source=$(BASE)\\qelmenu2.html;作品名;_;HTML;")) << "case 2";
    EXPECT_TRUE(has_line(t, "KeywordSearch=1")) << "case 2";

    // 3. FIGURE 0, SOUND 0: makeFig off.
    settings.SOUND = 0;
    t = project_text(settings);
    EXPECT_TRUE(has_line(t, "makeFig=0")) << "case 3";
    EXPECT_EQ(std::count(t.begin(), t.end(), '\n'), 59) << "case 3";

    // 4. FIGURE 1, SOUND 0: makeFig on, all 62 rows (the book line is one line).
    settings.FIGURE = 1;
    t = project_text(settings);
    EXPECT_TRUE(has_line(t, "makeFig=1")) << "case 4";
    EXPECT_EQ(std::count(t.begin(), t.end(), '\n'), 60) << "case 4";
}

TEST(ProjectFile, FailuresAreReported) {
    TempDir dir;
    dir.enter();
    ConversionSettings settings;

    // 1. A base directory that does not exist.
    settings.BASEPATH = "missing\\";
    capture_console();
    EXPECT_EQ(write_project_file(settings), -1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "EBStudio定義ファイル missing\\qel.ebs が新規作成できません\n");

    // 2. A file whose writing fails is not passed off as written.
    if (qeltest::file_exists("/dev/full")) {
        ASSERT_EQ(qeltest::shell("ln -s /dev/full '" + dir.path + "/qel.ebs'"), 0);
        settings.BASEPATH = "";
        capture_console();
        EXPECT_EQ(write_project_file(settings), -1);
        EXPECT_EQ(testing::internal::GetCapturedStdout(),
                  "EBSファイルを生成しています... ファイル qel.ebs への書き込みに失敗しました\n");
    }
}
