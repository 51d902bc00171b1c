// The five category menu pages beside qel.html: links grouped by the initial
// letter of the headword, each pointing at an anchor held for the body.
#pragma once

#include <string>

#include "platform/platform.h"

namespace qel {

struct BodyConversionState;

// One open menu page.
struct MenuPage {
    File* file;             // the page, written in text mode
    int number;             // 1-5: picks the page's link and anchor forms
    int last_group_letter;  // group letter of the last heading written; 0x20 before the first
    int anchor_counter;     // entries written so far; the number of the next one
    std::string path;       // where the page is written, for the report of a failed write
};

// File name and title of each page, by page number - 1.
struct MenuPageName {
    const char* file_name;  // "qelmenu1.html" .. "qelmenu5.html"
    const char* title;      // "図版", "作品名", "類語", "語法", "活用・発音・地域的異形"
};
extern const MenuPageName MenuPageNames[5];

// Creates directory + file_name and writes the page header with `title`.
// Returns the page, or none after reporting "メニューファイル %s が新規作成できません".
MenuPage* open_menu_page(const char* directory, const char* file_name, const char* title, int number);

// Writes one entry under group letter `group` (a new heading when the letter
// changes) and appends its anchor to the held text. Texts by page: 1, the
// headword display text and the image name; 2, the converted title; 3 and 4,
// the headword display text; 5, the label and the headword display text.
void add_menu_entry(BodyConversionState& state, MenuPage* page, int group, const char* first, const char* second);

// Writes the page footer, closes and frees the page. A null page is ignored.
// 0, or -1 after reporting that the page could not be written whole.
int close_menu_page(MenuPage* page);

// Closes and frees the page without its footer (the step failed). Null ignored.
void abandon_menu_page(MenuPage* page);

// The parts of a TL or TLSUB value: the optional "◇" is passed over, and a
// bracketed title after it goes into `title` with its "]" (emptied when
// there is none). Returns where the text of the work-title menu entry begins.
const char* work_title_menu_text(const char* value, std::string& title);

// The index of the menu page (in the body state's menu_pages) that the
// extra-section entry of an OT1-OT5 value goes to: 2 for "【類語】", 3 for
// "【語法】", 4 for every other value.
int section_menu_page(const char* value);

// The menu numbers that the lines of main.txt up to a point leave: what the
// second part of a divided body starts its pages from.
struct MenuSeam {
    int anchor_counter[5] = {};    // entries of each page (by page number - 1)
    int last_group_letter[5] = {0x20, 0x20, 0x20, 0x20, 0x20};  // each page's last group letter
    int group_letter = '@';        // the group letter of the last headword
    std::string key;               // scratch: a headword key
    std::string title;             // scratch: a bracketed work title
};

// Counts the entry that the line (FieldTagTable index `tag`, its value) files
// on the work-title and extra-section pages (2-5), as the body conversion
// files it, and follows the headwords' group letter; `seam` is a MenuSeam.
// Figures (page 1) are not counted: a body with them is not divided.
void observe_menu_line(void* seam, int tag, const char* value);

// Work-title entry of a TL or TLSUB line: `text` is what remains after the
// optional "◇" and bracketed title; an empty text adds nothing. The text is
// converted with links off and filed on page 2 under the current headword.
void add_title_menu_entry(BodyConversionState& state, const char* text);

// Extra-section entry of an OT1-OT5 line: page 3 for "【類語】", page 4 for
// "【語法】", else page 5 with the text before the first "】" as label.
void add_section_menu_entry(BodyConversionState& state, const char* value);

}  // namespace qel
