// Quick-jump navigation: the menus of every mode and their numbering, the
// block anchors, return links and pages, the reading of the quick-jump data in
// step with the records, and whole body conversions with menus.
#include "html/quick_jump_nav.h"

#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <string>

#include "html/body_fixture.h"
#include "html/body_state.h"
#include "html/quick_jump_table.h"
#include "platform/platform.h"
#include "support/test_support.h"
#include "text/main_text.h"

using namespace qel;
using namespace htmltest;
using qeltest::lf;
using qeltest::read_file;
using qeltest::TempDir;
using qeltest::write_file;

namespace {

// The hooks on their own: a body file "out.html", the quick-jump data of
// `records`, and the state as the body conversion leaves it at an RA line.
struct QuickJumpNav : testing::Test {
    TempDir dir;
    ConversionSettings settings;  // what the state's settings point to
    BodyConversionState state;
    void SetUp() override {
        dir.enter();
        state.settings = &settings;
        state.indent1 = I1;
        settings.QUICKJUMP = 1;
        settings.QUICKRET = 1;
        state.arrow_symbol = "→";
        state.return_symbol = "↑";
        state.jump_symbol = "⇒";
        state.entry_id = "000123";
        set_console_transcoding(0);
    }
    void TearDown() override {
        set_console_transcoding(-1);
        close_quick_jump_navigation(state);
        file_close(state.body);
        state.body = nullptr;
    }
    // Opens the body file and the data (closing those of an earlier open).
    void open(const std::string& records) {
        close_quick_jump_navigation(state);
        file_close(state.body);
        taken = 0;
        write_file(QuickJumpDataName, records);
        state.body = file_open("out.html", FILE_WRITE_TEXT);
        ASSERT_NE(state.body, nullptr);
        ASSERT_EQ(open_quick_jump_navigation(state), 0);
    }
    // An RA line at `position`.
    void record_start(int32_t position) {
        state.entry_position = position;
        state.idiom_heading_pending = 1;
        find_quick_jump_items(state);
    }
    // What was written to the body since the last call, line ends as "\n".
    std::string written() {
        file_flush(state.body);
        std::string all = lf(read_file("out.html"));
        std::string part = all.substr(taken);
        taken = all.size();
        return part;
    }
    // The header of the record at position 0 with `items`, written after the
    // separator " "; the separator left behind is appended as "[...]".
    std::string header(const std::string& items) {
        open("0|000123|apple|" + items + "\n");
        record_start(0);
        const char* separator = " ";
        write_quick_jump_header(state, separator);
        return written() + "[" + separator + "]";
    }
    size_t taken = 0;
};

// A menu link to block `number` or to derived form `number` of entry `id`.
std::string menu_link(const char* kind, int number, const std::string& label, const char* id) {
    char n[8];
    std::snprintf(n, sizeof n, "%02d", number);
    return "<a href=\"#" + std::string(id) + kind + n + "\">→" + label + "</a>";
}
std::string block(int number, const std::string& label, const char* id = "000123") {
    return menu_link("QJ", number, label, id);
}
std::string derived(int number, const std::string& label, const char* id = "000123") {
    return menu_link("DR", number, label, id);
}

const std::string Break = "<br>\n" + I1;

}  // namespace

TEST_F(QuickJumpNav, HeaderOfEachMode) {
    // 1. Mode 1: the links follow the header's other items, one blank apart.
    EXPECT_EQ(header("名詞|成句|"), " " + block(0, "名詞") + " " + block(1, "成句") + "[ ]");
    EXPECT_EQ(header("名詞|派生形|副詞|"), " " + block(0, "名詞") + " " + derived(1, "副詞") + "[ ]");
    // 2. Mode 2: one line break, then the links separated by blanks.
    settings.QUICKJUMP = 2;
    EXPECT_EQ(header("名詞|成句|"), Break + block(0, "名詞") + " " + block(1, "成句") + "[ ]");
    EXPECT_EQ(header("名詞|派生形|副詞|"), Break + block(0, "名詞") + " " + derived(1, "副詞") + "[ ]");
    // 3. Mode 3: every link on a line of its own.
    settings.QUICKJUMP = 3;
    EXPECT_EQ(header("名詞|成句|"), Break + block(0, "名詞") + Break + block(1, "成句") + "[ ]");
    EXPECT_EQ(header("名詞|派生形|副詞|"), Break + block(0, "名詞") + Break + derived(1, "副詞") + "[ ]");
    // 4. Mode 4: only the jump link to the record's page.
    settings.QUICKJUMP = 4;
    EXPECT_EQ(header("名詞|成句|"), " <a href=\"#QJ000123\">⇒</a>[ ]");
    // 5. Any other non-zero mode acts as 1.
    settings.QUICKJUMP = 7;
    EXPECT_EQ(header("名詞|成句|"), " " + block(0, "名詞") + " " + block(1, "成句") + "[ ]");
    // 6. Mode 2 with an empty item list leaves the separator empty after its break.
    settings.QUICKJUMP = 2;
    EXPECT_EQ(header(""), Break + "[]");
}

TEST_F(QuickJumpNav, BlockNumbersFollowTheAnchoredLines) {
    // 1. A derived form's own item labels its link and keeps its block number,
    // so the block links after it still meet their anchors.
    EXPECT_EQ(header("名詞|派生形|名詞|成句|類語|"),
              " " + block(0, "名詞") + " " + derived(1, "名詞") + " " + block(2, "成句") + " " + block(3, "類語") + "[ ]");
    // 2. A derived form without items of its own is labelled "派生形" and the
    // next derived form makes its own link; a last "派生形" makes none.
    EXPECT_EQ(header("名詞|派生形|派生形|副詞|成句|派生形|"),
              " " + block(0, "名詞") + " " + derived(1, "派生形") + " " + derived(2, "副詞") + " " + block(2, "成句") +
                  "[ ]");
    // 3. Bars escaped by the pass stay inside their label; a trail byte 0x7C
    // does not end an item.
    EXPECT_EQ(header("a&#124;b|ポイント|"), " " + block(0, "a&#124;b") + " " + block(1, "ポイント") + "[ ]");
    // 4. Long labels and lists are written whole.
    std::string label(5000, 'x');
    EXPECT_EQ(header(label + "|" + label + "|"), " " + block(0, label) + " " + block(1, label) + "[ ]");
}

TEST_F(QuickJumpNav, AnchorsAndReturnLinks) {
    open("0|000123|apple|名詞|成句|\n");
    record_start(0);
    const char* separator = "";
    write_quick_jump_header(state, separator);
    written();

    // 1. PS, OT1-OT5 and the first ID line get block anchors, numbered on;
    // other lines, SUB rows and ID lines after the first do not.
    const int lines[] = {FT_PS, FT_TR, FT_OT1, FT_OT1SUB, FT_OT5, FT_EN, FT_DR, FT_ID};
    for (int index : lines) write_block_anchor(state, index);
    state.idiom_heading_pending = 0;
    write_block_anchor(state, FT_ID);
    EXPECT_EQ(written(), "<a name=\"000123QJ00\"></a>\n<a name=\"000123QJ01\"></a>\n<a name=\"000123QJ02\"></a>\n"
                         "<a name=\"000123QJ03\"></a>\n");

    // 2. Return links while QUICKRET is on.
    write_return_link(state);
    EXPECT_EQ(written(), "<a href=\"#000123\">↑</a>");
    settings.QUICKRET = 0;
    write_return_link(state);
    EXPECT_EQ(written(), "");

    // 3. A record without items: no anchors, no return links.
    settings.QUICKRET = 1;
    record_start(50);
    EXPECT_EQ(state.quick_jump_items, nullptr);
    write_block_anchor(state, FT_PS);
    write_return_link(state);
    EXPECT_EQ(written(), "");

    // 4. QUICKJUMP 0: nothing of this, whatever QUICKRET says and even when
    // items are set.
    settings.QUICKJUMP = 0;
    record_start(0);
    EXPECT_EQ(state.quick_jump_items, nullptr);
    state.quick_jump_record = "0|000123|apple|名詞|\n";
    state.quick_jump_items = state.quick_jump_record.c_str() + 15;
    write_block_anchor(state, FT_PS);
    write_return_link(state);
    separator = "";
    write_quick_jump_header(state, separator);
    write_quick_jump_pages(state);
    EXPECT_EQ(written(), "");
}

TEST_F(QuickJumpNav, RecordsFoundInStepWithTheRecordStarts) {
    open("10|1|a|名詞|\n20|2|b|動詞|\n25|x\n30|3|c|成句|\n40|4|d|類語|\n45|5|e|語法|\nbad line\n60|6|f|名詞|\n");
    // 1. Before the first record; at it (the anchor number starts again).
    record_start(5);
    EXPECT_EQ(state.quick_jump_items, nullptr);
    state.quick_jump_anchor_number = 9;
    record_start(10);
    ASSERT_NE(state.quick_jump_items, nullptr);
    EXPECT_STREQ(state.quick_jump_items, "名詞|\n");
    EXPECT_EQ(state.quick_jump_anchor_number, 0);
    // 2. Records that match no RA line are passed over, however many.
    record_start(35);
    EXPECT_EQ(state.quick_jump_items, nullptr);
    record_start(40);
    ASSERT_NE(state.quick_jump_items, nullptr);
    EXPECT_STREQ(state.quick_jump_items, "類語|\n");
    // 3. A record without its three fields has no items.
    open("25|x\n");
    record_start(25);
    EXPECT_EQ(state.quick_jump_items, nullptr);
    // 4. A line without a number ends the reading: no later record gets items.
    open("45|5|e|語法|\nbad line\n60|6|f|名詞|\n");
    record_start(45);
    EXPECT_NE(state.quick_jump_items, nullptr);
    record_start(60);
    EXPECT_EQ(state.quick_jump_items, nullptr);
    EXPECT_EQ(state.quick_jump_record_position, -1);
    // 5. A missing file: the step's failure.
    close_quick_jump_navigation(state);
    std::remove(QuickJumpDataName);
    testing::internal::CaptureStdout();
    EXPECT_EQ(open_quick_jump_navigation(state), -1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "項目内ジャンプデータファイル quickjmp.dat がオープンできません\n");
}

TEST_F(QuickJumpNav, PagesOfEveryRecordUpToABadLine) {
    settings.QUICKJUMP = 4;
    open("10|000123|apple|名詞|派生形|副詞|\n20|000124|bee|名詞|成句|派生形|\n25|short\n30|000125|cat|\n"
         "bad\n40|000126|dog|名詞|\n");
    record_start(10);
    state.entry_id = "999";
    write_quick_jump_pages(state);
    auto link = [](const char* id, const char* kind, const char* label) {
        return I1 + "<a href=\"#" + id + kind + "\">→" + label + "</a>";
    };
    EXPECT_EQ(written(), "&#x1f03;\n&#x1f02;\n<dt id=\"QJ000123\">apple</dt>\n<dd><p> <br>\n" +
                             link("000123", "QJ00", "名詞") + "<br>\n" + link("000123", "DR01", "副詞") +
                             "\n</p></dd>\n"
                             "&#x1f03;\n&#x1f02;\n<dt id=\"QJ000124\">bee</dt>\n<dd><p> <br>\n" +
                             link("000124", "QJ00", "名詞") + "<br>\n" + link("000124", "QJ01", "成句") + "<br>\n" +
                             "\n</p></dd>\n"
                             "&#x1f03;\n&#x1f02;\n<dt id=\"QJ000125\">cat</dt>\n<dd><p> <br>\n"
                             "\n</p></dd>\n");
    EXPECT_EQ(state.entry_id, "999");
}

// ---- Whole body conversions -------------------------------------------------

namespace {

// A record long enough for a menu with the test thresholds: a main headword
// with two parts of speech, a section and idioms; a derived form with its own
// part of speech and idiom; a derived form without items of its own; a third
// derived form with a section; an empty PS line that must not count.
const std::string LongRecord =
    "RA=\nRN=000200\nEN=run|run\nPR=ran\nPS=動詞\nTR1=走る\nID=run out\nID=run off\nPS=名詞\nTR1=走ること\n"
    "OT1=【類語】dash\nOT2SUB=【語法】x\nDR=runner|runner\nPS=名詞\nTR1=走者\nID=front runner\nDR=running|running\n"
    "TR1=走行\nDR=runny|runny\nPS=\nOT2=【語法】informal\n";
const std::string ShortRecord = "RA=\nRN=000300\nEN=sit|sit\nPS=動詞\nTR1=座る\n";

// Runs the quick-jump pass, the hyperlink pass and the body conversion.
BodyRun run_with_menus(const ConversionSettings& settings, const std::string& main_text) {
    write_file("main.txt", stored(main_text));
    testing::internal::CaptureStdout();
    EXPECT_EQ(build_quick_jump_data(settings, GaijiCodes()), 0);
    testing::internal::GetCapturedStdout();
    return run_body(settings, main_text);
}

// Every "#..." link of `html` whose target is neither an anchor name nor a dt id.
std::set<std::string> dangling_links(const std::string& html) {
    std::set<std::string> names, missing;
    std::regex name_re("<a name=\"([^\"]*)\"|<dt id=\"([^\"]*)\"");
    for (auto it = std::sregex_iterator(html.begin(), html.end(), name_re); it != std::sregex_iterator(); ++it)
        names.insert((*it)[1].matched ? (*it)[1].str() : (*it)[2].str());
    std::regex href_re("href=\"#([^\"]*)\"");
    for (auto it = std::sregex_iterator(html.begin(), html.end(), href_re); it != std::sregex_iterator(); ++it)
        if (names.count((*it)[1].str()) == 0) missing.insert((*it)[1].str());
    return missing;
}

struct QuickJumpBody : testing::Test {
    TempDir dir;
    ConversionSettings settings = quiet_settings();
    void SetUp() override {
        dir.enter();
        settings.QJITEMS = 3;
        settings.QJLINES = 10;
        settings.QUICKRET = 1;
    }
};

}  // namespace

TEST_F(QuickJumpBody, MenuAnchorsAndReturnLinksOfARecord) {
    settings.QUICKJUMP = 1;
    BodyRun r = run_with_menus(settings, LongRecord + ShortRecord);
    ASSERT_EQ(r.status, 0) << r.console;
    const char* id = "000200";
    std::string menu = block(0, "動詞", id) + " " + block(1, "成句", id) + " " + block(2, "名詞", id) + " " +
                       block(3, "類語", id) + " " + derived(1, "名詞", id) + " " + block(5, "成句", id) + " " +
                       derived(2, "派生形", id) + " " + derived(3, "語法", id);
    const std::string ret = "<a href=\"#000200\">↑</a>";
    auto anchor = [](const char* n) { return "<a name=\"000200QJ" + std::string(n) + "\"></a>\n"; };
    // The anchors of the category menu pages are not this test's business.
    std::string body = std::regex_replace(r.body, std::regex("<a name=\"O[0-9]+\"></a>\n"), "");
    EXPECT_EQ(body,
              "<dt id=\"000200\">run</dt>\n<dd><p>\nran " + menu + "<br>\n" + anchor("00") + I1 + "━動詞" + ret +
                  "<br>\n" + I1 + "走る" + anchor("01") + "<br>\n" + I1 + "<b>＜成句＞</b>" + ret +
                  "\n</p>\n<p>\n" + I1 + "run out\n</p>\n<p>\n" + I1 + "run off<br>\n" + anchor("02") + I1 + "━名詞" +
                  ret + "<br>\n" + I1 + "走ること<br>\n" + anchor("03") + I1 + "<b>＜類語＞</b>" + ret + "<br>\n" +
                  I1 + "dash<br>\n" + I1 + "【語法】x\n</p></dd>\n"
                  // The derived forms: no menu, a return link on the header line,
                  // no return link after their PS lines.
                  "<dt id=\"000200DR01\">runner</dt>\n<dd><p>\n" + ret + "<br>\n" + anchor("04") + I1 + "━名詞" +
                  "<br>\n" + I1 + "走者" + anchor("05") + "<br>\n" + I1 + "<b>＜成句＞</b>" + ret +
                  "\n</p>\n<p>\n" + I1 + "front runner\n</p></dd>\n"
                  "<dt id=\"000200DR02\">running</dt>\n<dd><p>\n" + ret + "<br>\n" + I1 + "走行\n</p></dd>\n" +
                  "<dt id=\"000200DR03\">runny</dt>\n<dd><p>\n" + ret + "<br>\n" + anchor("06") + I1 +
                  "<b>＜語法＞</b>" + ret + "<br>\n" + I1 + "informal\n</p></dd>\n"
                  // A record too short for a menu: no anchors, no return links.
                  "<dt id=\"000300\">sit</dt>\n<dd><p>\n <br>\n" + I1 + "━動詞<br>\n" + I1 + "座る\n</p></dd>\n");
    EXPECT_TRUE(dangling_links(r.html).empty());
}

TEST_F(QuickJumpBody, EveryModeLinksOnlyToAnchorsThatExist) {
    std::string text = ShortRecord + LongRecord + ShortRecord +
                       std::regex_replace(LongRecord, std::regex("RN=000200"), "RN=000201");
    for (int mode = 1; mode <= 4; ++mode) {
        SCOPED_TRACE(mode);
        settings.QUICKJUMP = mode;
        BodyRun r = run_with_menus(settings, text);
        ASSERT_EQ(r.status, 0) << r.console;
        EXPECT_EQ(dangling_links(r.html), std::set<std::string>());
        EXPECT_NE(r.body.find("QJ00\">"), std::string::npos);
        if (mode == 4) {
            // The pages follow the last entry's closing, before the footer.
            size_t pages = r.body.find("&#x1f03;\n&#x1f02;\n<dt id=\"QJ");
            ASSERT_NE(pages, std::string::npos);
            const std::string closing = "\n</p></dd>\n";
            ASSERT_GT(pages, closing.size());
            EXPECT_EQ(r.body.substr(pages - closing.size(), closing.size()), closing);
            EXPECT_GT(pages, r.body.rfind("<dt id=\"000"));
            EXPECT_EQ(std::regex_replace(r.body.substr(pages), std::regex("<dt id=\"QJ"), "@").find("<dt"),
                      std::string::npos);
            size_t page_count = 0;
            for (size_t at = r.body.find("&#x1f03;\n&#x1f02;\n"); at != std::string::npos;
                 at = r.body.find("&#x1f03;\n&#x1f02;\n", at + 1))
                ++page_count;
            EXPECT_EQ(page_count, 2u) << "one page per long record";
        }
    }
}

TEST_F(QuickJumpBody, QuickJumpOffWritesNoneOfIt) {
    // Even with return links on and a quickjmp.dat from an earlier run.
    settings.QUICKJUMP = 1;
    run_with_menus(settings, LongRecord);
    settings.QUICKJUMP = 0;
    settings.QUICKRET = 1;
    BodyRun r = run_body(settings, LongRecord);
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(r.body.find("QJ"), std::string::npos);
    EXPECT_EQ(r.body.find("href"), std::string::npos);
    EXPECT_EQ(r.body.find("&#x1f03;"), std::string::npos);
}
