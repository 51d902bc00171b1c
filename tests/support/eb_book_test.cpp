// The libeb reader against a reference book built with FreePWING from
// tests/data/refbook: what it reports must be what the book holds, so that
// the book writer's tests can trust it.
#include "support/eb_book.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "support/test_support.h"

#ifdef QEL_HAVE_LIBEB

using namespace qeltest;

namespace {

constexpr size_t Block = 2048;

bool have_authoring_tools(std::string& missing) {
    for (const char* tool : {"fpwmake", "perl", "make", "iconv"})
        if (shell(std::string("command -v ") + tool + " >/dev/null 2>&1") != 0) missing += std::string(" ") + tool;
    return missing.empty();
}

// The reference book, built once: `root` is the book directory (CATALOGS,
// qel/data/honmon, qel/gaiji/*), `source` the build directory with the
// original graphics and sound. `problem` says why there is none.
struct ReferenceBook {
    std::string root;
    std::string source;
    std::string problem;
    bool skip = false;
};

const ReferenceBook& reference_book() {
    static TempDir dir;
    static const ReferenceBook book = [] {
        ReferenceBook r;
        std::string missing;
        if (!have_authoring_tools(missing)) {
            r.skip = true;
            r.problem = "needs the EPWING authoring toolkit (freepwing); missing:" + missing;
            return r;
        }
        r.source = dir.path + "/src";
        r.root = dir.path + "/book";
        std::string log = dir.path + "/build.log";
        int status = shell("cp -R '" QEL_TEST_DATA_DIR "/refbook' '" + r.source + "' && chmod -R u+w '" + r.source +
                           "' && cd '" + r.source + "' && (fpwmake && fpwmake catalogs) > '" + log + "' 2>&1" +
                           " && mkdir -p '" + r.root + "/qel/data' '" + r.root + "/qel/gaiji'" +
                           " && cp catalogs '" + r.root + "/' && cp honmon '" + r.root + "/qel/data/'" +
                           " && cp gai16h gai16f gai24h gai24f '" + r.root + "/qel/gaiji/'");
        if (status != 0) r.problem = "building the reference book failed:\n" + read_file(log);
        return r;
    }();
    return book;
}

#define NEED_REFERENCE_BOOK(book)                               \
    const ReferenceBook& book = reference_book();               \
    if (book.skip) GTEST_SKIP() << book.problem;                \
    ASSERT_TRUE(book.problem.empty()) << book.problem

// One line per hit: text position, heading position, heading.
std::string listing(const std::vector<EbHit>& hits) {
    std::string s;
    for (const EbHit& h : hits)
        s += std::to_string(h.text.page) + ":" + std::to_string(h.text.offset) + " " +
             std::to_string(h.heading.page) + ":" + std::to_string(h.heading.offset) + " " + h.heading_text + "\n";
    return s;
}

// Opens a book for the test's lifetime.
struct OpenBook {
    explicit OpenBook(const std::string& path) : book(eb_open_book(path, &error)) {}
    ~OpenBook() { eb_close_book(book); }
    OpenBook(const OpenBook&) = delete;
    OpenBook& operator=(const OpenBook&) = delete;
    std::string error;
    EbBook* book;
};

void put_u16(std::string& s, size_t at, unsigned v) {
    s[at] = static_cast<char>(v >> 8);
    s[at + 1] = static_cast<char>(v);
}

void put_u32(std::string& s, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) s[at + i] = static_cast<char>(v >> (24 - 8 * i));
}

uint32_t get_u32(const std::string& s, size_t at) {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v = v << 8 | static_cast<unsigned char>(s[at + i]);
    return v;
}

// FreePWING writes no multi search; this appends one to `honmon`: a
// definition page with two fields that both use the word index, the second
// with a candidate list, the candidate page, and a search-title page.
// Returns the candidate page's block.
uint32_t add_multi_search(std::string& honmon) {
    uint32_t word_start = 0, word_blocks = 0;
    unsigned count = static_cast<unsigned char>(honmon[1]);
    for (unsigned i = 0; i < count; ++i)
        if (static_cast<unsigned char>(honmon[16 + 16 * i]) == 0x91) {
            word_start = get_u32(honmon, 16 + 16 * i + 2);
            word_blocks = get_u32(honmon, 16 + 16 * i + 6);
        }
    uint32_t multi_page = static_cast<uint32_t>(honmon.size() / Block) + 1;
    uint32_t candidate_page = multi_page + 1, title_page = multi_page + 2;

    std::string multi(Block, '\0');
    put_u16(multi, 0, 2);
    size_t at = 16;
    auto field = [&](const std::string& label, bool candidates) {
        multi[at] = candidates ? 2 : 1;
        multi.replace(at + 2, label.size(), label);
        at += 32;
        multi[at] = static_cast<char>(0x91);
        put_u32(multi, at + 2, word_start);
        put_u32(multi, at + 6, word_blocks);
        at += 16;
        if (candidates) {
            multi[at] = 0x01;
            put_u32(multi, at + 2, candidate_page);
            put_u32(multi, at + 6, 1);
            at += 16;
        }
    };
    field("\x31\x51\x38\x6C\x38\x2B\x3D\x50\x24\x37", false);         // 英語見出し
    field("\x46\x7C\x4B\x5C\x38\x6C\x38\x2B\x3D\x50\x24\x37", true);  // 日本語見出し

    std::string candidates = "\x1F\x02";
    for (const char* word : {"\x24\x6A\x24\x73\x24\x34", "\x24\x50\x24\x4A\x24\x4A", "\x24\x4D\x24\x33"})  // りんご ばなな ねこ
        candidates += "\x1F\x43" + std::string(word) + "\x1F\x63" + std::string(6, '\0') + "\x1F\x0A";
    candidates += "\x1F\x03";
    candidates.resize(Block, '\0');

    std::string titles(Block, '\0');
    put_u16(titles, 0, 5);
    put_u16(titles, 350, 2);  // the slot of multi search 1 is in use
    const std::string title = "\x31\x51\x4F\x42\x4A\x23\x39\x67\x38\x21\x3A\x77";  // 英和複合検索
    titles.replace(350 + 18, title.size(), title);

    using Entry = std::pair<int, uint32_t>;
    for (auto [id, page] : {Entry{0xFF, multi_page}, Entry{0x16, title_page}}) {
        size_t e = 16 + 16 * count++;
        honmon[e] = static_cast<char>(id);
        put_u32(honmon, e + 2, page);
        put_u32(honmon, e + 6, 1);
        honmon[e + 10] = 0x02;
    }
    honmon[1] = static_cast<char>(count);
    honmon += multi + candidates + titles;
    return candidate_page;
}

}  // namespace

TEST(EbBook, ReadsTheReferenceBook) {
    NEED_REFERENCE_BOOK(ref);
    OpenBook open(ref.root);
    ASSERT_NE(open.book, nullptr) << open.error;
    EbBook* book = open.book;

    // Book facts.
    EbBookInfo info;
    ASSERT_TRUE(eb_book_info(book, &info)) << eb_error(book);
    EXPECT_EQ(info.disc, "EPWING");
    EXPECT_EQ(info.character_code, "JIS X 0208");
    EXPECT_EQ(info.subbooks, 1);
    EXPECT_EQ(info.title, u8str(u8"試験用英和辞書２"));
    EXPECT_EQ(info.directory, "qel");
    EXPECT_EQ(info.methods, (std::vector<std::string>{"word", "endword", "exact", "keyword", "menu", "copyright"}));
    ASSERT_EQ(info.fonts.size(), 2u);
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(info.fonts[i].height, i == 0 ? 16 : 24);
        EXPECT_EQ(info.fonts[i].narrow_start, 0xA121);
        EXPECT_EQ(info.fonts[i].narrow_end, 0xA122);
        EXPECT_EQ(info.fonts[i].wide_start, 0xA121);
        EXPECT_EQ(info.fonts[i].wide_end, 0xA122);
    }
    EXPECT_EQ(eb_text_start(book), (EbPosition{2, 0}));

    // Searches: every hit with its heading, gaiji in the heading as tags.
    const std::string apple = u8str(u8"2:2 6:2 <n>apple </n>りんご<n><gaiji hA121></n><gaiji zA121>\n");
    struct Query {
        const char* method;
        std::vector<std::string> words;
        std::string hits;
    };
    const Query queries[] = {
        {"word", {"app"}, apple},
        {"word", {u8str(u8"アップル")}, apple},  // the katakana key
        {"word", {u8str(u8"あっぷる")}, apple},  // and its hiragana twin
        {"word", {"zzz"}, ""},
        {"endword", {u8str(u8"ご")}, u8str(u8"2:602 6:96 <n>egg </n>たまご\n") + apple},
        {"exact", {u8str(u8"りんご")}, apple},
        {"exact", {u8str(u8"りん")}, ""},
        {"keyword", {u8str(u8"りん"), "apple"}, apple},
        {"keyword", {u8str(u8"りんご"), "banana"}, ""},
    };
    for (const Query& q : queries) {
        std::vector<EbHit> hits;
        ASSERT_TRUE(eb_search(book, q.method, q.words, &hits)) << q.method << ": " << eb_error(book);
        EXPECT_EQ(listing(hits), q.hits) << q.method << " " << q.words[0];
    }

    // The first entry: every control code as a tag, up to the next entry's key.
    std::string text;
    ASSERT_TRUE(eb_read_text_at(book, {2, 2}, &text)) << eb_error(book);
    EXPECT_EQ(text, u8str(u8R"(<indent 1><kw 0100><n>apple</n></kw><br>
<indent 2>【りんご】バラ科の落葉高木、またその果実。<br>
<n>G:<gaiji hA121><gaiji hA122></n><gaiji zA121><gaiji zA122><br>
<em>強調</em><n>H</n><sub><n>2</n></sub><n>x</n><sup><n>2</n></sup><nobr>改行禁止</nobr><deco 1><n>it</n></deco><deco 3><n>bd</n></deco><br>
<bmp 10:0>図版<n>BMP</n></graphic><br>
<jpeg 10:254>図版<n>JPEG</n></graphic><br>
<wave 11:0-11:831>音声</wave><br>
<indent 3>→<ref>次の項目</ref 2:306><br>
<indent 1>)"));
    ASSERT_TRUE(eb_read_heading_at(book, {6, 96}, &text)) << eb_error(book);
    EXPECT_EQ(text, u8str(u8"<n>egg </n>たまご"));

    // Menu and copyright run to the end of their stream, past the first line.
    ASSERT_TRUE(eb_read_menu(book, &text)) << eb_error(book);
    EXPECT_EQ(text, u8str(u8"<indent 1>目次<br>\n<ref>最初の項目</ref 2:2><br>\n"));
    ASSERT_TRUE(eb_read_copyright(book, &text)) << eb_error(book);
    EXPECT_EQ(text, "<indent 1><n>Copyright: test data</n><br>\n");

    // Glyphs: the narrow 16-dot box (8 dots wide) and the wide 24-dot diagonal.
    std::string glyph;
    ASSERT_TRUE(eb_glyph(book, true, 16, 0xA121, &glyph)) << eb_error(book);
    EXPECT_EQ(glyph, "\xFF" + std::string(15, '\x80'));
    ASSERT_TRUE(eb_glyph(book, false, 24, 0xA122, &glyph)) << eb_error(book);
    std::string diagonal(24 * 3, '\0');
    for (int y = 0; y < 24; ++y) diagonal[y * 3 + y / 8] = static_cast<char>(0x80 >> (y % 8));
    EXPECT_EQ(glyph, diagonal);

    // Graphics and sound come back as the files that went in.
    std::string bytes;
    ASSERT_TRUE(eb_color_graphic(book, {10, 0}, &bytes)) << eb_error(book);
    EXPECT_TRUE(bytes == read_file(ref.source + "/pic1.bmp")) << bytes.size() << " bytes";
    ASSERT_TRUE(eb_color_graphic(book, {10, 254}, &bytes)) << eb_error(book);
    EXPECT_TRUE(bytes == read_file(ref.source + "/pic2.jpg")) << bytes.size() << " bytes";
    ASSERT_TRUE(eb_wave(book, {11, 0}, {11, 831}, &bytes)) << eb_error(book);
    EXPECT_TRUE(bytes == read_file(ref.source + "/beep.wav")) << bytes.size() << " bytes";
}

TEST(EbBook, MultiSearchWithCandidates) {
    NEED_REFERENCE_BOOK(ref);
    TempDir dir;
    std::string root = dir.path + "/book";
    ASSERT_EQ(shell("cp -R '" + ref.root + "' '" + root + "'"), 0);
    std::string honmon = read_file(root + "/qel/data/honmon");
    ASSERT_EQ(honmon.size() % Block, 0u);
    int candidate_page = static_cast<int>(add_multi_search(honmon));
    write_file(root + "/qel/data/honmon", honmon);

    OpenBook open(root);
    ASSERT_NE(open.book, nullptr) << open.error;
    EbBook* book = open.book;
    EbBookInfo info;
    ASSERT_TRUE(eb_book_info(book, &info)) << eb_error(book);
    EXPECT_EQ(info.methods,
              (std::vector<std::string>{"word", "endword", "exact", "keyword", "multi", "menu", "copyright"}));

    std::vector<EbMulti> multis;
    ASSERT_TRUE(eb_multi_searches(book, &multis)) << eb_error(book);
    ASSERT_EQ(multis.size(), 1u);
    EXPECT_EQ(multis[0].title, u8str(u8"英和複合検索"));
    ASSERT_EQ(multis[0].fields.size(), 2u);
    EXPECT_EQ(multis[0].fields[0].label, u8str(u8"英語見出し"));
    EXPECT_FALSE(multis[0].fields[0].has_candidates);
    EXPECT_EQ(multis[0].fields[1].label, u8str(u8"日本語見出し"));
    ASSERT_TRUE(multis[0].fields[1].has_candidates);
    EXPECT_EQ(multis[0].fields[1].candidates, (EbPosition{candidate_page, 0}));

    std::string text;
    ASSERT_TRUE(eb_read_text_at(book, multis[0].fields[1].candidates, &text)) << eb_error(book);
    EXPECT_EQ(text, u8str(u8"<cand>りんご</cand leaf><br>\n<cand>ばなな</cand leaf><br>\n<cand>ねこ</cand leaf><br>\n"));

    // A field without candidates matches prefixes, one with candidates only
    // whole words; "" leaves a field out; the fields are combined with AND.
    const std::string apple = u8str(u8"2:2 6:2 <n>apple </n>りんご<n><gaiji hA121></n><gaiji zA121>\n");
    struct Query {
        std::vector<std::string> fields;
        std::string hits;
    };
    const Query queries[] = {
        {{"apple", u8str(u8"りんご")}, apple},
        {{"app", ""}, apple},
        {{"", u8str(u8"りん")}, ""},
        {{"banana", u8str(u8"りんご")}, ""},
    };
    for (const Query& q : queries) {
        std::vector<EbHit> hits;
        ASSERT_TRUE(eb_search_multi(book, 0, q.fields, &hits)) << eb_error(book);
        EXPECT_EQ(listing(hits), q.hits) << q.fields[0] << " / " << q.fields[1];
    }
    std::vector<EbHit> hits;
    EXPECT_FALSE(eb_search_multi(book, 0, {"", ""}, &hits));  // no word at all
    EXPECT_FALSE(eb_search_multi(book, 1, {"apple"}, &hits));  // no such multi search
}

TEST(EbBook, ReportsFailures) {
    NEED_REFERENCE_BOOK(ref);
    TempDir empty;
    std::string error;
    EXPECT_EQ(eb_open_book(empty.path, &error), nullptr);
    EXPECT_NE(error.find("eb_bind"), std::string::npos) << error;

    OpenBook open(ref.root);
    ASSERT_NE(open.book, nullptr) << open.error;
    EbBook* book = open.book;
    std::string out = "untouched";
    std::vector<EbHit> hits;

    // Text past the end of the file is an error, not an empty text.
    EXPECT_FALSE(eb_read_text_at(book, {1000, 0}, &out));
    EXPECT_FALSE(eb_error(book).empty());
    // Codes outside the font, heights the book has not.
    EXPECT_FALSE(eb_glyph(book, true, 16, 0xA123, &out));
    EXPECT_FALSE(eb_glyph(book, false, 48, 0xA121, &out));
    // A word with no EUC-JP form is refused rather than searched for mangled.
    EXPECT_FALSE(eb_search(book, "word", {u8str(u8"\U0001F34E")}, &hits));
    EXPECT_NE(eb_error(book).find("EUC-JP"), std::string::npos) << eb_error(book);
    // Sound whose end lies before its start.
    EXPECT_FALSE(eb_wave(book, {11, 831}, {11, 0}, &out));
    EXPECT_EQ(out, "untouched");

    // The book still reads after the failures.
    ASSERT_TRUE(eb_search(book, "exact", {"apple"}, &hits)) << eb_error(book);
    EXPECT_EQ(hits.size(), 1u);
}

#else

TEST(EbBook, NeedsLibeb) {
    GTEST_SKIP() << "libeb (libeb16-dev) was not found when the tests were configured";
}

#endif
