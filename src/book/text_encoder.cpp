// Encoding source text into the book's text streams.
#include "book/text_encoder.h"

#include <cstdio>
#include <cstring>

#include "book/html_reader.h"
#include "book/jis.h"

namespace qel {

namespace {

// Buffered bytes handed to the book file at a time.
const size_t SinkFlushSize = 1 << 20;

// Control codes written by modifiers.
struct ModifierCodes {
    int open;       // code that opens it (0 for none)
    int argument;   // argument of the opening code, -1 for none
    int close;      // code that closes it (0 for none)
};
const ModifierCodes ModifierTable[] = {
    {0x1F12, -1, 0x1F13},  // MOD_EMPHASIS
    {0x1FE0, 1, 0x1FE1},   // MOD_ITALIC: decoration 1
    {0x1F0E, -1, 0x1F0F},  // MOD_SUPERSCRIPT
    {0x1F06, -1, 0x1F07},  // MOD_SUBSCRIPT
    {0x1F10, -1, 0x1F11},  // MOD_NOBREAK
    {0x1F12, -1, 0x1F13},  // MOD_HEADLINE
    {0x1F42, -1, 0x1F62},  // MOD_LINK (closed with its target)
    {0, -1, 0},            // MOD_PLAIN_LINK
    {0, -1, 0},            // MOD_NAME
    {0, -1, 0x1F6A},       // MOD_SOUND
};

inline void put2(TextEncoder& e, int code) {
    ByteSink& s = *e.sink;
    if (s.bytes.size() - s.used < 2) sink_make_room(s, 2);
    s.bytes[s.used] = static_cast<char>(code >> 8);
    s.bytes[s.used + 1] = static_cast<char>(code);
    s.used += 2;
}

void close_narrow(TextEncoder& e) {
    if (e.narrow) {
        put2(e, 0x1F05);
        e.narrow = 0;
    }
}

std::string hex_detail(const char* format, unsigned value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, format, value);
    return buffer;
}

void note(TextEncoder& e, int kind, const std::string& detail) {
    note_problem(*e.context->problems, kind, e.context->file, e.context->line, detail);
}

// A control code waiting for its argument got something else.
void abandon_control(TextEncoder& e) {
    if (e.control == 0) return;
    note(e, PROBLEM_CONTROL, hex_detail("&#x%x;", static_cast<unsigned>(e.control)));
    e.control = 0;
}

// A control code given as a character reference.
void take_control_reference(TextEncoder& e, uint32_t code) {
    switch (code) {
    case 0x1F09:
        // The indent: two argument bytes follow as references.
        e.control = 0x1F09;
        e.argument_bytes = 0;
        e.argument = 0;
        return;
    case 0x1F0A:
        put_newline(e);
        return;
    case 0x1F02:
    case 0x1F03:
        if (!e.heading) {
            if (e.sink) {
                close_narrow(e);
                put2(e, static_cast<int>(code));
            }
            e.line_start = 1;
            return;
        }
        break;
    }
    note(e, PROBLEM_CONTROL, hex_detail("&#x%x;", code));
}

void take_code_point(TextEncoder& e, uint32_t cp) {
    if (e.control) {
        if (cp < 0x100) {
            e.argument = (e.argument << 8) | static_cast<int>(cp);
            if (++e.argument_bytes == 2) {
                // Indents do not belong in headings.
                if (!e.heading) put_control_argument(e, e.control, e.argument);
                e.control = 0;
            }
            return;
        }
        abandon_control(e);
    }
    if (cp >= 0x1F00 && cp <= 0x1FFF) {
        take_control_reference(e, cp);
        return;
    }
    if (cp < 0x20 || cp == 0x7F) {
        note(e, PROBLEM_CONTROL, hex_detail("&#x%x;", cp));
        return;
    }
    if (cp < 0x7F) {
        put_character(e, ascii_to_jis(static_cast<int>(cp)), 1);
        return;
    }
    if (cp == 0xA0) {
        put_character(e, 0x2121, 1);
        return;
    }
    int narrow = 0;
    int code = gaiji_book_code(*e.context->gaiji, cp, &narrow);
    if (code != 0) {
        put_character(e, code, narrow);
        return;
    }
    code = unicode_to_jis(cp);
    if (code != 0) {
        put_character(e, code, 0);
        return;
    }
    if (cp >= 0xFF61 && cp <= 0xFF9F) {
        put_character(e, halfwidth_kana_to_jis(static_cast<int>(cp - 0xFF61 + 0xA1)), 1);
        return;
    }
    note(e, PROBLEM_SUBSTITUTE, hex_detail("U+%04X", cp));
    put_character(e, JisSubstitute, 0);
}

}  // namespace

void sink_make_room(ByteSink& sink, size_t size) {
    if (sink.file && sink.used > 0) sink_flush(sink);
    size_t room = sink.file ? SinkFlushSize : sink.bytes.size() * 2;
    if (room < sink.used + size) room = sink.used + size + SinkFlushSize;
    if (room > sink.bytes.size()) sink.bytes.resize(room);
}

int sink_flush(ByteSink& sink) {
    if (!sink.file || sink.used == 0) return sink.failed ? -1 : 0;
    if (sink.fixups) {
        // Complete the references of the buffer whose targets are placed by now.
        LargeVector<LinkFixup>& f = *sink.fixups;
        size_t kept = sink.fixups_passed;
        for (size_t i = sink.fixups_passed; i < f.size(); ++i) {
            uint32_t target = sink.anchors->position[f[i].anchor];
            if (target != NoPosition && f[i].offset >= sink.base && f[i].offset + 6 <= sink.base + sink.used) {
                bcd_position(target, reinterpret_cast<unsigned char*>(&sink.bytes[f[i].offset - sink.base]));
                continue;
            }
            f[kept++] = f[i];
        }
        f.resize(kept);
        sink.fixups_passed = kept;
    }
    if (file_write(sink.file, sink.bytes.data(), sink.used) != sink.used) sink.failed = 1;
    sink.base += sink.used;
    sink.used = 0;
    return sink.failed ? -1 : 0;
}

void sink_pad_to_block(ByteSink& sink) {
    uint64_t rest = sink_offset(sink) % TextBlockSize;
    if (rest == 0) return;
    static const char zeros[TextBlockSize] = {};
    sink_put(sink, zeros, static_cast<size_t>(TextBlockSize - rest));
}

void start_encoder(TextEncoder& e, ByteSink* sink, TextContext* context, int heading) {
    e.sink = sink;
    e.context = context;
    e.collect = nullptr;
    e.heading = heading;
    e.narrow = 0;
    e.line_start = 1;
    e.control = 0;
    e.argument_bytes = 0;
    e.argument = 0;
    e.depth = 0;
}

void encode_text(TextEncoder& e, const char* text, size_t length) {
    const char* p = text;
    const char* end = text + length;
    while (p < end) {
        unsigned char c = static_cast<unsigned char>(*p);
        if (c == '&') {
            uint32_t cp = 0;
            size_t n = decode_entity(p, end, &cp);
            if (n > 0 && cp != UnknownEntity) {
                take_code_point(e, cp);
                p += n;
                continue;
            }
            abandon_control(e);
            if (n > 0) {
                // An entity the book cannot read stays as it was written.
                note(e, PROBLEM_ENTITY, std::string(p, n));
                for (size_t i = 0; i < n; ++i) put_character(e, ascii_to_jis(static_cast<unsigned char>(p[i])), 1);
                p += n;
                continue;
            }
            put_character(e, ascii_to_jis('&'), 1);
            ++p;
            continue;
        }
        if (c == '\r' || c == '\n') {
            ++p;
            continue;
        }
        if (e.control) abandon_control(e);
        // ASCII and half-width katakana go into narrow regions.
        int code, narrow = 0;
        size_t width = 1;
        if (c == '\t') {
            code = 0x2121;
            narrow = 1;
        } else if (c >= 0x20 && c <= 0x7E) {
            code = ascii_to_jis(c);
            narrow = 1;
        } else if (c < 0x80) {
            note(e, PROBLEM_CONTROL, hex_detail("0x%02X", c));
            ++p;
            continue;
        } else if (c >= 0xA1 && c <= 0xDF) {
            code = halfwidth_kana_to_jis(c);
            narrow = 1;
        } else if (is_sjis_lead(c) && p + 1 < end) {
            unsigned char t = static_cast<unsigned char>(p[1]);
            width = 2;
            code = sjis_to_jis(c, t);
            if (code == 0) {
                note(e, PROBLEM_SUBSTITUTE, hex_detail("0x%04X", static_cast<unsigned>(c << 8 | t)));
                code = JisSubstitute;
            }
        } else {
            note(e, PROBLEM_SUBSTITUTE, hex_detail("0x%02X", c));
            code = JisSubstitute;
        }
        put_character(e, code, narrow);
        p += width;
    }
}

void put_character(TextEncoder& e, int code, int narrow) {
    if (e.collect) e.collect->push_back(static_cast<uint16_t>(code));
    if (!e.sink) return;
    ByteSink& s = *e.sink;
    if (s.bytes.size() - s.used < 4) sink_make_room(s, 4);
    char* out = s.bytes.data() + s.used;
    if (narrow != e.narrow) {
        *out++ = 0x1F;
        *out++ = narrow ? 0x04 : 0x05;
        e.narrow = narrow;
    }
    *out++ = static_cast<char>(code >> 8);
    *out++ = static_cast<char>(code);
    s.used = static_cast<size_t>(out - s.bytes.data());
    e.line_start = 0;
}

void put_control(TextEncoder& e, int code) {
    if (!e.sink) return;
    close_narrow(e);
    put2(e, code);
}

void put_control_argument(TextEncoder& e, int code, int argument) {
    if (!e.sink) return;
    close_narrow(e);
    put2(e, code);
    put2(e, argument);
}

void put_bytes(TextEncoder& e, const void* data, size_t size) {
    if (e.sink) sink_put(*e.sink, data, size);
}

void put_newline(TextEncoder& e) {
    if (e.heading) return;
    put_control(e, 0x1F0A);
    e.line_start = 1;
}

void end_line(TextEncoder& e) {
    if (!e.line_start) put_newline(e);
}

uint64_t mark_position(TextEncoder& e) {
    if (e.sink) close_narrow(e);
    return e.sink ? sink_offset(*e.sink) : 0;
}

void put_anchor_position(TextEncoder& e, uint32_t anchor) {
    if (!e.sink) return;
    unsigned char bcd[6] = {0, 0, 0, 0, 0, 0};
    uint32_t target = e.context->anchors->position[anchor];
    if (target != NoPosition && e.context->resolve)
        bcd_position(target, bcd);
    else
        e.context->fixups->push_back({static_cast<uint32_t>(sink_offset(*e.sink)), anchor});
    sink_put(*e.sink, bcd, 6);
}

void bcd_position(uint32_t offset, unsigned char* out) {
    uint32_t block = offset / TextBlockSize + 1;
    uint32_t within = offset % TextBlockSize;
    for (int i = 3; i >= 0; --i) {
        out[i] = static_cast<unsigned char>((block % 10) | ((block / 10 % 10) << 4));
        block /= 100;
    }
    out[5] = static_cast<unsigned char>((within % 10) | ((within / 10 % 10) << 4));
    out[4] = static_cast<unsigned char>((within / 100 % 10) | ((within / 1000 % 10) << 4));
}

void open_modifier(TextEncoder& e, int modifier, uint32_t anchor, const char* tag) {
    if (e.depth == ModifierDepth) {
        note(e, PROBLEM_NESTING, tag);
        return;
    }
    const ModifierCodes& m = ModifierTable[modifier];
    if (m.open != 0 && e.sink) {
        if (m.argument >= 0)
            put_control_argument(e, m.open, m.argument);
        else
            put_control(e, m.open);
    }
    e.modifiers[e.depth] = modifier;
    e.link_anchor[e.depth] = anchor;
    ++e.depth;
}

// Writes what closes the innermost open modifier and drops it.
static void close_top(TextEncoder& e) {
    --e.depth;
    int modifier = e.modifiers[e.depth];
    const ModifierCodes& m = ModifierTable[modifier];
    if (!e.sink) return;
    if (modifier == MOD_LINK) {
        put_control(e, 0x1F62);
        put_anchor_position(e, e.link_anchor[e.depth]);
        return;
    }
    if (m.close != 0) put_control(e, m.close);
    if (modifier == MOD_HEADLINE) put_newline(e);
}

// Modifiers closed by the same tag: the three uses of <a>.
static int tag_family(int modifier) {
    return modifier == MOD_PLAIN_LINK || modifier == MOD_NAME || modifier == MOD_SOUND ? MOD_LINK : modifier;
}

int close_modifier(TextEncoder& e, int modifier, const char* tag) {
    int at = e.depth - 1;
    while (at >= 0 && tag_family(e.modifiers[at]) != tag_family(modifier)) --at;
    if (at < 0) {
        note(e, PROBLEM_STRAY_CLOSE, tag);
        return -1;
    }
    if (at < e.depth - 1) note(e, PROBLEM_NESTING, tag);
    while (e.depth > at) close_top(e);
    return 0;
}

void close_all_modifiers(TextEncoder& e, int note_unclosed) {
    static const char* const Names[] = {"b", "i", "sup", "sub", "nobr", "h", "a", "a", "a", "a"};
    while (e.depth > 0) {
        int modifier = e.modifiers[e.depth - 1];
        if (note_unclosed && modifier != MOD_NAME) note(e, PROBLEM_UNCLOSED, Names[modifier]);
        close_top(e);
    }
    abandon_control(e);
    if (e.sink) close_narrow(e);
}

}  // namespace qel
