// The hyperlink pass: target resolution, numbering, the table lines and the
// external sort.
#include "links/link_table.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/report.h"
#include "platform/platform.h"
#include "support/test_support.h"

using namespace qel;
using qeltest::lf;
using qeltest::read_file;
using qeltest::TempDir;

namespace {

// main.txt as stored: every byte complemented, each line ended by 0xF5.
std::string stored_main_text(const std::vector<std::string>& lines) {
    std::string out;
    for (const std::string& line : lines) {
        for (char c : line) out.push_back(static_cast<char>(~static_cast<unsigned char>(c)));
        out.push_back(static_cast<char>(0xF5));
    }
    return out;
}

// One entry, 45 / head, with the given field lines.
std::vector<std::string> entry(std::vector<std::string> fields, const char* number = "45",
                               const char* headword = "head|head") {
    std::vector<std::string> lines = {"RA=", std::string("RN=") + number, std::string("EN=") + headword};
    lines.insert(lines.end(), fields.begin(), fields.end());
    return lines;
}

struct LinkPass : testing::Test {
    ConversionSettings settings;
    int link_count = 0;  // what the last run of the pass numbered
    void SetUp() override {
        settings.DICPATH = "";
        settings.SORTCMD = "/usr/bin/sort";
        set_console_transcoding(0);
    }
    void TearDown() override {
        set_console_transcoding(-1);
    }
    // Runs the pass over `lines` in `dir`; returns the table as text lines and
    // leaves the console output in `console`.
    std::string run_pass(TempDir& dir, const std::vector<std::string>& lines, std::string& console,
                         int* result = nullptr) {
        dir.enter();
        qeltest::write_file("main.txt", stored_main_text(lines));
        testing::internal::CaptureStdout();
        int r = build_link_table(settings, link_count);
        console = testing::internal::GetCapturedStdout();
        if (result) *result = r;
        return lf(read_file(LinkTableName));
    }
    std::string run_pass(TempDir& dir, const std::vector<std::string>& lines) {
        std::string console;
        return run_pass(dir, lines, console);
    }
};

// resolve_link_target with the report off; "(none)" when nothing resolves.
std::string resolved(const char* link_spec, const char* target = "12") {
    LinkResolver resolver;
    const char* d = resolve_link_target(resolver, link_spec, target, "key", 0);
    return d ? d : "(none)";
}

}  // namespace

TEST(LinkTarget, SpecificationsAndTheirDescriptions) {
    struct Case {
        const char* link_spec;
        const char* description;
    };
    const Case cases[] = {
        // 1. Translation numbers, sub-numbers in both forms, a part of speech.
        {"2", "TR::2::"},
        {"n.:1(2)", "TRSUB:n.:1:2:"},
        {"1:(3)", "TRSUB::1:3:"},
        {"1:3", "TRSUB::1:3:"},
        {"(4)", "TR::4::"},
        {"v.t.:3", "TR:v.t.:3::"},
        // 2. A part of speech with its colon stands alone; without it, nothing.
        {"n.:", "PS:n.:::"},
        {"n.", "(none)"},
        // 3. A section label after a number keeps the number.
        {"2:【類語】", "OT1::2::"},
        {"2:【地域的異形】", "OT5::2::"},
        {"2:【地域的な何か】", "TR::2::"},  // after a number the label must match whole
        {"2:図", "TR::2::"},                // figures, titles, etymology never follow a number
        {"2:用例", "KEYEX::2::"},
        // 4. Section labels on their own.
        {"【類語】", "OT1::::"},
        {"【語法】", "OT2::::"},
        {"【活用】", "OT3::::"},
        {"【発音】", "OT4::::"},
        {"【地域的異形】", "OT5::::"},
        {"【地域的ほか】", "OT5::::"},  // elsewhere 8 bytes decide
        {"【地域】", "(none)"},
        {"用例", "KEYEX::::"},
        {"図", "IMG::::"},
        {"語源", "SRC::::"},
        {"◇", "TL::::"},
        {"◇:[of]", "TLSUB::::[of]"},
        {"◇:[open", "TLSUB::::[open]"},
        // 5. Idioms: quoted (tags stripped) or the word 成句.
        {"\"take <I>a</I> look\"", "KEYID::::take a look"},
        {"成句", "KEYID::::"},
        {"n.:\"run \\\"out\\\"\"", "KEYID:n.:::run \"out\""},
        // 6. Derived forms and the null words.
        {"DR:\"runner\"", "DR::::runner"},
        {"DR", "(none)"},
        {"null:5", "TR::5::"},
        {"null:null:null", "(none)"},
        {"nul:【語法】", "OT2::::"},
        {"xyz", "(none)"},
    };
    for (const Case& c : cases) EXPECT_EQ(resolved(c.link_spec), c.description) << c.link_spec;
}

TEST(LinkTarget, UnresolvableTargetsAreLogged) {
    TempDir dir;
    dir.enter();
    LinkResolver resolver;
    // 1. A target that is not a number: logged with the link target specification up to "<".
    EXPECT_EQ(resolve_link_target(resolver, "2<x>", "abc", "key1", 1), nullptr);
    // 2. A link target specification that matches nothing.
    EXPECT_EQ(resolve_link_target(resolver, "zz<I>", "12", "key2", 1), nullptr);
    // 3. null:null:null is silent, and the report flag off is silent.
    EXPECT_EQ(resolve_link_target(resolver, "null:null:null", "12", "key3", 1), nullptr);
    EXPECT_EQ(resolve_link_target(resolver, "zz", "x", "key4", 0), nullptr);
    EXPECT_EQ(read_file(LogFileName), qeltest::crlf("飛び先不明のハイパーリンク「abc:2」があります(key1)\n"
                                                    "解決不能なハイパーリンク「zz」があります(key2)\n"));
}

TEST(LinkParts, FullTargetsAndClosingTags) {
    LinkParts parts;
    // 1. A whole link: text, target, link target specification, and the position after it.
    const char* v = "see:123:2</HL> more";
    split_link(v, nullptr, nullptr, parts);
    ASSERT_TRUE(parts.full);
    EXPECT_EQ(std::string(parts.text, parts.text_end), "see");
    EXPECT_EQ(std::string(parts.target, parts.target_end), "123");
    EXPECT_EQ(std::string(parts.link_spec, parts.link_spec_end), "2");
    EXPECT_STREQ(parts.next, " more");
    // 2. One ":" before the close: not full; the visible text ends at the ":".
    v = "text:123</HL>x:1:2</HL>";
    split_link(v, nullptr, nullptr, parts);
    EXPECT_FALSE(parts.full);
    EXPECT_TRUE(parts.closed);
    EXPECT_EQ(std::string(parts.text, parts.text_end), "text");
    EXPECT_STREQ(parts.next, "x:1:2</HL>");
    // 3. No ":" at all and no close: the rest of the value, not closed.
    split_link("plain", nullptr, nullptr, parts);
    EXPECT_FALSE(parts.full);
    EXPECT_FALSE(parts.closed);
    EXPECT_EQ(std::string(parts.text, parts.text_end), "plain");
    // 4. A ":" inside a two-byte character does not count.
    v = "\x83\x3a:1:2";  // a lead byte whose second byte is ":"
    split_link(v, nullptr, nullptr, parts);
    EXPECT_EQ(std::string(parts.text, parts.text_end), "\x83\x3a");
    EXPECT_EQ(std::string(parts.target, parts.target_end), "1");
    // 5. The target is cut to 8 bytes; "0" is the entry holding the link.
    std::string target;
    v = "a:1234567890:2";
    split_link(v, nullptr, nullptr, parts);
    link_target_number(parts, "45", target);
    EXPECT_EQ(target, "12345678");
    v = "a:0:2";
    split_link(v, nullptr, nullptr, parts);
    link_target_number(parts, "45", target);
    EXPECT_EQ(target, "45");
    // 6. The assumed start of a link without "<HL>": the last <SC>, else the
    //    segment start.
    int found;
    v = "x <SC>a</SC> <SC>b</SC>:1:2</HL>";
    const char* close = std::strstr(v, "</HL>");
    EXPECT_STREQ(assumed_link_start(v, close, found), "<SC>b</SC>:1:2</HL>");
    EXPECT_TRUE(found);
    EXPECT_EQ(assumed_link_start(v + 14, close, found), v + 14);
    EXPECT_FALSE(found);
}

TEST_F(LinkPass, FirstLinkLineLayoutAndConsecutiveNumbers) {
    TempDir dir;
    std::string console;
    std::string table = run_pass(dir,
                                 entry({"TR1=a <HL>pear:123:2</HL> b",
                                        "TR2=<HL>x:77:zz</HL> <HL>y:0:1:(3)</HL>, <HL>q:abc:1</HL> "
                                        "<HL>r:9:null:null:null</HL><HL>s:9:用例</HL>"},
                                       "45", "Apple|apple pie"),
                                 console);
    // 1. Blank-padded target, serial numbers with no gap for the links that
    //    did not resolve, the raw link target specification up to "<".
    EXPECT_EQ(table,
              "     123|HL000001|TR::2::|45|apple pie|(2)\n"
              "      45|HL000002|TRSUB::1:3:|45|apple pie|(1:(3))\n"
              "       9|HL000003|KEYEX::::|45|apple pie|(用例)\n");
    EXPECT_EQ(link_count, 3);
    // 2. The unresolvable links are in the log; null:null:null is not.
    std::string log = lf(read_file(LogFileName));
    EXPECT_NE(log.find("解決不能なハイパーリンク「zz」があります(apple pie)\n"), std::string::npos);
    EXPECT_NE(log.find("飛び先不明のハイパーリンク「abc:1」があります(apple pie)\n"), std::string::npos);
    EXPECT_EQ(log.find("null"), std::string::npos);
    // 3. The progress pattern on the console and in the log.
    EXPECT_EQ(console.rfind("ハイパーリンクデータを生成しています...\rハイパーリンクデータを生成しています... 0%", 0), 0u);
    EXPECT_NE(console.find("\rハイパーリンクデータを生成しています... 終了しました\n"
                           "ハイパーリンクデータをソートしています... 終了しました\n"),
              std::string::npos);
    EXPECT_EQ(log.rfind("ハイパーリンクデータを生成しています...\n", 0), 0u);
    EXPECT_NE(log.find("終了しました\nハイパーリンクデータをソートしています... 終了しました\n"), std::string::npos);
}

TEST_F(LinkPass, SkippedFieldsCommentsAndExamples) {
    TempDir dir;
    const std::vector<std::string> fields = {
        "KEY=<HL>k:1:1</HL>",                                  // not shown
        "KEYID=<HL>k:1:2</HL>",                                // not shown
        "CMT=<HL>k:1:3</HL>",                                  // comment line
        "TR1=<CMT>c <HL>k:1:4</HL></CMT><HL>a:2:1</HL>",       // in a comment
        "TR2=<CMT>open <HL>b:3:1</HL>",                        // unclosed comment: scanned
        "EX=ex <HL>c:4:1</HL> <OBJ>tr <HL>d:5:1</HL>",         // split with COMPLEX
        "EN=<HL>o:6:1</HL>|other",                             // EN is never scanned
    };
    // 1. COMPLEX on: the example's own link is not numbered.
    std::string table = run_pass(dir, entry(fields));
    EXPECT_EQ(table,
              "       2|HL000001|TR::1::|45|head|(1)\n"
              "       3|HL000002|TR::1::|45|head|(1)\n"
              "       5|HL000003|TR::1::|45|head|(1)\n");
    // 2. COMPLEX off: it is.
    settings.COMPLEX = 0;
    table = run_pass(dir, entry(fields));
    EXPECT_NE(table.find("       4|HL000003|TR::1::|45|head|(1)\n"), std::string::npos);
    EXPECT_EQ(link_count, 4);
}

TEST_F(LinkPass, MissingOpeningTagsAndIncompleteLinks) {
    TempDir dir;
    std::string table = run_pass(
        dir, entry({
                 // 1. From the last small-caps word; from the value start without one.
                 "TR1=see <SC>x</SC> and <SC>word</SC>:12:3</HL>",
                 "TR2=word:13:3</HL>",
                 // 2. A stray close with too few ":" is dropped; the next link's
                 //    search starts after it.
                 "TR3=a:1</HL> b:14:1</HL>",
                 "TR4=</HL><HL>c:15:1</HL>",
                 // 3. Links without a full target are skipped without a number.
                 "TR5=<HL>t:16</HL> <HL>u</HL> <HL>v:17:2</HL>",
                 "TR6=<HL>w:18:2",                   // no close: numbered, line ends
                 "TR7=<HL>w:19</HL",                 // no close, no full target
                 "TR8=<HL>a:20:2</HL>z:21:3</HL>",   // stray after a link
             }));
    EXPECT_EQ(table,
              "      12|HL000001|TR::3::|45|head|(3)\n"
              "      13|HL000002|TR::3::|45|head|(3)\n"
              "      14|HL000003|TR::1::|45|head|(1)\n"
              "      15|HL000004|TR::1::|45|head|(1)\n"
              "      17|HL000005|TR::2::|45|head|(2)\n"
              "      18|HL000006|TR::2::|45|head|(2)\n"
              "      20|HL000007|TR::2::|45|head|(2)\n"
              "      21|HL000008|TR::3::|45|head|(3)\n");
}

TEST_F(LinkPass, SortedTableOrdersByTargetEntryNumber) {
    TempDir dir;
    std::vector<std::string> lines = entry({"TR1=<HL>a:100:1</HL><HL>b:9:1</HL><HL>c:12345678:1</HL>",
                                            "TR2=<HL>d:9:2</HL><HL>e:0:1</HL><HL>f:10:1</HL>"},
                                           "7");
    run_pass(dir, lines);
    EXPECT_EQ(lf(read_file(SortedLinkTableName)),
              "       7|HL000005|TR::1::|7|head|(1)\n"
              "       9|HL000002|TR::1::|7|head|(1)\n"
              "       9|HL000004|TR::2::|7|head|(2)\n"
              "      10|HL000006|TR::1::|7|head|(1)\n"
              "     100|HL000001|TR::1::|7|head|(1)\n"
              "12345678|HL000003|TR::1::|7|head|(1)\n");
}

TEST_F(LinkPass, BadInputAndFailures) {
    TempDir dir;
    std::string console;
    int result = 0;
    // 1. Overlong links, link target specifications and entry numbers: no crash; the raw
    //    link target specification is cut to 1023 bytes, the target to 8.
    std::string long_spec = "2" + std::string(3000, 'x');
    std::string long_text(10000, 'w');
    std::string table = run_pass(dir,
                                 entry({"TR1=<HL>" + long_text + ":123456789012:" + long_spec + "</HL>",
                                        "TR2=<HL>y:0:1</HL>"},
                                       "987654321"),
                                 console, &result);
    EXPECT_EQ(result, 0);
    ASSERT_EQ(table.find("12345678|HL000001|TR::2::|987654321|head|(2xxx"), 0u);
    EXPECT_EQ(table.find(")\n"), 42u + 1023u);
    EXPECT_NE(table.find("\n987654321|HL000002|TR::1::|987654321|head|(1)\n"), std::string::npos);
    // Both cuts are logged with the headword key.
    std::string log = lf(read_file(LogFileName));
    EXPECT_NE(log.find("リンク先の項目番号「123456789012」は8文字を超えるため「12345678」として扱います(head)\n"),
              std::string::npos);
    EXPECT_NE(log.find("リンク先指定「2xxxxxxxxx"), std::string::npos);
    EXPECT_NE(log.find("...」は1023バイトを超えるため切り詰めて記録します(head)\n"), std::string::npos);

    // 2. A sort command that fails leaves no hyperlnk.dat and says so.
    settings.SORTCMD = "/bin/false";
    run_pass(dir, entry({"TR1=<HL>y:1:1</HL>"}), console, &result);
    EXPECT_EQ(result, 0);
    EXPECT_FALSE(qeltest::file_exists(SortedLinkTableName));
    EXPECT_NE(console.find("ハイパーリンクデータをソートしています... 失敗しました\n"), std::string::npos);
    File* f = nullptr;
    testing::internal::CaptureStdout();
    f = open_link_data(SortedLinkTableName);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "ハイパーリンクデータファイル hyperlnk.dat がオープンできません\n");
    EXPECT_EQ(f, nullptr);

    // 3. A missing main.txt fails with the reader's message; a table that
    //    cannot be created fails with its own.
    settings.DICPATH = "nowhere/";
    testing::internal::CaptureStdout();
    EXPECT_EQ(build_link_table(settings, link_count), -1);
    EXPECT_NE(testing::internal::GetCapturedStdout().find("本文ファイル nowhere/main.txt がオープンできません"),
              std::string::npos);
    settings.DICPATH = "";
    qeltest::shell("rm -f hyperlnk.tmp && mkdir hyperlnk.tmp");
    testing::internal::CaptureStdout();
    EXPECT_EQ(build_link_table(settings, link_count), -1);
    EXPECT_NE(testing::internal::GetCapturedStdout().find("ハイパーリンクデータファイル hyperlnk.tmp が新規作成できません\n"),
              std::string::npos);
}
