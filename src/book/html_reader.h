// Reading the HTML sources of the book (the body, the menu pages and the
// copyright page) as a stream of text runs and tags, one file front to back
// through a fixed window, whatever the file's size.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"

namespace qel {

enum HtmlTokenKind {
    HTML_END,        // the end of the file (or a 0x1A byte)
    HTML_TEXT,       // a run of text, entities not yet decoded
    HTML_START_TAG,  // <name attributes> or <name/>
    HTML_END_TAG     // </name>
};

struct HtmlAttribute {
    std::string_view name;   // as written (compared without regard to case)
    std::string_view value;  // as written between its quotes, entities not yet decoded
};

// One token. Its texts point into the reader's window and stay valid until
// the next call.
struct HtmlToken {
    int kind;                               // an HtmlTokenKind
    const char* text;                       // HTML_TEXT: first byte of the run
    size_t length;                          // HTML_TEXT: bytes of the run
    std::string_view name;                  // tags: the name in lower case
    std::string lowered;                    // a name written with capitals, in lower case
    std::vector<HtmlAttribute> attributes;  // start tags: the first `attribute_count` are this tag's
    int attribute_count;                    // start tags: attributes given
    int line;                               // line of the file where the token starts (from 1)
};

// The reader of one file.
struct HtmlReader {
    std::string path;      // the file, for messages
    File* file;            // open while reading
    std::vector<char> window;  // bytes read and not yet taken
    size_t start;          // next byte of the window to take
    size_t end;            // bytes held in the window
    int ended;             // the file has no more bytes to give
    int line;              // line of the next byte
    int64_t taken;         // bytes of the file taken so far (for progress)
    int64_t size;          // size of the file (or of the part read), -1 when unknown
    int64_t left;          // bytes of the file still to be read into the window, -1 for all
    int bad_tags;          // "<" that opened no well-formed tag (read as text)
    int64_t last_bad_tag_at; // bytes taken before the last of them, -1 for none
};

// Opens `path` for reading. 0, or -1 when it cannot be opened (nothing reported).
int open_html(HtmlReader& reader, const std::string& path);
// Opens `path` for reading the bytes from `begin` up to `end` only, as if
// they were a file whose first line is line `first_line` of the whole. 0 or -1.
int open_html_range(HtmlReader& reader, const std::string& path, int64_t begin, int64_t end, int first_line);
// Reads `length` bytes of `text` (a fragment such as an attribute value)
// instead of a file; `name` stands for the file in messages. A reader used so
// needs no closing, and keeps its window's room for the next fragment.
void open_html_text(HtmlReader& reader, const char* text, size_t length, const std::string& name);
void close_html(HtmlReader& reader);

// Longest tag (or comment, declaration) the reader takes whole.
const size_t HtmlTagLimit = (1 << 16) - 1;

// Takes the next token. A "<" that does not start a tag ("<" followed by a
// blank, a digit or the like, or a tag without ">" within 64 KiB) is text.
// Comments, declarations and processing instructions are passed over. A text
// run ends at a "<" or where the window ends (never inside a two-byte
// character or an entity). Returns the token's kind.
int next_html_token(HtmlReader& reader, HtmlToken& token);

// The value of attribute `name` (lower case) of a start tag, or none.
const std::string_view* html_attribute(const HtmlToken& token, std::string_view name);

// Code point given for a well-formed entity of unknown name ("&foo;") or a
// reference to no character (a surrogate, 0x110000 or more).
const uint32_t UnknownEntity = 0xFFFFFFFF;

// Decodes the character reference or entity at `p` (which holds "&"), reading
// no further than `end`. Returns the number of bytes it takes and sets
// `code_point` (UnknownEntity for one the book cannot read); 0 when no
// reference starts there (the "&" is then an ordinary character). Known
// names: amp, lt, gt, quot, apos, nbsp; references "&#NNN;" and "&#xHHHH;".
size_t decode_entity(const char* p, const char* end, uint32_t* code_point);

}  // namespace qel
