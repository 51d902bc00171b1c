// The category menu pages: header and footer, group headings, link lines and
// the anchors held for the body.
#include "html/menus.h"

#include <gtest/gtest.h>

#include <string>

#include "html/body_state.h"
#include "support/test_support.h"

using namespace qel;
using qeltest::lf;
using qeltest::read_file;
using qeltest::TempDir;

namespace {

std::string page_head(const std::string& title) {
    return "<html>\n<head>\n<meta http-equiv=\"Content-Type\" content=\"text/html; charset=x-sjis\">\n"
           "<meta name=\"GENERATOR\" content=\"Moravel Toolkit qelconv vpre-release4a 2004/12/25\">\n"
           "<title>" + title + "</title>\n</head>\n<body>\n<h1>" + title + "</h1>\n";
}

const std::string PageFoot = "</p>\n</body>\n</html>\n";

}  // namespace

TEST(MenuPage, EmptyPageAndFailedCreation) {
    TempDir dir;
    dir.enter();
    MenuPage* page = open_menu_page("", "qelmenu4.html", "語法", 4);
    ASSERT_NE(page, nullptr);
    close_menu_page(page);
    EXPECT_EQ(read_file("qelmenu4.html"), qeltest::crlf(page_head("語法") + PageFoot));
    set_console_transcoding(0);
    testing::internal::CaptureStdout();
    EXPECT_EQ(open_menu_page("nodir\\", "qelmenu2.html", "作品名", 2), nullptr);
    std::string out = testing::internal::GetCapturedStdout();
    set_console_transcoding(-1);
    EXPECT_EQ(out, "メニューファイル nodir\\qelmenu2.html が新規作成できません\n");
}

TEST(MenuPage, GroupHeadingsNumbersAndAnchors) {
    TempDir dir;
    dir.enter();
    ConversionSettings settings;
    BodyConversionState s;
    s.settings = &settings;
    std::string& held = s.output_holding_buffer.text;
    // 1. Page 3 with the letters A, B, A: three headings, numbers from 0.
    MenuPage* synonyms = open_menu_page("", "qelmenu3.html", "類語", 3);
    ASSERT_NE(synonyms, nullptr);
    add_menu_entry(s, synonyms, 'A', "apple", nullptr);
    add_menu_entry(s, synonyms, 'A', "apply", nullptr);
    add_menu_entry(s, synonyms, 'B', "bee", nullptr);
    add_menu_entry(s, synonyms, 'A', "axe", nullptr);
    close_menu_page(synonyms);
    EXPECT_EQ(lf(read_file("qelmenu3.html")),
              page_head("類語") +
                  "<h2>Ａ</h2>\n<p>\n<a href=\"qel.html#O100000\">【類語】apple</a><br>\n"
                  "<a href=\"qel.html#O100001\">【類語】apply</a><br>\n"
                  "</p>\n<h2>Ｂ</h2>\n<p>\n<a href=\"qel.html#O100002\">【類語】bee</a><br>\n"
                  "</p>\n<h2>Ａ</h2>\n<p>\n<a href=\"qel.html#O100003\">【類語】axe</a><br>\n" + PageFoot);
    EXPECT_EQ(held, "<a name=\"O100000\"></a>\n<a name=\"O100001\"></a>\n<a name=\"O100002\"></a>\n"
                    "<a name=\"O100003\"></a>\n");
    // 2. The forms of pages 1, 2 and 5; six digits are a minimum width.
    held.clear();
    MenuPage* figures = open_menu_page("", "qelmenu1.html", "図版", 1);
    MenuPage* titles = open_menu_page("", "qelmenu2.html", "作品名", 2);
    MenuPage* others = open_menu_page("", "qelmenu5.html", "活用・発音・地域的異形", 5);
    add_menu_entry(s, figures, '@', "3-D", "1a2b.jpg");
    titles->anchor_counter = 1000000;
    add_menu_entry(s, titles, 'H', "Hamlet", nullptr);
    add_menu_entry(s, others, 'E', "【活用", "eat");
    close_menu_page(figures);
    close_menu_page(titles);
    close_menu_page(others);
    EXPECT_EQ(held, "<a name=\"F000000\"></a><img src=\"fig/1a2b.jpg\" alt=\"3-D\">"
                    "<a name=\"T1000000\"></a>\n<a name=\"O300000\"></a>\n");
    EXPECT_NE(lf(read_file("qelmenu1.html")).find("<h2>＠</h2>\n<p>\n<a href=\"qel.html#F000000\">3-D</a><br>\n"),
              std::string::npos);
    EXPECT_NE(lf(read_file("qelmenu2.html")).find("<a href=\"qel.html#T1000000\">Hamlet</a><br>\n"),
              std::string::npos);
    EXPECT_NE(lf(read_file("qelmenu5.html")).find("<a href=\"qel.html#O300000\">【活用】eat</a><br>\n"),
              std::string::npos);
}

TEST(MenuPage, SectionPageChosenByTheValue) {
    TempDir dir;
    dir.enter();
    ConversionSettings settings;
    BodyConversionState s;
    s.settings = &settings;
    for (int i = 2; i < 5; ++i)
        s.menu_pages[i] =
            open_menu_page("", MenuPageNames[i].file_name, MenuPageNames[i].title, i + 1);
    s.headword_display = "run";
    s.group_letter = 'R';
    add_section_menu_entry(s, "【語法】x");
    add_section_menu_entry(s, "【類語】y");  // whatever OT tag carried it
    add_section_menu_entry(s, "no bracket");
    EXPECT_EQ(s.output_holding_buffer.text,
              "<a name=\"O200000\"></a>\n<a name=\"O100000\"></a>\n<a name=\"O300000\"></a>\n");
    for (int i = 2; i < 5; ++i) close_menu_page(s.menu_pages[i]);
    EXPECT_NE(lf(read_file("qelmenu5.html")).find("<a href=\"qel.html#O300000\">no bracket】run</a>"),
              std::string::npos);
}
