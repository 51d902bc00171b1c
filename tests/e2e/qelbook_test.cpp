// The built qelbook on small hand-written sources, read back through the EB
// library the way a reader program sees the book.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "support/test_support.h"
#ifdef QEL_HAVE_LIBEB
#include "support/eb_book.h"
#endif

using namespace qeltest;

namespace {

// A 2x2 24-bit BMP and a minimal PCM WAV (8 kHz mono 8-bit, 4 samples).
std::string tiny_bmp() {
    std::string b("BM", 2);
    auto le32 = [&b](uint32_t v) { for (int i = 0; i < 4; ++i) b += static_cast<char>(v >> (8 * i)); };
    auto le16 = [&b](uint32_t v) { b += static_cast<char>(v); b += static_cast<char>(v >> 8); };
    le32(54 + 16); le32(0); le32(54);
    le32(40); le32(2); le32(2); le16(1); le16(24); le32(0); le32(16); le32(2835); le32(2835); le32(0); le32(0);
    b += std::string("\x00\x00\xff\xff\xff\xff\x00\x00\x00\xff\x00\x00\x00\x00\x00\x00", 16);
    return b;
}

std::string wave(const std::string& extra_chunk) {
    std::string fmt("fmt \x10\x00\x00\x00\x01\x00\x01\x00\x40\x1f\x00\x00\x40\x1f\x00\x00\x01\x00\x08\x00", 24);
    std::string data("data\x04\x00\x00\x00\x10\x80\xf0\x80", 12);
    std::string body = "WAVE" + extra_chunk + fmt + data;
    uint32_t n = static_cast<uint32_t>(body.size());
    return "RIFF" + std::string{static_cast<char>(n), static_cast<char>(n >> 8), 0, 0} + body;
}

const char* const Project =
    "InPath=src\\\n"
    "GaijiFile=$(BASE)\\qelgfont.xml\n"
    "GaijiMapFile=$(BASE)\\qelgmap.xml\n"
    "WordSearchHyoki=1\nEndWordSearchHyoki=1\nKeywordSearch=1\nComplexSearch=1\nDTTagIndex=1\ndelBlank=1\ndelSym=1\n"
    "Book=試験辞典;QEL;英和辞典;$(BASE)\\qelcopr.html;$(BASE)\\qelcmpl.xml;GAI16H00;GAI16F00;_;_;_;_;_;_;\n"
    "Source=$(BASE)\\qel.html;本文;_;HTML;\n"
    "Source=$(BASE)\\qelmenu1.html;図版;_;HTML;\n";

const char* const Body =
    "<html>\n<head>\n<title>Moravel Dictionary</title>\n</head>\n<body>\n<dl>\n"
    "<dt id=\"000001\">apple</dt>\n"
    "<key title=\"apple\" type=\"前方表記\">ａｐｐｌｅ</key>\n"
    "<key title=\"apple\" type=\"後方表記\">ａｐｐｌｅ</key>\n"
    "<key title=\"apple\" type=\"前方表記\">リンゴ</key>\n"
    "<key title=\"apple\" type=\"後方表記\">リンゴ</key>\n"
    "<dd><p>\n"
    "/&#x00E9;p/ <a href=\"snd/000/s.wav\">音</a><br>\n"
    "&#x1f09;&#x00;&#x02;<b>強調</b>H<sub>2</sub>O x<sup>2</sup><i>it</i><nobr>禁止</nobr>&#x3042;&#x2460;<br>\n"
    "&#x1f09;&#x00;&#x03;→<a href=\"#HL000001\">banana</a> <a href=\"#nowhere\">dead</a><br>\n"
    "<a name=\"F000000\"></a><img src=\"fig/pic.bmp\" alt=\"図1\"><br>\n"
    "<img src=\"../outside.bmp\" alt=\"外\">\n"
    "</p>\n<p>\n"
    "<key title=\"eat an &lt;apple&gt;\" type=\"条件\">ＥＡＴ</key>\n"
    "<key title=\"eat an &lt;apple&gt;\" type=\"条件\">ＡＮ</key>\n"
    "<key title=\"eat an &lt;apple&gt;\" type=\"条件\">ＡＰＰＬＥ</key>\n"
    "&#x1f09;&#x00;&#x02;<b>eat an apple</b>　食べる\n"
    "</p></dd>\n"
    "<a name=\"HL000002\"></a>\n"
    "<dt id=\"000002\">ba&#x00B7;na</dt>\n"
    "<key title=\"ba&#x00B7;na\" type=\"前方表記\">ＢＡＮＡＮＡ</key>\n"
    "<dd><p>\n<a name=\"HL000001\"></a>\n"
    "&#x1f09;&#x00;&#x02;バナナ &amp; &lt;果物&gt; &unknown; ｶﾅ<b>太字</i>\n"
    "</p></dd>\n</dl>\n</body>\n</html>\n";

const char* const Menu =
    "<html>\n<head>\n<title>図版</title>\n</head>\n<body>\n<h1>図版</h1>\n<h2>Ａ</h2>\n<p>\n"
    "<a href=\"qel.html#F000000\">apple</a><br>\n</p>\n</body>\n</html>\n";

const char* const Copyright = "<html>\n<head>\n<title>著作権表示</title>\n</head>\n<body>\n<p>\n試験 (C) 2026</p>\n</body>\n</html>\n";

const char* const Complex =
    "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\n<complex>\n <group name=\"成句検索\">\n"
    "  <keyword name=\"単語１\" />\n  <keyword name=\"単語２\" />\n  <keyword name=\"単語３\" />\n"
    "  <keyword name=\"単語４\" />\n  <keyword name=\"単語５\" />\n </group>\n <group name=\"空\">\n </group>\n</complex>\n";

// One narrow glyph (A121, a box) and one wide glyph (A221, a diagonal).
std::string gaiji_font() {
    std::string f = "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\n<gaijiData xml:space=\"preserve\">\n"
                    "<fontSet size=\"8X16\" start=\"A121\">\n<fontData ebcode=\"A121\" unicode=\"#x00E9\">\n";
    for (int row = 0; row < 16; ++row) f += (row == 0 || row == 15) ? "########\n" : "#      #\n";
    f += "</fontData>\n</fontSet>\n<fontSet size=\"16X16\" start=\"A221\">\n<fontData ebcode=\"A221\" unicode=\"#x00B7\">\n";
    for (int row = 0; row < 16; ++row) f += std::string(row, ' ') + "#" + std::string(15 - row, ' ') + "\n";
    return f + "</fontData>\n</fontSet>\n</gaijiData>\n";
}

const char* const GaijiMap =
    "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\n<gaijiSet>\n"
    "<gaijiMap unicode=\"#x00E9\" ebcode=\"A121\"/>\n<gaijiMap unicode=\"#x00B7\" ebcode=\"A221\"/>\n</gaijiSet>\n";

// A working directory with qelbook, its settings and the sources under src\.
struct Sources {
    TempDir home;
    std::string exe;
    Sources() {
        exe = install_program(QELBOOK_PATH, home.path);
        write_file(home.path + "/qelconv.ini", crlf("BASEPATH=src\\\nOUTPATH=book\\\nFIGURE=1\n"));
        shell("mkdir -p '" + home.path + "/src/fig' '" + home.path + "/src/snd/000'");
        put("qel.ebs", Project);
        put("qel.html", Body);
        put("qelmenu1.html", Menu);
        put("qelcopr.html", Copyright);
        put("qelcmpl.xml", Complex);
        put("qelgfont.xml", gaiji_font());
        put("qelgmap.xml", GaijiMap);
        write_file(home.path + "/src/fig/pic.bmp", tiny_bmp());
        write_file(home.path + "/src/snd/000/s.wav", wave(std::string("LIST\x04\x00\x00\x00INFO", 12)));
    }
    void put(const std::string& name, const std::string& text) {
        write_file(home.path + "/src/" + name, crlf(text));
    }
};

}  // namespace

#ifdef QEL_HAVE_LIBEB

namespace {

std::vector<EbHit> search(EbBook* book, const std::string& method, const std::vector<std::string>& words) {
    std::vector<EbHit> hits;
    EXPECT_TRUE(eb_search(book, method, words, &hits)) << method << ": " << eb_error(book);
    return hits;
}

std::string text_at(EbBook* book, EbPosition at) {
    std::string text;
    EXPECT_TRUE(eb_read_text_at(book, at, &text)) << eb_error(book);
    return text;
}

}  // namespace

TEST(QelbookRun, WritesABookThatReadersSearchAndShow) {
    Sources s;
    RunResult r = run_program(s.exe, s.home.path);
    ASSERT_EQ(r.exit_code, 0) << r.output;
    std::string error;
    EbBook* book = eb_open_book(s.home.path + "/book", &error);
    ASSERT_NE(book, nullptr) << error;

    EbBookInfo info;
    ASSERT_TRUE(eb_book_info(book, &info));
    EXPECT_EQ(info.disc, "EPWING");
    EXPECT_EQ(info.title, u8str(u8"試験辞典"));
    EXPECT_EQ(info.directory, "qel");
    EXPECT_EQ(info.methods, (std::vector<std::string>{"word", "endword", "exact", "keyword", "multi", "menu", "copyright"}));

    // Forward, backward and exact word search, katakana keys also in hiragana.
    std::vector<EbHit> apple = search(book, "word", {"app"});
    ASSERT_EQ(apple.size(), 1u);
    EXPECT_EQ(apple[0].heading_text, "<n>apple</n>");
    EXPECT_EQ(search(book, "word", {u8str(u8"りん")}).at(0).text, apple[0].text);
    EXPECT_EQ(search(book, "endword", {u8str(u8"ンゴ")}).at(0).text, apple[0].text);
    EXPECT_EQ(search(book, "exact", {"APPLE"}).size(), 1u);
    std::vector<EbHit> banana = search(book, "endword", {"na"});
    ASSERT_EQ(banana.size(), 1u);
    EXPECT_EQ(banana[0].heading_text, "<n>ba</n><gaiji zA221><n>na</n>");
    // The dt text is a key of its own (same entry, one hit).
    EXPECT_EQ(search(book, "word", {"ba"}).size(), 2u);

    // The entry's text with every kind of markup, its links resolved.
    std::string text = text_at(book, apple[0].text);
    std::string anchor = text.substr(text.find("</ref ") + 6);
    anchor = anchor.substr(0, anchor.find('>'));
    std::string graphic = text.substr(text.find("<bmp ") + 5);
    graphic = graphic.substr(0, graphic.find('>'));
    std::string sound = text.substr(text.find("<wave ") + 6);
    sound = sound.substr(0, sound.find('>'));
    EXPECT_EQ(text, u8str(u8"<indent 1><kw 0100><n>apple</n></kw><br>\n"
                          u8"<n>/<gaiji hA121>p/ </n><wave ") + sound + u8str(u8">音</wave><br>\n"
                          u8"<indent 2><em>強調</em><n>H</n><sub><n>2</n></sub><n>O x</n><sup><n>2</n></sup>"
                          u8"<deco 1><n>it</n></deco><nobr>禁止</nobr>あ〓<br>\n"
                          u8"<indent 3>→<ref><n>banana</n></ref ") + anchor + u8str(u8"><n> dead</n><br>\n"
                          u8"<bmp ") + graphic + u8str(u8">図<n>1</n></graphic><br>\n"
                          u8"外<br>\n"
                          u8"<indent 2><em><n>eat an apple</n></em>　食べる<br>\n<indent 1>"));
    // The link lands on its anchor, which opens the next entry's text: the
    // entry itself.
    int page = std::stoi(anchor), offset = std::stoi(anchor.substr(anchor.find(':') + 1));
    EXPECT_EQ((EbPosition{page, offset}), banana[0].text);
    EXPECT_NE(text_at(book, {page, offset}).find(u8str(u8"<br>\n<indent 2>バナナ<n> & <</n>果物<n>> &unknown; カナ</n><em>太字</em><br>\n")),
              std::string::npos)
        << text_at(book, {page, offset});

    // Keyword search lands on the idiom's own paragraph, titled by it.
    std::vector<EbHit> idiom = search(book, "keyword", {"eat", "apple"});
    ASSERT_EQ(idiom.size(), 1u);
    EXPECT_EQ(idiom[0].heading_text, "<n>eat an <apple></n>");
    EXPECT_EQ(text_at(book, idiom[0].text).find(u8str(u8"<indent 2><em><n>eat an apple</n></em>")), 0u);

    // Multi search: the group with fields, its labels, one to five words.
    std::vector<EbMulti> multis;
    ASSERT_TRUE(eb_multi_searches(book, &multis));
    ASSERT_EQ(multis.size(), 1u);
    EXPECT_EQ(multis[0].title, u8str(u8"成句検索"));
    ASSERT_EQ(multis[0].fields.size(), 5u);
    EXPECT_EQ(multis[0].fields[4].label, u8str(u8"単語５"));
    std::vector<EbHit> hits;
    EXPECT_TRUE(eb_search_multi(book, 0, {"", "apple", "", "", ""}, &hits));
    EXPECT_EQ(hits.size(), 1u);
    EXPECT_TRUE(eb_search_multi(book, 0, {"eat", "an", "apple", "ap", "e"}, &hits));
    EXPECT_EQ(hits.size(), 1u);
    EXPECT_TRUE(eb_search_multi(book, 0, {"eat", "banana", "", "", ""}, &hits));
    EXPECT_EQ(hits.size(), 0u);

    // Gaiji glyphs as the font file drew them.
    std::string glyph;
    ASSERT_TRUE(eb_glyph(book, true, 16, 0xA121, &glyph));
    EXPECT_EQ(glyph.substr(0, 3), std::string("\xff\x81\x81", 3));
    ASSERT_TRUE(eb_glyph(book, false, 16, 0xA221, &glyph));
    EXPECT_EQ(glyph.substr(0, 4), std::string("\x80\x00\x40\x00", 4));

    // Figure and sound come back as stored (the sound without its LIST chunk).
    std::string bytes;
    int gp = std::stoi(graphic), go = std::stoi(graphic.substr(graphic.find(':') + 1));
    ASSERT_TRUE(eb_color_graphic(book, {gp, go}, &bytes));
    EXPECT_EQ(bytes, tiny_bmp());
    int sp = std::stoi(sound), so = std::stoi(sound.substr(sound.find(':') + 1));
    std::string end = sound.substr(sound.find('-') + 1);
    ASSERT_TRUE(eb_wave(book, {sp, so}, {std::stoi(end), std::stoi(end.substr(end.find(':') + 1))}, &bytes));
    EXPECT_EQ(bytes, wave(""));

    // The menu lists the pages by title; the page links into the body.
    std::string menu;
    ASSERT_TRUE(eb_read_menu(book, &menu));
    EXPECT_EQ(menu.find(u8str(u8"<ref>図版</ref ")), 0u) << menu;
    std::string page_at = menu.substr(menu.find("</ref ") + 6);
    std::string page_text = text_at(book, {std::stoi(page_at), std::stoi(page_at.substr(page_at.find(':') + 1))});
    EXPECT_EQ(page_text.find(u8str(u8"<em>図版</em><br>\n<em>Ａ</em><br>\n<ref><n>apple</n></ref ")), 0u) << page_text;
    std::string copyright;
    ASSERT_TRUE(eb_read_copyright(book, &copyright));
    EXPECT_EQ(copyright, u8str(u8"試験<n> (C) 2026</n><br>\n"));
    eb_close_book(book);

    // Every fault met on the way is summed up; the details are in the log.
    EXPECT_NE(r.output.find("※ 書籍の文字集合にない文字 1 個を〓にしました"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("※ リンク先のないリンク 1 個を通常の文字列にしました"), std::string::npos);
    EXPECT_NE(r.output.find("※ 収録できない図版 1 個は説明文だけにしました"), std::string::npos);
    EXPECT_NE(r.output.find("※ 未知の文字参照 1 個を文字列のまま出力しました"), std::string::npos);
    EXPECT_NE(r.output.find("※ 対応する開始タグのない終了タグ 1 個を無視しました"), std::string::npos);
    EXPECT_NE(r.output.find("※ 閉じられていないタグ 1 個を閉じました"), std::string::npos);
    std::string log = read_file(s.home.path + "/qelconv.log");
    EXPECT_NE(log.find("図版 ../outside.bmp (書籍の元データのディレクトリの外を指しています)"), std::string::npos);
    EXPECT_NE(log.find("検索項目のないグループは複合検索にしません"), std::string::npos);
}

TEST(QelbookRun, ALinkToAnEmptyNameIsPlainText) {
    // The only link that leads nowhere: nothing else makes the sources be
    // read a second time (the menu page's anchor is there).
    Sources s;
    s.put("qel.html", "<dl>\n<dt id=\"a\">apple</dt>\n<key title=\"apple\" type=\"前方表記\">apple</key>\n"
                      "<dd><p>\n<a name=\"F000000\"></a>see <a href=\"#\">nothing</a>\n</p></dd>\n</dl>\n");
    RunResult r = run_program(s.exe, s.home.path);
    ASSERT_EQ(r.exit_code, 0) << r.output;
    EXPECT_NE(r.output.find("※ リンク先のないリンク 1 個を通常の文字列にしました"), std::string::npos) << r.output;
    std::string error;
    EbBook* book = eb_open_book(s.home.path + "/book", &error);
    ASSERT_NE(book, nullptr) << error;
    std::vector<EbHit> hits = search(book, "exact", {"apple"});
    ASSERT_EQ(hits.size(), 1u);
    EXPECT_EQ(text_at(book, hits[0].text), "<indent 1><kw 0100><n>apple</n></kw><br>\n<n>see nothing</n><br>\n");
    eb_close_book(book);
}

TEST(QelbookRun, TheFixerFindsNothingToPatch) {
    Sources s;
    ASSERT_EQ(run_program(s.exe, s.home.path).exit_code, 0);
    std::string before = read_file(s.home.path + "/book/qel/data/honmon");
    std::string fixer = install_program(QELMEND_PATH, s.home.path);
    RunResult r = run_program(fixer, s.home.path);
    EXPECT_EQ(r.exit_code, 0) << r.output;
    EXPECT_EQ(read_file(s.home.path + "/book/qel/data/honmon"), before);
}

#endif  // QEL_HAVE_LIBEB

TEST(QelbookRun, AFailedRunLeavesTheEarlierBookAsItWas) {
    Sources s;
    ASSERT_EQ(run_program(s.exe, s.home.path).exit_code, 0);
    std::string book = read_file(s.home.path + "/book/qel/data/honmon");
    std::string catalogs = read_file(s.home.path + "/book/catalogs");
    struct Case {
        const char* what;
        std::string file;      // under src/
        std::string content;   // written there; "-" removes the file
        const char* message;   // expected on the console
    };
    std::string project = Project;
    auto replaced = [&project](const char* from, const char* to) {
        std::string p = project;
        return p.replace(p.find(from), std::strlen(from), to);
    };
    const Case cases[] = {
        {"no project file", "qel.ebs", "-", "書籍定義ファイル src\\qel.ebs がオープンできません"},
        {"too few fields", "qel.ebs", replaced(";$(BASE)\\qelcopr.html;", "\n"), "Book= 行の項目が足りません"},
        {"directory too long", "qel.ebs", replaced(";QEL;", ";QELBOOK12;"), "1-8文字の英数字でなければなりません"},
        {"no Source line", "qel.ebs", project.substr(0, project.find("Source=")), "Source= 行がありません"},
        {"no body", "qel.html", "-", "HTMLファイル src\\qel.html がオープンできません"},
        {"no menu page", "qelmenu1.html", "-", "HTMLファイル src\\qelmenu1.html がオープンできません"},
        {"no gaiji font", "qelgfont.xml", "-", "qelgfont.xml"},
    };
    for (const Case& c : cases) {
        std::string path = s.home.path + "/src/" + c.file;
        std::string saved = read_file(path);
        if (c.content == "-")
            std::remove(path.c_str());
        else
            s.put(c.file, c.content);
        RunResult r = run_program(s.exe, s.home.path);
        EXPECT_EQ(r.exit_code, 1) << c.what;
        EXPECT_NE(r.output.find(c.message), std::string::npos) << c.what << ": " << r.output;
        EXPECT_NE(r.output.find("書籍の作成に失敗しました"), std::string::npos) << c.what;
        EXPECT_EQ(read_file(s.home.path + "/book/qel/data/honmon"), book) << c.what;
        EXPECT_EQ(read_file(s.home.path + "/book/catalogs"), catalogs) << c.what;
        EXPECT_FALSE(file_exists(s.home.path + "/book.qelbook-tmp")) << c.what;
        write_file(path, saved);
    }
    // An OUTPATH that names a file: nothing is replaced, the file stays.
    write_file(s.home.path + "/qelconv.ini", crlf("BASEPATH=src\\\nOUTPATH=taken\\\n"));
    write_file(s.home.path + "/taken", "mine");
    RunResult r = run_program(s.exe, s.home.path);
    EXPECT_EQ(r.exit_code, 1) << r.output;
    EXPECT_EQ(read_file(s.home.path + "/taken"), "mine");
    EXPECT_FALSE(file_exists(s.home.path + "/taken.qelbook-tmp"));
}

#ifdef QEL_HAVE_LIBEB
TEST(QelbookRun, LongKeysSharingLongBeginningsAreAllFound) {
    // 3000 keys of 100 characters that differ only in their last ones make a
    // tree of several levels whose separators are long.
    Sources s;
    std::string body = "<html><body><dl>\n";
    std::vector<std::string> words;
    for (int i = 0; i < 3000; ++i) {
        char tail[16];
        std::snprintf(tail, sizeof tail, "%05d", (i * 7919) % 100000);
        std::string word = std::string(95, 'k') + tail;
        words.push_back(word);
        body += "<dt id=\"e" + std::to_string(i) + "\">" + tail + "</dt>\n<key title=\"" + tail +
                "\" type=\"前方表記\">" + word + "</key>\n<dd><p>x</p></dd>\n";
    }
    // And one key far over the limit: kept by its first 127 characters.
    body += "<dt id=\"long\">long</dt>\n<key title=\"long\" type=\"後方表記\">" + std::string(300, 'z') +
            "end</key>\n<dd><p>y</p></dd>\n</dl></body></html>\n";
    s.put("qel.html", body);
    RunResult r = run_program(s.exe, s.home.path);
    ASSERT_EQ(r.exit_code, 0) << r.output;
    EXPECT_NE(r.output.find("※ 長すぎる検索語 1 個を切り詰めました"), std::string::npos);
    std::string error;
    EbBook* book = eb_open_book(s.home.path + "/book", &error);
    ASSERT_NE(book, nullptr) << error;
    for (size_t i = 0; i < words.size(); i += 7) {
        std::vector<EbHit> hits = search(book, "exact", {words[i]});
        ASSERT_EQ(hits.size(), 1u) << words[i];
        EXPECT_EQ(hits[0].heading_text, "<n>" + words[i].substr(95) + "</n>");
    }
    EXPECT_EQ(search(book, "word", {std::string(90, 'k')}).size(), 3000u);
    EXPECT_EQ(search(book, "endword", {"zzzend"}).size(), 1u);
    eb_close_book(book);
}
#endif

TEST(QelbookRun, ABodyReadInTwoHalvesGivesWhatAWholeReadingGives) {
    // Bodies over the size read in two halves, whose first line beginning
    // with "<dt " after the middle lies inside markup: a comment, a script,
    // an attribute value, or after the byte 0x1A that ends the body. Each is
    // read again with a link to a missing anchor in front, which makes the
    // writer read it whole, and both readings must count the same entries.
    auto entries = [](int from, int count) {
        std::string s;
        for (int i = from; i < from + count; ++i)
            s += " <dt id=\"f" + std::to_string(i) + "\">w" + std::to_string(i) + "</dt>\n<key type=\"前方表記\">ｗ" +
                 std::to_string(i) + "</key>\n<dd><p>text</p></dd>\n";
        return s;
    };
    // (The anchor the menu page links to is there, so that only the link in
    // front makes the writer read a body again.)
    const std::string first = "<a name=\"F000000\"></a>\n" + entries(0, 1000), rest = entries(1000, 700);
    const std::string bodies[] = {
        first + "<!--\n<dt id=\"ghost\">ghost</dt>\n-->\n" + rest,
        first + "<script>\n<dt id=\"code\">code</dt>\n</script>\n" + rest,
        first + "<img alt=\"one\n<dt id=&quot;x&quot;>\" src=\"fig/pic.bmp\">\n<dt id=\"real\">real</dt>\n" + rest,
        "<a name=\"F000000\"></a>\n" + entries(0, 700) + "\x1a" + entries(700, 300) + "\n<dt id=\"after\">after</dt><dd>x</dd>\n" + rest,
    };
    Sources s;
    for (const std::string& body : bodies) {
        std::string counts[2];
        for (int whole = 0; whole < 2; ++whole) {
            s.put("qel.html", (whole ? "<a href=\"#nowhere\">x</a>\n" : "") + body);
            RunResult r = run_program(s.exe, s.home.path);
            ASSERT_EQ(r.exit_code, 0) << r.output;
            size_t at = r.output.find("を作成しました (");
            ASSERT_NE(at, std::string::npos) << r.output;
            counts[whole] = r.output.substr(at, r.output.find(')', at) - at);
        }
        EXPECT_EQ(counts[0], counts[1]) << body.substr(body.size() / 2, 80);
    }
}
