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

// Reads `ini` as qelconv.ini in the entered directory into `outpath`; the
// console output goes to `console`.
int read_ini(const std::string& ini, std::string& outpath, std::string& console) {
    write_file("qelconv.ini", ini);
    set_console_transcoding(0);
    testing::internal::CaptureStdout();
    int r = read_outpath(outpath);
    console = testing::internal::GetCapturedStdout();
    set_console_transcoding(-1);
    return r;
}

}  // namespace

TEST(FixerSettings, OnlyOutpathIsTaken) {
    TempDir dir;
    dir.enter();
    std::string outpath, console;
    // 1. Lines the converter rejects, and every other key, pass silently; the
    //    last OUTPATH wins and gets its backslash; nothing is echoed.
    EXPECT_EQ(read_ini("# book\r\nFigure=1\r\nOUTPATH=C:\\first\r\n=x\r\nBASEPATH=base\r\n"
                       "outpath=low\r\n  OUTPATH = D:\\book  #here\r\n",
                       outpath, console),
              0);
    EXPECT_EQ(outpath, "D:\\book  \\");
    EXPECT_EQ(console, "");
    EXPECT_FALSE(qeltest::file_exists(LogFileName));
    // 2. No OUTPATH: empty, so the book is looked for below the working
    //    directory, whatever the string held before.
    EXPECT_EQ(read_ini("BASEPATH=x\n", outpath, console), 0);
    EXPECT_EQ(outpath, "");
    // 3. A bare key gives the single backslash; a slash at the end is kept.
    EXPECT_EQ(read_ini("OUTPATH", outpath, console), 0);
    EXPECT_EQ(outpath, "\\");
    EXPECT_EQ(read_ini("OUTPATH=book/\n", outpath, console), 0);
    EXPECT_EQ(outpath, "book/");
    // 4. A key too long for any buffer, on a line longer than the line
    //    buffer, is passed over; the next line still counts.
    EXPECT_EQ(read_ini(std::string(700, 'K') + "=v\nOUTPATH=out\n", outpath, console), 0);
    EXPECT_EQ(outpath, "out\\");
}

TEST(FixerSettings, MissingFileIsReported) {
    TempDir dir;
    dir.enter();
    std::string outpath;
    set_console_transcoding(0);
    testing::internal::CaptureStdout();
    EXPECT_EQ(read_outpath(outpath), -1);
    std::string console = testing::internal::GetCapturedStdout();
    set_console_transcoding(-1);
    EXPECT_EQ(console, "設定ファイル qelconv.ini がオープンできません\n");
    EXPECT_EQ(read_file(LogFileName), "設定ファイル qelconv.ini がオープンできません\r\n");
}

TEST(FixerSummary, ResultLineTimesAndExitCode) {
    TempDir dir;
    dir.enter();
    RunClock clock{wall_clock_seconds() - 125};
    set_console_transcoding(0);
    testing::internal::CaptureStdout();
    int ok = report_fix_summary(0, clock);
    int failed = report_fix_summary(-1, clock);
    std::string console = testing::internal::GetCapturedStdout();
    set_console_transcoding(-1);
    EXPECT_EQ(ok, 0);
    EXPECT_EQ(failed, 1);
    // The elapsed time may tick over a second while the test runs.
    EXPECT_EQ(console.find("検索見出しの修正が終了しました\n経過時間: 2:0"), 0u);
    EXPECT_NE(console.find("検索見出しの修正に失敗しました\n経過時間: 2:0"), std::string::npos);
    std::string log = read_file(LogFileName);
    EXPECT_NE(log.find("検索見出しの修正が終了しました\r\n終了時刻: "), std::string::npos);
    EXPECT_EQ(log.substr(log.size() - 4), "\r\n\r\n");
}
