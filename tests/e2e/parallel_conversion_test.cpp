// qelconv on samples large enough for the body to be divided between two
// threads: every output, the work files, the console and the log are the
// bytes of a run on one processor (taskset -c 0, which runs every step in
// turn), for the plain sample and the hostile one in several settings; and
// no part file of the body or of the link table is left behind. The body of
// the last run, which is removed beside the sort, goes only when the run is
// sure to write a new one.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/platform.h"
#include "support/test_support.h"

using namespace qeltest;

#ifdef QEL_HAVE_SAMPLE
namespace {

const std::string Generator = std::string(QEL_TOOLS_DIR) + "/qelsample";

// Drops the lines that tell the time of the run.
std::string without_times(const std::string& text) {
    std::string kept;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        end = end == std::string::npos ? text.size() : end + 1;
        std::string line = text.substr(start, end - start);
        if (line.find("時刻") == std::string::npos && line.find("経過時間") == std::string::npos) kept += line;
        start = end;
    }
    return kept;
}

// Runs qelconv in `dir` behind `prefix` and returns all it left: its exit
// code, console, log, the sources and the work files.
std::string run_outputs(const std::string& dir, const std::string& prefix) {
    shell("rm -rf '" + dir + "/src' '" + dir + "/qelconv.log'");
    int status = shell("cd '" + dir + "' && LC_ALL=C " + prefix + "./qelconv > console.txt 2>&1");
    std::string all = "exit " + std::to_string(status) + "\n" + without_times(read_file(dir + "/console.txt")) +
                      without_times(read_file(dir + "/qelconv.log"));
    std::vector<std::string> names;
    EXPECT_EQ(qel::list_directory((dir + "/src").c_str(), names), 0);
    for (const std::string& name : names) all += "\n== " + name + "\n" + read_file(dir + "/src/" + name);
    for (const char* name : {"hyperlnk.tmp", "hyperlnk.dat", "quickjmp.dat"})
        all += std::string("\n== ") + name + "\n" + read_file(dir + "/" + name);
    return all;
}

// Where two run outputs first differ, shown around that place; empty when
// they are the same.
std::string first_difference(const std::string& a, const std::string& b) {
    if (a == b) return "";
    size_t at = 0;
    while (at < a.size() && at < b.size() && a[at] == b[at]) ++at;
    size_t from = at < 200 ? 0 : at - 200;
    return "at byte " + std::to_string(at) + ":\n" + a.substr(from, 400) + "\n--- one processor:\n" +
           b.substr(from, 400);
}

// Both ways over the sample in `dir` with `settings` appended to its
// qelconv.ini: the same bytes.
void expect_same_on_one_processor(const std::string& dir, const std::string& settings) {
    std::string ini = read_file(dir + "/qelconv.ini");
    write_file(dir + "/qelconv.ini", ini + crlf(settings));
    std::string divided = run_outputs(dir, "");
    EXPECT_EQ(divided.find(".part\n"), std::string::npos);
    EXPECT_FALSE(file_exists(dir + "/hyperlnk.tmp.part"));
    EXPECT_EQ(divided.compare(0, 7, "exit 0\n"), 0) << divided.substr(0, 2000);
    EXPECT_EQ(first_difference(divided, run_outputs(dir, "taskset -c 0 ")), "") << settings;
    write_file(dir + "/qelconv.ini", ini);
}

bool can_compare() {
    return shell("taskset -c 0 true > /dev/null 2>&1") == 0 && qel::usable_processors() > 1;
}

// Generates a sample with `generator_args` and converts it both ways with
// each of `settings` (figures and sounds off, the system's sort).
void expect_sample_same_on_one_processor(const std::string& generator_args,
                                         const std::vector<std::string>& settings) {
    TempDir dir;
    ASSERT_EQ(shell("'" + Generator + "' " + generator_args + " '" + dir.path + "' > /dev/null"), 0);
    install_program(QELCONV_PATH, dir.path);
    for (const std::string& more : settings)
        expect_same_on_one_processor(dir.path, "SORTCMD=/usr/bin/sort\nFIGURE=0\nSOUND=0\n" + more);
}

}  // namespace

TEST(ParallelConversion, SampleGivesTheBytesOfARunOnOneProcessor) {
    if (!can_compare()) GTEST_SKIP() << "needs taskset and two processors";
    expect_sample_same_on_one_processor("--records 3000 --seed 7", {"COMPLEX=1\nQUICKJUMP=1\nQUICKRET=1\n",
                                                                    "COMPLEX=0\nQUICKJUMP=4\nITALIC=0\n"});
}

// Large enough for the second part to have more to say than it may hold.
TEST(ParallelConversion, HostileSampleGivesTheBytesOfARunOnOneProcessor) {
    if (!can_compare()) GTEST_SKIP() << "needs taskset and two processors";
    expect_sample_same_on_one_processor("--hostile --records 30000 --seed 4",
                                        {"COMPLEX=1\nQUICKJUMP=3\n", "COMPLEX=0\nQUICKJUMP=0\n"});
}

// The body of the last run is removed while the link table is sorted: a
// hyperlink pass that fails before that leaves it as it was, and a run that
// replaces it writes the same bytes as into an empty directory.
TEST(ParallelConversion, BodyOfTheLastRunGoesOnlyWhenANewOneIsWritten) {
    if (!can_compare()) GTEST_SKIP() << "needs taskset and two processors";
    TempDir dir;
    ASSERT_EQ(shell("'" + Generator + "' --records 3000 --seed 3 '" + dir.path + "' > /dev/null"), 0);
    install_program(QELCONV_PATH, dir.path);
    std::string ini = read_file(dir.path + "/qelconv.ini");
    write_file(dir.path + "/qelconv.ini", ini + crlf("SORTCMD=/usr/bin/sort\nFIGURE=0\nSOUND=0\nQUICKJUMP=1\n"));
    std::string run = "cd '" + dir.path + "' && LC_ALL=C ./qelconv > console.txt 2>&1";
    ASSERT_EQ(shell(run), 0);
    std::string body = read_file(dir.path + "/src/qel.html");

    write_file(dir.path + "/src/qel.html", "the last run's body\n");
    ASSERT_EQ(shell("cd '" + dir.path + "' && rm -f hyperlnk.tmp && mkdir hyperlnk.tmp"), 0);
    EXPECT_NE(shell(run), 0);
    EXPECT_EQ(read_file(dir.path + "/src/qel.html"), "the last run's body\n");

    ASSERT_EQ(shell("cd '" + dir.path + "' && rmdir hyperlnk.tmp"), 0);
    ASSERT_EQ(shell(run), 0);
    EXPECT_TRUE(read_file(dir.path + "/src/qel.html") == body);
}
#endif
