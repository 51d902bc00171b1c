// Category menu pages.
#include "html/menus.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "common/report.h"
#include "html/body_state.h"
#include "html/inline.h"
#include "text/sjis.h"

namespace qel {

const MenuPageName MenuPageNames[5] = {
    {"qelmenu1.html", "図版"},
    {"qelmenu2.html", "作品名"},
    {"qelmenu3.html", "類語"},
    {"qelmenu4.html", "語法"},
    {"qelmenu5.html", "活用・発音・地域的異形"},
};

namespace {

// Every menu link points into the body file.
const char* const BodyFileName = "qel.html";

// Reused for the converted title of work-title entries and the page-5 label.
std::string menu_text;

// Writes the heading of group letter `group` when it differs from the last
// one, closing the previous group's paragraph first.
void write_group_heading(MenuPage* page, int group) {
    if (group == page->last_group_letter) return;
    if (page->last_group_letter != 0x20) file_puts(page->file, "</p>\n");
    const char* heading = (group >= 0 && group < 128) ? FullWidthForms[group] : "";
    file_printf(page->file, "<h2>%s</h2>\n<p>\n", heading);
    page->last_group_letter = group;
}

}  // namespace

MenuPage* open_menu_page(const char* directory, const char* file_name, const char* title, int number) {
    std::string path = std::string(directory) + file_name;
    File* file = file_open(path.c_str(), FILE_WRITE_TEXT);
    if (file == nullptr) {
        report("メニューファイル %s が新規作成できません\n", path.c_str());
        return nullptr;
    }
    file_puts(file, "<html>\n");
    file_puts(file, "<head>\n");
    file_puts(file, "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=x-sjis\">\n");
    file_printf(file, "<meta name=\"GENERATOR\" content=\"Moravel Toolkit %s v%s %s\">\n", Identity.name,
                Identity.version, Identity.date);
    file_printf(file, "<title>%s</title>\n", title);
    file_puts(file, "</head>\n");
    file_puts(file, "<body>\n");
    file_printf(file, "<h1>%s</h1>\n", title);
    return new MenuPage{file, number, 0x20, 0};
}

void add_menu_entry(MenuPage* page, int group, const char* first, const char* second) {
    std::string& held = output_holding_buffer.text;
    char anchor[64];
    int n = page->anchor_counter;

    // Heading of a new group.
    write_group_heading(page, group);

    // The link line, and its anchor at the end of the held text.
    switch (page->number) {
    case 1:
        file_printf(page->file, "<a href=\"%s#F%06d\">%s</a><br>\n", BodyFileName, n, first);
        std::snprintf(anchor, sizeof anchor, "<a name=\"F%06d\"></a><img src=\"%s/", n, "fig");
        held += anchor;
        held += second;
        held += "\" alt=\"";
        held += first;
        held += "\">";
        break;
    case 2:
        file_printf(page->file, "<a href=\"%s#T%06d\">%s</a><br>\n", BodyFileName, n, first);
        std::snprintf(anchor, sizeof anchor, "<a name=\"T%06d\"></a>\n", n);
        held += anchor;
        break;
    case 3:
        file_printf(page->file, "<a href=\"%s#O1%05d\">【類語】%s</a><br>\n", BodyFileName, n, first);
        std::snprintf(anchor, sizeof anchor, "<a name=\"O1%05d\"></a>\n", n);
        held += anchor;
        break;
    case 4:
        file_printf(page->file, "<a href=\"%s#O2%05d\">【語法】%s</a><br>\n", BodyFileName, n, first);
        std::snprintf(anchor, sizeof anchor, "<a name=\"O2%05d\"></a>\n", n);
        held += anchor;
        break;
    default:
        file_printf(page->file, "<a href=\"%s#O3%05d\">%s】%s</a><br>\n", BodyFileName, n, first, second);
        std::snprintf(anchor, sizeof anchor, "<a name=\"O3%05d\"></a>\n", n);
        held += anchor;
        break;
    }
    page->anchor_counter = n + 1;
}

void close_menu_page(MenuPage* page) {
    if (page == nullptr) return;
    file_puts(page->file, "</p>\n");
    file_puts(page->file, "</body>\n");
    file_puts(page->file, "</html>\n");
    file_close(page->file);
    delete page;
}

void abandon_menu_page(MenuPage* page) {
    if (page == nullptr) return;
    file_close(page->file);
    delete page;
}

void add_title_menu_entry(const char* text) {
    MenuPage* page = body_state.menu_pages[1];
    if (page == nullptr || *text == '\0') return;
    convert_inline(menu_text, text, body_state.entry_id.c_str(), "", 0);
    add_menu_entry(page, body_state.group_letter, menu_text.c_str(), nullptr);
}

void add_section_menu_entry(const char* value) {
    const BodyConversionState& s = body_state;
    const char* display = s.headword_display.c_str();
    if (std::strncmp(value, "【類語】", 8) == 0) {
        if (s.menu_pages[2] != nullptr) add_menu_entry(s.menu_pages[2], s.group_letter, display, nullptr);
    } else if (std::strncmp(value, "【語法】", 8) == 0) {
        if (s.menu_pages[3] != nullptr) add_menu_entry(s.menu_pages[3], s.group_letter, display, nullptr);
    } else if (s.menu_pages[4] != nullptr) {
        copy_wide_until(value, menu_text, "】");
        add_menu_entry(s.menu_pages[4], s.group_letter, menu_text.c_str(), display);
    }
}

}  // namespace qel
