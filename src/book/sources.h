// Reading the HTML sources into the book: the body's entries with their
// headings and search keys, the menu pages and the copyright page, each
// written as a text stream of the book file.
#pragma once

#include <cstdint>
#include <utility>
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
    LargeVector<LinkFixup> fixups;  // references written before their targets
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
    std::string scratch;         // a file beside the book's text file for the second half of a
                                 // body read in two halves at once (removed when done)
    LargeVector<std::pair<uint32_t, int>> definitions;  // a second half's anchors as placed, with
                                                        // their lines (for duplicates across halves)
    int keep_definitions;        // fill `definitions` (a second half)
    int whole;                   // read the body whole (its halves did not meet cleanly)
    std::vector<uint8_t> defined;  // after a first reading that wrote links to anchors no
                                   // source defines: 1 for each anchor the sources define;
                                   // empty in a first reading, where every link is taken to
                                   // lead somewhere
};

// Prepares a build for `project` writing to the open book file `book`
// (which already holds its first block). Problems are held back from the
// log until release_problem_log.
void start_book_build(BookBuild& build, const BookProject& project, File* book);

// 1 when the sources read so far hold a link to an anchor that none of them
// defines: it was written as a link and must become plain text, so the
// sources are to be read again.
int dead_links_written(const BookBuild& build);

// Prepares the build for another reading, into the emptied book file `book`
// (which already holds its first block): what the last reading wrote is
// forgotten; with `knowing_anchors` the anchors it placed are kept as the
// ones the sources define.
void restart_book_build(BookBuild& build, File* book, int knowing_anchors);

// Writes the body `path` as the text component: one entry per <dt> (heading
// and text), its search keys into the key stores and its heading into the
// heading stream; a large body in two halves at once. Shows progress. 0, -1
// after reporting, or 1 when the halves did not meet between two entries and
// the sources are to be read again with the body whole.
int write_body(BookBuild& build, const std::string& path);

// Writes the menu component: a top menu with one link per menu page (by its
// title), then each page as a text context of its own. 0, or -1 after reporting.
int write_menu(BookBuild& build, const std::vector<BookSource>& pages);

// Writes the copyright component from the page `path`. 0, or -1 after reporting.
int write_copyright(BookBuild& build, const std::string& path);

}  // namespace qel
