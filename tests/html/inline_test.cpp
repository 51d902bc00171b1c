// Inline tag conversion: entities, gaiji, the tag table, links and their
// repair, the title and plain forms.
#include "html/inline.h"

#include <gtest/gtest.h>

#include <string>

#include "common/report.h"
#include "links/link_table.h"
#include "platform/platform.h"
#include "support/test_support.h"
#include "text/inline_tags.h"
#include "text/gaiji_codes.h"
#include "text/sjis.h"

using namespace qel;
using qeltest::lf;
using qeltest::read_file;
using qeltest::TempDir;

namespace {

// Each test runs in its own directory (for the log) with a few gaiji slots
// filled: set 0, set 5 and set 99.
struct Inline : testing::Test {
    TempDir dir;
    ConversionSettings settings;
    GaijiCodes gaiji;
    InlineConversion conversion;
    void SetUp() override {
        dir.enter();
        set_console_transcoding(0);
        set_gaiji_slot(gaiji, 0, 0x41, "[0-41]");
        set_gaiji_slot(gaiji, 5, 0x41, "[5-A]");
        set_gaiji_slot(gaiji, 5, 0x42, "[5-B]");
        set_gaiji_slot(gaiji, 7, 0x41, "[99-41]");
        set_gaiji_slot(gaiji, 7, 0xA5, "[99-dot]");
        conversion.gaiji = &gaiji;
    }
    void TearDown() override {
        set_console_transcoding(-1);
    }
    std::string log() {
        return lf(read_file(LogFileName));
    }
    // convert_inline with links on, an entry identifier and a key.
    std::string html(const char* source, int links_on = 1) {
        std::string out;
        convert_inline(conversion, out, source, "45", "head", links_on, settings.ITALIC);
        return out;
    }
};

}  // namespace

TEST_F(Inline, EntitiesAndTheMiddleDot) {
    // 1. The four entities.
    EXPECT_EQ(html("a&b\"c'd>e"), "a&amp;b&quot;c&apos;d&gt;e");
    // 2. "<<" gives "&lt;" and the second "<" starts a tag of its own.
    EXPECT_EQ(html("x<<B>y</B>"), "x&lt;<b>y</b>");
    // 3. 0xA5 alone is a middle dot; inside a two-byte character it is not.
    EXPECT_EQ(html("a\xA5" "b"), "a・b");
    EXPECT_EQ(html("\x82\xA5"), "\x82\xA5");
    // 4. A lead byte before the terminator ends the text without reading past it.
    EXPECT_EQ(html("ab\x83"), "ab\x83");
    EXPECT_EQ(log(), "");
}

TEST_F(Inline, EachRowOfTheTagTable) {
    struct Case {
        const char* source;
        const char* italic_off;
        const char* italic_on;
    };
    const Case cases[] = {
        {"<B>w</B>", "<b>w</b>", "<b>w</b>"},
        {"<I>w</I>", "w", "<i>w</i>"},
        {"<SPO>w</SPO>", "w", "<i>w</i>"},
        {"<SUP>2</SUP><SUB>3</SUB>", "<sup>2</sup><sub>3</sub>", "<sup>2</sup><sub>3</sub>"},
        {"a<RUBY>b</RUBY>", "a(b)", "a(b)"},
        {"<CMT>note</CMT>rest", "rest", "rest"},
        {"<CMT>open", "open", "open"},
        {"<SO>a</SO><SC>b</SC><OBJ>c</OBJ><DSR>d</DSR>", "abcd", "abcd"},
        {"<FONT size=2>f</FONT>", "f", "f"},
        {"<G1>x</G1>", "x", "x"},
    };
    for (const Case& c : cases) {
        settings.ITALIC = 0;
        EXPECT_EQ(html(c.source), c.italic_off) << c.source;
        settings.ITALIC = 1;
        EXPECT_EQ(html(c.source), c.italic_on) << c.source;
    }
    EXPECT_EQ(log(), "");
}

TEST_F(Inline, UnlistedTagsAreReported) {
    // 1. Opening and closing forms report the name between "</" and ">".
    EXPECT_EQ(html("a<XYZ>b</XYZ>c"), "abc");
    const std::string xyz = "本文に未知のタグがあります\n  TAG: </XYZ>\n  KEY: head\n  LINE: a<XYZ>b</XYZ>c\n";
    EXPECT_EQ(log(), xyz + xyz);
    // 2. A bare FONT opening tag is unlisted; its closing tag is not. A
    //    closing CMT tag is unlisted.
    EXPECT_EQ(html("<FONT>f</FONT></CMT>"), "f");
    EXPECT_NE(log().find("  TAG: </FONT>\n"), std::string::npos);
    EXPECT_NE(log().find("  TAG: </CMT>\n"), std::string::npos);
    EXPECT_EQ(log().find("  TAG: </FONT>\n", log().find("  TAG: </FONT>\n") + 1), std::string::npos);
    // 3. A "<" never closed takes the rest of the line as its name and ends it.
    std::string out = html("a < b & c");
    EXPECT_EQ(out, "a ");
    EXPECT_NE(log().find("  TAG: </ b & c>\n  KEY: head\n  LINE: a < b & c\n"), std::string::npos);
}

TEST_F(Inline, GaijiReferencesAndSets) {
    // 1. Outside any G tag set 0; inside G9 set 99; a closing G tag goes back.
    EXPECT_EQ(html("#41#"), "[0-41]");
    EXPECT_EQ(html("<G9>#41#</G9>#41#"), "[99-41][0-41]");
    // 2. In set 5 letters are external characters, digits stay digits, and
    //    a two-byte character whose second byte is "A" stays itself.
    EXPECT_EQ(html("<G5>AB12\x83\x41</G5>A"), "[5-A][5-B]12\x83\x41" "A");
    // 3. An unfilled slot shows its number.
    EXPECT_EQ(html("<G3>#7F#</G3>"), "{G3-7F}");
    // 4. A "#" without a second one three bytes on is an ordinary byte.
    EXPECT_EQ(html("#1#"), "#1#");
}

TEST_F(Inline, LinksOnAndOff) {
    // 1. A resolved link is numbered; an unresolved one links the entry.
    EXPECT_EQ(html("see <HL><B>pear</B>:123:2</HL>."), "see <a href=\"#HL000001\"><b>pear</b></a>.");
    EXPECT_EQ(html("<HL>x:77:zz</HL>"), "<a href=\"#77\">x</a>");
    EXPECT_EQ(html("<HL>self:0:1</HL>"), "<a href=\"#HL000002\">self</a>");
    // 2. Links off: the visible text only, no number used.
    EXPECT_EQ(html("<HL>y:1:1</HL> z", 0), "y z");
    // 3. A link inside a link's text is converted with links off.
    EXPECT_EQ(html("<HL>a <HL>b:1:1</HL>"), "<a href=\"#HL000003\">a b</a>");
    // 4. Links without a full target give their text and are not numbered;
    //    what follows them is kept.
    EXPECT_EQ(html("<HL>t:16</HL> <HL>u</HL> end"), "t u end");
    EXPECT_EQ(html("x <HL>rest:of"), "x rest");
    // 5. A link without its closing tag ends the value.
    EXPECT_EQ(html("<HL>w:18:2 more"), "<a href=\"#HL000004\">w</a>");
    EXPECT_EQ(conversion.link_counter, 4);
    EXPECT_EQ(log(), "");
}

TEST_F(Inline, RepairOfAMissingLinkStart) {
    std::string console;
    const std::string report = "本文に誤りがあります\n  ERR: <HL>の脱落\n  KEY: head\n";

    // 1. From the small-caps word: the same link as with "<HL>" before it.
    testing::internal::CaptureStdout();
    std::string out = html("see <SC>word</SC>:123:2</HL> after");
    console = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out, "see <a href=\"#HL000001\">word</a> after");
    EXPECT_EQ(log(), report + "  LINE: see <SC>word</SC>:123:2</HL> after\n  上記エラーへの対処に成功しました\n");
    EXPECT_EQ(console, "");

    // 2. A small-caps word at the very start is found as well.
    EXPECT_EQ(html("<SC>U.S.</SC>:5:1</HL>"), "<a href=\"#HL000002\">U.S.</a>");

    // 3. Without one: the failure is reported, the link runs from the start.
    testing::internal::CaptureStdout();
    out = html("word:123:2</HL>");
    console = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out, "<a href=\"#HL000003\">word</a>");
    EXPECT_NE(log().find("  LINE: word:123:2</HL>\n  上記エラーへの対処に失敗しました\n  変換結果に脱落があります\n"),
              std::string::npos);
    EXPECT_EQ(console, "項目 head で変換に失敗しました\n");

    // 4. The search stops at the end of the last link: what that link wrote
    //    stays, and an <SC> before it is not used.
    EXPECT_EQ(html("<SC>x</SC> <HL>a:1:2</HL>, b:9:1</HL>"),
              "x <a href=\"#HL000004\">a</a><a href=\"#HL000005\">, b</a>");

    // 5. A stray close with too few ":" is reported and dropped; nothing is
    //    lost and the conversion goes on.
    std::size_t before = log().size();
    out = html("a:1</HL> b</HL> c");
    EXPECT_EQ(out, "a:1 b c");
    std::string added = log().substr(before);
    EXPECT_EQ(added, report + "  LINE: a:1</HL> b</HL> c\n" + report + "  LINE: a:1</HL> b</HL> c\n");
    EXPECT_EQ(conversion.link_counter, 5);

    // 6. Broken text whose "<SC>" begins inside a two-byte character: the
    //    output goes back to what it was before that character, never to
    //    more or less.
    EXPECT_EQ(html("ab\x83<SC>:7:1</HL>"), "ab<a href=\"#HL000006\"></a>");
}

TEST_F(Inline, TitleAndPlainForms) {
    std::string out;
    // 1. Title: 0xA5 and references through set 99, tags dropped.
    convert_title(out, gaiji, "a\xA5" "b<I>#41#</I>\x82\xA5");
    EXPECT_EQ(out, "a[99-dot]b[99-41]\x82\xA5");
    // 2. Plain: opening G tags set the set, closing ones do not reset it.
    convert_plain(out, gaiji, "x\xA5#41#<G9>#41#</G9>#41#<B>&</B>");
    EXPECT_EQ(out, "x・[0-41][99-41][99-41]&");
    // 3. An unclosed tag drops the rest.
    convert_plain(out, gaiji, "ab<cd");
    EXPECT_EQ(out, "ab");
    convert_title(out, gaiji, "ab<cd");
    EXPECT_EQ(out, "ab");
}

TEST_F(Inline, OutputGrowsPastAnyFixedSize) {
    // A value of 4000 ampersands and gaiji references becomes several times
    // longer than a 4096-byte line.
    std::string source(4000, '&');
    for (int i = 0; i < 500; ++i) source += "#41#";
    std::string out = html(source.c_str());
    EXPECT_EQ(out.size(), 4000u * 5 + 500u * 6);
    EXPECT_EQ(out.substr(out.size() - 6), "[0-41]");
}

TEST_F(Inline, HostileValuesStayBounded) {
    // 1. Links nested 5000 deep inside each other's text: the conversion
    // takes apart the first levels only, drops the deeper tags, keeps the
    // text and reports the value once.
    std::string nested;
    for (int i = 0; i < 5000; ++i) nested += "<HL>";
    nested += "deep:1:2</HL>tail";
    std::string out = html(nested.c_str());
    EXPECT_NE(out.find("deep"), std::string::npos);
    EXPECT_NE(out.find("tail"), std::string::npos);
    std::string l = log();
    EXPECT_NE(l.find("  ERR: <HL>の入れ子が深すぎます\n  KEY: head\n"), std::string::npos);
    EXPECT_EQ(l.find("入れ子"), l.rfind("入れ子"));
    // 2. A link nested in a link's text within the limit is converted as before.
    EXPECT_EQ(html("<HL><B>a</B> <HL>b</HL>:7:x</HL>", 0), "<b>a</b> b");
    // 3. Past 16 reports a value's further faults are counted, not copied.
    std::remove(LogFileName);
    std::string tags;
    for (int i = 0; i < 100; ++i) tags += "<X>";
    html(tags.c_str());
    l = log();
    size_t reports = 0;
    for (size_t at = l.find("本文に未知のタグがあります"); at != std::string::npos;
         at = l.find("本文に未知のタグがあります", at + 1))
        ++reports;
    EXPECT_EQ(reports, 16u);
    EXPECT_NE(l.find("本文の同じ行の誤り 84 件は報告を省略しました\n  KEY: head\n"), std::string::npos);
    // 4. The count starts again with the next value.
    std::remove(LogFileName);
    html("<Y>");
    EXPECT_EQ(log(), "本文に未知のタグがあります\n  TAG: </Y>\n  KEY: head\n  LINE: <Y>\n");
    // 5. Thousands of comments without their closing tag keep their text.
    std::string comments;
    for (int i = 0; i < 5000; ++i) comments += "<CMT>c";
    EXPECT_EQ(html(comments.c_str(), 0), std::string(5000, 'c'));
}
