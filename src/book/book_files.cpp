// Index page, catalog, references and installation of the book.
#include "book/book_files.h"

#include <algorithm>
#include <cstring>

#include "book/big_endian.h"
#include "book/jis.h"
#include "book/text_encoder.h"
#include "common/report.h"
#include "common/written_file.h"
#include "platform/platform.h"

namespace qel {

namespace {



// The title in JIS X 0208, two bytes a character, at most `room` bytes.
std::string title_jis(const std::string& title, size_t room) {
    std::string out;
    for (size_t i = 0; i < title.size() && out.size() + 2 <= room;) {
        unsigned char c = static_cast<unsigned char>(title[i]);
        int code;
        if (c < 0x80) {
            code = ascii_to_jis(c);
            ++i;
        } else if (c >= 0xA1 && c <= 0xDF) {
            code = halfwidth_kana_to_jis(c);
            ++i;
        } else if (i + 1 < title.size()) {
            code = sjis_to_jis(c, static_cast<unsigned char>(title[i + 1]));
            i += 2;
        } else {
            code = 0;
            ++i;
        }
        if (code == 0) code = JisSubstitute;
        out += static_cast<char>(code >> 8);
        out += static_cast<char>(code & 0xFF);
    }
    return out;
}

int same_name(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return 0;
    for (size_t i = 0; i < a.size(); ++i)
        if (ascii_lower(a[i]) != ascii_lower(b[i])) return 0;
    return 1;
}

}  // namespace

uint32_t search_style(int delete_marks) {
    return delete_marks ? 0x415554 : 0x455554;
}

std::vector<unsigned char> make_index_page(const std::vector<IndexPageEntry>& entries) {
    std::vector<unsigned char> page(TextBlockSize, 0);
    put16(page.data(), static_cast<uint32_t>(entries.size()));
    unsigned char* p = page.data() + 16;
    for (const IndexPageEntry& e : entries) {
        p[0] = static_cast<unsigned char>(e.id);
        put32(p + 2, e.start_block);
        put32(p + 6, e.blocks);
        p[10] = static_cast<unsigned char>(e.availability);
        p[11] = static_cast<unsigned char>(e.style >> 16);
        p[12] = static_cast<unsigned char>(e.style >> 8);
        p[13] = static_cast<unsigned char>(e.style);
        p += 16;
    }
    return page;
}

std::vector<unsigned char> make_catalog(const BookProject& project, const std::string& narrow_font,
                                        const std::string& wide_font) {
    std::vector<unsigned char> c(TextBlockSize, 0);
    put16(c.data(), 1);      // one subbook
    put16(c.data() + 2, 1);  // format version 1: text, graphics and sound in one file
    unsigned char* r = c.data() + 16;
    put16(r, static_cast<uint32_t>(project.book_type));
    std::string title = title_jis(project.title, 80);
    std::memcpy(r + 2, title.data(), title.size());
    std::memset(r + 82, ' ', 8);
    for (size_t i = 0; i < project.directory.size() && i < 8; ++i) {
        char ch = project.directory[i];
        r[82 + i] = static_cast<unsigned char>(ch >= 'a' && ch <= 'z' ? ch - 'a' + 'A' : ch);
    }
    put16(r + 94, 1);  // the index page is block 1
    // Font names by height (16, 24, 30, 48): only the 16-dot fonts exist.
    for (int slot = 0; slot < 4; ++slot) {
        std::memset(r + 100 + 8 * slot, slot == 0 && !wide_font.empty() ? ' ' : 0, 8);
        std::memset(r + 132 + 8 * slot, slot == 0 && !narrow_font.empty() ? ' ' : 0, 8);
    }
    std::memcpy(r + 100, wide_font.data(), std::min<size_t>(8, wide_font.size()));
    std::memcpy(r + 132, narrow_font.data(), std::min<size_t>(8, narrow_font.size()));
    return c;
}

int write_whole_file(const std::string& path, const std::vector<unsigned char>& bytes) {
    File* f = file_open(path.c_str(), FILE_WRITE_RAW);
    if (!f) {
        report("ファイル %s が新規作成できません\n", path.c_str());
        return -1;
    }
    file_write(f, bytes.data(), bytes.size());
    return close_written_file(f, path);
}

int complete_references(const std::string& path, LargeVector<LinkFixup>& fixups, const AnchorTable& anchors,
                        uint32_t fallback) {
    if (fixups.empty()) return 0;
    std::sort(fixups.begin(), fixups.end(),
              [](const LinkFixup& a, const LinkFixup& b) { return a.offset < b.offset; });
    File* f = file_open(path.c_str(), FILE_UPDATE_RAW);
    if (!f) {
        report("ファイル %s がオープンできません\n", path.c_str());
        return -1;
    }
    // The references are completed a window at a time, in file order.
    const uint32_t Window = 1 << 16;
    std::vector<unsigned char> window(Window + 8);
    int status = 0;
    size_t i = 0;
    while (i < fixups.size() && status == 0) {
        uint32_t start = fixups[i].offset / Window * Window;
        if (file_seek(f, start) != 0) {
            status = -1;
            break;
        }
        size_t got = file_read(f, window.data(), window.size());
        for (; i < fixups.size() && fixups[i].offset < start + Window; ++i) {
            uint32_t at = fixups[i].offset - start;
            if (at + 6 > got) {
                status = -1;
                break;
            }
            uint32_t target = anchors.position[fixups[i].anchor];
            bcd_position(target == NoPosition ? fallback : target, window.data() + at);
        }
        if (status == 0 && (file_seek(f, start) != 0 || file_write(f, window.data(), got) != got)) status = -1;
    }
    if (close_written_file(f, path) != 0) return -1;
    if (status != 0) report("ファイル %s のリンク先を書き込めません\n", path.c_str());
    return status;
}

std::string directory_path(const std::string& dir) {
    std::string d = dir;
    while (!d.empty() && (d.back() == '\\' || d.back() == '/')) d.pop_back();
    return d;
}

std::string join_path(const std::string& dir, const std::string& name) {
    std::string d = directory_path(dir);
    return d.empty() ? name : d + "\\" + name;
}

int make_directory_levels(const std::string& dir) {
    std::string d = directory_path(dir);
    for (size_t i = 1; i <= d.size(); ++i) {
        if (i < d.size() && d[i] != '/' && d[i] != '\\') continue;
        std::string level = d.substr(0, i);
        if (!path_exists(level.c_str()) && make_directory(level.c_str()) != 0) {
            report("ディレクトリ %s が作成できません\n", level.c_str());
            return -1;
        }
    }
    return 0;
}

int install_book(const std::string& built, const std::string& outpath, const std::vector<std::string>& names) {
    std::string out = directory_path(outpath);
    std::string out_dir = out.empty() ? "." : out;
    if (!path_is_directory(out_dir.c_str()) && make_directory_levels(out) != 0) return -1;
    // What the new book replaces.
    std::vector<std::string> present;
    if (list_directory(out_dir.c_str(), present) != 0) {
        report("出力ディレクトリ %s が読めません\n", out_dir.c_str());
        return -1;
    }
    std::vector<std::string> old;
    for (const std::string& entry : present)
        for (const std::string& name : names)
            if (same_name(entry, name) || same_name(entry, "catalog")) {
                old.push_back(entry);
                break;
            }
    std::string aside = built + "-old";
    remove_tree(aside.c_str());
    if (make_directory(aside.c_str()) != 0) {
        report("作業ディレクトリ %s が作成できません\n", aside.c_str());
        return -1;
    }
    size_t moved_old = 0, moved_new = 0;
    int status = 0;
    for (; moved_old < old.size(); ++moved_old)
        if (rename_path(join_path(out, old[moved_old]).c_str(), join_path(aside, old[moved_old]).c_str()) != 0) {
            report("以前の書籍の %s を移動できません\n", join_path(out, old[moved_old]).c_str());
            status = -1;
            break;
        }
    if (status == 0)
        for (; moved_new < names.size(); ++moved_new)
            if (rename_path(join_path(built, names[moved_new]).c_str(), join_path(out, names[moved_new]).c_str()) !=
                0) {
                report("新しい書籍の %s を %s に移動できません\n", names[moved_new].c_str(), out_dir.c_str());
                status = -1;
                break;
            }
    if (status != 0) {
        // Put the earlier book back as it was.
        while (moved_new > 0) {
            --moved_new;
            rename_path(join_path(out, names[moved_new]).c_str(), join_path(built, names[moved_new]).c_str());
        }
        while (moved_old > 0) {
            --moved_old;
            rename_path(join_path(aside, old[moved_old]).c_str(), join_path(out, old[moved_old]).c_str());
        }
        remove_tree(aside.c_str());
        return -1;
    }
    remove_tree(aside.c_str());
    return 0;
}

}  // namespace qel
