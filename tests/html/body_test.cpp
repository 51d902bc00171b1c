// The body conversion loop: entries, line forms, links and anchors, held text,
// index keys, media lines and the failures of the step.
#include "html/body.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "html/body_fixture.h"
#include "links/link_table.h"
#include "support/test_support.h"

using namespace qel;
using namespace htmltest;
using qeltest::crlf;
using qeltest::file_exists;
using qeltest::read_file;
using qeltest::TempDir;
using qeltest::write_file;
using namespace std::string_literals;

namespace {

size_t count_of(const std::string& text, const std::string& part) {
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) ++n;
    return n;
}

}  // namespace

TEST(BodyConversion, WorkedExampleByteForByte) {
    TempDir dir;
    dir.enter();
    ConversionSettings settings = quiet_settings();
    BodyRun r = run_body(settings, "RA=\nRN=000123\nEN=apple|apple\nPR=P\nPS=名詞\nTR1=りんご\n");
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(r.html, crlf(BodyHead + "<dt id=\"000123\">apple</dt>\n<dd><p>\nP<br>\n" + I1 + "━名詞<br>\n" + I1 +
                           "りんご\n</p></dd>\n" + BodyFoot));
    // A file under 100 bytes shows 0% once.
    EXPECT_EQ(r.console, "本文データをHTMLに変換しています...\r本文データをHTMLに変換しています... 0%"
                         "\r本文データをHTMLに変換しています... 終了しました\n");
    EXPECT_EQ(r.log, "本文データをHTMLに変換しています...\r\n終了しました\r\n");
}

TEST(BodyConversion, EntriesOpenCloseAndPendingHeaders) {
    TempDir dir;
    dir.enter();
    ConversionSettings settings = quiet_settings();
    // 1. An input without any line.
    EXPECT_EQ(run_body(settings, "").body, "\n</p></dd>\n");
    // 2. Derived forms, a pronunciation pending for a derived form, and a record
    // that never opens an entry (its pronunciation is dropped at the next RA).
    std::string first = "RA=\nRN=000001\nEN=a|a\nTR1=x\nDR=ab|ab\nTR1=y\nDR=ac|ac\nPR=P2\nTR1=z\n";
    std::string second = "RA=\nRN=000002\nEN=b|b\nPR=Q\nSND=1,2\nKEY=k\nENN=n\n";
    std::string third = "RA=\nRN=000003\nEN=c|c\nTR1=w\n";
    BodyRun r = run_body(settings, first + second + third);
    EXPECT_EQ(r.body, "<dt id=\"000001\">a</dt>\n<dd><p>\n <br>\n" + I1 + "x\n</p></dd>\n" +
                          "<dt id=\"000001DR01\">ab</dt>\n<dd><p>\n <br>\n" + I1 + "y\n</p></dd>\n" +
                          "<dt id=\"000001DR02\">ac</dt>\n<dd><p>\nP2<br>\n" + I1 + "z\n</p></dd>\n" +
                          "<dt id=\"000003\">c</dt>\n<dd><p>\n <br>\n" + I1 + "w\n</p></dd>\n");
    // 3. Each percentage once, at the RA lines.
    size_t divisor = (first.size() + second.size() + third.size()) / 100;
    const std::string line = "\r本文データをHTMLに変換しています... ";
    EXPECT_EQ(r.console, "本文データをHTMLに変換しています..." + line + "0%" + line +
                             std::to_string(first.size() / divisor) + "%" + line +
                             std::to_string((first.size() + second.size()) / divisor) + "%" + line + "終了しました\n");
}

TEST(BodyConversion, LineFormsOfTheFields) {
    TempDir dir;
    dir.enter();
    ConversionSettings settings = quiet_settings();
    BodyRun r = run_body(settings,
        "RA=\nRN=000010\nEN=go|go\nENV=went\nPS=動詞\nTR1=行く\nID=go on\nID=go off\nENV=gone\n"
        "TRSUB1(2)=【a】text\nOT1=【類語】x\nOT3=【活用\nJ2E=END\nJ2E=ENDX\nTR2=\nXYZ=abc\nNB=note\nMN=means\n"
        "PS=名詞\nID=goes\nTL=◇[of] about\nTL=◇\nTL=Hamlet\nTLSUB=[x]\n");
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(r.body, "<dt id=\"000010\">go</dt>\n<dd><p>\nwent"s +                     // ENV while pending
                          "<br>\n" + I1 + "━動詞<br>\n" + I1 + "行く" +                // PS, TR
                          "<br>\n" + I1 + "<b>＜成句＞</b>\n</p>\n<p>\n" + I1 + "go on" +  // first idiom
                          "\n</p>\n<p>\n" + I1 + "go off" +                              // next idiom
                          "<br>\n" + I1 + "gone" +                                       // ENV after opening
                          "<br>\n" + I1 + "text" +                                       // TRSUB label dropped
                          "<br>\n<a name=\"O100000\"></a>\n" + I1 + "<b>＜類語＞</b><br>\n" + I1 + "x" +
                          "<br>\n<a name=\"O300000\"></a>\n" + I1 + "<b>＜活用＞</b>" +  // label without "】"
                          "<br>\n" + I1 + "ENDX" +                                       // J2E other than END
                          "<br>\n" + I2 + "note" + "<br>\n" + I1 + "means" +             // NB indent 2
                          "<br>\n" + I1 + "━名詞<br>\n" + I1 + "<b>＜成句＞</b>\n</p>\n<p>\n" + I1 + "goes" +
                          "<br>\n" + I1 + "◆作品名<br>\n<a name=\"T000000\"></a>\n" + I1 + "[of] about" +
                          "<br>\n" + I1 + "◆作品名" +                                   // TL "◇" alone
                          "<br>\n<a name=\"T000001\"></a>\n" + I1 + "Hamlet" + "<br>\n" + I1 + "[x]" +
                          "\n</p></dd>\n");
    // The menu pages got the work titles and sections under the headword's group.
    std::string page2 = qeltest::lf(read_file("qelmenu2.html"));
    EXPECT_NE(page2.find("<h2>Ｇ</h2>\n<p>\n<a href=\"qel.html#T000000\"> about</a><br>\n"
                         "<a href=\"qel.html#T000001\">Hamlet</a><br>\n</p>\n</body>\n"),
              std::string::npos);
    EXPECT_NE(qeltest::lf(read_file("qelmenu5.html")).find("<a href=\"qel.html#O300000\">【活用】go</a><br>\n"),
              std::string::npos);
}

TEST(BodyConversion, ComplexExamplesAndConditionKeys) {
    TempDir dir;
    dir.enter();
    ConversionSettings settings = quiet_settings();
    settings.COMPLEX = 1;
    BodyRun r = run_body(settings, "RA=\nRN=000001\nEN=a|a\nEX=I <B>go</B>. <OBJ>私は<B>行く</B>\nEX=no obj\n"
                         "KEYID=<I>x1</I> y\nTR1=t\n");
    EXPECT_EQ(r.body, "<dt id=\"000001\">a</dt>\n<dd><p>\n <br>\n<dfn>" + I2 + "I go.</dfn> 私は<b>行く</b>" +
                          "<br>\n<dfn>" + I2 + "no obj</dfn>" +
                          "<br>\n<key title=\"x1 y\" type=\"条件\">Ｘ１</key>\n"
                          "<key title=\"x1 y\" type=\"条件\">Ｙ</key>\n" +
                          I1 + "t\n</p></dd>\n");
}

TEST(BodyConversion, HeldTextGrowsPastItsNominalSizeWithTheWarning) {
    TempDir dir;
    dir.enter();
    ConversionSettings settings = quiet_settings();
    settings.COMPLEX = 1;
    std::string words;
    for (int i = 0; i < 40; ++i) words += (i ? " w" : "w") + std::to_string(10 + i);
    std::string text = "RA=\nRN=000001\nEN=a|a\n";
    for (int i = 0; i < 20; ++i) text += "KEYID=" + words + "\n";
    BodyRun r = run_body(settings, text + "TR1=t\n");
    ASSERT_EQ(r.status, 0);
    // Every key reached the body, before the dt that the first line opened.
    EXPECT_EQ(count_of(r.body, "type=\"条件\""), 800u);
    EXPECT_LT(r.body.rfind("</key>"), r.body.find("<dt id=\"000001\">"));
    // Each line meeting more than 61440 held bytes warns once.
    EXPECT_EQ(count_of(r.log, "出力保持バッファがもうすぐ一杯です\r\n"), 12u);
}

TEST(BodyConversion, LinksNumberedAndAnchorsPlaced) {
    TempDir dir;
    dir.enter();
    ConversionSettings settings = quiet_settings();
    // Entry 100 links to 200 (sense 2, and sense 1 met as MN), to 150 that
    // never comes, and to 300 after the last entry.
    BodyRun r = run_body(settings,
        "RA=\nRN=000100\nEN=a|a\n"
        "TR1=see <HL>b:000200:2</HL> and <HL>m:000200:1</HL> and <HL>lost:000150:1</HL> and "
        "<HL>tail:000300:1</HL>\n"
        "RA=\nRN=000200\nEN=b|b\nMN=first meaning\nTR2=\nTR3=third\n");
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(r.body, "<dt id=\"000100\">a</dt>\n<dd><p>\n <br>\n" + I1 +
                          "see <a href=\"#HL000001\">b</a> and <a href=\"#HL000002\">m</a> and "
                          "<a href=\"#HL000003\">lost</a> and <a href=\"#HL000004\">tail</a>" +
                          // Anchors of entry 150 close entry 100, with a link back to its head.
                          "<br>\n<a name=\"HL000003\"></a>\n" + I1 + "<a href=\"#000100\">↑</a>" +
                          "\n</p></dd>\n<a name=\"HL000002\"></a>\n<dt id=\"000200\">b</dt>\n<dd><p>\n <br>\n" +
                          I1 + "first meaning" +
                          // The empty TR2 line placed its anchor but wrote nothing.
                          "<br>\n<a name=\"HL000001\"></a>\n" + I1 + "third" +
                          "<br>\n<a name=\"HL000004\"></a>\n" + I1 + "<a href=\"#000200\">↑</a>\n</p></dd>\n");
    EXPECT_NE(r.log.find("飛び先不明のため項目末尾にハイパーリンクのアンカーを生成しました\r\n"
                         "  項目番号=000150, リンク=\"TR::1::\"\r\n"),
              std::string::npos);
    EXPECT_NE(r.log.find("  項目番号=000300, リンク=\"TR::1::\"\r\n"), std::string::npos);

    // A record that opens no entry: the anchors it left lead back to the
    // definition that is still open, not to a dt that does not exist.
    r = run_body(settings, "RA=\nRN=000100\nEN=a|a\nTR1=<HL>x:000150:1</HL>\nRA=\nRN=000150\nEN=b|b\nKEY=k\n"
                 "RA=\nRN=000200\nEN=c|c\nTR1=y\n");
    EXPECT_EQ(r.body, "<dt id=\"000100\">a</dt>\n<dd><p>\n <br>\n" + I1 + "<a href=\"#HL000001\">x</a><br>\n" +
                          "<a name=\"HL000001\"></a>\n" + I1 + "<a href=\"#000100\">↑</a>\n</p></dd>\n" +
                          "<dt id=\"000200\">c</dt>\n<dd><p>\n <br>\n" + I1 + "y\n</p></dd>\n");

    // A link the hyperlink pass numbered but the body drops (inside a TRSUB
    // label) makes the counts differ: the step fails with complete files.
    r = run_body(settings, "RA=\nRN=000001\nEN=a|a\nTRSUB1(1)=【<HL>q:000001:1</HL>】text\n");
    EXPECT_EQ(r.status, -1);
    EXPECT_NE(r.console.find("ハイパーリンクタグの個数が生成時(1)と参照時(0)で異なっています\n"), std::string::npos);
    EXPECT_EQ(r.body.substr(r.body.size() - 11), "\n</p></dd>\n");
}

TEST(BodyConversion, IndexKeysGoWithTheFirstHeadingOpened) {
    TempDir dir;
    dir.enter();
    ConversionSettings settings = quiet_settings();
    std::string first = "RA=\nRN=000001\nEN=cat|cat\nTR1=x\nDR=cats|cats\nTR1=y\n";
    std::string second = "RA=\nRN=000002\nEN=dog|dog\nKEY=z\n";
    int32_t p2 = static_cast<int32_t>(first.size());
    write_file("en.dat", index_list({index_record("cat", 0), index_record("dog", p2)}));
    write_file("tr.dat", index_list({index_record("ねこ", 0), index_record("いぬ", p2 + 1)}));
    BodyRun r = run_body(settings, first + second + "RA=\nRN=000003\nEN=eel|eel\nTR1=w\n");
    auto keys = [](const std::string& title, const std::string& word) {
        return "<key title=\"" + title + "\" type=\"前方表記\">" + word + "</key>\n<key title=\"" + title +
               "\" type=\"後方表記\">" + word + "</key>\n";
    };
    // The record that opened no entry hands its words to the next heading.
    EXPECT_EQ(r.body, "<dt id=\"000001\">cat</dt>\n" + keys("cat", "ｃａｔ") + keys("cat", "ねこ") +
                          "<dd><p>\n <br>\n" + I1 + "x\n</p></dd>\n<dt id=\"000001DR01\">cats</dt>\n<dd><p>\n <br>\n" +
                          I1 + "y\n</p></dd>\n<dt id=\"000003\">eel</dt>\n" + keys("eel", "ｄｏｇ") +
                          keys("eel", "いぬ") + "<dd><p>\n <br>\n" + I1 + "w\n</p></dd>\n");
}

TEST(BodyConversion, FiguresAndSoundsInTheBody) {
    TempDir dir;
    dir.enter();
    ConversionSettings settings = quiet_settings();
    settings.FIGURE = settings.JPEG = settings.MACINTOSH = 1;
    settings.SOUND = settings.GENSOUND = 1;
    settings.figure_dir = "fig\\";
    settings.sound_dir = "snd\\";
    settings.sound_dir_slashed = "snd/";
    make_directory("fig");
    make_directory("snd");
    std::string bundle;
    for (int i = 0; i < 8000; ++i) bundle += static_cast<char>(i * 7);
    write_file("img.dat", bundle);
    write_file("qelq3.bnd", bundle);
    // A figure before the first headword, one past the bundle's end and one
    // that is not hex (neither uses a number), one cut out; two sounds before
    // the entry opens, one empty.
    BodyRun r = run_body(settings, "IMG=0,4\nRA=\nRN=000001\nEN=apple|apple\nSND=10,5\nSND=20,0\nSND=30,6\nTR1=x\n"
                         "IMG=ffff,10\nIMG=zz,1\nIMG=1a2b,400\nTR1=y\n");
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(r.body, "<a name=\"F000000\"></a><img src=\"fig/0.jpg\" alt=\"\"><dt id=\"000001\">apple</dt>\n"
                      "<dd><p>\n<a href=\"snd/000/30.wav\">→発音</a><br>\n"s +
                          I1 + "x<br>\n<a name=\"F000001\"></a><img src=\"fig/1a2b.jpg\" alt=\"apple\"><br>\n" +
                          I1 + "y\n</p></dd>\n");
    EXPECT_EQ(read_file("fig/1a2b.pict"), bundle.substr(0x1a2b, 0x400));
    EXPECT_EQ(read_file("snd/000/30.aifc"), bundle.substr(0x30, 6));
    EXPECT_FALSE(file_exists("snd/000/20.aifc"));
    std::string page1 = qeltest::lf(read_file("qelmenu1.html"));
    EXPECT_NE(page1.find("<h2>＠</h2>\n<p>\n<a href=\"qel.html#F000000\"></a><br>\n</p>\n<h2>Ａ</h2>\n<p>\n"
                         "<a href=\"qel.html#F000001\">apple</a><br>\n</p>\n</body>"),
              std::string::npos);
    EXPECT_NE(r.log.find("データファイルの読み込みに失敗しました\r\n"), std::string::npos);
    // Two sounds: both playlists list tracks 1-2.
    EXPECT_EQ(count_of(read_file("pl_000.xml"), "<key>Track ID</key>"), 4u);
    EXPECT_EQ(count_of(read_file("pl_all.xml"), "<key>Track ID</key>"), 4u);
}

TEST(BodyConversion, FailuresStopTheStepWithTheirMessages) {
    TempDir dir;
    dir.enter();
    ConversionSettings settings = quiet_settings();
    auto attempt = [&settings](const char* expected) {
        set_console_transcoding(0);
        testing::internal::CaptureStdout();
        int status = convert_body(settings, GaijiCodes(), 0);
        std::string out = testing::internal::GetCapturedStdout();
        set_console_transcoding(-1);
        EXPECT_EQ(status, -1) << expected;
        EXPECT_NE(out.find(expected), std::string::npos) << out;
    };
    // 1-3. Missing inputs, in the order of opening.
    attempt("本文ファイル main.txt がオープンできません\n");
    write_file("main.txt", stored("RA=\nRN=000001\nEN=a|a\nTR1=x\nSND=0,4\n"));
    attempt("索引語リストファイル en.dat がオープンできません\n");
    write_file("en.dat", index_list());
    write_file("tr.dat", index_list());
    attempt("ハイパーリンクデータファイル hyperlnk.dat がオープンできません\n");
    write_file("hyperlnk.dat", "");
    // 4. A missing bundle stops the step before qel.html is made.
    settings.FIGURE = 1;
    attempt("データファイル img.dat がオープンできません\n");
    EXPECT_FALSE(file_exists("qel.html"));
    settings.FIGURE = 0;
    // 5-6. Outputs that cannot be created.
    settings.BASEPATH = "nowhere/";
    attempt("出力HTMLファイル nowhere/qel.html が新規作成できません\n");
    settings.BASEPATH = "";
    make_directory("qelmenu3.html");
    attempt("メニューファイル qelmenu3.html が新規作成できません\n");
    rmdir("qelmenu3.html");
    // 7. A sound that cannot be written fails the step; what was written stays.
    settings.SOUND = settings.GENSOUND = 1;
    settings.sound_dir = settings.sound_dir_slashed = "nosnd/";
    write_file("qelra.bnd", "abcdefgh");
    attempt("データファイル nosnd/000/0.ra が新規作成できません\n");
    std::string html = qeltest::lf(read_file("qel.html"));
    EXPECT_EQ(html, BodyHead + "<dt id=\"000001\">a</dt>\n<dd><p>\n <br>\n" + I1 + "x");
}

TEST(BodyConversion, OverlongTextsAreKeptWhole) {
    TempDir dir;
    dir.enter();
    ConversionSettings settings = quiet_settings();
    std::string id(3000, '7'), head(5000, 'h'), value(20000, 'v');
    BodyRun r = run_body(settings,
                         "RA=\nRN=" + id + "\nEN=" + head + "|" + head + "\nPS=" + value + "\nTR1=" + value + "\n");
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(r.body, "<dt id=\"" + id + "\">" + head + "</dt>\n<dd><p>\n <br>\n" + I1 + "━" + value + "<br>\n" +
                          I1 + value + "\n</p></dd>\n");
}

// A second conversion in the same process, after a different one, gives the
// same bytes as the first: nothing of a run is carried into the next.
TEST(BodyConversion, RepeatedConversionsGiveTheSameBytes) {
    TempDir dir;
    dir.enter();
    ConversionSettings settings = quiet_settings();
    settings.ITALIC = 1;
    const std::string text = "RA=\nRN=000001\nEN=a|a\nTR1=<I>x</I> <HL>b:000002:EN</HL>\nTRSUB1(2)=y\n"
                             "RA=\nRN=000002\nEN=b|b\nTR2=<B>z</B> <HL>a:000001:TRSUB1(2)</HL> <XX>q\n";
    BodyRun first = run_body(settings, text);
    ASSERT_EQ(first.status, 0);
    EXPECT_NE(first.body.find("<i>x</i>"), std::string::npos);
    EXPECT_NE(first.body.find("<a href="), std::string::npos);
    run_body(settings, "RA=\nRN=000009\nEN=c|c\nTR3=<HL>c:000009:EN</HL>\n");
    BodyRun second = run_body(settings, text);
    EXPECT_EQ(second.status, 0);
    EXPECT_EQ(second.html, first.html);
    EXPECT_EQ(second.log, first.log);
    EXPECT_EQ(second.console, first.console);
}
