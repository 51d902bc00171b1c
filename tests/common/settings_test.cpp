// Reading and echoing qelconv.ini.

#include <gtest/gtest.h>

#include "common/report.h"
#include "common/settings.h"
#include "common/settings_line.h"
#include "support/test_support.h"

using namespace qel;
using qeltest::read_file;
using qeltest::TempDir;
using qeltest::write_file;

namespace {

// Reads `ini` as qelconv.ini in a fresh directory into `settings`; returns
// the result and leaves the console output in `console`.
int read_ini(TempDir& dir, const std::string& ini, ConversionSettings& settings, std::string& console) {
    dir.enter();
    write_file("qelconv.ini", ini);
    testing::internal::CaptureStdout();
    int r = read_settings(settings);
    console = testing::internal::GetCapturedStdout();
    return r;
}

}  // namespace

TEST(SettingsLine, SplitsKeysAndValues) {
    std::string key, value;
    // 1. Comments and blank lines.
    EXPECT_EQ(split_settings_line("  # note\n", key, value), 0);
    EXPECT_EQ(split_settings_line("\t\r\n", key, value), 0);
    EXPECT_EQ(split_settings_line("", key, value), 0);
    // 2. '=' inside the value and spaces in it are kept; a tab or '#' ends it.
    EXPECT_EQ(split_settings_line("SORTCMD = C:\\my tools\\sort.exe a=b #x\n", key, value), 1);
    EXPECT_EQ(key, "SORTCMD");
    EXPECT_EQ(value, "C:\\my tools\\sort.exe a=b ");
    split_settings_line("PRONSYM=\"x\"\tcomment", key, value);
    EXPECT_EQ(value, "\"x\"");
    // 3. A key without '=' has an empty value.
    split_settings_line("SOUND\r\n", key, value);
    EXPECT_EQ(key, "SOUND");
    EXPECT_EQ(value, "");
    // 4. The walk to '=' steps over two-byte characters whose trail byte is '='.
    split_settings_line("KEY \x81\x3dX=Y", key, value);
    EXPECT_EQ(key, "KEY");
    EXPECT_EQ(value, "Y");
    // 5. A line that begins with '=' has the empty key.
    split_settings_line("=1", key, value);
    EXPECT_EQ(key, "");
    EXPECT_EQ(value, "1");
}

TEST(SettingsLine, DirectoriesAndIntegers) {
    EXPECT_EQ(settings_directory_value("C:\\out"), "C:\\out\\");
    EXPECT_EQ(settings_directory_value("C:\\out/"), "C:\\out/");
    EXPECT_EQ(settings_directory_value(""), "\\");
    // 表 is 95 5C: its second byte is not a separator.
    EXPECT_EQ(settings_directory_value("C:\\表"), "C:\\表\\");
    EXPECT_EQ(settings_directory_value("C:\\表\\"), "C:\\表\\");
    EXPECT_EQ(settings_integer_value("12abc"), 12);
    EXPECT_EQ(settings_integer_value("-3"), -3);
    EXPECT_EQ(settings_integer_value("on"), 0);
    EXPECT_EQ(settings_integer_value("+7 "), 7);
}

TEST(Settings, DefaultsAndTheEcho) {
    TempDir dir;
    ConversionSettings settings;
    std::string console;
    EXPECT_EQ(read_ini(dir, "# only a comment\n\n   \n", settings, console), 0);
    const char* expected =
        "変換設定は以下のとおりです\n"
        "  BASEPATH = \n  OUTPATH = \n  DICPATH = \n  DATAPATH = \n  SORTCMD = \n"
        "  MACINTOSH = 0\n  FIGURE = 1\n  JPEG = 1\n  SOUND = 0\n  GENSOUND = 1\n"
        "  COMPLEX = 1\n  QUICKJUMP = 0\n  QJITEMS = 3\n  QJLINES = 30\n  QUICKRET = 0\n"
        "  ITALIC = 0\n  PRONSYM = →発音\n  JUMPSYM = →品詞\n  ARROWSYM = →\n  RETSYM = ↑\n";
    EXPECT_EQ(console, expected);
    EXPECT_EQ(read_file(LogFileName), qeltest::crlf(expected));
}

TEST(Settings, ValuesAsStored) {
    TempDir dir;
    ConversionSettings settings;
    std::string console;
    std::string ini =
        "BASEPATH=C:\\out #base\n"
        "OUTPATH = C:\\book/\n"
        "DICPATH=\n"
        "DATAPATH\n"
        "FIGURE=0 # no figures\n"
        "SOUND\n"
        "QJLINES=x\n"
        "PRONSYM=\"a b\" G1-21\n"
        "COMPLEX=1\nCOMPLEX=2\n"
        "   ";  // a last line of blanks without a line end
    EXPECT_EQ(read_ini(dir, ini, settings, console), 0);
    EXPECT_EQ(settings.BASEPATH, "C:\\out \\");
    EXPECT_EQ(settings.OUTPATH, "C:\\book/");
    EXPECT_EQ(settings.DICPATH, "\\");
    EXPECT_EQ(settings.DATAPATH, "\\");
    EXPECT_EQ(settings.FIGURE, 0);
    EXPECT_EQ(settings.SOUND, 0);
    EXPECT_EQ(settings.QJLINES, 0);
    EXPECT_EQ(settings.PRONSYM, "\"a b\" G1-21");
    EXPECT_EQ(settings.COMPLEX, 2);
    EXPECT_NE(console.find("  BASEPATH = C:\\out \\\n"), std::string::npos);
}

TEST(Settings, InvalidLinesAreNumberedAndFailTheStep) {
    TempDir dir;
    ConversionSettings settings;
    std::string console;
    std::string ini = "# comment\nbasepath=x\nFIGURE=0\n\nUNKNOWN=1\n=5\n";
    EXPECT_EQ(read_ini(dir, ini, settings, console), -1);
    // A message per line with its own number and what is wrong; the valid
    // lines still count; the echo follows.
    EXPECT_EQ(console.find("設定ファイルに不正な行があります(2行め)\n  basepath は設定項目ではありません\n"), 0u);
    EXPECT_NE(console.find("設定ファイルに不正な行があります(5行め)\n  UNKNOWN は設定項目ではありません\n"
                           "設定ファイルに不正な行があります(6行め)\n  キーがありません"),
              std::string::npos);
    EXPECT_NE(console.find("\n変換設定は以下のとおりです\n"), std::string::npos);
    EXPECT_EQ(settings.FIGURE, 0);
}

// Values a key takes but that make no sense are named, and read as before;
// an editor's byte-order mark does not spoil the first line.
TEST(Settings, DoubtfulValuesAreNamedAndReadAsBefore) {
    TempDir dir;
    ConversionSettings settings;
    std::string console;
    std::string ini = "\xEF\xBB\xBF" "FIGURE=yes\nQUICKJUMP=7\nQJITEMS=-2\nRETSYM=\x82\nSOUND\nQJLINES=12  \n"
                      "JUMPSYM=\x82\xA0\xB1\n";
    EXPECT_EQ(read_ini(dir, ini, settings, console), 0);
    EXPECT_EQ(settings.FIGURE, 0);
    EXPECT_EQ(settings.QUICKJUMP, 7);
    EXPECT_EQ(settings.QJITEMS, -2);
    EXPECT_EQ(settings.QJLINES, 12);
    EXPECT_EQ(settings.RETSYM, "\x82");
    std::string expected = "設定ファイルの1行め: FIGURE の値「yes」は数値ではありません(0 として扱います)\n"
                           "設定ファイルの2行め: QUICKJUMP の値 7 は範囲(0～4)の外です\n"
                           "設定ファイルの3行め: QJITEMS の値 -2 は負の数です\n"
                           "設定ファイルの4行め: RETSYM の値はShift_JISの文字列ではありません\n"
                           "設定ファイルの5行め: SOUND の値「」は数値ではありません(0 として扱います)\n"
                           "変換設定は以下のとおりです\n";
    EXPECT_EQ(console.substr(0, expected.size()), expected);
}

TEST(Settings, LongLinesAreReadInPieces) {
    TempDir dir;
    ConversionSettings settings;
    std::string console;
    // 600 bytes: the first 511 make line 1 (a valid key), the rest line 2.
    std::string ini = "SORTCMD=" + std::string(503, 'a') + "BASEPATH=x\nJPEG=0\n";
    EXPECT_EQ(read_ini(dir, ini, settings, console), 0);
    EXPECT_EQ(settings.SORTCMD, std::string(503, 'a'));
    EXPECT_EQ(settings.BASEPATH, "x\\");
    EXPECT_EQ(settings.JPEG, 0);

    // A piece that is not a key is reported under its own line number.
    EXPECT_EQ(read_ini(dir, "PRONSYM=" + std::string(600, 'b') + "\nJPEG=0\n", settings, console), -1);
    EXPECT_EQ(console.find("設定ファイルに不正な行があります(2行め)\n"), 0u);
}

TEST(Settings, MissingFileIsReportedWithoutEcho) {
    TempDir dir;
    dir.enter();
    ConversionSettings settings;
    testing::internal::CaptureStdout();
    EXPECT_EQ(read_settings(settings), -1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "設定ファイル qelconv.ini がオープンできません\n");
}
