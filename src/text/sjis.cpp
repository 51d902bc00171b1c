// Shift_JIS scanning: character steps, hexadecimal digits and searches that
// never stop inside a two-byte character.
#include "text/sjis.h"

#include <cstring>

namespace qel {

int hex_digit(unsigned char b) {
    if (b >= '0' && b <= '9') return b - '0';
    if (b >= 'a' && b <= 'f') return b - 'a' + 10;
    if (b >= 'A' && b <= 'F') return b - 'A' + 10;
    return -1;
}

int hex_byte_value(const char* text) {
    int value = 0;
    for (int i = 0; i < 2 && text[i] != '\0'; ++i) {
        int d = hex_digit(static_cast<unsigned char>(text[i]));
        value = d < 0 ? 0 : value * 16 + d;
    }
    return value;
}

const char* skip_blanks(const char* text) {
    while (*text == ' ' || *text == '\t') ++text;
    return text;
}

const char* find_char(const char* text, char c) {
    const char* p = text;
    while (*p != '\0') {
        if (*p == c) return p + 1;
        p = next_char(p);
    }
    return p;
}

const char* find_pair(const char* text, const char* pair) {
    const char* p = text;
    while (*p != '\0') {
        if (p[0] == pair[0] && p[1] == pair[1]) return p + 2;
        p = next_char(p);
    }
    return p;
}

const char* end_of_text(const char* text) {
    return text + std::strlen(text);
}

}  // namespace qel
