// Message reporting and the shared start of a run.
#include "common/report.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <thread>

#include "common/run.h"
#include "platform/platform.h"
#include "support/test_support.h"

using namespace qel;
using qeltest::read_file;
using qeltest::TempDir;

TEST(Report, ConsoleAndLogGetTheirShare) {
    TempDir dir;
    dir.enter();
    set_console_transcoding(0);
    testing::internal::CaptureStdout();
    report("T...");
    report_log("\n");
    report_console("\rT... %ld%%", 42L);
    report_console("\rT... ");
    report("終了しました\n");
    std::string console = testing::internal::GetCapturedStdout();
    set_console_transcoding(0);
    // 1. The progress pattern leaves two lines in the log, none with "\r".
    EXPECT_EQ(read_file(LogFileName), "T...\r\n終了しました\r\n");
    // 2. The console sees everything, the log-only line end excepted.
    EXPECT_EQ(console, "T...\rT... 42%\rT... 終了しました\n");
}

// Captured output gets no percentages and no "\r"; a message in the middle
// of a progress display starts on a new line, on a terminal too, and the
// step's result then comes with the step's name again.
TEST(Report, ProgressOnATerminalOnly) {
    TempDir dir;
    dir.enter();
    for (int terminal = 0; terminal < 2; ++terminal) {
        set_console_terminal(terminal);
        testing::internal::CaptureStdout();
        report("A...");
        report_console("\rA... %d%%", 10);
        report_console("\rA... ");
        report("終了しました\n");
        report("B...");
        report_console("\rB... %d%%", 0);
        report("fault\n");
        report_console("\rB... %d%%", 50);
        report_console("\rB... ");
        report("終了しました\n");
        std::string console = testing::internal::GetCapturedStdout();
        if (terminal)
            EXPECT_EQ(console, "A...\rA... 10%\rA... 終了しました\nB...\rB... 0%\nfault\n\rB... 50%\rB... 終了しました\n");
        else
            EXPECT_EQ(console, "A... 終了しました\nB...\nfault\nB... 終了しました\n");
    }
    set_console_terminal(1);
}

// A step on a thread of its own beside another: its messages wait until
// released, then appear after the other step's, in their own order; a
// dropped step leaves nothing, later messages included.
TEST(Report, HeldMessagesFollowTheStepBefore) {
    TempDir dir;
    dir.enter();
    set_console_terminal(0);
    testing::internal::CaptureStdout();
    HeldReports held, dropped;
    std::thread beside([&held] {
        hold_reports(held);
        report("B...");
        report_log("\n");
        report_console("\rB... %d%%", 50);
        report_log("fault in B\n");
        report_console("\rB... ");
    });
    long gaiji_faults = data_fault_count(FAULT_GAIJI_TABLE);
    std::thread abandoned([&dropped] {
        hold_reports(dropped);
        report("C...\n");
        count_data_fault(FAULT_GAIJI_TABLE);
    });
    abandoned.join();
    drop_reports(dropped);
    report("A... 終了しました\n");
    beside.join();
    release_reports(held);
    report("終了しました\n");
    std::string console = testing::internal::GetCapturedStdout();
    EXPECT_EQ(read_file(LogFileName), "A... 終了しました\r\nB...\r\nfault in B\r\n終了しました\r\n");
    EXPECT_EQ(console, "A... 終了しました\nB... 終了しました\n");
    EXPECT_EQ(data_fault_count(FAULT_GAIJI_TABLE), gaiji_faults);
    set_console_terminal(1);
}

// A step with more to say than the held messages may keep waits until they
// are shown; nothing is lost and the order stays.
TEST(Report, AStepWithMuchToSayWaitsForItsTurn) {
    TempDir dir;
    dir.enter();
    HeldReports held;
    std::atomic<int> finished(0);
    const std::string line(1000, 'x');
    const int lines = static_cast<int>(HeldReportsLimit / line.size()) + 100;
    std::thread talker([&] {
        hold_reports(held);
        for (int i = 0; i < lines; ++i) report_log("%d %s\n", i, line.c_str());
        finished = 1;
    });
    // It stops once its held texts reach the limit.
    for (;;) {
        std::this_thread::yield();
        std::lock_guard<std::mutex> guard(held.lock);
        if (held.bytes >= HeldReportsLimit) break;
    }
    for (int i = 0; i < 100000; ++i) std::this_thread::yield();
    EXPECT_EQ(finished.load(), 0);
    {
        std::lock_guard<std::mutex> guard(held.lock);
        EXPECT_LT(held.bytes, HeldReportsLimit + 2 * line.size());
    }
    report_log("before\n");
    release_reports(held);
    talker.join();
    std::string log = read_file(LogFileName);
    EXPECT_EQ(log.rfind("before\r\n0 x", 0), 0u);
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), lines + 1);
    size_t at = 0;
    for (int i = 0; i < lines && at != std::string::npos; i += 997) at = log.find("\n" + std::to_string(i) + " x", at);
    EXPECT_NE(at, std::string::npos);
}

// A step that gives its work up rather than wait is refused its messages
// past the limit and told so; what it held is then dropped with it. Held
// messages for the log go out whole and in order, faults counted between.
TEST(Report, AStepThatGivesUpIsRefusedPastTheLimit) {
    TempDir dir;
    dir.enter();
    HeldReports held;
    std::atomic<int> refused(0);
    held.refused = &refused;
    const std::string line(1000, 'y');
    std::thread talker([&] {
        hold_reports(held);
        for (size_t i = 0; i <= HeldReportsLimit / line.size() + 10; ++i) report_log("%s\n", line.c_str());
    });
    talker.join();
    EXPECT_EQ(refused.load(), 1);
    drop_reports(held);
    EXPECT_FALSE(qeltest::file_exists(LogFileName));

    HeldReports counted;
    long faults = data_fault_count(FAULT_BODY_MARKUP);
    std::thread faulty([&counted] {
        hold_reports(counted);
        for (int i = 0; i < 3; ++i) {
            report_log("fault %d\n", i);
            count_data_fault(FAULT_BODY_MARKUP);
        }
    });
    faulty.join();
    release_reports(counted);
    EXPECT_EQ(read_file(LogFileName), "fault 0\r\nfault 1\r\nfault 2\r\n");
    EXPECT_EQ(data_fault_count(FAULT_BODY_MARKUP), faults + 3);
}

TEST(Report, LongMessagesAreNotCut) {
    TempDir dir;
    dir.enter();
    std::string word(2000, 'w');
    testing::internal::CaptureStdout();
    report("<%s>\n", word.c_str());
    std::string console = testing::internal::GetCapturedStdout();
    EXPECT_EQ(console, "<" + word + ">\n");
    EXPECT_EQ(read_file(LogFileName), "<" + word + ">\r\n");
}

TEST(Report, AWriteProtectedLogDoesNotStopMessages) {
    if (geteuid() == 0) GTEST_SKIP() << "root can write a read-only file; a directory stands in";
    TempDir dir;
    dir.enter();
    qeltest::write_file(LogFileName, "old\r\n");
    chmod(LogFileName, 0444);
    testing::internal::CaptureStdout();
    report("x\n");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "x\n");
    EXPECT_EQ(read_file(LogFileName), "old\r\n");
}

TEST(Report, ALogThatCannotBeOpenedIsSkipped) {
    TempDir dir;
    dir.enter();
    make_directory(LogFileName);  // a directory of that name cannot be appended to
    testing::internal::CaptureStdout();
    report("still shown\n");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "still shown\n");
}

TEST(Report, UtfEightConsolesGetTranscodedText) {
    set_console_transcoding(1);
    testing::internal::CaptureStdout();
    report_console("終了しました\n");
    std::string console = testing::internal::GetCapturedStdout();
    set_console_transcoding(0);
    EXPECT_EQ(console, reinterpret_cast<const char*>(u8"終了しました\n"));
}

TEST(StartRun, DirectoryOfTheProgram) {
    EXPECT_EQ(program_directory("/usr/local/bin/qelconv"), "/usr/local/bin");
    EXPECT_EQ(program_directory("C:\\tools\\qelconv.exe"), "C:\\tools");
    EXPECT_EQ(program_directory("C:\\qelconv.exe"), "C:\\");
    EXPECT_EQ(program_directory("/qelconv"), "/");
    EXPECT_EQ(program_directory("qelconv"), "");
    // A backslash that is the second byte of 表 (95 5C) does not end the directory.
    EXPECT_EQ(program_directory("C:\\d\\表.exe"), "C:\\d");
}

TEST(StartRun, EntersTheDirectoryAndLogsTheStart) {
    TempDir dir;
    dir.enter();
    TempDir other;
    RunClock clock;
    testing::internal::CaptureStdout();
    EXPECT_EQ(start_run((other.path + "/qelconv").c_str(), clock), 0);
    std::string console = testing::internal::GetCapturedStdout();
    EXPECT_EQ(console, "作業ディレクトリ " + other.path + " に移動しました\n");
    std::string log = read_file(other.path + "/" + LogFileName);
    EXPECT_EQ(log.rfind("開始時刻: ", 0), 0u);
    EXPECT_NE(log.find("作業ディレクトリ " + other.path + " に移動しました\r\n"), std::string::npos);
    EXPECT_NE(clock.start_time, NoStartTime);

    RunClock failed;
    testing::internal::CaptureStdout();
    EXPECT_EQ(start_run((other.path + "/missing/qelconv").c_str(), failed), -1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "作業ディレクトリ " + other.path + "/missing への移動に失敗しました\n");
    EXPECT_EQ(failed.start_time, NoStartTime);
    change_directory(dir.path.c_str());
}

TEST(StartRun, ElapsedTimeIsInWholeMinutes) {
    TempDir dir;
    dir.enter();
    RunClock clock{wall_clock_seconds() - 3725};
    testing::internal::CaptureStdout();
    report_end_and_elapsed(clock);
    std::string console = testing::internal::GetCapturedStdout();
    // 3725 s = 62 min 5 s; a second may tick between the two clock readings.
    EXPECT_TRUE(console == "経過時間: 62:05\n" || console == "経過時間: 62:06\n") << console;
    EXPECT_EQ(read_file(LogFileName).rfind("終了時刻: ", 0), 0u);

    RunClock never_started;
    testing::internal::CaptureStdout();
    report_end_and_elapsed(never_started);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "経過時間: 0:00\n");
}
