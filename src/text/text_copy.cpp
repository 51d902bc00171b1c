// Copies of Shift_JIS texts into growing strings.
#include "text/text_copy.h"

#include <cstring>

#include "text/sjis.h"

namespace qel {

void append_text(std::string& destination, const char* source) {
    destination.append(source);
}

const char* copy_until_any(const char* source, std::string& destination, const char* stops) {
    const char* p = source;
    while (!is_line_end(static_cast<unsigned char>(*p)) && std::strchr(stops, *p) == nullptr) ++p;
    destination.assign(source, static_cast<size_t>(p - source));
    return p;
}

const char* copy_until_char(const char* source, std::string& destination, char c) {
    const char* p = source;
    while (!is_line_end(static_cast<unsigned char>(*p)) && *p != c) ++p;
    destination.assign(source, static_cast<size_t>(p - source));
    return p;
}

const char* copy_wide_until(const char* source, std::string& destination, const char* wide) {
    const char* p = source;
    while (!is_line_end(static_cast<unsigned char>(*p))) {
        if (p[0] == wide[0] && p[1] == wide[1]) break;
        // A lone first byte before the terminator is kept; the copy ends on the
        // terminator, never past it.
        if (p[1] == '\0') {
            ++p;
            break;
        }
        p += 2;
    }
    destination.assign(source, static_cast<size_t>(p - source));
    return p;
}

const char* copy_digits(const char* source, std::string& destination) {
    const char* p = source;
    while (*p >= '0' && *p <= '9') ++p;
    destination.assign(source, static_cast<size_t>(p - source));
    return p;
}

void append_decimal(std::string& destination, long value, int width) {
    // The digits, lowest first; the magnitude is taken unsigned so that the
    // most negative value has one too.
    char digits[24];
    int count = 0;
    unsigned long magnitude = value < 0 ? 0UL - static_cast<unsigned long>(value) : static_cast<unsigned long>(value);
    do {
        digits[count++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (value < 0) {
        destination.push_back('-');
        --width;
    }
    if (width > count) destination.append(static_cast<size_t>(width - count), '0');
    while (count > 0) destination.push_back(digits[--count]);
}

char* strip_tags(char* text) {
    const char* in = text;
    char* out = text;
    while (*in != '\0') {
        if (*in == '<') {
            in = find_char(in + 1, '>');
            continue;
        }
        const char* next = next_char(in);
        while (in < next) *out++ = *in++;
    }
    *out = '\0';
    return text;
}

std::string& strip_tags(std::string& text) {
    // The text ends at its first NUL, as a C string would.
    strip_tags(text.data());
    text.resize(std::strlen(text.c_str()));
    return text;
}

const char* parse_quoted(const char* source, std::string& destination) {
    const char* p = source;
    destination.clear();
    if (*p == '"') ++p;
    while (*p != '\0' && *p != '"') {
        // A backslash takes the next byte literally (a whole character when
        // that byte begins one).
        if (*p == '\\' && p[1] != '\0') ++p;
        const char* next = next_char(p);
        destination.append(p, static_cast<size_t>(next - p));
        p = next;
    }
    if (*p == '"') ++p;
    return p;
}

}  // namespace qel
