// The built qelconv: gaiji files, copyright page, complex-search definition
// and project file from minimal dictionary data.
#include <gtest/gtest.h>

#include <string>

#include "support/test_support.h"

using namespace qeltest;

namespace {

// A gaiji table with a bit of everything, stored with CR LF line ends.
std::string sample_table() {
    std::string t = "# gaiji table\n";
    t += "CHAR:G1-21:H:U+00E9\n@@@@@@@@\n.@....@.\n";
    for (int r = 2; r < 16; ++r) t += "........\n";
    t += "CHAR:G1-22:\"<i>e</i>\"\n";
    t += "CHAR:PRON:\"[発音]\"\n";
    t += "CHAR:G2-21:Z2\n";
    for (int r = 0; r < 16; ++r) t += std::string(32, r % 2 ? '@' : '.') + "\n";
    t += "CHAR:G2-22:Z:U+<&\">\n";  // not a code point: a private-use one instead
    for (int r = 0; r < 16; ++r) t += "@\n";
    t += std::string(1500, '#') + "\n";
    t += "CHAR:G99-A1:H\n@\n";  // cut short by the end of the table
    return crlf(t);
}

// Installs qelconv with the minimal inputs of a run in `dir`.
std::string prepare_run(const TempDir& dir, const std::string& ini) {
    std::string exe = install_program(QELCONV_PATH, dir.path);
    write_file(dir.path + "/qelconv.ini", crlf(ini));
    write_file(dir.path + "/main.txt", "");
    write_file(dir.path + "/en.dat", std::string(256, '\0'));
    write_file(dir.path + "/tr.dat", std::string(256, '\0'));
    write_file(dir.path + "/Readme.txt", crlf("Moravel  Dictionary\n(c) 2004\n"));
    write_file(dir.path + "/qelgaiji.tbl", sample_table());
    return exe;
}

bool well_formed(const std::string& path) {
    return shell("xmllint --noout '" + path + "' 2>/dev/null") == 0;
}

}  // namespace

TEST(QelconvGaijiProject, WritesWellFormedBookSources) {
    if (shell("command -v xmllint >/dev/null 2>&1") != 0) GTEST_SKIP() << "xmllint is not installed";
    TempDir dir;
    std::string exe = prepare_run(dir, "SORTCMD=/usr/bin/sort\nFIGURE=0\nSOUND=0\n");
    RunResult r = run_program(exe, dir.path);
    ASSERT_EQ(r.exit_code, 0) << r.output;
    EXPECT_NE(r.output.find("外字データを変換しています... 終了しました\n"), std::string::npos);

    // The three XML files parse.
    EXPECT_TRUE(well_formed(dir.path + "/qelgmap.xml"));
    EXPECT_TRUE(well_formed(dir.path + "/qelgfont.xml"));
    EXPECT_TRUE(well_formed(dir.path + "/qelcmpl.xml"));

    // The map holds every glyph cell once, in code order.
    std::string map = lf(read_file(dir.path + "/qelgmap.xml"));
    EXPECT_NE(map.find("<gaijiMap unicode=\"#x00E9\" ebcode=\"A121\"/>\n"
                       "<gaijiMap unicode=\"#xE000\" ebcode=\"A122\"/>\n"
                       "<gaijiMap unicode=\"#xE001\" ebcode=\"A221\"/>\n"
                       "<gaijiMap unicode=\"#xE002\" ebcode=\"A222\"/>\n"
                       "<gaijiMap unicode=\"#xE003\" ebcode=\"A223\"/>\n"
                       "</gaijiSet>\n"),
              std::string::npos);

    // The copyright page and the project file that names them all.
    EXPECT_EQ(lf(read_file(dir.path + "/qelcopr.html")),
              "<html>\n<head>\n<title>著作権表示</title>\n</head>\n<body>\n<p>\n"
              "Moravel\x81\x40" "Dictionary</p>\n<p>(c) 2004</p>\n<p></p>\n</body>\n</html>\n");
    std::string ebs = lf(read_file(dir.path + "/qel.ebs"));
    EXPECT_EQ(ebs.rfind("InPath=\nOutPath=\n", 0), 0u);
    EXPECT_NE(ebs.find("\nmakeFig=0\n"), std::string::npos);
    EXPECT_NE(ebs.find("$(BASE)\\qelcopr.html;$(BASE)\\qelcmpl.xml;"), std::string::npos);
    EXPECT_EQ(ebs.find("qelmenu1.html"), std::string::npos);

    // The problems of the table are in the log.
    std::string log = read_file(dir.path + "/qelconv.log");
    EXPECT_NE(log.find("外字 G2-22 のUnicode値 U+<&\"> が正しくないため、私用領域のコードを使います\r\n"),
              std::string::npos);
}

TEST(QelconvGaijiProject, SourcesGoToBasepathAndDataComeFromDicpath) {
    TempDir dir;
    std::string exe = prepare_run(dir, "SORTCMD=/usr/bin/sort\nFIGURE=0\nCOMPLEX=0\nBASEPATH=out\n"
                                       "DICPATH=dic\nOUTPATH=book\n");
    shell("mkdir '" + dir.path + "/dic' && mv '" + dir.path + "'/main.txt '" + dir.path + "'/en.dat '" + dir.path +
          "'/tr.dat '" + dir.path + "'/Readme.txt '" + dir.path + "/dic/'");
    RunResult r = run_program(exe, dir.path);
    ASSERT_EQ(r.exit_code, 0) << r.output;
    EXPECT_TRUE(file_exists(dir.path + "/out/qelgmap.xml"));
    EXPECT_TRUE(file_exists(dir.path + "/out/qelgfont.xml"));
    EXPECT_TRUE(file_exists(dir.path + "/out/qelcopr.html"));
    EXPECT_FALSE(file_exists(dir.path + "/out/qelcmpl.xml"));
    std::string ebs = lf(read_file(dir.path + "/out/qel.ebs"));
    EXPECT_EQ(ebs.rfind("InPath=out\\\nOutPath=book\\\n", 0), 0u);
    EXPECT_NE(ebs.find("\nKeywordSearch=0\nComplexSearch=0\n"), std::string::npos);
    EXPECT_NE(ebs.find("$(BASE)\\qelcopr.html;_;GAI16H00;"), std::string::npos);
}

TEST(QelconvGaijiProject, MissingInputsFailTheRun) {
    TempDir dir;
    std::string exe = prepare_run(dir, "SORTCMD=/usr/bin/sort\nFIGURE=0\n");
    // 1. No gaiji table: the run stops at that step.
    std::remove((dir.path + "/qelgaiji.tbl").c_str());
    RunResult r = run_program(exe, dir.path);
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_NE(r.output.find("外字データファイル qelgaiji.tbl がオープンできません\n変換処理に失敗しました\n"),
              std::string::npos);
    EXPECT_FALSE(file_exists(dir.path + "/qel.ebs"));
    // 2. No Readme.txt: no copyright page and no project file.
    write_file(dir.path + "/qelgaiji.tbl", sample_table());
    std::remove((dir.path + "/Readme.txt").c_str());
    r = run_program(exe, dir.path);
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_NE(r.output.find("ファイル Readme.txt がオープンできません\n変換処理に失敗しました\n"), std::string::npos);
    EXPECT_FALSE(file_exists(dir.path + "/qelcopr.html"));
    EXPECT_FALSE(file_exists(dir.path + "/qel.ebs"));
}
