// The fixer's settings (OUTPATH only) and its summary.
#include "fixer/fixer.h"

#include <gtest/gtest.h>

#include "common/report.h"
#include "common/run.h"
#include "platform/platform.h"
#include "support/test_support.h"

using namespace qel;
using qeltest::read_file;
using qeltest::TempDir;
using qeltest::write_file;

namespace {

// Reads `ini` as qelconv.ini in the entered directory; the console output
// goes to `console`.
int read_ini(const std::string& ini, std::string& console) {
    write_file("qelconv.ini", ini);
    reset_fixer_state();
    set_console_transcoding(0);
    testing::internal::CaptureStdout();
    int r = read_outpath();
    console = testing::internal::GetCapturedStdout();
    set_console_transcoding(-1);
    return r;
}

}  // namespace

TEST(FixerSettings, OnlyOutpathIsTaken) {
    TempDir dir;
    dir.enter();
    std::string console;
    // 1. Lines the converter rejects, and every other key, pass silently; the
    //    last OUTPATH wins and gets its backslash; nothing is echoed.
    EXPECT_EQ(read_ini("# book\r\nFigure=1\r\nOUTPATH=C:\\first\r\n=x\r\nBASEPATH=base\r\n"
                       "outpath=low\r\n  OUTPATH = D:\\book  #here\r\n",
                       console),
              0);
    EXPECT_EQ(fixer_outpath(), "D:\\book  \\");
    EXPECT_EQ(console, "");
    EXPECT_FALSE(qeltest::file_exists(LogFileName));
    // 2. No OUTPATH: empty, so the book is looked for below the working directory.
    EXPECT_EQ(read_ini("BASEPATH=x\n", console), 0);
    EXPECT_EQ(fixer_outpath(), "");
    // 3. A bare key gives the single backslash; a slash at the end is kept.
    EXPECT_EQ(read_ini("OUTPATH", console), 0);
    EXPECT_EQ(fixer_outpath(), "\\");
    EXPECT_EQ(read_ini("OUTPATH=book/\n", console), 0);
    EXPECT_EQ(fixer_outpath(), "book/");
    // 4. A key too long for any buffer, on a line longer than the line
    //    buffer, is passed over; the next line still counts.
    EXPECT_EQ(read_ini(std::string(700, 'K') + "=v\nOUTPATH=out\n", console), 0);
    EXPECT_EQ(fixer_outpath(), "out\\");
}

TEST(FixerSettings, MissingFileIsReported) {
    TempDir dir;
    dir.enter();
    reset_fixer_state();
    set_console_transcoding(0);
    testing::internal::CaptureStdout();
    EXPECT_EQ(read_outpath(), -1);
    std::string console = testing::internal::GetCapturedStdout();
    set_console_transcoding(-1);
    EXPECT_EQ(console, "設定ファイル qelconv.ini がオープンできません\n");
    EXPECT_EQ(read_file(LogFileName), "設定ファイル qelconv.ini がオープンできません\r\n");
}

TEST(FixerSummary, ResultLineTimesAndExitCode) {
    TempDir dir;
    dir.enter();
    set_run_start_time(wall_clock_seconds() - 125);
    set_console_transcoding(0);
    testing::internal::CaptureStdout();
    int ok = report_fix_summary(0);
    int failed = report_fix_summary(-1);
    std::string console = testing::internal::GetCapturedStdout();
    set_console_transcoding(-1);
    reset_run_state();
    EXPECT_EQ(ok, 0);
    EXPECT_EQ(failed, 1);
    // The elapsed time may tick over a second while the test runs.
    EXPECT_EQ(console.find("検索見出しの修正が終了しました\n経過時間: 2:0"), 0u);
    EXPECT_NE(console.find("検索見出しの修正に失敗しました\n経過時間: 2:0"), std::string::npos);
    std::string log = read_file(LogFileName);
    EXPECT_NE(log.find("検索見出しの修正が終了しました\r\n終了時刻: "), std::string::npos);
    EXPECT_EQ(log.substr(log.size() - 4), "\r\n\r\n");
}
