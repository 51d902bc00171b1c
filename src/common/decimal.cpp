// The one decimal reader with its overflow rule.
#include "common/decimal.h"

#include <climits>

namespace qel {

DecimalNumber read_decimal(const char* text, long long limit, int lead) {
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

int read_int(const char* text) {
    // The limit is the magnitude of INT_MIN; a positive number held there
    // becomes INT_MAX.
    long long value = read_decimal(text, -static_cast<long long>(INT_MIN), DecimalSpaces | DecimalSign).value;
    return value > INT_MAX ? INT_MAX : static_cast<int>(value);
}

}  // namespace qel
