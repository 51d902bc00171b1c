// The HTML reader over the sources: tags, attributes and text runs, and runs
// that cross the reader's window without splitting a character or an entity.
#include "book/html_reader.h"

#include <gtest/gtest.h>

#include <string>

#include "support/test_support.h"

using namespace qel;
using namespace qeltest;

namespace {

// The tokens of `text` as one readable line each.
std::string tokens_of(const std::string& text) {
    HtmlReader r;
    open_html_text(r, text.data(), text.size(), "t");
    HtmlToken t;
    std::string out;
    while (next_html_token(r, t) != HTML_END) {
        out += std::to_string(t.line) + " ";
        if (t.kind == HTML_TEXT) {
            out += "text[" + std::string(t.text, t.length) + "]\n";
            continue;
        }
        out += (t.kind == HTML_END_TAG ? "/" : "") + std::string(t.name);
        for (int i = 0; i < t.attribute_count; ++i)
            out += " " + std::string(t.attributes[i].name) + "=" + std::string(t.attributes[i].value);
        out += "\n";
    }
    out += "bad " + std::to_string(r.bad_tags) + "\n";
    close_html(r);
    return out;
}

}  // namespace

TEST(HtmlReader, TagsAttributesAndTextRuns) {
    EXPECT_EQ(tokens_of("<!-- c --><DT ID=\"x1\">a&amp;b</dt>\n<key title='t \"q\"' type=前方>k</key>"
                        "<br/><a name=n href=\"#h\">< 1 <</a><bad\n"),
              "1 dt ID=x1\n1 text[a&amp;b]\n1 /dt\n1 text[\n]\n2 key title=t \"q\" type=前方\n2 text[k]\n"
              "2 /key\n2 br\n2 a name=n href=#h\n2 text[< 1 ]\n2 text[<]\n2 /a\n2 text[<bad\n]\nbad 1\n");
}

TEST(HtmlReader, EntitiesAndReferences) {
    struct Case {
        const char* text;
        size_t taken;
        uint32_t code_point;
    };
    const Case cases[] = {
        {"&amp;x", 5, '&'},        {"&lt;", 4, '<'},           {"&#x1f09;", 8, 0x1F09},
        {"&#12354;", 8, 0x3042},   {"&nbsp;", 6, ' '},         {"&unknown;", 9, UnknownEntity},
        {"&#xD800;", 8, UnknownEntity}, {"&#x110000;", 10, UnknownEntity}, {"& x", 0, 0},
        {"&#x;", 0, 0},            {"&amp", 0, 0},
    };
    for (const Case& c : cases) {
        uint32_t cp = 0;
        std::string text = c.text;
        EXPECT_EQ(decode_entity(text.data(), text.data() + text.size(), &cp), c.taken) << c.text;
        if (c.taken) {
            EXPECT_EQ(cp, c.code_point) << c.text;
        }
    }
}

TEST(HtmlReader, LongRunsCrossTheWindowWhole) {
    // Three megabytes without a "<": two-byte characters and entities at every
    // possible place relative to the window's end.
    std::string line;
    while (line.size() < (3u << 20)) line += "あ&#x00E9;b";
    std::string text = "<p>" + line + "</p>";
    TempDir dir;
    write_file(dir.path + "/big.html", text);
    HtmlReader r;
    ASSERT_EQ(open_html(r, dir.path + "/big.html"), 0);
    HtmlToken t;
    std::string joined;
    int runs = 0;
    while (next_html_token(r, t) != HTML_END) {
        if (t.kind != HTML_TEXT) continue;
        joined.append(t.text, t.length);
        // Each run ends after a whole "あ", entity or "b" of the 11-byte unit.
        size_t cut = joined.size() % 11;
        EXPECT_TRUE(cut == 0 || cut == 2 || cut == 10) << "run " << runs << " ends at " << cut;
        ++runs;
    }
    close_html(r);
    EXPECT_EQ(joined, line);
    EXPECT_GT(runs, 2);
}
