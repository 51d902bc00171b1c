// Output directories and the sort command.
#include "converter/directories.h"

#include <gtest/gtest.h>

#include "platform/platform.h"
#include "support/test_support.h"

using namespace qel;
using qeltest::TempDir;

namespace {

int prepare(ConversionSettings& settings, std::string& console) {
    testing::internal::CaptureStdout();
    int r = prepare_directories(settings);
    console = testing::internal::GetCapturedStdout();
    return r;
}

}  // namespace

TEST(Directories, CreatesAndAcceptsDirectories) {
    TempDir dir;
    dir.enter();
    ConversionSettings settings;
    settings.BASEPATH = "base\\";
    settings.OUTPATH = "out/";
    settings.SOUND = 1;
    std::string console;
    // 1. Missing directories are made and reported, without trailing separators.
    ASSERT_EQ(prepare(settings, console), 0);
    EXPECT_EQ(console,
              "基準ディレクトリ base を新規作成しました\n"
              "図版データディレクトリ base\\fig を新規作成しました\n"
              "音声データディレクトリ base\\snd を新規作成しました\n"
              "出力先ディレクトリ out を新規作成しました\n");
    EXPECT_TRUE(path_is_directory("base/fig"));
    EXPECT_EQ(settings.figure_dir, "base\\fig\\");
    EXPECT_EQ(settings.sound_dir, "base\\snd\\");
    EXPECT_EQ(settings.sound_dir_slashed, "base/snd/");
    // 2. Existing ones are accepted silently.
    ASSERT_EQ(prepare(settings, console), 0);
    EXPECT_EQ(console, "");
}

TEST(Directories, EmptyBaseAndSoundWithoutGensound) {
    TempDir dir;
    dir.enter();
    ConversionSettings settings;
    settings.SOUND = 1;
    settings.GENSOUND = 0;
    settings.OUTPATH = "\\";
    std::string console;
    ASSERT_EQ(prepare(settings, console), 0);
    EXPECT_EQ(console, "図版データディレクトリ fig を新規作成しました\n");
    EXPECT_EQ(settings.figure_dir, "fig\\");
    EXPECT_EQ(settings.sound_dir, "");
}

TEST(Directories, RefusesFilesAndMissingParents) {
    TempDir dir;
    dir.enter();
    ConversionSettings settings;
    make_directory("base");
    qeltest::write_file("base/fig", "not a directory");
    settings.BASEPATH = "base\\";
    std::string console;
    EXPECT_EQ(prepare(settings, console), -1);
    EXPECT_EQ(console, "図版データディレクトリ base\\fig と同名のファイルがあります\n");

    settings = ConversionSettings();
    settings.BASEPATH = "a\\b\\";
    EXPECT_EQ(prepare(settings, console), -1);
    EXPECT_EQ(console, "基準ディレクトリ a\\b が作れません\n");
    EXPECT_FALSE(path_exists("a"));

    settings = ConversionSettings();
    settings.FIGURE = 0;
    qeltest::write_file("book", "");
    settings.OUTPATH = "book\\";
    EXPECT_EQ(prepare(settings, console), -1);
    EXPECT_EQ(console, "出力先ディレクトリ book と同名のファイルがあります\n");
}

TEST(SortCommand, WalksTheCandidates) {
    TempDir dir;
    dir.enter();
    qeltest::write_file("mysort", "");
    qeltest::write_file("second", "");
    const char* const candidates[3] = {"missing1", "second", "mysort"};

    // 1. An existing SORTCMD is kept.
    ConversionSettings settings;
    settings.SORTCMD = "mysort";
    EXPECT_EQ(find_sort_command_in(settings, candidates, 3), 0);
    EXPECT_EQ(settings.SORTCMD, "mysort");
    // 2. A missing one gives way, silently, to the first existing candidate.
    settings.SORTCMD = "nothing-here";
    testing::internal::CaptureStdout();
    EXPECT_EQ(find_sort_command_in(settings, candidates, 3), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(settings.SORTCMD, "second");
    // 3. None at all.
    settings.SORTCMD = "";
    const char* const none[2] = {"x1", "x2"};
    testing::internal::CaptureStdout();
    EXPECT_EQ(find_sort_command_in(settings, none, 2), -1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "ソートコマンドが見つかりません\n");
}
