// Characters of the book: JIS X 0208 codes for Shift_JIS text, for the ASCII
// and half-width katakana the book stores as full-width cells in narrow
// regions, and for Unicode character references.
#pragma once

#include <cstdint>

namespace qel {

// The book's stand-in for a character it cannot hold (〓, JIS 0x222E).
const int JisSubstitute = 0x222E;

// 1 for a byte that begins a two-byte Shift_JIS character.
inline bool is_sjis_lead(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// An ASCII letter in lower case; every other byte as it is.
inline char ascii_lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// JIS X 0208 code (0x2121-0x7E7E) of the two-byte Shift_JIS character
// `lead`, `trail`; 0 when the pair is no JIS X 0208 cell the book can hold
// (rows 9-15 and 85-94, the vendor extensions and user-defined area, or a
// malformed pair).
inline int sjis_to_jis(int lead, int trail) {
    int row;
    if (lead >= 0x81 && lead <= 0x9F)
        row = (lead - 0x81) * 2 + 1;
    else if (lead >= 0xE0 && lead <= 0xEF)
        row = (lead - 0xE0) * 2 + 63;
    else
        return 0;
    int cell;
    if (trail >= 0x40 && trail <= 0x7E)
        cell = trail - 0x3F;
    else if (trail >= 0x80 && trail <= 0x9E)
        cell = trail - 0x40;
    else if (trail >= 0x9F && trail <= 0xFC) {
        cell = trail - 0x9E;
        row += 1;
    } else
        return 0;
    if ((row >= 9 && row <= 15) || row > 84) return 0;
    return ((row + 0x20) << 8) | (cell + 0x20);
}

// JIS X 0208 code of a printable ASCII byte 0x20-0x7E (the cell a reader
// turns the same byte of a query into: "-" is 0x215D, "'" is 0x2147, a blank
// 0x2121); 0 for any other byte.
extern const uint16_t AsciiJis[95];
inline int ascii_to_jis(int c) {
    return c >= 0x20 && c <= 0x7E ? AsciiJis[c - 0x20] : 0;
}

// JIS X 0208 code of a half-width katakana byte 0xA1-0xDF of Shift_JIS (its
// full-width katakana or mark); 0 for any other byte.
int halfwidth_kana_to_jis(int c);

// JIS X 0208 code of a Unicode code point, or 0 when the character set has no
// such character.
int unicode_to_jis(uint32_t code_point);

// Sorted table behind unicode_to_jis (generated).
struct UnicodeJisPair {
    uint16_t code_point;  // Unicode code point (all lie below 0x10000)
    uint16_t jis;         // its JIS X 0208 code
};
extern const UnicodeJisPair UnicodeJisTable[];
extern const int UnicodeJisTableSize;

}  // namespace qel
