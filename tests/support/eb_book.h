// Reads an EPWING book back through the EB library (libeb), the way a reader
// program sees it: book facts, searches with their hits and headings, text
// with every control code shown as a tag, gaiji glyphs, graphics and sound.
//
// Only built when libeb is found (QEL_HAVE_LIBEB); tests that use it check
// that macro and skip otherwise.
//
// Text passed in and out is UTF-8. Narrow literals of the test sources are
// stored as Shift_JIS, so write Japanese words as u8"..." and pass them
// through u8str(). The conversion is glibc's EUC-JP, which follows JIS X 0208
// rather than code page 932: 0x2141 reads as U+301C (not U+FF5E), 0x215D as
// U+2212, and the vendor rows (e.g. circled digits in row 13) have no mapping
// and show as <euc XXXX>.
//
// Every call that can fail returns false and leaves libeb's message (or ours)
// in eb_error(book); nothing is half-filled on failure.
//
// Text markup (one tag per control code libeb reports; codes libeb consumes
// without reporting, such as 1F02, are not shown):
//   <n>..</n>            narrow (half-width) region
//   <sub>..</sub>  <sup>..</sup>  <em>..</em>  <nobr>..</nobr>
//   <indent N>           indent level (decimal)
//   <br>\n               newline (a line break follows the tag)
//   <kw XXXX>..</kw>     search key; XXXX = the 1F41 argument (hex)
//   <ref>..</ref P:O>    reference and its target position (decimal)
//   <cand>..</cand leaf>  <cand>..</cand group P:O>   multi-search candidates
//   <gaiji hXXXX> <gaiji zXXXX>                        narrow / wide gaiji
//   <bmp P:O>..</graphic>  <jpeg P:O>..</graphic>      colour graphic
//   <inline-bmp P:O>..</inline-graphic>  <inline-jpeg P:O>..</inline-graphic>
//   <wave P:O-P:O>..</wave>                            sound, end inclusive
//   <mpeg NAME>..</mpeg>
//   <mono A B>..</mono P:O>                            monochrome graphic
//   <graphic-ref P:O>..</graphic-ref>  <graphic-ref P:O/>
//   <image-page>..</image-page>
//   <area X Y W H P:O>..</area>                        clickable area
//   <deco N>..</deco>    character decoration (1 italic, 3 bold)
//   <unicode>..</unicode>  <ebxac>..</ebxac>  <ebxac-gaiji XXXX>
//   <gb2312 XXXX>        a pair libeb takes for GB 2312 (JIS row + high byte)
//   <euc XXXX> <byte XX> bytes the character-set conversion could not map
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace qeltest {

// A place in the book's text file: 2048-byte block (from 1) and byte offset.
struct EbPosition {
    int page = 0;
    int offset = 0;
    bool operator==(const EbPosition&) const = default;
};
inline std::ostream& operator<<(std::ostream& out, const EbPosition& at) {
    return out << at.page << ':' << at.offset;
}

// One search hit: where the entry's text and its heading begin, and the
// heading as eb_read_heading shows it (tagged like the text).
struct EbHit {
    EbPosition text;
    EbPosition heading;
    std::string heading_text;
};

// The glyph code range of one font height; 0 / 0 where that kind is absent.
struct EbFont {
    int height = 0;
    int narrow_start = 0;
    int narrow_end = 0;
    int wide_start = 0;
    int wide_end = 0;
};

// Facts of the book and of its first subbook (the one every call reads).
struct EbBookInfo {
    std::string disc;            // "EPWING" or "EB"
    std::string character_code;  // "JIS X 0208", "ISO 8859-1" or "JIS X 0208 + GB 2312"
    int subbooks = 0;
    std::string title;      // UTF-8
    std::string directory;  // as libeb reports it (lower case)
    // In this order, those present: word endword exact keyword cross multi
    // menu image-menu copyright.
    std::vector<std::string> methods;
    std::vector<EbFont> fonts;  // by ascending height
};

struct EbMultiField {
    std::string label;  // UTF-8
    bool has_candidates = false;
    EbPosition candidates;  // where the candidate list is, when there is one
};

struct EbMulti {
    std::string title;  // UTF-8
    std::vector<EbMultiField> fields;
};

// The book with its first subbook selected.
struct EbBook;

// Opens the book at `path` (the directory holding CATALOGS) and selects its
// first subbook. nullptr with the reason in `error` when that fails.
EbBook* eb_open_book(const std::string& path, std::string* error);
void eb_close_book(EbBook* book);

// The message of the last failed call on `book`.
const std::string& eb_error(const EbBook* book);

// The UTF-8 bytes of a u8"..." literal as a std::string.
inline std::string u8str(const char8_t* text) { return reinterpret_cast<const char*>(text); }

bool eb_book_info(EbBook* book, EbBookInfo* info);

// Searches and collects every hit with its heading. `method` is "word",
// "endword" or "exact" (exactly one word), or "keyword" / "cross" (1 to 5
// words, all must match).
bool eb_search(EbBook* book, const std::string& method, const std::vector<std::string>& words,
               std::vector<EbHit>* hits);

// Multi search `multi_id` (from 0); one word per field, "" = field unused.
bool eb_search_multi(EbBook* book, int multi_id, const std::vector<std::string>& fields,
                     std::vector<EbHit>* hits);
bool eb_multi_searches(EbBook* book, std::vector<EbMulti>* multis);

// Text from `at` to where libeb stops (1F03, or the next entry's search key
// in main text), with markup.
bool eb_read_text_at(EbBook* book, EbPosition at, std::string* text);
// A heading from `at` to its line end.
bool eb_read_heading_at(EbBook* book, EbPosition at, std::string* text);
bool eb_read_menu(EbBook* book, std::string* text);
bool eb_read_copyright(EbBook* book, std::string* text);
// Where the main text begins (eb_text); {0, 0} when the book has none.
EbPosition eb_text_start(EbBook* book);

// The bitmap of gaiji `code` at `height` dots (16, 24, 30 or 48) as libeb
// returns it: rows top to bottom, most significant bit leftmost.
bool eb_glyph(EbBook* book, bool narrow, int height, int code, std::string* bitmap);

// The colour graphic (BMP or JPEG file) stored at `at`.
bool eb_color_graphic(EbBook* book, EbPosition at, std::string* bytes);
// The WAV file libeb rebuilds from the sound between `start` and `end`
// (inclusive).
bool eb_wave(EbBook* book, EbPosition start, EbPosition end, std::string* bytes);

}  // namespace qeltest
