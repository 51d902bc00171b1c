// The book's text streams: characters of the sources turned into JIS X 0208
// cells, narrow regions, gaiji codes and control codes, written to the book
// file (or held in memory, for the headings) as the sources are read.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "common/large_vector.h"
#include "book/anchors.h"
#include "book/gaiji_font.h"
#include "book/problems.h"
#include "platform/platform.h"

namespace qel {

// Size of a block of the book file.
const uint32_t TextBlockSize = 2048;

// Where a stream's bytes go: appended to the book file through a buffer, or
// kept in memory until the stream's place in the file is known.
// References whose targets are known by the time their bytes go to the file
// are completed in the buffer; the others wait in `fixups` for the end.
struct ByteSink {
    File* file;               // the book file, or none for a stream kept in memory
    LargeVector<char> bytes;  // room for the bytes not yet handed to the file (all of them in memory)
    size_t used;              // bytes of `bytes` in use
    uint64_t base;            // offset of bytes[0]: in the book file, or in the memory stream
    int failed;         // a write to the file failed
    LargeVector<LinkFixup>* fixups;  // references waiting for targets (file sinks), or none
    const AnchorTable* anchors;      // where their targets are
    size_t fixups_passed;            // fixups before this one lie in bytes already written
};

// Offset of the next byte to be written.
inline uint64_t sink_offset(const ByteSink& sink) {
    return sink.base + sink.used;
}
// Makes room for `size` more bytes: a file sink hands its bytes to the file,
// a memory sink grows.
void sink_make_room(ByteSink& sink, size_t size);
inline void sink_put(ByteSink& sink, const void* data, size_t size) {
    if (sink.bytes.size() - sink.used < size) sink_make_room(sink, size);
    std::memcpy(sink.bytes.data() + sink.used, data, size);
    sink.used += size;
}
// Hands the buffered bytes to the file. 0, or -1 when a write failed.
int sink_flush(ByteSink& sink);
// Zero bytes up to the next block boundary.
void sink_pad_to_block(ByteSink& sink);

// What all streams of one book share while its sources are read.
struct TextContext {
    const BookGaiji* gaiji;           // the book's gaiji codes
    BookProblems* problems;           // faults found so far
    AnchorTable* anchors;             // link targets
    LargeVector<LinkFixup>* fixups;   // references waiting for their targets
    std::string file;                 // source being read, for messages
    int line;                         // line of that source being read
    int resolve;                      // 0: every reference waits for the end, even to a placed anchor
                                      // (positions of this stream are not final yet)
};

// Text attributes that open and close around a piece of text.
enum TextModifier {
    MOD_EMPHASIS,     // <b>
    MOD_ITALIC,       // <i>
    MOD_SUPERSCRIPT,  // <sup>
    MOD_SUBSCRIPT,    // <sub>
    MOD_NOBREAK,      // <nobr>
    MOD_HEADLINE,     // <h1>-<h6>: emphasis on a line of its own
    MOD_LINK,         // <a href> to an anchor of the book
    MOD_PLAIN_LINK,   // <a href> kept as plain text
    MOD_NAME,         // <a name>: nothing to close but the tag
    MOD_SOUND         // <a href> to a sound: its caption (opened by the caller)
};

// Most modifiers open at once; deeper ones are passed over.
const int ModifierDepth = 16;

// The state of one stream while text is encoded into it.
struct TextEncoder {
    ByteSink* sink;                  // where the bytes go; none when only collecting
    TextContext* context;            // shared state of the book
    std::vector<uint16_t>* collect;  // when set, every character's code is also appended here
    int heading;                     // a heading: line breaks, indents and links are left out
    int narrow;                      // a narrow region is open
    int line_start;                  // nothing has been written on the current line
    int control;                     // control code waiting for its argument (0 for none)
    int argument_bytes;              // argument bytes of `control` read so far
    int argument;                    // their value
    int modifiers[ModifierDepth];    // open modifiers, innermost last
    uint32_t link_anchor[ModifierDepth];  // target of each open MOD_LINK
    int depth;                       // number of open modifiers
};

// A fresh encoder over `sink` (none to collect codes only).
void start_encoder(TextEncoder& e, ByteSink* sink, TextContext* context, int heading);

// Encodes a run of source text: Shift_JIS characters, entities and character
// references (gaiji through the map, else the JIS X 0208 character, else 〓;
// "&#x1f09;&#x00;&#xNN;" an indent, "&#x1f0a;" a line break, "&#x1f02;" and
// "&#x1f03;" the start and end of a text context). Line feeds and carriage
// returns are left out; ASCII and half-width katakana go into narrow regions.
void encode_text(TextEncoder& e, const char* text, size_t length);

// Writes a control code (closing an open narrow region first).
void put_control(TextEncoder& e, int code);
void put_control_argument(TextEncoder& e, int code, int argument);
// Writes bytes as they are (the arguments of a control code).
void put_bytes(TextEncoder& e, const void* data, size_t size);
// A line break (none in a heading).
void put_newline(TextEncoder& e);
// A line break unless the current line is still empty.
void end_line(TextEncoder& e);
// A JIS X 0208 or gaiji code, narrow or not.
void put_character(TextEncoder& e, int code, int narrow);

// Closes an open narrow region and returns the offset of the next byte: the
// position of what comes next, for anchors and search keys.
uint64_t mark_position(TextEncoder& e);

// Opens a modifier (MOD_LINK: a reference to `anchor`). `tag` names the tag
// for messages.
void open_modifier(TextEncoder& e, int modifier, uint32_t anchor, const char* tag);
// Closes the innermost open modifier of that kind (for MOD_LINK: any of the
// three kinds an <a> opens), and any opened after it
// (a nesting fault, noted). A modifier that is not open is a stray closing
// tag: noted, nothing written. Returns 0, or -1 for a stray one.
int close_modifier(TextEncoder& e, int modifier, const char* tag);
// Closes every open modifier (each noted as unclosed when `note` is set).
void close_all_modifiers(TextEncoder& e, int note);

// Writes the six BCD bytes of the position of `anchor`: at once when it is
// placed, else zeros completed later.
void put_anchor_position(TextEncoder& e, uint32_t anchor);

// The six BCD bytes of a book position (block 8 digits, offset 4 digits).
void bcd_position(uint32_t offset, unsigned char* out);

}  // namespace qel
