// qelconv with quick-jump menus: in every mode each menu link reaches the line
// its label names, the pages of mode 4 close the body, QUICKJUMP 0 writes
// none of it, and long labels and item lists come through whole.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "support/test_support.h"

using namespace qeltest;

namespace {

const std::string Generator = std::string(QEL_TOOLS_DIR) + "/qelsample";

// One converted book.
struct Book {
    TempDir dir;
    RunResult run;
    std::string html;   // qel.html as text (line ends "\n")
    std::string table;  // quickjmp.dat as text
    std::string path(const std::string& name) const { return dir.path + "/" + name; }
};

// Settings of these runs: sources in src\, the system sort, the default
// symbols (menu arrow "→", return link "↑", jump link "→品詞").
void run_converter(Book& b, const std::string& settings) {
    install_program(QELCONV_PATH, b.dir.path);
    write_file(b.path("qelconv.ini"),
               crlf("BASEPATH=src\\\nOUTPATH=book\\\nDICPATH=dic\\\nDATAPATH=data\\\nSORTCMD=/usr/bin/sort\n" +
                    settings));
    b.run = run_program(b.path("qelconv"), b.dir.path);
    b.html = lf(read_file(b.path("src/qel.html")));
    b.table = lf(read_file(b.path("quickjmp.dat")));
}

void convert_demo(Book& b, const std::string& settings) {
    ASSERT_EQ(shell("'" + Generator + "' --demo '" + b.dir.path + "' > /dev/null"), 0);
    run_converter(b, settings);
}

// main.txt as stored: every byte complemented, "\n" as 0xF5.
std::string stored(const std::string& text) {
    std::string bytes = text;
    for (char& c : bytes) c = static_cast<char>(~static_cast<unsigned char>(c));
    return bytes;
}

// Converts a hand-made main.txt with empty index lists.
void convert_text(Book& b, const std::string& main_text, const std::string& settings) {
    shell("mkdir -p '" + b.path("dic") + "'");
    write_file(b.path("dic/main.txt"), stored(main_text));
    write_file(b.path("dic/en.dat"), std::string(256, 'h'));
    write_file(b.path("dic/tr.dat"), std::string(256, 'h'));
    write_file(b.path("dic/Readme.txt"), "Readme\n");
    write_file(b.path("qelgaiji.tbl"), "");
    run_converter(b, "FIGURE=0\nSOUND=0\nCOMPLEX=0\n" + settings);
}

// The values of `prefix`...`"` in `text`, with the position after each.
std::vector<std::pair<std::string, size_t>> values_after(const std::string& text, const std::string& prefix) {
    std::vector<std::pair<std::string, size_t>> found;
    for (size_t at = text.find(prefix); at != std::string::npos; at = text.find(prefix, at + 1)) {
        size_t start = at + prefix.size(), end = text.find('"', start);
        found.emplace_back(text.substr(start, end - start), end);
    }
    return found;
}

size_t count_of(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

// Every href="#..." of the body answers to an anchor name or a dt id, and
// every menu link reaches the line its label names: a block link the anchor
// before the part of speech "━label", the section "＜label＞" or the idiom
// heading "＜成句＞"; a derived-form link the derived form's dt, whose
// definition holds that line (or any derived form, for the label "派生形").
// Returns the number of menu links checked.
int expect_menu_links_land(const Book& b) {
    std::map<std::string, size_t> targets;
    for (const char* prefix : {"<a name=\"", "<dt id=\""})
        for (const auto& [name, at] : values_after(b.html, prefix)) targets[name] = at;
    int menu_links = 0;
    for (const auto& [href, at] : values_after(b.html, "href=\"#")) {
        auto target = targets.find(href);
        if (target == targets.end()) {
            ADD_FAILURE() << "nothing answers #" << href;
            continue;
        }
        bool block = href.size() > 4 && href.compare(href.size() - 4, 2, "QJ") == 0;
        bool derived = href.size() > 4 && href.compare(href.size() - 4, 2, "DR") == 0;
        if (!block && !derived) continue;
        // The label: the link's text after the arrow.
        size_t text = b.html.find("\">", at) + 2;
        std::string label = b.html.substr(text, b.html.find("</a>", text) - text);
        const std::string arrow = "→";
        if (label.compare(0, arrow.size(), arrow) != 0) continue;
        label = label.substr(arrow.size());
        // A bar in a label is written as a character reference.
        for (size_t bar; (bar = label.find("&#124;")) != std::string::npos;) label.replace(bar, 6, "|");
        ++menu_links;
        if (derived && label == "派生形") continue;
        // What follows the target, up to the next block anchor or entry.
        size_t from = target->second;
        size_t to = std::min(b.html.find("QJ", from + 1), b.html.find("<dt id=", from + 1));
        if (derived) to = b.html.find("<dt id=", from + 1);
        std::string part = b.html.substr(from, to == std::string::npos ? std::string::npos : to - from);
        EXPECT_TRUE(part.find("━" + label) != std::string::npos || part.find("＜" + label + "＞") != std::string::npos)
            << "#" << href << " (" << label << ") lands on: " << part.substr(0, 200);
    }
    return menu_links;
}

}  // namespace

TEST(QuickJumpRun, EveryModeLinksEachMenuItemToItsLine) {
    for (int mode = 1; mode <= 4; ++mode) {
        SCOPED_TRACE("QUICKJUMP=" + std::to_string(mode));
        Book b;
        convert_demo(b, "QUICKJUMP=" + std::to_string(mode) + "\nQUICKRET=1\nFIGURE=1\nSOUND=1\nCOMPLEX=1\n");
        ASSERT_EQ(b.run.exit_code, 0) << b.run.output;
        size_t records = count_of(b.table, "\n");
        ASSERT_GT(records, 5u) << "the demo has entries long enough for menus";
        EXPECT_GT(expect_menu_links_land(b), 50);
        EXPECT_NE(b.run.output.find("項目内ジャンプデータを生成しています... 終了しました\n"), std::string::npos);
        if (mode == 4) {
            // One jump link and one page per record; the pages close the body.
            EXPECT_EQ(count_of(b.html, "\">→品詞</a>"), records);
            EXPECT_EQ(count_of(b.html, "&#x1f03;\n&#x1f02;\n<dt id=\"QJ"), records);
            size_t first_page = b.html.find("&#x1f03;\n&#x1f02;\n");
            EXPECT_GT(first_page, b.html.rfind("<key "));
            EXPECT_EQ(b.html.substr(b.html.rfind("\n</p></dd>\n")), "\n</p></dd>\n</dl>\n</body>\n</html>\n");
        } else {
            EXPECT_EQ(count_of(b.html, "&#x1f03;"), 0u);
            EXPECT_EQ(count_of(b.html, "QJ00\">→"), records);
        }
    }
}

TEST(QuickJumpRun, QuickJumpOffWritesNoneOfIt) {
    Book b;
    convert_demo(b, "QUICKJUMP=0\nQUICKRET=1\nFIGURE=1\nSOUND=1\nCOMPLEX=1\n");
    ASSERT_EQ(b.run.exit_code, 0) << b.run.output;
    EXPECT_FALSE(file_exists(b.path("quickjmp.dat")));
    EXPECT_EQ(b.run.output.find("項目内ジャンプデータ"), std::string::npos);
    EXPECT_EQ(count_of(b.html, "QJ"), 0u);
    EXPECT_EQ(count_of(b.html, "&#x1f03;"), 0u);
    // No return links after idiom headings and section labels (the catch-up
    // links after unplaced anchors do not depend on these settings).
    EXPECT_GT(count_of(b.html, "<b>＜成句＞</b>"), 0u);
    EXPECT_EQ(b.html.find("＞</b><a href=\"#"), std::string::npos);
}

// The hyperlink pass runs beside the quick-jump pass, but the console and the
// log show them one after the other; when the quick-jump pass fails, nothing
// of the hyperlink pass shows, as if it had never run.
TEST(QuickJumpRun, TheHyperlinkPassBesideItKeepsTheOrderOfMessages) {
    Book b;
    convert_demo(b, "QUICKJUMP=1\n");
    ASSERT_EQ(b.run.exit_code, 0) << b.run.output;
    const std::string steps = "項目内ジャンプデータを生成しています... 終了しました\nハイパーリンクデータを生成しています...";
    EXPECT_NE(b.run.output.find(steps), std::string::npos) << b.run.output;
    std::string log = lf(read_file(b.path("qelconv.log")));
    size_t quick_jump = log.find("項目内ジャンプデータを生成しています...");
    size_t links = log.find("ハイパーリンクデータを生成しています...");
    size_t sorted = log.find("ハイパーリンクデータをソートしています...");
    size_t body = log.find("本文データをHTMLに変換しています...");
    ASSERT_NE(quick_jump, std::string::npos);
    EXPECT_TRUE(quick_jump < links && links < sorted && sorted < body) << log;

    Book failed;
    ASSERT_EQ(shell("'" + Generator + "' --demo '" + failed.dir.path + "' > /dev/null && mkdir '" +
                    failed.path("quickjmp.dat") + "'"),
              0);
    run_converter(failed, "QUICKJUMP=1\n");
    EXPECT_EQ(failed.run.exit_code, 1);
    EXPECT_NE(failed.run.output.find("quickjmp.dat が新規作成できません\n変換処理に失敗しました"), std::string::npos)
        << failed.run.output;
    EXPECT_EQ(failed.run.output.find("ハイパーリンク"), std::string::npos);
    EXPECT_EQ(read_file(failed.path("qelconv.log")).find("ハイパーリンク"), std::string::npos);
}

TEST(QuickJumpRun, LongLabelsAndItemListsComeThroughWhole) {
    // Forty parts of speech of 300 bytes, a section label of 200 bytes and an
    // identifier of 150: the record runs far past 4096 bytes. Its derived form
    // has blocks after the one that labels it.
    std::string id(150, '7');
    std::string text = "RA=\nRN=" + id + "\nEN=long|long\n";
    std::string last_label;
    for (int i = 0; i < 40; ++i) {
        last_label = std::string(300, 'p') + std::to_string(i);
        text += "PS=" + last_label + "\nTR1=訳\nID=idiom " + std::to_string(i) + "\n";
    }
    std::string section(200, 's');
    text += "OT1=【" + section + "】text\nDR=longer|longer\nPS=名詞\nTR1=訳\nID=a longer one\nOT2=【語法】usage\n";
    text += "RA=\nRN=000002\nEN=short|short\nPS=a|b\nPS=ポイント\nID=x\nTR1=y\n";
    for (int mode = 1; mode <= 4; ++mode) {
        SCOPED_TRACE("QUICKJUMP=" + std::to_string(mode));
        Book b;
        convert_text(b, text, "QUICKJUMP=" + std::to_string(mode) + "\nQUICKRET=1\nQJITEMS=3\nQJLINES=5\n");
        ASSERT_EQ(b.run.exit_code, 0) << b.run.output;
        EXPECT_EQ(expect_menu_links_land(b), 40 + 40 + 1 + 3 + 3);
        EXPECT_NE(b.html.find("QJ78\">→" + last_label + "</a>"), std::string::npos);
        EXPECT_NE(b.html.find("QJ80\">→" + section + "</a>"), std::string::npos);
        EXPECT_NE(b.html.find("DR01\">→名詞</a>"), std::string::npos);
        EXPECT_NE(b.html.find("QJ83\">→語法</a>"), std::string::npos) << "the derived form's label took block 81";
        // A bar in a label stays inside it; ポ (trail byte 0x7C) is whole.
        EXPECT_NE(b.html.find("000002QJ00\">→a&#124;b</a>"), std::string::npos);
        EXPECT_NE(b.html.find("000002QJ01\">→ポイント</a>"), std::string::npos);
    }
}
