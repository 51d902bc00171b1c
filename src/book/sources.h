// Reading the HTML sources into the book: the body's entries with their
// headings and search keys, the menu pages and the copyright page, each
// written as a text stream of the book file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "book/anchors.h"
#include "book/gaiji_font.h"
#include "book/media.h"
#include "book/problems.h"
#include "book/project.h"
#include "book/search_index.h"
#include "book/text_encoder.h"

namespace qel {

// Blocks a component of the book file occupies.
struct ComponentExtent {
    uint32_t start_block;  // first block (0 when the book has no such component)
    uint32_t blocks;       // number of blocks
};

// Everything made while the sources are read, for one run.
struct BookBuild {
    const BookProject* project;  // the definition read from the project file
    BookGaiji gaiji;             // gaiji codes and glyphs
    BookProblems problems;       // faults of the sources
    AnchorTable anchors;         // link targets of all sources
    std::vector<LinkFixup> fixups;  // references written before their targets
    TextContext context;         // what the encoders share (points into this record)
    ByteSink book;               // the book file being written
    ByteSink headings;           // the heading stream, kept in memory until its place is known
    KeyStore word;               // forward word keys
    KeyStore endword;            // backward word keys (reversed)
    KeyStore keyword;            // condition keys
    BookMedia media;             // figures and sounds named so far
    ComponentExtent text, menu, copyright;  // components written so far
    int entries;                 // entries of the body
    int keys;                    // search keys taken (before duplicates are dropped)
};

// Prepares a build for `project` writing to the open book file `book`
// (which already holds its first block).
void start_book_build(BookBuild& build, const BookProject& project, File* book);

// Adds the anchor names that `path` defines (the "name" of <a> and the "id"
// of any tag) to the build's table, so that links can tell at once whether
// their target exists. 0, or -1 after reporting when the file cannot be read.
int collect_anchor_names(BookBuild& build, const std::string& path);

// Writes the body `path` as the text component: one entry per <dt> (heading
// and text), its search keys into the key stores and its heading into the
// heading stream. Shows progress. 0, or -1 after reporting.
int write_body(BookBuild& build, const std::string& path);

// Writes the menu component: a top menu with one link per menu page (by its
// title), then each page as a text context of its own. 0, or -1 after reporting.
int write_menu(BookBuild& build, const std::vector<BookSource>& pages);

// Writes the copyright component from the page `path`. 0, or -1 after reporting.
int write_copyright(BookBuild& build, const std::string& path);

}  // namespace qel
