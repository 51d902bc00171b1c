// The book's definition as the project file "qel.ebs" gives it, and the
// settings qelbook takes from "qelconv.ini".
#pragma once

#include <string>
#include <vector>

namespace qel {

// What qelbook reads of "qelconv.ini": the two directories it works between,
// read as the converter reads them: a value given ends with a slash or a
// backslash (an empty one becomes a single backslash); a key not given
// leaves the working directory.
struct BookSettings {
    std::string BASEPATH;  // where the converter's sources of the book lie
    std::string OUTPATH;   // where the book is written
};

// Reads BASEPATH and OUTPATH from "qelconv.ini" in the working directory and
// echoes them; every other key is passed over. Returns 0, or -1 after
// reporting when the file cannot be opened.
int read_book_settings(BookSettings& settings);

// One HTML source of the book.
struct BookSource {
    std::string path;   // the file (BASEPATH put in place of "$(BASE)\")
    std::string title;  // its title, Shift_JIS; menu pages are listed by it
};

// The project file's definition of the book.
struct BookProject {
    std::string path;            // the project file read
    std::string title;           // the book's title, Shift_JIS
    std::string directory;       // subbook directory name, 1-8 ASCII letters, digits or _ (as given)
    std::string kind;            // kind of dictionary ("英和辞典" ...)
    int book_type;               // book type code of the catalog (genre and format version)
    std::string copyright;       // copyright page, empty for none
    std::string complex;         // complex-search definition, empty for none
    std::string gaiji_font;      // the gaiji glyphs (GaijiFile=), empty for none
    std::string gaiji_map;       // the gaiji codes (GaijiMapFile=), empty for none
    std::string narrow_font;     // file name of the 16-dot narrow gaiji font, empty for none
    std::string wide_font;       // file name of the 16-dot wide gaiji font, empty for none
    std::vector<BookSource> sources;  // the body first, then the menu pages
    int WordSearchHyoki;         // forward word search from the 前方表記 keys
    int EndWordSearchHyoki;      // backward word search from the 後方表記 keys
    int KeywordSearch;           // keyword search from the 条件 keys
    int ComplexSearch;           // multi search over the 条件 keys
    int DTTagIndex;              // the dt texts are search keys too
    int delBlank;                // blanks are left out of keys
    int delSym;                  // the marks ・ ‐ ’ − are left out of keys
};

// Reads `base` + "qel.ebs". Returns 0, or -1 after reporting the file and
// the line at fault (missing file, no Book= line, too few fields, a
// directory name that is empty, longer than 8 characters or not plain
// ASCII, no Source= line).
int read_book_project(const std::string& base, BookProject& project);

// Echoes the definition the book is made from.
void echo_book_project(const BookProject& project);

// The catalog's book type for a kind of dictionary: its genre in the high
// byte (English-Japanese 0x20, ...; an unknown kind is a general book, 0x60)
// and format version 1 in the low byte.
int book_type_code(const std::string& kind);

}  // namespace qel
