// The built qelconv, started from another directory.
#include <gtest/gtest.h>

#include "support/test_support.h"

using namespace qeltest;

TEST(QelconvRun, WorksInItsOwnDirectoryWhereverStarted) {
    TempDir home, elsewhere;
    std::string exe = install_program(QELCONV_PATH, home.path);
    write_file(home.path + "/qelconv.ini", "FIGURE=0\r\nSORTCMD=/usr/bin/sort\r\nCOMPLEX=0\r\n");
    RunResult r = run_program(exe, elsewhere.path);
    std::string log = read_file(home.path + "/qelconv.log");
    // The settings were read and the log written in the program's directory.
    EXPECT_NE(log.find("  FIGURE = 0\r\n"), std::string::npos);
    EXPECT_NE(r.output.find("作業ディレクトリ " + home.path + " に移動しました\n"), std::string::npos);
    EXPECT_FALSE(file_exists(elsewhere.path + "/qelconv.log"));
    EXPECT_EQ(log.substr(log.size() - 4), "\r\n\r\n");
}

TEST(QelconvRun, BadSettingsFailWithExitCodeOne) {
    TempDir home;
    std::string exe = install_program(QELCONV_PATH, home.path);
    // 1. No settings file.
    RunResult r = run_program(exe, home.path);
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_NE(r.output.find("設定ファイル qelconv.ini がオープンできません\n変換処理に失敗しました\n"),
              std::string::npos);
    // 2. An invalid line: the echo, then the failure; nothing else is made.
    write_file(home.path + "/qelconv.ini", "Figure=1\n");
    r = run_program(exe, home.path);
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_NE(r.output.find("  RETSYM = ↑\n変換処理に失敗しました\n"), std::string::npos);
    EXPECT_FALSE(file_exists(home.path + "/fig"));
    // 3. A directory name taken by a file.
    write_file(home.path + "/qelconv.ini", "BASEPATH=out\n");
    write_file(home.path + "/out", "");
    r = run_program(exe, home.path);
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_NE(r.output.find("基準ディレクトリ out と同名のファイルがあります\n"), std::string::npos);
    // 4. No sort program: only on machines without one at the fixed places, the
    // configured missing path is passed over silently.
    write_file(home.path + "/qelconv.ini", "FIGURE=0\nSORTCMD=/nonexistent/sort\n");
    r = run_program(exe, home.path);
    bool any_sort = file_exists("/usr/bin/sort") || file_exists("/bin/sort") || file_exists("/usr/local/bin/sort");
    EXPECT_EQ(r.output.find("ソートコマンドが見つかりません\n") != std::string::npos, !any_sort);
}
