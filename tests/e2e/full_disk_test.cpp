// A disk that fills up during a run: the programs run under a file-size limit
// (SIGXFSZ ignored, so writes fail with EFBIG as on a full disk) or with one
// output made a link to /dev/full (writes fail with ENOSPC). Every run must
// either succeed with every file whole or fail naming a file; never succeed
// with a short file.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "support/test_support.h"

using namespace qeltest;
namespace fs = std::filesystem;

namespace {

const std::string Generator = std::string(QEL_TOOLS_DIR) + "/qelsample";

// The outputs of one conversion and its book, by path relative to the
// program directory.
using Tree = std::map<std::string, std::string>;

Tree outputs_of(const std::string& dir) {
    Tree tree;
    for (const char* top : {"src", "book", "hyperlnk.tmp", "hyperlnk.dat", "quickjmp.dat"}) {
        fs::path start = fs::path(dir) / top;
        if (fs::is_regular_file(start)) tree[top] = read_file(start.string());
        if (!fs::is_directory(start)) continue;
        for (const auto& entry : fs::recursive_directory_iterator(start))
            if (entry.is_regular_file())
                tree[fs::relative(entry.path(), dir).string()] = read_file(entry.path().string());
    }
    return tree;
}

// A 300-record sample with figures, sounds, playlists and quick jumps.
struct Sample {
    TempDir dir;
    std::string path(const std::string& name) const { return dir.path + "/" + name; }
    Sample() {
        EXPECT_EQ(shell("'" + Generator + "' '" + dir.path + "' > /dev/null"), 0);
        install_program(QELCONV_PATH, dir.path);
        install_program(QELBOOK_PATH, dir.path);
        write_file(path("qelconv.ini"), crlf("BASEPATH=src\\\nOUTPATH=book\\\nDICPATH=dic\\\nDATAPATH=data\\\n"
                                             "SORTCMD=/usr/bin/sort\nSOUND=1\nGENSOUND=1\nMACINTOSH=1\n"
                                             "QUICKJUMP=4\n"));
        write_file(path("limited"), "#!/bin/bash\nset -o pipefail\ncd \"$(dirname \"$0\")\"\n"
                                    "(trap '' XFSZ; ulimit -f \"$1\"; exec timeout 120 ./\"$2\") 2>&1 | cat > .limited-out\n");
    }
    // Runs `program` with files limited to `kib` KiB; the console goes
    // through a pipe, which the limit does not cut. A program that took a
    // full device for a file to read back would read it for ever: it is
    // stopped after two minutes.
    RunResult run(const std::string& program, const std::string& kib = "unlimited") {
        RunResult r;
        r.exit_code = shell("LC_ALL=C bash '" + path("limited") + "' " + kib + " " + program);
        r.output = read_file(path(".limited-out"));
        return r;
    }
    // Removes what a conversion writes, so that nothing of an earlier run passes for whole.
    void clear_outputs() {
        for (const char* name : {"src", "hyperlnk.tmp", "hyperlnk.dat", "quickjmp.dat", "qelconv.log"})
            fs::remove_all(path(name));
    }
};

// A failed run ended in failure and named the file it could not write.
void expect_named_failure(const RunResult& r, const std::string& program, const std::string& file) {
    EXPECT_EQ(r.exit_code, 1) << r.output;
    std::string summary = program == "qelconv" ? "変換処理に失敗しました\n" : "書籍の作成に失敗しました\n";
    EXPECT_NE(r.output.find(summary), std::string::npos) << r.output;
    if (!file.empty()) {
        bool named = r.output.find("ファイル " + file + " への書き込みに失敗しました\n") != std::string::npos ||
                     r.output.find(file + " が新規作成できません\n") != std::string::npos ||
                     r.output.find(file + " がオープンできません\n") != std::string::npos;
        EXPECT_TRUE(named) << "no message names " << file << ":\n" << r.output;
    } else {
        EXPECT_NE(r.output.find("への書き込みに失敗しました\n"), std::string::npos) << r.output;
    }
}

TEST(FullDisk, EveryFileSizeLimitEndsWholeOrFailsNamingAFile) {
    Sample s;
    RunResult reference = s.run("qelconv");
    ASSERT_EQ(reference.exit_code, 0) << reference.output;
    ASSERT_EQ(s.run("qelbook").exit_code, 0);
    Tree whole = outputs_of(s.dir.path);
    Tree book;
    for (const auto& [name, bytes] : whole)
        if (name.rfind("book/", 0) == 0) book[name] = bytes;

    // From the gaiji font, through the link table and the body, to none cut.
    int failures = 0;
    for (const char* kib : {"8", "16", "24", "40", "200", "2000"}) {
        SCOPED_TRACE(std::string("limit ") + kib + " KiB");
        s.clear_outputs();
        RunResult r = s.run("qelconv", kib);
        if (r.exit_code == 0) {
            EXPECT_EQ(outputs_of(s.dir.path), whole);
        } else {
            expect_named_failure(r, "qelconv", "");
            ++failures;
        }
    }
    EXPECT_GE(failures, 4);  // the limits below the body's size do cut it
    EXPECT_EQ(outputs_of(s.dir.path), whole);

    // The book is built aside and moved into place only when complete: a cut
    // book leaves the earlier one as it was.
    for (const char* kib : {"64", "200"}) {
        SCOPED_TRACE(std::string("book limit ") + kib + " KiB");
        RunResult r = s.run("qelbook", kib);
        expect_named_failure(r, "qelbook", "");
        Tree after;
        for (const auto& [name, bytes] : outputs_of(s.dir.path))
            if (name.rfind("book/", 0) == 0) after[name] = bytes;
        EXPECT_EQ(after, book);
        EXPECT_FALSE(fs::exists(s.path("book.qelbook-tmp")));
    }
}

// Each kind of output in turn is a full device; the run fails naming it.
TEST(FullDisk, EachKindOfOutputOnAFullDeviceFailsTheRunNamingIt) {
    if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    Sample s;
    ASSERT_EQ(s.run("qelconv").exit_code, 0);
    std::string figure, sound;
    for (const auto& entry : fs::recursive_directory_iterator(s.path("src")))
        if (entry.is_regular_file()) {
            std::string name = fs::relative(entry.path(), s.dir.path).string();
            if (figure.empty() && name.rfind("src/fig/", 0) == 0) figure = name;
            if (sound.empty() && name.rfind("src/snd/", 0) == 0) sound = name;
        }
    ASSERT_FALSE(figure.empty());
    ASSERT_FALSE(sound.empty());

    // The file as it is named on the console: the directories as formed,
    // with backslashes; a sound's group directory comes with its name.
    auto named = [](std::string name) {
        size_t end = name.rfind("src/snd/", 0) == 0 ? 8 : name.size();
        for (size_t i = 0; i < end; ++i)
            if (name[i] == '/') name[i] = '\\';
        return name;
    };
    for (const std::string& file : {std::string("quickjmp.dat"), std::string("hyperlnk.tmp"),
                                    std::string("src/qel.html"), std::string("src/qelmenu3.html"),
                                    std::string("src/pl_all.xml"), figure, sound, std::string("src/qelgmap.xml"),
                                    std::string("src/qelcopr.html"), std::string("src/qel.ebs")}) {
        SCOPED_TRACE(file);
        fs::remove(s.path(file));
        fs::create_symlink("/dev/full", s.path(file));
        RunResult r = s.run("qelconv");
        expect_named_failure(r, "qelconv", file.rfind("src/", 0) == 0 ? named(file) : file);
        fs::remove(s.path(file));
        // The other media are still useful: the body goes on without the figure.
        if (file == figure) {
            EXPECT_NE(r.output.find("図版ファイル 1 個の書き出しに失敗しました\n"), std::string::npos) << r.output;
            std::string body = read_file(s.path("src/qel.html"));
            EXPECT_EQ(body.substr(body.size() - 9), "</html>\r\n");
        }
    }
    // The sorted table is written by the sort command, whose failure leaves
    // no table behind; the body then cannot start.
    fs::remove(s.path("hyperlnk.dat"));
    fs::create_symlink("/dev/full", s.path("hyperlnk.dat"));
    expect_named_failure(s.run("qelconv"), "qelconv", "hyperlnk.dat");
}

}  // namespace
