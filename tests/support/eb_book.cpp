// Reading a book back through libeb. Text comes out of libeb as the book's
// character set (EUC-JP for a JIS X 0208 book) mixed with the ASCII tags our
// hooks write; the whole stream is collected first and converted to UTF-8 in
// one go, so a character is never split between two reads.
#include "support/eb_book.h"

#include <eb/binary.h>
#include <eb/eb.h>
#include <eb/error.h>
#include <eb/font.h>
#include <eb/text.h>
#include <iconv.h>

#include <cerrno>
#include <cstdio>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace qeltest {

struct EbBook {
    EB_Book book;
    EB_Hookset hooks;
    const char* charset = "EUC-JP";  // of the book's text, for iconv
    std::string error;
};

namespace {

bool fail(EbBook* b, const std::string& message) {
    b->error = message;
    return false;
}

bool fail(EbBook* b, const std::string& call, EB_Error_Code code) {
    return fail(b, call + ": " + eb_error_string(code) + " (" + eb_error_message(code) + ")");
}

std::string hex(unsigned value, int digits) {
    char s[16];
    std::snprintf(s, sizeof s, "%0*X", digits, value);
    return s;
}

std::string pos(unsigned page, unsigned offset) {
    return std::to_string(page) + ":" + std::to_string(offset);
}

// Text in the book's character set to UTF-8. Bytes iconv cannot map stay
// visible as <euc XXXX> (a two-byte EUC-JP pair) or <byte XX>, so a wrong
// byte in a book shows up in the text instead of vanishing.
bool to_utf8(EbBook* b, const std::string& in, std::string* out) {
    iconv_t cd = iconv_open("UTF-8", b->charset);
    if (cd == reinterpret_cast<iconv_t>(-1)) return fail(b, std::string("iconv_open from ") + b->charset + " failed");
    std::string result;
    char* ip = const_cast<char*>(in.data());
    size_t il = in.size();
    char buf[4096];
    while (il > 0) {
        char* op = buf;
        size_t ol = sizeof buf;
        size_t r = iconv(cd, &ip, &il, &op, &ol);
        result.append(buf, static_cast<size_t>(op - buf));
        if (r != static_cast<size_t>(-1) || errno == E2BIG) continue;
        auto c1 = static_cast<unsigned char>(ip[0]);
        auto c2 = il >= 2 ? static_cast<unsigned char>(ip[1]) : 0u;
        if (c1 >= 0xA1 && c1 <= 0xFE && c2 >= 0xA1 && c2 <= 0xFE) {
            result += "<euc " + hex(c1 << 8 | c2, 4) + ">";
            ip += 2;
            il -= 2;
        } else {
            result += "<byte " + hex(c1, 2) + ">";
            ip += 1;
            il -= 1;
        }
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    iconv_close(cd);
    *out = std::move(result);
    return true;
}

// A search word from UTF-8 to the book's character set; words that cannot be
// written in it are refused rather than searched for in a mangled form.
bool from_utf8(EbBook* b, const std::string& in, std::string* out) {
    iconv_t cd = iconv_open(b->charset, "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) return fail(b, std::string("iconv_open to ") + b->charset + " failed");
    std::string result;
    char* ip = const_cast<char*>(in.data());
    size_t il = in.size();
    char buf[1024];
    bool ok = true;
    while (il > 0 && ok) {
        char* op = buf;
        size_t ol = sizeof buf;
        size_t r = iconv(cd, &ip, &il, &op, &ol);
        result.append(buf, static_cast<size_t>(op - buf));
        if (r == static_cast<size_t>(-1) && errno != E2BIG) ok = false;
    }
    iconv_close(cd);
    if (!ok) return fail(b, "the word \"" + in + "\" cannot be written in " + b->charset);
    *out = std::move(result);
    return true;
}

// One hook for every code libeb reports: writes its tag into the text.
EB_Error_Code tag_hook(EB_Book* book, EB_Appendix*, void*, EB_Hook_Code code, int, const unsigned int* argv) {
    std::string s;
    switch (code) {
    case EB_HOOK_BEGIN_NARROW: s = "<n>"; break;
    case EB_HOOK_END_NARROW: s = "</n>"; break;
    case EB_HOOK_BEGIN_SUBSCRIPT: s = "<sub>"; break;
    case EB_HOOK_END_SUBSCRIPT: s = "</sub>"; break;
    case EB_HOOK_SET_INDENT: s = "<indent " + std::to_string(argv[1]) + ">"; break;
    case EB_HOOK_NEWLINE: s = "<br>\n"; break;
    case EB_HOOK_BEGIN_SUPERSCRIPT: s = "<sup>"; break;
    case EB_HOOK_END_SUPERSCRIPT: s = "</sup>"; break;
    case EB_HOOK_BEGIN_NO_NEWLINE: s = "<nobr>"; break;
    case EB_HOOK_END_NO_NEWLINE: s = "</nobr>"; break;
    case EB_HOOK_BEGIN_EMPHASIS: s = "<em>"; break;
    case EB_HOOK_END_EMPHASIS: s = "</em>"; break;
    case EB_HOOK_BEGIN_CANDIDATE: s = "<cand>"; break;
    case EB_HOOK_END_CANDIDATE_GROUP: s = "</cand group " + pos(argv[1], argv[2]) + ">"; break;
    case EB_HOOK_END_CANDIDATE_LEAF: s = "</cand leaf>"; break;
    case EB_HOOK_BEGIN_REFERENCE: s = "<ref>"; break;
    case EB_HOOK_END_REFERENCE: s = "</ref " + pos(argv[1], argv[2]) + ">"; break;
    case EB_HOOK_BEGIN_KEYWORD: s = "<kw " + hex(argv[1], 4) + ">"; break;
    case EB_HOOK_END_KEYWORD: s = "</kw>"; break;
    case EB_HOOK_NARROW_FONT: s = "<gaiji h" + hex(argv[0], 4) + ">"; break;
    case EB_HOOK_WIDE_FONT: s = "<gaiji z" + hex(argv[0], 4) + ">"; break;
    case EB_HOOK_GB2312: s = "<gb2312 " + hex(argv[0], 4) + ">"; break;
    case EB_HOOK_BEGIN_MONO_GRAPHIC:
        s = "<mono " + std::to_string(argv[2]) + " " + std::to_string(argv[3]) + ">";
        break;
    case EB_HOOK_END_MONO_GRAPHIC: s = "</mono " + pos(argv[1], argv[2]) + ">"; break;
    case EB_HOOK_BEGIN_GRAY_GRAPHIC: s = "<gray>"; break;
    case EB_HOOK_END_GRAY_GRAPHIC: s = "</gray>"; break;
    case EB_HOOK_BEGIN_COLOR_BMP: s = "<bmp " + pos(argv[2], argv[3]) + ">"; break;
    case EB_HOOK_BEGIN_COLOR_JPEG: s = "<jpeg " + pos(argv[2], argv[3]) + ">"; break;
    case EB_HOOK_BEGIN_IN_COLOR_BMP: s = "<inline-bmp " + pos(argv[2], argv[3]) + ">"; break;
    case EB_HOOK_BEGIN_IN_COLOR_JPEG: s = "<inline-jpeg " + pos(argv[2], argv[3]) + ">"; break;
    case EB_HOOK_END_COLOR_GRAPHIC: s = "</graphic>"; break;
    case EB_HOOK_END_IN_COLOR_GRAPHIC: s = "</inline-graphic>"; break;
    case EB_HOOK_BEGIN_WAVE: s = "<wave " + pos(argv[2], argv[3]) + "-" + pos(argv[4], argv[5]) + ">"; break;
    case EB_HOOK_END_WAVE: s = "</wave>"; break;
    case EB_HOOK_BEGIN_MPEG: {
        char name[EB_MAX_FILE_NAME_LENGTH + 1];
        s = eb_compose_movie_file_name(argv + 2, name) == EB_SUCCESS ? std::string("<mpeg ") + name + ">"
                                                                      : std::string("<mpeg ?>");
        break;
    }
    case EB_HOOK_END_MPEG: s = "</mpeg>"; break;
    case EB_HOOK_BEGIN_GRAPHIC_REFERENCE: s = "<graphic-ref " + pos(argv[1], argv[2]) + ">"; break;
    case EB_HOOK_END_GRAPHIC_REFERENCE: s = "</graphic-ref>"; break;
    case EB_HOOK_GRAPHIC_REFERENCE: s = "<graphic-ref " + pos(argv[1], argv[2]) + "/>"; break;
    case EB_HOOK_BEGIN_DECORATION: s = "<deco " + std::to_string(argv[1]) + ">"; break;
    case EB_HOOK_END_DECORATION: s = "</deco>"; break;
    case EB_HOOK_BEGIN_IMAGE_PAGE: s = "<image-page>"; break;
    case EB_HOOK_END_IMAGE_PAGE: s = "</image-page>"; break;
    case EB_HOOK_BEGIN_CLICKABLE_AREA:
        s = "<area " + std::to_string(argv[1]) + " " + std::to_string(argv[2]) + " " + std::to_string(argv[3]) + " " +
            std::to_string(argv[4]) + " " + pos(argv[5], argv[6]) + ">";
        break;
    case EB_HOOK_END_CLICKABLE_AREA: s = "</area>"; break;
    case EB_HOOK_BEGIN_UNICODE: s = "<unicode>"; break;
    case EB_HOOK_END_UNICODE: s = "</unicode>"; break;
    case EB_HOOK_BEGIN_EBXAC_GAIJI: s = "<ebxac>"; break;
    case EB_HOOK_END_EBXAC_GAIJI: s = "</ebxac>"; break;
    case EB_HOOK_EBXAC_GAIJI: s = "<ebxac-gaiji " + hex(argv[0], 4) + ">"; break;
    default: s = "<hook " + std::to_string(code) + ">"; break;
    }
    return eb_write_text_string(book, s.c_str());
}

// Every hook except the ordinary characters (JIS X 0208, ISO 8859-1), which
// libeb copies as they are, and INITIALIZE, which writes nothing.
void set_tag_hooks(EB_Hookset* hooks) {
    for (EB_Hook_Code code = EB_HOOK_BEGIN_NARROW; code <= EB_HOOK_EBXAC_GAIJI; ++code) {
        if (code == EB_HOOK_ISO8859_1 || code == EB_HOOK_NARROW_JISX0208 || code == EB_HOOK_WIDE_JISX0208) continue;
        EB_Hook hook;
        hook.code = code;
        hook.function = tag_hook;
        eb_set_hook(hooks, &hook);
    }
}

// Reads text (or a heading) from `at` until libeb stops, with markup.
bool read_stream(EbBook* b, EbPosition at, bool heading, std::string* text) {
    EB_Position p{at.page, at.offset};
    EB_Error_Code e = eb_seek_text(&b->book, &p);
    if (e != EB_SUCCESS) return fail(b, "eb_seek_text " + pos(at.page, at.offset), e);
    std::string raw;
    char buf[4096 + 1];  // libeb writes a NUL after the text it returns
    for (;;) {
        ssize_t len = 0;
        e = heading ? eb_read_heading(&b->book, nullptr, &b->hooks, b, sizeof buf - 1, buf, &len)
                    : eb_read_text(&b->book, nullptr, &b->hooks, b, sizeof buf - 1, buf, &len);
        if (e != EB_SUCCESS) return fail(b, heading ? "eb_read_heading" : "eb_read_text", e);
        if (len <= 0) break;
        raw.append(buf, static_cast<size_t>(len));
    }
    // An empty read means the end only when libeb says the text stopped;
    // otherwise output it still holds did not fit and the rest would be lost.
    if (!eb_is_text_stopped(&b->book)) return fail(b, "libeb returned no more text before the end of the text");
    return to_utf8(b, raw, text);
}

bool collect_hits(EbBook* b, std::vector<EbHit>* hits) {
    std::vector<EbHit> found;
    EB_Hit list[256];
    for (;;) {
        int n = 0;
        EB_Error_Code e = eb_hit_list(&b->book, 256, list, &n);
        if (e != EB_SUCCESS) return fail(b, "eb_hit_list", e);
        if (n <= 0) break;
        for (int i = 0; i < n; ++i)
            found.push_back({{list[i].text.page, list[i].text.offset},
                             {list[i].heading.page, list[i].heading.offset},
                             {}});
    }
    // Headings are read once the hit list is complete: reading text between
    // two eb_hit_list calls is not something libeb promises to survive.
    for (EbHit& hit : found)
        if (!read_stream(b, hit.heading, true, &hit.heading_text)) return false;
    *hits = std::move(found);
    return true;
}

bool read_from(EbBook* b, EB_Error_Code (*where)(EB_Book*, EB_Position*), const char* call, std::string* text) {
    EB_Position p;
    EB_Error_Code e = where(&b->book, &p);
    if (e != EB_SUCCESS) return fail(b, call, e);
    return read_stream(b, {p.page, p.offset}, false, text);
}

bool read_binary(EbBook* b, std::string* bytes) {
    std::string data;
    char buf[4096];
    for (;;) {
        ssize_t len = 0;
        EB_Error_Code e = eb_read_binary(&b->book, sizeof buf, buf, &len);
        if (e != EB_SUCCESS) return fail(b, "eb_read_binary", e);
        if (len <= 0) break;
        data.append(buf, static_cast<size_t>(len));
    }
    *bytes = std::move(data);
    return true;
}

int font_code(int height) {
    switch (height) {
    case 16: return EB_FONT_16;
    case 24: return EB_FONT_24;
    case 30: return EB_FONT_30;
    case 48: return EB_FONT_48;
    default: return -1;
    }
}

}  // namespace

EbBook* eb_open_book(const std::string& path, std::string* error) {
    static std::once_flag once;
    static EB_Error_Code init = EB_SUCCESS;
    std::call_once(once, [] { init = eb_initialize_library(); });
    auto message = [&](const char* call, EB_Error_Code e) {
        if (error) *error = std::string(call) + " " + path + ": " + eb_error_string(e) + " (" + eb_error_message(e) + ")";
    };
    if (init != EB_SUCCESS) {
        message("eb_initialize_library", init);
        return nullptr;
    }

    auto* b = new EbBook;
    eb_initialize_book(&b->book);
    eb_initialize_hookset(&b->hooks);
    set_tag_hooks(&b->hooks);

    EB_Error_Code e = eb_bind(&b->book, path.c_str());
    EB_Subbook_Code subbooks[EB_MAX_SUBBOOKS];
    int count = 0;
    EB_Character_Code cc = EB_CHARCODE_JISX0208;
    if (e != EB_SUCCESS) {
        message("eb_bind", e);
    } else if ((e = eb_subbook_list(&b->book, subbooks, &count)) != EB_SUCCESS) {
        message("eb_subbook_list", e);
    } else if (count < 1) {
        if (error) *error = "eb_subbook_list " + path + ": the book has no subbook";
        e = EB_ERR_NO_SUCH_SUB;
    } else if ((e = eb_set_subbook(&b->book, subbooks[0])) != EB_SUCCESS) {
        message("eb_set_subbook", e);
    } else if ((e = eb_character_code(&b->book, &cc)) != EB_SUCCESS) {
        message("eb_character_code", e);
    }
    if (e != EB_SUCCESS) {
        eb_close_book(b);
        return nullptr;
    }
    b->charset = cc == EB_CHARCODE_ISO8859_1 ? "ISO-8859-1" : "EUC-JP";
    return b;
}

void eb_close_book(EbBook* book) {
    if (!book) return;
    eb_finalize_hookset(&book->hooks);
    eb_finalize_book(&book->book);
    delete book;
}

const std::string& eb_error(const EbBook* book) {
    return book->error;
}

bool eb_book_info(EbBook* b, EbBookInfo* info) {
    EbBookInfo r;
    EB_Disc_Code disc;
    EB_Character_Code cc;
    EB_Error_Code e = eb_disc_type(&b->book, &disc);
    if (e != EB_SUCCESS) return fail(b, "eb_disc_type", e);
    r.disc = disc == EB_DISC_EPWING ? "EPWING" : "EB";
    if ((e = eb_character_code(&b->book, &cc)) != EB_SUCCESS) return fail(b, "eb_character_code", e);
    r.character_code = cc == EB_CHARCODE_ISO8859_1 ? "ISO 8859-1"
                       : cc == EB_CHARCODE_JISX0208 ? "JIS X 0208"
                                                    : "JIS X 0208 + GB 2312";
    EB_Subbook_Code subbooks[EB_MAX_SUBBOOKS];
    if ((e = eb_subbook_list(&b->book, subbooks, &r.subbooks)) != EB_SUCCESS) return fail(b, "eb_subbook_list", e);

    char title[EB_MAX_TITLE_LENGTH + 1] = {};
    char directory[EB_MAX_DIRECTORY_NAME_LENGTH + 1] = {};
    if ((e = eb_subbook_title(&b->book, title)) != EB_SUCCESS) return fail(b, "eb_subbook_title", e);
    if ((e = eb_subbook_directory(&b->book, directory)) != EB_SUCCESS) return fail(b, "eb_subbook_directory", e);
    if (!to_utf8(b, title, &r.title)) return false;
    r.directory = directory;

    EB_Book* book = &b->book;
    const std::pair<const char*, int> methods[] = {
        {"word", eb_have_word_search(book)},       {"endword", eb_have_endword_search(book)},
        {"exact", eb_have_exactword_search(book)}, {"keyword", eb_have_keyword_search(book)},
        {"cross", eb_have_cross_search(book)},     {"multi", eb_have_multi_search(book)},
        {"menu", eb_have_menu(book)},              {"image-menu", eb_have_image_menu(book)},
        {"copyright", eb_have_copyright(book)},
    };
    for (const auto& [name, present] : methods)
        if (present) r.methods.push_back(name);

    EB_Font_Code fonts[EB_MAX_FONTS];
    int font_count = 0;
    if ((e = eb_font_list(book, fonts, &font_count)) != EB_SUCCESS) return fail(b, "eb_font_list", e);
    for (int i = 0; i < font_count; ++i) {
        EbFont f;
        if ((e = eb_set_font(book, fonts[i])) != EB_SUCCESS) return fail(b, "eb_set_font", e);
        if ((e = eb_font_height(book, &f.height)) != EB_SUCCESS) return fail(b, "eb_font_height", e);
        if (eb_have_narrow_font(book)) {
            if ((e = eb_narrow_font_start(book, &f.narrow_start)) != EB_SUCCESS) return fail(b, "eb_narrow_font_start", e);
            if ((e = eb_narrow_font_end(book, &f.narrow_end)) != EB_SUCCESS) return fail(b, "eb_narrow_font_end", e);
        }
        if (eb_have_wide_font(book)) {
            if ((e = eb_wide_font_start(book, &f.wide_start)) != EB_SUCCESS) return fail(b, "eb_wide_font_start", e);
            if ((e = eb_wide_font_end(book, &f.wide_end)) != EB_SUCCESS) return fail(b, "eb_wide_font_end", e);
        }
        r.fonts.push_back(f);
    }
    *info = std::move(r);
    return true;
}

bool eb_search(EbBook* b, const std::string& method, const std::vector<std::string>& words,
               std::vector<EbHit>* hits) {
    std::vector<std::string> converted(words.size());
    for (size_t i = 0; i < words.size(); ++i)
        if (!from_utf8(b, words[i], &converted[i])) return false;

    EB_Error_Code e;
    if (method == "word" || method == "endword" || method == "exact") {
        if (converted.size() != 1) return fail(b, method + " search takes exactly one word");
        const char* w = converted[0].c_str();
        e = method == "word" ? eb_search_word(&b->book, w)
            : method == "endword" ? eb_search_endword(&b->book, w)
                                  : eb_search_exactword(&b->book, w);
    } else if (method == "keyword" || method == "cross") {
        if (converted.empty() || converted.size() > EB_MAX_KEYWORDS)
            return fail(b, method + " search takes 1 to " + std::to_string(EB_MAX_KEYWORDS) + " words");
        std::vector<const char*> list;
        for (const std::string& w : converted) list.push_back(w.c_str());
        list.push_back(nullptr);
        e = method == "keyword" ? eb_search_keyword(&b->book, list.data()) : eb_search_cross(&b->book, list.data());
    } else {
        return fail(b, "unknown search method \"" + method + "\"");
    }
    if (e != EB_SUCCESS) return fail(b, "eb_search " + method, e);
    return collect_hits(b, hits);
}

bool eb_search_multi(EbBook* b, int multi_id, const std::vector<std::string>& fields, std::vector<EbHit>* hits) {
    std::vector<std::string> converted(fields.size());
    for (size_t i = 0; i < fields.size(); ++i)
        if (!from_utf8(b, fields[i], &converted[i])) return false;
    // libeb looks at the slot after the last field to tell "too many words",
    // so the list always ends with a null; "" leaves a field unused.
    std::vector<const char*> list;
    for (const std::string& w : converted) list.push_back(w.c_str());
    list.push_back(nullptr);
    EB_Error_Code e = eb_search_multi(&b->book, multi_id, list.data());
    if (e != EB_SUCCESS) return fail(b, "eb_search_multi " + std::to_string(multi_id), e);
    return collect_hits(b, hits);
}

bool eb_multi_searches(EbBook* b, std::vector<EbMulti>* multis) {
    std::vector<EbMulti> r;
    EB_Multi_Search_Code ids[EB_MAX_MULTI_SEARCHES];
    int count = 0;
    EB_Error_Code e = eb_multi_search_list(&b->book, ids, &count);
    if (e != EB_SUCCESS) return fail(b, "eb_multi_search_list", e);
    for (int i = 0; i < count; ++i) {
        EbMulti m;
        char title[EB_MAX_MULTI_TITLE_LENGTH + 1] = {};
        if ((e = eb_multi_title(&b->book, ids[i], title)) != EB_SUCCESS) return fail(b, "eb_multi_title", e);
        if (!to_utf8(b, title, &m.title)) return false;
        int entries[EB_MAX_MULTI_ENTRIES];
        int entry_count = 0;
        if ((e = eb_multi_entry_list(&b->book, ids[i], entries, &entry_count)) != EB_SUCCESS)
            return fail(b, "eb_multi_entry_list", e);
        for (int k = 0; k < entry_count; ++k) {
            EbMultiField f;
            char label[EB_MAX_MULTI_LABEL_LENGTH + 1] = {};
            if ((e = eb_multi_entry_label(&b->book, ids[i], entries[k], label)) != EB_SUCCESS)
                return fail(b, "eb_multi_entry_label", e);
            if (!to_utf8(b, label, &f.label)) return false;
            if (eb_multi_entry_have_candidates(&b->book, ids[i], entries[k])) {
                EB_Position p;
                if ((e = eb_multi_entry_candidates(&b->book, ids[i], entries[k], &p)) != EB_SUCCESS)
                    return fail(b, "eb_multi_entry_candidates", e);
                f.has_candidates = true;
                f.candidates = {p.page, p.offset};
            }
            m.fields.push_back(std::move(f));
        }
        r.push_back(std::move(m));
    }
    *multis = std::move(r);
    return true;
}

bool eb_read_text_at(EbBook* b, EbPosition at, std::string* text) {
    return read_stream(b, at, false, text);
}

bool eb_read_heading_at(EbBook* b, EbPosition at, std::string* text) {
    return read_stream(b, at, true, text);
}

bool eb_read_menu(EbBook* b, std::string* text) {
    return read_from(b, eb_menu, "eb_menu", text);
}

bool eb_read_copyright(EbBook* b, std::string* text) {
    return read_from(b, eb_copyright, "eb_copyright", text);
}

EbPosition eb_text_start(EbBook* b) {
    EB_Position p;
    EB_Error_Code e = eb_text(&b->book, &p);
    if (e != EB_SUCCESS) {
        fail(b, "eb_text", e);
        return {};
    }
    return {p.page, p.offset};
}

bool eb_glyph(EbBook* b, bool narrow, int height, int code, std::string* bitmap) {
    int font = font_code(height);
    if (font < 0) return fail(b, "no font height " + std::to_string(height) + " (16, 24, 30 or 48)");
    EB_Error_Code e = eb_set_font(&b->book, font);
    if (e != EB_SUCCESS) return fail(b, "eb_set_font " + std::to_string(height), e);
    char buf[EB_SIZE_WIDE_FONT_48];
    size_t size = 0;
    if (narrow) {
        if (!eb_have_narrow_font(&b->book)) return fail(b, "no narrow font of height " + std::to_string(height));
        if ((e = eb_narrow_font_size(&b->book, &size)) != EB_SUCCESS) return fail(b, "eb_narrow_font_size", e);
        e = eb_narrow_font_character_bitmap(&b->book, code, buf);
    } else {
        if (!eb_have_wide_font(&b->book)) return fail(b, "no wide font of height " + std::to_string(height));
        if ((e = eb_wide_font_size(&b->book, &size)) != EB_SUCCESS) return fail(b, "eb_wide_font_size", e);
        e = eb_wide_font_character_bitmap(&b->book, code, buf);
    }
    if (e != EB_SUCCESS) return fail(b, std::string(narrow ? "narrow" : "wide") + " glyph " + hex(code, 4), e);
    bitmap->assign(buf, size);
    return true;
}

bool eb_color_graphic(EbBook* b, EbPosition at, std::string* bytes) {
    EB_Position p{at.page, at.offset};
    EB_Error_Code e = eb_set_binary_color_graphic(&b->book, &p);
    if (e != EB_SUCCESS) return fail(b, "eb_set_binary_color_graphic " + pos(at.page, at.offset), e);
    return read_binary(b, bytes);
}

bool eb_wave(EbBook* b, EbPosition start, EbPosition end, std::string* bytes) {
    EB_Position p{start.page, start.offset};
    EB_Position q{end.page, end.offset};
    EB_Error_Code e = eb_set_binary_wave(&b->book, &p, &q);
    if (e != EB_SUCCESS)
        return fail(b, "eb_set_binary_wave " + pos(start.page, start.offset) + "-" + pos(end.page, end.offset), e);
    return read_binary(b, bytes);
}

}  // namespace qeltest
