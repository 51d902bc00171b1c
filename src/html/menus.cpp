// Category menu pages.
#include "html/menus.h"

#include <cstring>
#include <string>

#include "common/report.h"
#include "common/written_file.h"
#include "html/body_state.h"
#include "html/headings.h"
#include "html/inline.h"
#include "text/full_width.h"
#include "text/main_text.h"
#include "text/text_copy.h"

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

// Reused for each entry's anchor name and link line.

// The anchor names of each page (by page number - 1): the letters before the
// entry number, and the number's width with leading zeros.
struct AnchorForm {
    const char* prefix;  // "F", "T", "O1", "O2", "O3"
    int width;           // 6 or 5
};
const AnchorForm AnchorForms[5] = {{"F", 6}, {"T", 6}, {"O1", 5}, {"O2", 5}, {"O3", 5}};

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
    return new MenuPage{file, number, 0x20, 0, path};
}

void add_menu_entry(BodyConversionState& s, MenuPage* page, int group, const char* first, const char* second) {
    std::string& held = s.output_holding_buffer.text;
    int n = page->anchor_counter;
    if (second == nullptr) second = "";

    // Heading of a new group.
    write_group_heading(page, group);

    // The anchor name: a page letter (or letter and digit) and the number.
    const AnchorForm& form = AnchorForms[page->number >= 1 && page->number <= 4 ? page->number - 1 : 4];
    s.anchor_name.assign(form.prefix);
    append_decimal(s.anchor_name, n, form.width);

    // The link line.
    s.link_line.assign("<a href=\"").append(BodyFileName).append("#").append(s.anchor_name).append("\">");
    switch (page->number) {
    case 3: s.link_line.append("【類語】").append(first); break;
    case 4: s.link_line.append("【語法】").append(first); break;
    case 1:
    case 2: s.link_line.append(first); break;
    default: s.link_line.append(first).append("】").append(second); break;
    }
    s.link_line.append("</a><br>\n");
    file_write(page->file, s.link_line.data(), s.link_line.size());

    // Its anchor at the end of the held text; a figure's anchor comes with the image.
    held.append("<a name=\"").append(s.anchor_name).append("\"></a>");
    if (page->number == 1)
        held.append("<img src=\"fig/").append(second).append("\" alt=\"").append(first).append("\">");
    else
        held.append("\n");
    page->anchor_counter = n + 1;
}

int close_menu_page(MenuPage* page) {
    if (page == nullptr) return 0;
    file_puts(page->file, "</p>\n");
    file_puts(page->file, "</body>\n");
    file_puts(page->file, "</html>\n");
    int status = close_written_file(page->file, page->path);
    delete page;
    return status;
}

void abandon_menu_page(MenuPage* page) {
    if (page == nullptr) return;
    file_close(page->file);
    delete page;
}

void add_title_menu_entry(BodyConversionState& s, const char* text) {
    MenuPage* page = s.menu_pages[1];
    if (page == nullptr || *text == '\0') return;
    convert_inline(s.conversion, s.menu_text, text, s.entry_id.c_str(), "", 0, s.settings->ITALIC);
    add_menu_entry(s, page, s.group_letter, s.menu_text.c_str(), nullptr);
}

const char* work_title_menu_text(const char* value, std::string& title) {
    const char* p = value;
    if (std::strncmp(p, "◇", 2) == 0) p += 2;
    title.clear();
    if (*p == '[') {
        p = copy_until_char(p, title, ']');
        title += ']';
        if (*p == ']') ++p;
    }
    return p;
}

int section_menu_page(const char* value) {
    if (std::strncmp(value, "【類語】", 8) == 0) return 2;
    if (std::strncmp(value, "【語法】", 8) == 0) return 3;
    return 4;
}

void observe_menu_line(void* observed, int tag, const char* value) {
    MenuSeam& seam = *static_cast<MenuSeam*>(observed);
    int page = -1;
    switch (tag) {
    case FT_EN:
    case FT_DR:
        take_headword_key(value, seam.key);
        seam.group_letter = group_letter_of(seam.key.c_str());
        return;
    case FT_TL:
    case FT_TLSUB:
        if (*work_title_menu_text(value, seam.title) != '\0') page = 1;
        break;
    case FT_OT1:
    case FT_OT2:
    case FT_OT3:
    case FT_OT4:
    case FT_OT5:
        page = section_menu_page(value);
        break;
    default:
        break;
    }
    if (page < 0) return;
    ++seam.anchor_counter[page];
    seam.last_group_letter[page] = seam.group_letter;
}

void add_section_menu_entry(BodyConversionState& s, const char* value) {
    const char* display = s.headword_display.c_str();
    int number = section_menu_page(value);
    MenuPage* page = s.menu_pages[number];
    if (page == nullptr) return;
    if (number == 4) {
        copy_wide_until(value, s.menu_text, "】");
        add_menu_entry(s, page, s.group_letter, s.menu_text.c_str(), display);
    } else {
        add_menu_entry(s, page, s.group_letter, display, nullptr);
    }
}

}  // namespace qel
