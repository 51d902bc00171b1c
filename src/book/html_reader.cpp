// The HTML reader: a window over the file, refilled from the file as tokens
// are taken, so that memory does not grow with the source.
#include "book/html_reader.h"

#include <cstring>

#include "book/jis.h"
#include "text/sjis.h"

namespace qel {

namespace {

// Bytes the window holds at most; a token (a tag, an entity) is always taken
// whole from it.
const size_t WindowSize = 1 << 20;
// The window is refilled when fewer bytes than this remain.
const size_t RefillMargin = 1 << 16;
// A tag longer than this is no tag: its "<" is read as text.
const size_t TagLimit = HtmlTagLimit;

inline bool is_name_byte(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           c == '-' || c == '_' || c == ':' || c == '.';
}

inline bool is_blank(unsigned char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f';
}

// Moves the bytes not yet taken to the front and reads more behind them.
void refill(HtmlReader& r) {
    if (r.ended) return;
    size_t left = r.end - r.start;
    if (r.start > 0 && left > 0) std::memmove(r.window.data(), r.window.data() + r.start, left);
    r.start = 0;
    r.end = left;
    while (!r.ended && r.end < r.window.size()) {
        size_t room = r.window.size() - r.end;
        if (r.left >= 0 && static_cast<int64_t>(room) > r.left) room = static_cast<size_t>(r.left);
        size_t got = room > 0 ? file_read(r.file, r.window.data() + r.end, room) : 0;
        if (r.left >= 0) r.left -= static_cast<int64_t>(got);
        if (got == 0) {
            r.ended = 1;
            break;
        }
        // A 0x1A byte ends a text file; it is never the second byte of a
        // two-byte character.
        const void* eof = std::memchr(r.window.data() + r.end, 0x1A, got);
        if (eof) {
            got = static_cast<size_t>(static_cast<const char*>(eof) - (r.window.data() + r.end));
            r.ended = 1;
        }
        r.end += got;
    }
}

void take(HtmlReader& r, size_t n) {
    r.start += n;
    r.taken += static_cast<int64_t>(n);
}

// Counts the line feeds of [p, p + n).
int count_lines(const char* p, size_t n) {
    int lines = 0;
    const char* end = p + n;
    while ((p = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p))))) {
        ++lines;
        ++p;
    }
    return lines;
}

// Parses the tag at `p` (a "<" followed by a name byte or "/"), at most up to
// `end`. Returns its length, or 0 when it is no well-formed tag.
size_t parse_tag(const char* p, const char* end, HtmlToken& token) {
    const char* q = p + 1;
    int closing = 0;
    if (q < end && *q == '/') {
        closing = 1;
        ++q;
    }
    const char* name_start = q;
    while (q < end && is_name_byte(static_cast<unsigned char>(*q))) ++q;
    if (q == name_start) return 0;
    token.name = std::string_view(name_start, static_cast<size_t>(q - name_start));
    for (char c : token.name)
        if (c >= 'A' && c <= 'Z') {
            token.lowered.assign(token.name);
            for (char& l : token.lowered) l = ascii_lower(l);
            token.name = token.lowered;
            break;
        }
    token.attribute_count = 0;
    for (;;) {
        while (q < end && is_blank(static_cast<unsigned char>(*q))) ++q;
        if (q >= end) return 0;
        if (*q == '>') {
            ++q;
            break;
        }
        if (*q == '/' && q + 1 < end && q[1] == '>') {
            q += 2;
            break;
        }
        // One attribute: a name, optionally "=" and a value.
        const char* attr_start = q;
        while (q < end && *q != '=' && *q != '>' && !is_blank(static_cast<unsigned char>(*q)) &&
               !(*q == '/' && q + 1 < end && q[1] == '>'))
            ++q;
        if (q == attr_start) ++q;  // a stray byte such as a lone quote: passed over
        size_t name_length = static_cast<size_t>(q - attr_start);
        const char* value_start = q;
        const char* value_end = q;
        while (q < end && is_blank(static_cast<unsigned char>(*q))) ++q;
        if (q < end && *q == '=') {
            ++q;
            while (q < end && is_blank(static_cast<unsigned char>(*q))) ++q;
            if (q >= end) return 0;
            if (*q == '"' || *q == '\'') {
                char quote = *q++;
                value_start = q;
                const void* close = std::memchr(q, quote, static_cast<size_t>(end - q));
                if (!close) return 0;
                value_end = static_cast<const char*>(close);
                q = value_end + 1;
            } else {
                value_start = q;
                while (q < end && *q != '>' && !is_blank(static_cast<unsigned char>(*q))) ++q;
                value_end = q;
            }
        } else {
            value_start = value_end = attr_start;
        }
        if (closing) continue;
        if (token.attributes.size() <= static_cast<size_t>(token.attribute_count))
            token.attributes.emplace_back();
        HtmlAttribute& a = token.attributes[static_cast<size_t>(token.attribute_count++)];
        a.name = std::string_view(attr_start, name_length);
        a.value = std::string_view(value_start, static_cast<size_t>(value_end - value_start));
    }
    token.kind = closing ? HTML_END_TAG : HTML_START_TAG;
    return static_cast<size_t>(q - p);
}

// Length of the comment, declaration or processing instruction at `p`, or 0
// when it does not end within `end`.
size_t skip_markup_declaration(const char* p, const char* end) {
    if (end - p >= 4 && std::memcmp(p, "<!--", 4) == 0) {
        for (const char* q = p + 4; q + 3 <= end; ++q)
            if (q[0] == '-' && q[1] == '-' && q[2] == '>') return static_cast<size_t>(q + 3 - p);
        return 0;
    }
    const void* close = std::memchr(p, '>', static_cast<size_t>(end - p));
    return close ? static_cast<size_t>(static_cast<const char*>(close) + 1 - p) : 0;
}

// End of a text run that starts at `p` and finds no "<" before `end`: the
// last point before `end` that is not inside a two-byte character
// or a possible entity.
const char* safe_text_end(const char* p, const char* end) {
    const char* boundary = p;
    for (const char* q = p; q < end;) {
        unsigned char c = static_cast<unsigned char>(*q);
        int width = is_sjis_lead(c) ? 2 : 1;
        if (q + width > end) break;
        q += width;
        boundary = q;
    }
    // Keep a possible entity (up to "&" + 32 name bytes + ";") for the next run.
    for (const char* q = boundary; q > p && boundary - q < 40; --q)
        if (q[-1] == '&') return q - 1 > p ? q - 1 : boundary;
    return boundary;
}

}  // namespace

int open_html(HtmlReader& reader, const std::string& path) {
    reader.path = path;
    reader.file = file_open(path.c_str(), FILE_READ_RAW);
    if (!reader.file) return -1;
    reader.window.assign(WindowSize, 0);
    reader.start = reader.end = 0;
    reader.ended = 0;
    reader.line = 1;
    reader.taken = 0;
    reader.size = file_size(reader.file);
    reader.left = -1;
    reader.last_bad_tag_at = -1;
    reader.bad_tags = 0;
    return 0;
}

int open_html_range(HtmlReader& reader, const std::string& path, int64_t begin, int64_t end, int first_line) {
    if (open_html(reader, path) != 0) return -1;
    if (file_seek(reader.file, begin) != 0) {
        close_html(reader);
        return -1;
    }
    reader.size = end - begin;
    reader.left = end - begin;
    reader.line = first_line;
    return 0;
}

void open_html_text(HtmlReader& reader, const char* text, size_t length, const std::string& name) {
    reader.path = name;
    reader.file = nullptr;
    reader.window.assign(text, text + length);
    reader.start = 0;
    reader.end = length;
    reader.ended = 1;
    reader.line = 1;
    reader.taken = 0;
    reader.size = static_cast<int64_t>(length);
    reader.left = 0;
    reader.last_bad_tag_at = -1;
    reader.bad_tags = 0;
}

void close_html(HtmlReader& reader) {
    if (reader.file) file_close(reader.file);
    reader.file = nullptr;
    std::vector<char>().swap(reader.window);
}

int next_html_token(HtmlReader& r, HtmlToken& token) {
    for (;;) {
        if (r.end - r.start < RefillMargin) refill(r);
        if (r.start == r.end) {
            token.kind = HTML_END;
            token.line = r.line;
            return HTML_END;
        }
        const char* p = r.window.data() + r.start;
        const char* end = r.window.data() + r.end;
        token.line = r.line;
        if (*p == '<' && p + 1 < end) {
            unsigned char next = static_cast<unsigned char>(p[1]);
            const char* limit = end - p > static_cast<ptrdiff_t>(TagLimit) ? p + TagLimit : end;
            if (next == '!' || next == '?') {
                size_t n = skip_markup_declaration(p, limit);
                if (n > 0) {
                    r.line += count_lines(p, n);
                    take(r, n);
                    continue;
                }
            } else if (next == '/' || is_name_byte(next)) {
                size_t n = parse_tag(p, limit, token);
                if (n > 0) {
                    r.line += count_lines(p, n);
                    take(r, n);
                    return token.kind;
                }
            }
            if (next == '!' || next == '?' || next == '/' ||
                (next < 0x80 && ((next >= 'a' && next <= 'z') || (next >= 'A' && next <= 'Z')))) {
                ++r.bad_tags;
                r.last_bad_tag_at = r.taken;
            }
        }
        // A text run: up to the next "<" (the first byte is taken even when
        // it is a "<" that started no tag).
        const char* q = p + 1;
        const char* lt = static_cast<const char*>(std::memchr(q, '<', static_cast<size_t>(end - q)));
        const char* stop = lt ? lt : end;
        if (!lt && !r.ended) stop = safe_text_end(p, end);
        if (stop == p) stop = end;  // a window of a single cut character: take it as it is
        token.kind = HTML_TEXT;
        token.text = p;
        token.length = static_cast<size_t>(stop - p);
        r.line += count_lines(p, token.length);
        take(r, token.length);
        return HTML_TEXT;
    }
}

const std::string_view* html_attribute(const HtmlToken& token, std::string_view name) {
    for (int i = 0; i < token.attribute_count; ++i) {
        const HtmlAttribute& a = token.attributes[static_cast<size_t>(i)];
        if (a.name.size() != name.size()) continue;
        size_t k = 0;
        while (k < name.size() && (a.name[k] | 0x20) == name[k]) ++k;
        if (k == name.size()) return &a.value;
    }
    return nullptr;
}

size_t decode_entity(const char* p, const char* end, uint32_t* code_point) {
    const char* q = p + 1;
    if (q < end && *q == '#') {
        ++q;
        int hex = 0;
        if (q < end && (*q == 'x' || *q == 'X')) {
            hex = 1;
            ++q;
        }
        uint32_t value = 0;
        int digits = 0;
        for (; q < end; ++q) {
            int d = hex_digit(static_cast<unsigned char>(*q));
            if (d < 0 || (!hex && d > 9)) break;
            if (value < 0x1000000) value = value * (hex ? 16 : 10) + static_cast<uint32_t>(d);
            ++digits;
        }
        if (digits == 0 || q >= end || *q != ';') return 0;
        *code_point = (value >= 0x110000 || (value >= 0xD800 && value <= 0xDFFF)) ? UnknownEntity : value;
        return static_cast<size_t>(q + 1 - p);
    }
    const char* name = q;
    while (q < end && q - name < 32 &&
           ((*q >= 'a' && *q <= 'z') || (*q >= 'A' && *q <= 'Z') || (*q >= '0' && *q <= '9')))
        ++q;
    if (q == name || q >= end || *q != ';') return 0;
    struct Named { const char* name; uint32_t value; };
    static const Named names[] = {{"amp", '&'}, {"lt", '<'},    {"gt", '>'},
                                  {"quot", '"'}, {"apos", '\''}, {"nbsp", ' '}};
    size_t length = static_cast<size_t>(q - name);
    *code_point = UnknownEntity;
    for (const Named& n : names)
        if (std::strlen(n.name) == length && std::memcmp(n.name, name, length) == 0) *code_point = n.value;
    return length + 2;
}

}  // namespace qel
