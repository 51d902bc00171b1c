// The fixed structures of a book: its index page, its catalog, the
// references completed once the whole text file is written, and the move of
// a finished book into its place.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "book/anchors.h"
#include "book/project.h"

namespace qel {

// One entry of the text file's index page: a component and how it is read.
struct IndexPageEntry {
    int id;                // component id (0x00 text, 0x01 menu, 0x02 copyright, 0x05/0x07 headings, 0x91 ...)
    uint32_t start_block;  // its first block (a search index: its root page)
    uint32_t blocks;       // blocks it occupies
    int availability;      // 0x02 when `style` is to be read
    uint32_t style;        // style flags of a search index (24 bits)
};

// Style of the word, endword and keyword indexes: katakana kept, lower case
// made upper, the marks deleted (or kept), kana kept as they are. A reader
// normalises its queries the same way.
uint32_t search_style(int delete_marks);

// The 2048 bytes of the index page.
std::vector<unsigned char> make_index_page(const std::vector<IndexPageEntry>& entries);

// The catalog of a book of one subbook (header and one record, padded to a
// block): book type, title in JIS X 0208 (at most 40 characters), directory
// name, index page 1, and the wide and narrow 16-dot font names (empty for none).
std::vector<unsigned char> make_catalog(const BookProject& project, const std::string& narrow_font,
                                        const std::string& wide_font);

// Writes `bytes` as the file `path`. 0, or -1 after reporting.
int write_whole_file(const std::string& path, const std::vector<unsigned char>& bytes);

// Completes the references of the text file `path` still waiting for their
// targets (a target never placed leads to the start of the text, noted by
// the caller). 0, or -1 after reporting.
int complete_references(const std::string& path, LargeVector<LinkFixup>& fixups, const AnchorTable& anchors,
                        uint32_t fallback);

// Replaces the book in `outpath` by the finished one in `built`: every entry
// of `names` (the catalog and the subbook directory) that `outpath` holds
// under any case, and an old "catalog" file that would hide the new
// catalog, is moved aside, the new ones moved in, and what was moved aside
// removed. When a move fails, the earlier book is put back. 0, or -1 after
// reporting.
int install_book(const std::string& built, const std::string& outpath, const std::vector<std::string>& names);

// Makes `dir` and every missing directory above it. 0, or -1 after reporting.
int make_directory_levels(const std::string& dir);

// A directory path without its trailing separators ("" for the working directory).
std::string directory_path(const std::string& dir);

// Joins a directory (with or without trailing separator, "" for the working
// directory) and a name with a backslash, the separator of formed paths on
// every platform.
std::string join_path(const std::string& dir, const std::string& name);

}  // namespace qel
