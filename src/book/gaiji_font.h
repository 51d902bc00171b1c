// The book's external characters: the map from Unicode code points to book
// codes and the 16-dot glyphs, read from the converter's gaiji map and font
// files, and the book's font files written from them.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace qel {

// One font of the book: the narrow 8x16 or the wide 16x16 glyphs.
struct GaijiFontSet {
    int start = 0;                 // first code (e.g. 0xA121), 0 when the set is empty
    int count = 0;                 // number of codes from start (codes run 0x21-0x7E in each row)
    std::vector<uint8_t> bitmaps;  // count glyphs, 16 (narrow) or 32 (wide) bytes each, rows top to bottom,
                                   // MSB = leftmost dot; a code with no glyph stays blank
    std::vector<uint8_t> drawn;    // count flags: 1 where the font file gave the code a glyph, 0 for a gap
                                   // or a glyph that was skipped; empty: every code has its glyph
};

// Everything the book needs of the gaiji.
struct BookGaiji {
    std::vector<std::pair<uint32_t, uint16_t>> map;  // (Unicode code point, book code), sorted by code point;
                                                     // a code point mapped twice keeps the file's order
    GaijiFontSet narrow, wide;                       // the 8X16 and the 16X16 set of the font file
};

// Reads the map file (qelgmap.xml) into gaiji.map, replacing what it held.
// A line that is not a well-formed mapping (unicode="#x" and 1-8 hexadecimal
// digits up to 10FFFF, ebcode= a code A121-FE7E with low byte 21-7E), or is
// longer than 1024 bytes, is logged with its line number and skipped, and
// the number skipped is logged. Returns 0, or -1 after reporting a file that
// cannot be opened or holds no <gaijiSet> (it is no map file).
int read_gaiji_map(const std::string& path, BookGaiji& gaiji);

// Reads the font file (qelgfont.xml) into gaiji.narrow and gaiji.wide,
// replacing what they held. A glyph is taken when its code is valid, at or
// after its set's start and not yet defined, and it has exactly 16 rows of
// exactly the set's width made of '#' and blanks; glyphs may come in any
// order. Any other glyph is logged with its line number and skipped (its
// code stays undrawn) and the number skipped is logged; so is a glyph
// outside any fontSet, or in a fontSet of another size or of a size already
// read. Trailing codes a reader would take for a range beyond FE7E are
// dropped the same way. Codes that both sets cover are logged; the narrow set
// wins them in gaiji_book_code. Returns 0, or -1 after reporting a file that
// cannot be opened or holds no <gaijiData> (it is no font file).
int read_gaiji_font(const std::string& path, BookGaiji& gaiji);

// Logs, in one line naming the map file, how many map entries give a code
// that neither set draws (gaiji_book_code passes them over, and the text
// falls back to another character). Call once both files are read. Returns
// that number.
long check_gaiji_codes(const BookGaiji& gaiji, const std::string& map_path);

// Book code for a code point: the first code the map gives it that a set
// draws (the narrow set before the wide one). Returns the code and sets
// *narrow to 1 for the narrow set, 0 for the wide one; returns 0 and sets
// *narrow to 0 when no drawn code exists. `narrow` may be null.
int gaiji_book_code(const BookGaiji& gaiji, uint32_t code_point, int* narrow);

// Writes one font file (header block + glyph blocks, 1024-byte units, padded
// to 2048) for the set: narrow (8x16, 16 bytes a glyph) when `narrow` is
// nonzero, else wide (16x16, 32 bytes). An empty set (count 0) writes nothing
// and returns 0 (the caller leaves its catalog slot empty). Returns 0, or -1
// after reporting a set that no reader would accept (start not a code,
// range beyond FE7E, bitmaps not count glyphs long), a file that cannot be
// created or a failed write.
int write_gaiji_font_file(const std::string& path, const GaijiFontSet& set, int narrow);

}  // namespace qel
