// The built qelconv on a small hand-written dictionary with figures and
// sounds: the run succeeds, qel.html is HTML, every in-book link finds its
// anchor, and the playlists are property lists.
#include <gtest/gtest.h>

#include <cstdint>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "support/test_support.h"

using namespace qeltest;

namespace {

std::string stored(const std::string& text) {
    std::string bytes = text;
    for (char& c : bytes) c = static_cast<char>(~static_cast<unsigned char>(c));
    return bytes;
}

std::string index_record(const std::string& word, uint32_t position) {
    std::string r = "xx" + std::string(1, static_cast<char>(word.size())) + word + "xx" + std::string(1, '\0') + "xx";
    for (int i = 0; i < 4; ++i) r += static_cast<char>((position >> (8 * i)) & 0xFF);
    return r + "xx" + std::string(4, '\0') + std::string(8, 'x') + std::string(1, '\0');
}

// Every capture of `pattern` in `text`.
std::vector<std::string> captures(const std::string& text, const std::string& pattern) {
    std::vector<std::string> found;
    std::regex re(pattern);
    for (auto it = std::sregex_iterator(text.begin(), text.end(), re); it != std::sregex_iterator(); ++it)
        found.push_back((*it)[1]);
    return found;
}

const std::string Record1 =
    "RA=\nRN=000100\nEN=apple|apple\nPR=<B>#41#</B>pl\nSND=0,10\nPS=名詞\nTR1=りんご <HL>bee:000200:2</HL>\n"
    "TR2=リンゴの木 & 実\nID=an apple a day\nKEYID=an <I>apple</I> a day\nOT1=【類語】fruit\nIMG=0,20\n"
    "TL=◇[Snow White] 白雪姫\nDR=apples|apples\nTR1=複数 <HL>go:000300:\"go on\"</HL>\n";
const std::string Record2 =
    "RA=\nRN=000200\nEN=bee|bee\nPS=名詞\nTR1=蜂\nTR2=集まり <HL>apple:000100:DR:\"apples\"</HL>\n"
    "OT2=【語法】usage\nOT3=【活用】bees\nSRC=<HL>x:000100:語源</HL>\n";
const std::string Record3 =
    "RA=\nRN=000300\nEN=go|go\nPS=動詞\nTR1=行く <HL>b:000200:1</HL>\nID=go on\nKEYID=go on\n"
    "EX=I go. <OBJ>私は行く\nSND=a,10\nTR2=<HL>n:000999:1</HL> 不明\n";

}  // namespace

TEST(BodyRun, SmallDictionaryWithMediaGivesConsistentBookSources) {
    TempDir home;
    std::string exe = install_program(QELCONV_PATH, home.path);
    std::string d = home.path + "/";
    write_file(d + "qelconv.ini",
               "FIGURE=1\nJPEG=1\nSOUND=1\nGENSOUND=1\nMACINTOSH=1\nCOMPLEX=1\nSORTCMD=/usr/bin/sort\n");
    write_file(d + "qelgaiji.tbl", "CHAR:G0-41:\"ae\"\n");
    write_file(d + "Readme.txt", "Sample dictionary\n");
    write_file(d + "main.txt", stored(Record1 + Record2 + Record3));
    uint32_t third = static_cast<uint32_t>(Record1.size() + Record2.size());
    write_file(d + "en.dat", std::string(256, 'h') + index_record("apple", 0) + index_record("go", third));
    write_file(d + "tr.dat", std::string(256, 'h') + index_record("りんご", 0));
    std::string bundle(4096, 'b');
    write_file(d + "img.dat", bundle);
    write_file(d + "qelq3.bnd", bundle);

    RunResult r = run_program(exe, home.path);
    ASSERT_EQ(r.exit_code, 0) << r.output;
    std::string html = read_file(d + "qel.html");

    // qel.html and the menu pages parse as HTML. Allowed: the authoring tool's
    // own key elements and the control characters of its indent codes.
    for (const char* name : {"qel.html", "qelmenu1.html", "qelmenu2.html", "qelmenu5.html"})
        EXPECT_EQ(shell("xmllint --html --noout '" + d + name + "' 2>&1 | grep 'error :' | grep -v -e 'Tag key invalid' "
                        "-e 'htmlParseCharRef: invalid xmlChar value [023]$' | grep -q . && exit 1 || exit 0"),
                  0)
            << name;

    // Every link of the body and the menu pages finds an anchor or a dt id.
    std::set<std::string> anchors;
    for (const std::string& a : captures(html, "<a name=\"([^\"]*)\"")) anchors.insert(a);
    for (const std::string& a : captures(html, "<dt id=\"([^\"]*)\"")) anchors.insert(a);
    std::vector<std::string> links = captures(html, "href=\"#([^\"]*)\"");
    EXPECT_EQ(links.size(), 8u);  // six numbered links, two return links after unplaced anchors
    for (int page = 1; page <= 5; ++page) {
        std::string name = d + "qelmenu" + std::to_string(page) + ".html";
        for (const std::string& a : captures(read_file(name), "href=\"qel.html#([^\"]*)\"")) links.push_back(a);
    }
    EXPECT_EQ(links.size(), 8u + 5u);  // one figure, title, synonym, usage and inflection entry
    for (const std::string& link : links) EXPECT_TRUE(anchors.count(link)) << link;

    // The media: the figure, two sounds in group 000, both playlists.
    EXPECT_EQ(read_file(d + "fig/0.pict"), bundle.substr(0, 0x20));
    EXPECT_EQ(read_file(d + "snd/000/a.aifc"), bundle.substr(0xa, 0x10));
    for (const char* name : {"pl_000.xml", "pl_all.xml"})
        EXPECT_EQ(shell("xmllint --noout '" + d + name + "'"), 0) << name;
    // Index keys and condition keys went into the body.
    EXPECT_NE(html.find("<key title=\"go\" type=\"前方表記\">ｇｏ</key>"), std::string::npos);
    EXPECT_NE(html.find("<key title=\"an apple a day\" type=\"条件\">ＡＰＰＬＥ</key>"), std::string::npos);
}
