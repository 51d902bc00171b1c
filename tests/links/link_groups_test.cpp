// Link groups and anchors during the body conversion, and the agreement of
// the hyperlink pass with the body's link numbering.
#include "links/link_groups.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/report.h"
#include "html/inline.h"
#include "platform/platform.h"
#include "support/test_support.h"
#include "text/main_text.h"
#include "text/sjis.h"

using namespace qel;
using qeltest::lf;
using qeltest::read_file;
using qeltest::TempDir;
using qeltest::write_file;

namespace {

struct LinkGroups : testing::Test {
    TempDir dir;
    File* data = nullptr;
    LinkGroupReader reader;
    void SetUp() override {
        dir.enter();
        set_console_transcoding(0);
    }
    void TearDown() override {
        close_link_data(data);
        set_console_transcoding(-1);
    }
    // Writes `text` as hyperlnk.dat (stored with CR LF) and opens it.
    void open_data(const std::string& text) {
        write_file(SortedLinkTableName, qeltest::crlf(text));
        data = open_link_data(SortedLinkTableName);
        ASSERT_NE(data, nullptr);
    }
};

// One hyperlnk.dat line.
std::string data_line(const char* target, int serial, const std::string& description) {
    char head[64];
    std::snprintf(head, sizeof head, "%8s|HL%06d|", target, serial);
    return head + description + "|1|key|(x)\n";
}

// The anchor line of a serial number.
std::string anchor(int serial) {
    char text[64];
    std::snprintf(text, sizeof text, "<a name=\"HL%06d\"></a>\n", serial);
    return text;
}

}  // namespace

TEST_F(LinkGroups, GroupsFollowTheTargetEntry) {
    open_data(data_line("7", 1, "TR::1::") + data_line("7", 2, "OT1::::") + data_line("12", 3, "TR::2::") +
              data_line("12345678", 4, "PS:n.:::"));
    // 1. Leading blanks go; lines of one target form one group.
    ASSERT_STREQ(load_link_group(reader, data), "7");
    std::string held;
    place_anchors(reader, held, FT_OT1, nullptr, -1, -1, nullptr);
    place_anchors(reader, held, FT_TR, nullptr, 1, -1, nullptr);
    EXPECT_EQ(held, anchor(2) + anchor(1));
    // 2. The next groups, then none, and none again.
    ASSERT_STREQ(load_link_group(reader, data), "12");
    ASSERT_STREQ(load_link_group(reader, data), "12345678");
    EXPECT_EQ(load_link_group(reader, data), nullptr);
    EXPECT_EQ(load_link_group(reader, data), nullptr);
    // 3. After the end nothing of the last group is left to place.
    held.clear();
    place_anchors(reader, held, FT_PS, "n.", -1, -1, nullptr);
    EXPECT_EQ(held, "");
}

TEST_F(LinkGroups, PlacingRules) {
    open_data(data_line("5", 1, "TR::2::") + data_line("5", 2, "TRSUB::2:1:") + data_line("5", 3, "TR:v.:3::") +
              data_line("5", 4, "TR::3::") + data_line("5", 5, "KEYID::::take a #41#look") +
              data_line("5", 6, "TLSUB::::[of]") + data_line("5", 7, "OT2:n.:::"));
    ASSERT_STREQ(load_link_group(reader, data), "5");
    std::string held;
    // 1. TR::2:: needs number 2 and takes any sub-number; not kind TRSUB.
    place_anchors(reader, held, FT_TR, nullptr, 3, -1, nullptr);
    EXPECT_EQ(held, anchor(4));  // TR:v.:3:: has a part of speech, none given
    held.clear();
    place_anchors(reader, held, FT_TRSUB, nullptr, 2, 5, nullptr);
    place_anchors(reader, held, FT_TR, nullptr, -1, -1, nullptr);
    EXPECT_EQ(held, "");
    place_anchors(reader, held, FT_TR, nullptr, 2, 7, nullptr);
    EXPECT_EQ(held, anchor(1));
    // 2. TRSUB::2:1: only with kind TRSUB, number 2 and sub-number 1.
    held.clear();
    place_anchors(reader, held, FT_TRSUB, nullptr, 2, 1, nullptr);
    EXPECT_EQ(held, anchor(2));
    // 3. A part of speech is found anywhere in the current one.
    held.clear();
    place_anchors(reader, held, FT_TR, "adj.", 3, -1, nullptr);
    EXPECT_EQ(held, "");
    place_anchors(reader, held, FT_TR, "(v.t.)", 3, -1, nullptr);
    EXPECT_EQ(held, anchor(3));
    // 4. Idioms compare without blanks and gaiji references; other kinds
    //    compare their text exactly.
    held.clear();
    place_anchors(reader, held, FT_KEYID, nullptr, -1, -1, nullptr);
    place_anchors(reader, held, FT_TLSUB, nullptr, -1, -1, "[of ]");
    EXPECT_EQ(held, "");
    place_anchors(reader, held, FT_KEYID, "n.", 4, 2, "take a look");
    place_anchors(reader, held, FT_TLSUB, nullptr, -1, -1, "[of]");
    EXPECT_EQ(held, anchor(5) + anchor(6));
    // 5. Placed anchors are not placed twice; the rest is reported and written
    //    at the end, after one "<br>".
    place_anchors(reader, held, FT_TR, nullptr, 2, -1, nullptr);
    EXPECT_EQ(held, anchor(5) + anchor(6));
    report_unplaced_targets(reader);
    EXPECT_EQ(lf(read_file(LogFileName)),
              "飛び先不明のため項目末尾にハイパーリンクのアンカーを生成しました\n"
              "  項目番号=5, リンク=\"OT2:n.:::\"\n");
    File* body = file_open("body.html", FILE_WRITE_TEXT);
    int line_open = 1;
    EXPECT_EQ(write_unplaced_anchors(reader, body, line_open), 1);
    EXPECT_EQ(line_open, 0);
    EXPECT_EQ(write_unplaced_anchors(reader, body, line_open), 0);
    file_close(body);
    EXPECT_EQ(lf(read_file("body.html")), "<br>\n" + anchor(7));
    // 6. Nothing unplaced: nothing logged.
    report_unplaced_targets(reader);
    EXPECT_EQ(lf(read_file(LogFileName)).size(),
              std::string("飛び先不明のため項目末尾にハイパーリンクのアンカーを生成しました\n"
                          "  項目番号=5, リンク=\"OT2:n.:::\"\n")
                  .size());
}

TEST_F(LinkGroups, GroupsAndLinesOfAnySize) {
    // 1. 500 targets with long idiom texts in one group, one line of 6000
    //    bytes, and a line whose text holds a "|" as a second byte.
    std::string text;
    std::string idiom(6000, 'i');
    std::string po = "\x83\x7C";  // ポ: second byte "|"
    for (int i = 1; i <= 500; ++i) text += data_line("3", i, "KEYID::::idiom " + std::to_string(i) + " " + idiom);
    text += data_line("3", 501, "TLSUB::::[" + po + "]");
    text += data_line("4", 502, "TR::1::");
    open_data(text);
    ASSERT_STREQ(load_link_group(reader, data), "3");
    std::string held;
    // 2. The last idiom (longer than 127 bytes) is found by its whole text.
    std::string match = "idiom 500 " + idiom;
    place_anchors(reader, held, FT_KEYID, nullptr, -1, -1, match.c_str());
    EXPECT_EQ(held, anchor(500));
    match = "[" + po + "]";
    place_anchors(reader, held, FT_TLSUB, nullptr, -1, -1, match.c_str());
    EXPECT_EQ(held, anchor(500) + anchor(501));
    File* body = file_open("body.html", FILE_WRITE_TEXT);
    int line_open = 0;
    EXPECT_EQ(write_unplaced_anchors(reader, body, line_open), 499);
    file_close(body);
    ASSERT_STREQ(load_link_group(reader, data), "4");
}

TEST(LinkText, IndentAndSqueeze) {
    EXPECT_EQ(indent_text(1), "&#x1f09;&#x00;&#x02;");
    EXPECT_EQ(indent_text(2), "&#x1f09;&#x00;&#x03;");
    std::string out;
    // Blanks and gaiji references go; a two-byte character stays whole even
    // when its second byte is a blank-like byte; a "#" too close to the end
    // ends the text.
    EXPECT_EQ(squeeze_text(out, "a b#41#c\x83\x40" "d"), "abc\x83\x40" "d");
    EXPECT_EQ(squeeze_text(out, "ab#4"), "ab");
    EXPECT_EQ(squeeze_text(out, ""), "");
}

// The hyperlink pass and the body's conversion with links on must number the
// same links in the same order: the n-th numbered link of the body points at
// anchor n of the table.
TEST(LinkNumbering, PassAndBodyAgree) {
    const std::vector<std::string> values = {
        "<CMT>x <HL>a:1:1</HL></CMT> <HL>b:2:1</HL>",
        "<CMT>open <HL>a:1:1</HL>",
        "see <SC>w</SC>:3:1</HL> and <SC>v</SC>:4:1</HL>",
        "w:3:1</HL>",
        "a:1</HL> b:2:2</HL>",
        "<HL>t:16</HL> <HL>u</HL> <HL>v:17:2</HL>",
        "<HL>x:abc:1</HL> <HL>y:5:zz</HL> <HL>z:5:null:null:null</HL> <HL>q:5:2</HL>",
        "<HL>w:18:2",
        "<HL>w:19",
        "<B<HL>m:1:1</HL>",
        "<HL>a<HL>b:1:1</HL>",
        "<HL>a</HL>b:1:2</HL>",
        "<SC>a:1</SC>:2:3</HL>",
        "x</HL",
        "<HL>a:1:2</HL>z:21:3</HL>",
        "<CMT>x</HL></CMT>a:1:2</HL>",
        "</HL></HL><HL>c:1:1</HL>",
        "<SC>x</SC><HL>y:1:1</HL>:2:2</HL>",
        "a\xA5<HL>b:1:1</HL>#4<#HL>c:1:1</HL>",
        "\x82<HL>m:1:1</HL><HL>n:2:1</HL>",
        "<G5>A<HL>B:1:1</HL></G5>",
        "<HL>t:0:\"idiom\"</HL><HL>u:0:DR:\"d\"</HL><HL>v:0:◇:[x]</HL>",
    };
    const std::vector<std::string> examples = {
        "e <HL>a:1:1</HL> <OBJ>t <HL>b:2:1</HL>",
        "<HL>a <OBJ>:1:1</HL> tail",
        "<SC>e</SC> <OBJ><SC>t</SC>:1:1</HL>",
        "no object <HL>c:1:1</HL>",
    };

    TempDir dir;
    dir.enter();
    set_console_transcoding(0);
    for (int complex = 0; complex <= 1; ++complex) {
        ConversionSettings settings;
        settings.DICPATH = "";
        settings.SORTCMD = "/usr/bin/sort";
        settings.COMPLEX = complex;

        // One entry per value, numbered by its position, so table lines can
        // be counted per value.
        std::string stored;
        std::vector<std::pair<std::string, std::string>> fields;  // tag, value
        for (const std::string& v : values) fields.push_back({"TR1", v});
        for (const std::string& v : examples) fields.push_back({"EX", v});
        for (std::size_t i = 0; i < fields.size(); ++i) {
            std::string lines = "RA=\nRN=" + std::to_string(i + 1) + "\nEN=h|h\n" + fields[i].first + "=" +
                                fields[i].second + "\n";
            for (char c : lines) stored.push_back(static_cast<char>(c == '\n' ? 0xF5 : ~static_cast<unsigned char>(c)));
        }
        write_file("main.txt", stored);
        testing::internal::CaptureStdout();
        int pass_count = 0;
        ASSERT_EQ(build_link_table(settings, pass_count), 0);
        testing::internal::GetCapturedStdout();
        std::string table = lf(read_file(LinkTableName));

        // The body: each value converted with links on; with complex search
        // an example's text before " <OBJ>" takes the plain form.
        const GaijiCodes gaiji;
        InlineConversion conversion;
        conversion.gaiji = &gaiji;
        int expected_serial = 1;
        for (std::size_t i = 0; i < fields.size(); ++i) {
            const std::string& v = fields[i].second;
            std::string out, plain;
            std::size_t object = v.find(" <OBJ>");
            testing::internal::CaptureStdout();
            if (fields[i].first == "EX" && complex && object != std::string::npos) {
                convert_plain(plain, gaiji, v.substr(0, object).c_str());
                convert_inline(conversion, out, v.c_str() + object + 6, std::to_string(i + 1).c_str(), "", 1, 0);
            } else {
                convert_inline(conversion, out, v.c_str(), std::to_string(i + 1).c_str(), "", 1, 0);
            }
            testing::internal::GetCapturedStdout();

            // Every table line of this entry has the number the body gave.
            std::string source = "|" + std::to_string(i + 1) + "|h|";
            for (std::size_t at = table.find(source); at != std::string::npos; at = table.find(source, at + 1)) {
                char serial[16];
                std::snprintf(serial, sizeof serial, "#HL%06d\"", expected_serial);
                std::size_t start = table.rfind('\n', at) + 1;  // 0 for the first line
                std::string line = table.substr(start, table.find('\n', at) - start);
                EXPECT_NE(out.find(serial), std::string::npos)
                    << "COMPLEX " << complex << ", value " << v << ": " << line << " -> " << out;
                ++expected_serial;
            }
            EXPECT_EQ(conversion.link_counter + 1, expected_serial)
                << "COMPLEX " << complex << ", value " << v << " -> " << out;
            conversion.link_counter = expected_serial - 1;
        }
        EXPECT_EQ(expected_serial - 1, pass_count);
    }
    set_console_transcoding(-1);
}
