// The book writer's run.
#include "book/book_writer.h"

#include <memory>
#include <thread>

#include "book/book_files.h"
#include "book/jis.h"
#include "book/multi_search.h"
#include "book/sources.h"
#include "common/report.h"
#include "common/run.h"
#include "common/written_file.h"
#include "platform/platform.h"

namespace qel {

namespace {

// Lower-case form of an ASCII name: the book's directories and files are
// written so (a reader matches names without regard to case).
std::string lower(const std::string& name) {
    std::string s = name;
    for (char& c : s) c = ascii_lower(c);
    return s;
}

int make_directories(const std::vector<std::string>& dirs) {
    for (const std::string& d : dirs)
        if (make_directory(d.c_str()) != 0) {
            report("ディレクトリ %s が作成できません\n", d.c_str());
            return -1;
        }
    return 0;
}

int read_gaiji(BookBuild& b, const BookProject& p) {
    if (!p.gaiji_map.empty() && read_gaiji_map(p.gaiji_map, b.gaiji) != 0) return -1;
    if (!p.gaiji_font.empty() && read_gaiji_font(p.gaiji_font, b.gaiji) != 0) return -1;
    if (!p.gaiji_map.empty()) check_gaiji_codes(b.gaiji, p.gaiji_map);
    return 0;
}

// Writes the heading stream as the heading component.
ComponentExtent write_headings(BookBuild& b) {
    sink_pad_to_block(b.book);
    ComponentExtent extent{static_cast<uint32_t>(sink_offset(b.book) / TextBlockSize) + 1, 0};
    sink_put(b.headings, "\x1F\x03", 2);
    sink_put(b.book, b.headings.bytes.data(), b.headings.used);
    sink_pad_to_block(b.book);
    extent.blocks = static_cast<uint32_t>(sink_offset(b.book) / TextBlockSize) + 1 - extent.start_block;
    return extent;
}

// Writes one definition page per multi search of the complex-search
// definition, and the page of their titles.
int write_multi_searches(BookBuild& b, const IndexExtent& condition, std::vector<IndexPageEntry>& page) {
    std::vector<MultiSearch> searches;
    if (read_complex_definition(b.project->complex, b.context, searches) != 0) return -1;
    if (searches.empty()) return 0;
    if (condition.start_block == 0) {
        report("※ 条件の検索語がないため、複合検索は作りません\n");
        return 0;
    }
    for (const MultiSearch& search : searches) {
        uint32_t block = static_cast<uint32_t>(sink_offset(b.book) / TextBlockSize) + 1;
        std::vector<unsigned char> bytes = make_multi_page(search, condition);
        sink_put(b.book, bytes.data(), bytes.size());
        page.push_back({0xFF, block, 1, 0x02, search_style(b.project->delSym)});
    }
    uint32_t block = static_cast<uint32_t>(sink_offset(b.book) / TextBlockSize) + 1;
    std::vector<unsigned char> titles = make_search_title_page(searches);
    sink_put(b.book, titles.data(), titles.size());
    page.push_back({0x16, block, 1, 0x00, 0});
    report_log("  複合検索: %d 個\n", static_cast<int>(searches.size()));
    return 0;
}

// Sorts and writes the search indexes; adds their index-page entries.
int write_indexes(BookBuild& b, uint32_t heading_base, std::vector<IndexPageEntry>& page) {
    struct Index {
        KeyStore* store;
        int id;
        const char* name;
    };
    const Index indexes[] = {{&b.word, 0x91, "前方一致"}, {&b.endword, 0x71, "後方一致"}, {&b.keyword, 0x80, "条件"}};
    report("検索索引を作成しています... ");
    const BookProject& p = *b.project;
    IndexExtent condition{0, 0, 0};
    // The stores are sorted side by side: they share nothing.
    {
        std::thread word([&b] { sort_search_keys(b.word); });
        std::thread endword([&b] { sort_search_keys(b.endword); });
        sort_search_keys(b.keyword);
        word.join();
        endword.join();
    }
    for (const Index& index : indexes) {
        if (index.store->items.empty()) continue;
        IndexExtent extent;
        std::string error;
        if (write_search_index(b.book, *index.store, heading_base, extent, error) != 0) {
            report("\n%s検索の索引が作れません: %s\n", index.name, error.c_str());
            return -1;
        }
        // The condition keys serve multi search even without keyword search.
        if (index.id == 0x80) condition = extent;
        if (index.id != 0x80 || p.KeywordSearch)
            page.push_back({index.id, extent.start_block, extent.blocks, 0x02, search_style(p.delSym)});
        report_log("  %s検索: 検索語 %ld 個、%u ブロック\n", index.name, static_cast<long>(index.store->items.size()),
                   extent.blocks);
        // The keys are written: their memory goes back before the next index.
        KeyStore().arena.swap(index.store->arena);
        LargeVector<KeySortItem>().swap(index.store->items);
    }
    report("終了しました\n");
    if (p.ComplexSearch && !p.complex.empty()) return write_multi_searches(b, condition, page);
    return 0;
}

// Creates the book's text file with room for its first block, the index
// page, which is written last. None after reporting.
File* open_book_file(const std::string& honmon) {
    File* f = file_open(honmon.c_str(), FILE_WRITE_RAW);
    if (!f) {
        report("本文ファイル %s が新規作成できません\n", honmon.c_str());
        return nullptr;
    }
    std::vector<unsigned char> zero(TextBlockSize, 0);
    file_write(f, zero.data(), zero.size());
    return f;
}

// Reads the body, the menu pages and the copyright page into the book. 0,
// -1, or 1 when the body is to be read again, whole.
int write_sources(BookBuild& b, const BookProject& p) {
    int status = write_body(b, p.sources[0].path);
    if (status != 0) return status;
    if (p.sources.size() > 1)
        status = write_menu(b, std::vector<BookSource>(p.sources.begin() + 1, p.sources.end()));
    if (status == 0 && !p.copyright.empty()) status = write_copyright(b, p.copyright);
    return status;
}

// Writes every part of the book into `root`. 0, or -1 after reporting.
int build_into(BookBuild& b, const BookProject& p, const std::string& root) {
    std::string subbook = join_path(root, lower(p.directory));
    std::string data = join_path(subbook, "data");
    std::string gaiji = join_path(subbook, "gaiji");
    if (make_directory_levels(root) != 0 || make_directories({subbook, data, gaiji}) != 0) return -1;
    std::string honmon = join_path(data, "honmon");
    File* f = open_book_file(honmon);
    if (!f) return -1;
    start_book_build(b, p, f);
    b.scratch = join_path(data, "honmon.half");
    int status = write_sources(b, p);
    // Read again, whole, when the halves of the body did not meet cleanly;
    // and knowing which anchors exist, when links to missing ones went out.
    for (int again = 0; again < 2 && status >= 0; ++again) {
        int halves = status == 1;
        if (!halves && (status != 0 || !dead_links_written(b))) break;
        file_close(f);
        f = open_book_file(honmon);
        if (!f) {
            release_problem_log(b.problems);
            return -1;
        }
        restart_book_build(b, f, !halves);
        b.whole = 1;
        status = write_sources(b, p);
    }
    if (status > 0) status = -1;
    release_problem_log(b.problems);
    std::vector<IndexPageEntry> page;
    if (status == 0) {
        ComponentExtent headings = write_headings(b);
        uint32_t heading_base = (headings.start_block - 1) * TextBlockSize;
        page.push_back({0x00, b.text.start_block, b.text.blocks, 0x02, 0});
        if (b.menu.start_block) page.push_back({0x01, b.menu.start_block, b.menu.blocks, 0x02, 0});
        if (b.copyright.start_block) page.push_back({0x02, b.copyright.start_block, b.copyright.blocks, 0x02, 0});
        page.push_back({0x05, headings.start_block, headings.blocks, 0x02, 0});
        page.push_back({0x07, headings.start_block, headings.blocks, 0x02, 0});
        status = write_indexes(b, heading_base, page);
    }
    if (status == 0 && (b.media.graphics > 0 || b.media.sounds > 0)) {
        report("図版と音声を収録しています... ");
        for (int sounds = 0; sounds < 2 && status == 0; ++sounds) {
            if ((sounds ? b.media.sounds : b.media.graphics) == 0) continue;
            sink_pad_to_block(b.book);
            uint32_t start = static_cast<uint32_t>(sink_offset(b.book) / TextBlockSize) + 1;
            status = write_media_area(b.book, b.media, b.anchors, sounds);
            sink_pad_to_block(b.book);
            uint32_t blocks = static_cast<uint32_t>(sink_offset(b.book) / TextBlockSize) + 1 - start;
            page.push_back({sounds ? 0xD8 : 0xD2, start, blocks, 0x00, 0});
        }
        if (status == 0) report("終了しました (図版 %d 個、音声 %d 個)\n", b.media.graphics, b.media.sounds);
    }
    if (status == 0 && sink_offset(b.book) > 0xFFFFF000u) {
        report("書籍の本文ファイルが大きすぎます(4GB以上)\n");
        status = -1;
    }
    if (sink_flush(b.book) != 0) status = -1;
    if (status == 0) {
        std::vector<unsigned char> index_page = make_index_page(page);
        if (file_seek(f, 0) != 0 || file_write(f, index_page.data(), index_page.size()) != index_page.size())
            status = -1;
    }
    if (close_written_file(f, honmon) != 0) status = -1;
    if (status != 0) return -1;
    uint32_t first_entry = (b.text.start_block - 1) * TextBlockSize + 2;
    if (complete_references(honmon, b.fixups, b.anchors, first_entry) != 0) return -1;

    // The fonts, under the names the project gives them.
    std::string narrow = b.gaiji.narrow.count > 0 ? p.narrow_font : "";
    std::string wide = b.gaiji.wide.count > 0 ? p.wide_font : "";
    if (b.gaiji.narrow.count > 0 && narrow.empty())
        report("※ 半角外字フォントの名前が書籍定義にないため、半角外字は表示されません\n");
    if (b.gaiji.wide.count > 0 && wide.empty())
        report("※ 全角外字フォントの名前が書籍定義にないため、全角外字は表示されません\n");
    if (!narrow.empty() && write_gaiji_font_file(join_path(gaiji, lower(narrow)), b.gaiji.narrow, 1) != 0) return -1;
    if (!wide.empty() && write_gaiji_font_file(join_path(gaiji, lower(wide)), b.gaiji.wide, 0) != 0) return -1;
    return write_whole_file(join_path(root, "catalogs"), make_catalog(p, narrow, wide));
}

}  // namespace

int write_book(const BookSettings& settings) {
    BookProject project;
    if (read_book_project(settings.BASEPATH, project) != 0) return -1;
    echo_book_project(project);
    std::unique_ptr<BookBuild> build(new BookBuild());
    if (read_gaiji(*build, project) != 0) return -1;

    // The book is made beside OUTPATH and moved into place when complete.
    std::string out = directory_path(settings.OUTPATH);
    std::string root = out.empty() ? "qelbook-tmp" : out + ".qelbook-tmp";
    if (remove_tree(root.c_str()) != 0) {
        report("作業ディレクトリ %s が削除できません\n", root.c_str());
        return -1;
    }
    int status = build_into(*build, project, root);
    if (status == 0) status = install_book(root, settings.OUTPATH, {"catalogs", lower(project.directory)});
    remove_tree(root.c_str());
    report_problems(build->problems);
    if (status != 0) {
        report("書籍は作成されませんでした。%s の書籍は元のままです\n", out.empty() ? "." : out.c_str());
        return -1;
    }
    report("書籍 %s を作成しました (%d 項目、検索語 %d 個)\n", join_path(out, lower(project.directory)).c_str(),
           build->entries, build->keys);
    return 0;
}

int report_book_summary(int status, const RunClock& clock) {
    report(status == 0 ? "書籍の作成が終了しました\n" : "書籍の作成に失敗しました\n");
    report_end_and_elapsed(clock);
    report_log("\n");
    return status == -1 ? 1 : 0;
}

}  // namespace qel
