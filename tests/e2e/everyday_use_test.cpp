// The programs as a user meets them: the command line, captured console
// output, the closing count of the data faults, the console's code by the
// locale's name, and settings files that are empty, binary or marked.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

#include "support/test_support.h"

using namespace qeltest;
namespace fs = std::filesystem;

namespace {

const char* const Programs[3][2] = {{"qelconv", QELCONV_PATH}, {"qelmend", QELMEND_PATH}, {"qelbook", QELBOOK_PATH}};

std::set<std::string> entries_of(const std::string& dir) {
    std::set<std::string> names;
    for (const auto& entry : fs::recursive_directory_iterator(dir)) names.insert(entry.path().string());
    return names;
}

struct Outcome {
    int exit_code;
    std::string out, err;
};

// Runs `program` in `dir` with the shell words `args` and `environment`;
// its standard output and error are kept apart, outside `dir`.
Outcome run_with(const std::string& dir, const std::string& program, const std::string& args,
                 const std::string& environment = "LC_ALL=C") {
    TempDir outputs;
    std::string out = outputs.path + "/out", err = outputs.path + "/err";
    Outcome o;
    o.exit_code = shell("cd '" + dir + "' && env " + environment + " ./" + program + " " + args + " > '" + out +
                        "' 2> '" + err + "'");
    o.out = read_file(out);
    o.err = read_file(err);
    return o;
}

TEST(CommandLine, HelpVersionAndRefusedArgumentsTouchNothing) {
    for (const auto& program : Programs) {
        SCOPED_TRACE(program[0]);
        TempDir dir;
        install_program(program[1], dir.path);
        // A settings file and a log that a run would use; neither may change.
        write_file(dir.path + "/qelconv.ini", crlf("BASEPATH=src\\\nOUTPATH=book\\\n"));
        write_file(dir.path + "/qelconv.log", "earlier\r\n");
        std::set<std::string> before = entries_of(dir.path);
        std::string name = program[0];

        for (const char* help : {"-h", "--help"}) {
            Outcome o = run_with(dir.path, name, help);
            EXPECT_EQ(o.exit_code, 0);
            EXPECT_EQ(o.out.rfind("使い方: " + name + " [-h | --help | --version]\n", 0), 0u) << o.out;
            EXPECT_NE(o.out.find("qelconv.ini"), std::string::npos);
            EXPECT_NE(o.out.find("終了コード"), std::string::npos);
            EXPECT_EQ(o.err, "");
        }
        Outcome version = run_with(dir.path, name, "--version");
        EXPECT_EQ(version.exit_code, 0);
        EXPECT_EQ(version.out.rfind(name + " ", 0), 0u);
        EXPECT_EQ(version.out.find('\n'), version.out.size() - 1);

        // Unknown, extra, very long and binary arguments: the usage on
        // standard error, exit 2.
        for (const std::string& args : {std::string("--bogus"), std::string("--help extra"), std::string("x y"),
                                        std::string(5000, 'a'), std::string("\"$(printf '\\377\\001\\r')\""),
                                        std::string("''")}) {
            Outcome o = run_with(dir.path, name, args);
            EXPECT_EQ(o.exit_code, 2) << args.substr(0, 20);
            EXPECT_EQ(o.out, "");
            EXPECT_NE(o.err.find("」は使えません\n使い方: " + name), std::string::npos) << o.err.substr(0, 200);
            EXPECT_LT(o.err.size(), 1000u);
        }
        EXPECT_EQ(entries_of(dir.path), before);
        EXPECT_EQ(read_file(dir.path + "/qelconv.log"), "earlier\r\n");
        EXPECT_EQ(lf(read_file(dir.path + "/qelconv.ini")), "BASEPATH=src\\\nOUTPATH=book\\\n");
    }
}

// Where the named locale is not installed, its name still decides whether
// the console gets UTF-8.
TEST(ConsoleCode, FollowsTheLocaleNameWhenTheLocaleIsMissing) {
    TempDir dir;
    install_program(QELCONV_PATH, dir.path);
    const std::string utf8_usage = reinterpret_cast<const char*>(u8"使い方: qelconv");
    for (const char* environment : {"-i LANG=xx_YY.UTF-8", "-i LC_CTYPE=xx_YY.utf8 LANG=C", "-i LC_ALL=xx_YY.UTF-8"}) {
        SCOPED_TRACE(environment);
        Outcome o = run_with(dir.path, "qelconv", "--help", environment);
        EXPECT_EQ(o.out.rfind(utf8_usage, 0), 0u) << o.out;
    }
    for (const char* environment : {"-i LANG=xx_YY.eucJP", "-i LC_ALL=C LANG=xx_YY.UTF-8", "-i"}) {
        SCOPED_TRACE(environment);
        Outcome o = run_with(dir.path, "qelconv", "--help", environment);
        EXPECT_EQ(o.out.rfind("使い方: qelconv", 0), 0u);
    }
}

// Settings files that are empty, binary, or hold only an editor's mark: a
// clear message, the documented exit code, no crash.
TEST(SettingsFile, EmptyBinaryAndMarkedFiles) {
    TempDir dir;
    install_program(QELCONV_PATH, dir.path);
    std::string binary;
    for (int i = 0; i < 3000; ++i) binary += static_cast<char>((i * 37 + 11) % 256);
    for (const std::string& ini : {std::string(), std::string("\xEF\xBB\xBF"), std::string("\xEF\xBB\xBF\r\n"),
                                   binary, std::string("FIGURE\nSOUND 1\n")}) {
        write_file(dir.path + "/qelconv.ini", ini);
        RunResult r = run_program(dir.path + "/qelconv", dir.path);
        EXPECT_EQ(r.exit_code, 1);  // no dictionary here, or invalid lines
        EXPECT_NE(r.output.find("変換設定は以下のとおりです\n"), std::string::npos);
        EXPECT_NE(r.output.find("変換処理に失敗しました\n"), std::string::npos);
        bool invalid = r.output.find("設定ファイルに不正な行があります(1行め)\n") != std::string::npos;
        EXPECT_EQ(invalid, ini == binary) << r.output.substr(0, 300);
    }
}

#ifdef QEL_HAVE_SAMPLE
// Captured output holds one line per step and ends with the count of the
// faults the log recorded.
TEST(CapturedConsole, OneLinePerStepAndTheFaultCountLast) {
    TempDir dir;
    const std::string generator = std::string(QEL_TOOLS_DIR) + "/qelsample";
    ASSERT_EQ(shell("'" + generator + "' --demo '" + dir.path + "' > /dev/null"), 0);
    install_program(QELCONV_PATH, dir.path);
    write_file(dir.path + "/qelconv.ini", crlf("BASEPATH=src\\\nOUTPATH=book\\\nDICPATH=dic\\\nDATAPATH=data\\\n"
                                               "SORTCMD=/usr/bin/sort\nQUICKJUMP=1\n"));
    RunResult r = run_program(dir.path + "/qelconv", dir.path);
    ASSERT_EQ(r.exit_code, 0) << r.output;
    EXPECT_EQ(r.output.find('\r'), std::string::npos);
    for (const char* step : {"項目内ジャンプデータを生成しています... 終了しました\n",
                             "ハイパーリンクデータを生成しています... 終了しました\n",
                             "本文データをHTMLに変換しています... 終了しました\n"})
        EXPECT_NE(r.output.find(step), std::string::npos) << step;
    // The demo's log holds six repairs of a missing link start and five
    // links that resolve to nothing.
    std::string last = r.output.substr(r.output.rfind('\n', r.output.size() - 2) + 1);
    EXPECT_EQ(last.rfind("※ データの誤り ", 0), 0u) << last;
    EXPECT_NE(last.find(" 件を qelconv.log に記録しました (本文の誤り 6 件、解決不能なハイパーリンク 5 件"),
              std::string::npos)
        << last;
    EXPECT_EQ(read_file(dir.path + "/qelconv.log").find("データの誤り"), std::string::npos);
}
#endif

}  // namespace
