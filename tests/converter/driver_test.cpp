// The converter's closing summary.
#include "converter/driver.h"

#include <gtest/gtest.h>

#include "common/report.h"
#include "common/run.h"
#include "platform/platform.h"
#include "support/test_support.h"

using namespace qel;
using qeltest::TempDir;

namespace {

// The summary's console text after the elapsed-time line, without the line
// that counts the faults earlier tests of this process logged.
std::string advice(int status, const ConversionSettings& settings) {
    RunClock clock{wall_clock_seconds()};
    testing::internal::CaptureStdout();
    int code = report_summary(status, settings, clock);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(code, status == 0 ? 0 : 1);
    size_t at = out.find("経過時間: ");
    out = out.substr(out.find('\n', at) + 1);
    size_t faults = out.find("※ データの誤り");
    return faults == std::string::npos ? out : out.substr(0, faults);
}

}  // namespace

TEST(Summary, AdviceLinesFollowTheSettings) {
    TempDir dir;
    dir.enter();
    ConversionSettings settings;
    settings.figure_dir = "fig\\";
    settings.sound_dir = "snd\\";
    const std::string last = "qel.ebs を入力としてEBStudioを実行してください\n";

    // 1. FIGURE 1, JPEG 1, SOUND 0.
    EXPECT_EQ(advice(0, settings), "※ fig\\ にある図版データをJPEG形式に変換してください\n※ その後 " + last);
    // 2. JPEG 0 with MACINTOSH 1: the BMP line, and no "その後".
    settings.JPEG = 0;
    settings.MACINTOSH = 1;
    EXPECT_EQ(advice(0, settings), "※ fig\\ にある図版データをBMP形式に変換してください\n※ " + last);
    // 3. JPEG 0, MACINTOSH 0: no figure advice.
    settings.MACINTOSH = 0;
    EXPECT_EQ(advice(0, settings), "※ " + last);
    // 4. Sounds extracted, figures off, a base path.
    settings.FIGURE = 0;
    settings.SOUND = 1;
    settings.BASEPATH = "C:\\out\\";
    EXPECT_EQ(advice(0, settings), "※ snd\\ にある音声データを無圧縮WAV形式に変換してください\n※ その後 C:\\out\\" + last);
    // 5. A failure has no advice.
    EXPECT_EQ(advice(-1, settings), "");
}

TEST(Summary, LogHoldsEndTimeAndABlankLine) {
    TempDir dir;
    dir.enter();
    ConversionSettings settings;
    RunClock clock{wall_clock_seconds()};
    testing::internal::CaptureStdout();
    report_summary(-1, settings, clock);
    std::string console = testing::internal::GetCapturedStdout();
    EXPECT_EQ(console.rfind("変換処理に失敗しました\n経過時間: 0:0", 0), 0u);
    std::string log = qeltest::read_file(LogFileName);
    EXPECT_EQ(log.rfind("変換処理に失敗しました\r\n終了時刻: ", 0), 0u);
    EXPECT_EQ(log.substr(log.size() - 4), "\r\n\r\n");
}
