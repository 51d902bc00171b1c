// qelbook on dictionaries generated and converted by qelconv, checked through
// the EB library for what a reader relies on: every search key of the body
// finds its entry under its title, keyword hits land on their idioms, every
// reference leads to the start of an entry or of a line, and the fixer finds
// nothing to change.
#include <gtest/gtest.h>

#include <iconv.h>

#include <cstring>
#include <regex>
#include <string>
#include <vector>

#include "support/test_support.h"
#ifdef QEL_HAVE_LIBEB
#include "support/eb_book.h"
#endif

using namespace qeltest;

#ifdef QEL_HAVE_LIBEB

namespace {

const std::string Generator = std::string(QEL_TOOLS_DIR) + "/qelsample";

// Shift_JIS text of the sources as UTF-8, read as JIS X 0208 the way the
// reader shows it (0x817C is U+2212, not U+FF0D).
std::string utf8(const std::string& sjis) {
    iconv_t cd = iconv_open("UTF-8", "SHIFT_JIS");
    std::string out(sjis.size() * 3 + 4, '\0');
    char* in = const_cast<char*>(sjis.data());
    size_t in_left = sjis.size(), out_left = out.size();
    char* o = out.data();
    iconv(cd, &in, &in_left, &o, &out_left);
    iconv_close(cd);
    out.resize(out.size() - out_left);
    return out;
}

// Text without markup: tags and character references dropped, the five
// named entities decoded. Applied to the sources and to what the reader shows.
std::string bare(const std::string& text) {
    std::string t = std::regex_replace(text, std::regex("<[^>]*>|&#x[0-9A-Fa-f]+;"), "");
    const std::pair<const char*, const char*> named[] = {
        {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&apos;", "'"}, {"&amp;", "&"}};
    for (const auto& [entity, plain] : named)
        for (size_t at; (at = t.find(entity)) != std::string::npos;) t.replace(at, std::strlen(entity), plain);
    return t;
}

struct Key {
    std::string type;   // 前方表記, 後方表記 or 条件 (Shift_JIS)
    std::string title;  // as the source writes it
    std::string word;   // the key text (Shift_JIS)
    std::string entry;  // the dt text of its entry
};

// The keys of qel.html with the entry each follows.
std::vector<Key> body_keys(const std::string& html) {
    std::vector<Key> keys;
    std::regex item("<dt id=\"[^\"]*\">([^\r\n]*)</dt>|<key title=\"([^\"]*)\" type=\"([^\"]*)\">([^<]*)</key>");
    std::string entry;
    for (std::sregex_iterator i(html.begin(), html.end(), item), end; i != end; ++i) {
        if ((*i)[1].matched)
            entry = (*i)[1];
        else
            keys.push_back({(*i)[3], (*i)[2], (*i)[4], entry});
    }
    return keys;
}

// What a link to anchor `name` should show first: the text of the body that
// follows the anchor (other anchors, keys and paragraph edges passed over),
// or "" when that is the start of an entry.
std::string anchored_text(const std::string& html, const std::string& name) {
    size_t at = html.find("<dt id=\"" + name + "\">");
    if (at != std::string::npos) return "";
    at = html.find("<a name=\"" + name + "\"></a>");
    if (at == std::string::npos) return "?";
    std::regex skip("^(\\s|<a name=\"[^\"]*\"></a>|<key [^>]*>[^<]*</key>|</?p>|</dd>)+");
    std::smatch m;
    std::string rest = html.substr(at + name.size() + 15, 2000);
    if (std::regex_search(rest, m, skip)) rest = rest.substr(static_cast<size_t>(m.length(0)));
    if (rest.rfind("<dt", 0) == 0) return "";
    // A figure shows its caption.
    if (std::regex_search(rest, m, std::regex("^<img [^>]*alt=\"([^\"]*)\">"))) return bare(utf8(m[1]));
    return bare(utf8(rest.substr(0, rest.find_first_of("\r\n"))));
}

std::vector<EbPosition> references_in(const std::string& text) {
    std::vector<EbPosition> targets;
    std::regex ref("</ref ([0-9]+):([0-9]+)>");
    for (std::sregex_iterator i(text.begin(), text.end(), ref), end; i != end; ++i)
        targets.push_back({std::stoi((*i)[1]), std::stoi((*i)[2])});
    return targets;
}

// Generates and converts a sample, makes its book and opens it.
struct SampleBook {
    TempDir dir;
    std::string html;
    RunResult run;
    EbBook* book = nullptr;
    std::string path(const std::string& name) const { return dir.path + "/" + name; }
    explicit SampleBook(const std::string& settings) {
        EXPECT_EQ(shell("'" + Generator + "' --records 150 --seed 11 '" + dir.path + "' > /dev/null"), 0);
        install_program(QELCONV_PATH, dir.path);
        install_program(QELBOOK_PATH, dir.path);
        write_file(path("qelconv.ini"), crlf("BASEPATH=src\\\nOUTPATH=book\\\nDICPATH=dic\\\nDATAPATH=data\\\n"
                                             "SORTCMD=/usr/bin/sort\n" + settings));
        EXPECT_EQ(run_program(path("qelconv"), dir.path).exit_code, 0);
        html = read_file(path("src/qel.html"));
        run = run_program(path("qelbook"), dir.path);
        std::string error;
        book = eb_open_book(path("book"), &error);
        EXPECT_NE(book, nullptr) << error << run.output;
    }
    ~SampleBook() { eb_close_book(book); }
};

}  // namespace

TEST(QelbookSample, EveryKeyFindsItsEntryUnderItsTitle) {
    SampleBook s("QUICKJUMP=1\nQUICKRET=1\nITALIC=1\nFIGURE=0\nSOUND=0\n");
    ASSERT_EQ(s.run.exit_code, 0) << s.run.output;
    ASSERT_NE(s.book, nullptr);
    std::vector<Key> keys = body_keys(s.html);
    ASSERT_GT(keys.size(), 500u);
    int checked = 0;
    for (size_t k = 0; k < keys.size(); ++k) {
        const Key& key = keys[k];
        std::string word = utf8(key.word), title = bare(utf8(key.title));
        std::vector<EbHit> hits;
        if (key.type == "条件") {
            // All the words of one idiom together, searched once.
            std::vector<std::string> words{word};
            while (k + 1 < keys.size() && keys[k + 1].type == key.type && keys[k + 1].title == key.title &&
                   words.size() < 5)
                words.push_back(utf8(keys[++k].word));
            ASSERT_TRUE(eb_search(s.book, "keyword", words, &hits)) << eb_error(s.book);
        } else {
            // A backward key is searched by its last characters.
            std::string method = key.type == "前方表記" ? "word" : "endword";
            ASSERT_TRUE(eb_search(s.book, method, {word}, &hits)) << eb_error(s.book);
        }
        bool found = false;
        for (const EbHit& hit : hits) {
            if (bare(hit.heading_text) != title) continue;
            std::string text;
            ASSERT_TRUE(eb_read_text_at(s.book, hit.text, &text)) << eb_error(s.book);
            bool at_entry = text.rfind("<indent 1><kw 0100>", 0) == 0;
            if (key.type == "条件")
                found = !at_entry && bare(text).find(title) == 0;
            else
                found = at_entry && bare(text.substr(0, text.find("</kw>"))) == bare(utf8(key.entry));
            if (found) break;
        }
        EXPECT_TRUE(found) << key.word << " (" << key.type << ") under " << key.title;
        ++checked;
    }
    EXPECT_GT(checked, 300);
}

TEST(QelbookSample, ReferencesLeadToEntriesOrLinesAndTheFixerChangesNothing) {
    SampleBook s("QUICKJUMP=4\nQUICKRET=1\nFIGURE=1\nJPEG=0\nSOUND=1\nMACINTOSH=0\n");
    ASSERT_EQ(s.run.exit_code, 0) << s.run.output;
    ASSERT_NE(s.book, nullptr);
    // Every entry is reached through its first forward key; every reference
    // of its text shows what follows its anchor in the body.
    std::vector<Key> keys = body_keys(s.html);
    int references = 0;
    std::string last;
    std::regex href("href=\"#([^\"]+)\"");
    for (const Key& key : keys) {
        if (key.type != "前方表記" || key.entry == last) continue;
        last = key.entry;
        std::vector<EbHit> hits;
        ASSERT_TRUE(eb_search(s.book, "exact", {utf8(key.word)}, &hits)) << eb_error(s.book);
        size_t h = 0;
        while (h < hits.size() && bare(hits[h].heading_text) != bare(utf8(key.title))) ++h;
        ASSERT_LT(h, hits.size()) << key.word;
        std::string text;
        ASSERT_TRUE(eb_read_text_at(s.book, hits[h].text, &text));
        // The links of the entry in the body, in order.
        size_t from = s.html.find("\">" + key.entry + "</dt>");
        size_t to = s.html.find("<dt id=", from);
        std::string source = s.html.substr(from, to == std::string::npos ? std::string::npos : to - from);
        std::vector<std::string> anchors;
        for (std::sregex_iterator i(source.begin(), source.end(), href), end; i != end; ++i) anchors.push_back((*i)[1]);
        std::vector<EbPosition> targets = references_in(text);
        ASSERT_EQ(targets.size(), anchors.size()) << key.entry;
        for (size_t r = 0; r < targets.size(); ++r) {
            std::string there, expected = anchored_text(s.html, anchors[r]);
            ASSERT_TRUE(eb_read_text_at(s.book, targets[r], &there)) << targets[r];
            if (expected.empty())
                EXPECT_EQ(there.rfind("<indent 1><kw 0100>", 0), 0u) << anchors[r] << " [" << expected << "]: " << there;
            else
                EXPECT_EQ(bare(there).rfind(expected.substr(0, 12), 0), 0u) << anchors[r] << ": " << there;
            ++references;
        }
    }
    EXPECT_GT(references, 100);
    // The figures and sounds were never converted: their captions stay, and
    // the run says so.
    EXPECT_NE(s.run.output.find("個は説明文だけにしました"), std::string::npos);
    std::string before = read_file(s.path("book/qel/data/honmon"));
    install_program(QELMEND_PATH, s.dir.path);
    EXPECT_EQ(run_program(s.path("qelmend"), s.dir.path).exit_code, 0);
    EXPECT_EQ(read_file(s.path("book/qel/data/honmon")), before);
}

#endif  // QEL_HAVE_LIBEB
