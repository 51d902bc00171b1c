// Decimal numbers in the texts the programs read (settings values, line
// numbers of main.txt tags, entry identifiers, link-table and quick-jump
// records, gaiji cell counts), read by one rule.
#pragma once

#include <climits>

namespace qel {

// What a number may have in front of its digits.
enum DecimalLead {
    DecimalDigitsOnly = 0,  // the digits start at once; no sign
    DecimalBlanks = 1,      // spaces and tabs are skipped
    DecimalSpaces = 2,      // spaces, tabs, line ends, form feeds and vertical tabs are skipped
    DecimalSign = 4,        // then one '+' or '-' may come
};

// A number as read: its value, the byte after its last digit (after what
// came in front when there is none), and how many digits it had (0 when the
// text holds no number there; the value is then 0).
struct DecimalNumber {
    long long value;
    const char* end;
    int digits;
};

// Reads the decimal number at `text`, skipping what `lead` (a combination of
// DecimalLead values) allows in front, and stopping at the first byte that is
// not a digit. The overflow rule: the magnitude is held at `limit` (at least
// 0) as soon as it would pass it, the remaining digits are still consumed,
// and the sign applies after holding. A value therefore never wraps: a
// number too large for its use reads as its limit, which callers treat as
// "the largest there is" or reject. Defined here, where the readers of
// main.txt can inline it: they call it for many lines.
inline DecimalNumber read_decimal(const char* text, long long limit, int lead) {
    const char* p = text;
    if (lead & DecimalSpaces) {
        while (*p == ' ' || (*p >= '\t' && *p <= '\r')) ++p;
    } else if (lead & DecimalBlanks) {
        while (*p == ' ' || *p == '\t') ++p;
    }
    bool negative = false;
    if ((lead & DecimalSign) && (*p == '+' || *p == '-')) negative = *p++ == '-';

    if (limit < 0) limit = 0;
    // value * 10 + digit passes the limit exactly when value is above
    // limit / 10, or equal to it with the digit above limit % 10.
    const long long tens = limit / 10;
    const int last = static_cast<int>(limit % 10);
    DecimalNumber n{0, p, 0};
    for (; *p >= '0' && *p <= '9'; ++p) {
        int digit = *p - '0';
        if (n.value > tens || (n.value == tens && digit > last))
            n.value = limit;
        else
            n.value = n.value * 10 + digit;
        ++n.digits;
    }
    if (n.digits > 0) n.end = p;
    if (negative) n.value = -n.value;
    return n;
}

// A number read as the standard atoi reads it (blanks and line-end bytes, an
// optional sign, digits up to the first other byte, 0 without digits), held
// to the range of int instead of overflowing.
inline int read_int(const char* text) {
    // The limit is the magnitude of INT_MIN; a positive number held there
    // becomes INT_MAX.
    long long value = read_decimal(text, -static_cast<long long>(INT_MIN), DecimalSpaces | DecimalSign).value;
    return value > INT_MAX ? INT_MAX : static_cast<int>(value);
}

}  // namespace qel
