// Full-width forms of ASCII text, and the full-width words of the search keys.
#include "text/full_width.h"

#include <cstring>

#include "text/sjis.h"

namespace qel {

namespace {

inline bool is_ascii_alnum(unsigned char b) {
    return (b >= '0' && b <= '9') || (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z');
}

}  // namespace

const char* const FullWidthForms[128] = {
    "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "",  // 0x00-0x0F
    "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "",  // 0x10-0x1F
    "\x81\x40", "\x81\x49", "\x81\x68", "\x81\x94", "\x81\x90", "\x81\x93", "\x81\x95", "\x81\x66",  // 0x20-0x27
    "\x81\x69", "\x81\x6A", "\x81\x96", "\x81\x7B", "\x81\x43", "\x81\x7C", "\x81\x44", "\x81\x5E",  // 0x28-0x2F
    "\x82\x4F", "\x82\x50", "\x82\x51", "\x82\x52", "\x82\x53", "\x82\x54", "\x82\x55", "\x82\x56",  // 0x30-0x37
    "\x82\x57", "\x82\x58", "\x81\x46", "\x81\x47", "\x81\x83", "\x81\x81", "\x81\x84", "\x81\x48",  // 0x38-0x3F
    "\x81\x97", "\x82\x60", "\x82\x61", "\x82\x62", "\x82\x63", "\x82\x64", "\x82\x65", "\x82\x66",  // 0x40-0x47
    "\x82\x67", "\x82\x68", "\x82\x69", "\x82\x6A", "\x82\x6B", "\x82\x6C", "\x82\x6D", "\x82\x6E",  // 0x48-0x4F
    "\x82\x6F", "\x82\x70", "\x82\x71", "\x82\x72", "\x82\x73", "\x82\x74", "\x82\x75", "\x82\x76",  // 0x50-0x57
    "\x82\x77", "\x82\x78", "\x82\x79", "\x81\x6D", "\x81\x8F", "\x81\x6E", "\x81\x4F", "\x81\x51",  // 0x58-0x5F
    "\x81\x65", "\x82\x81", "\x82\x82", "\x82\x83", "\x82\x84", "\x82\x85", "\x82\x86", "\x82\x87",  // 0x60-0x67
    "\x82\x88", "\x82\x89", "\x82\x8A", "\x82\x8B", "\x82\x8C", "\x82\x8D", "\x82\x8E", "\x82\x8F",  // 0x68-0x6F
    "\x82\x90", "\x82\x91", "\x82\x92", "\x82\x93", "\x82\x94", "\x82\x95", "\x82\x96", "\x82\x97",  // 0x70-0x77
    "\x82\x98", "\x82\x99", "\x82\x9A", "\x81\x6F", "\x81\x62", "\x81\x70", "\x81\x60", "",          // 0x78-0x7F
};

std::string& to_full_width(std::string& destination, const char* source) {
    destination.clear();
    for (const char* p = source; *p != '\0'; ++p) {
        // Every form is two bytes or empty; two pushes cost less than an append.
        unsigned char b = static_cast<unsigned char>(*p);
        const char* form = b < 0x80 ? FullWidthForms[b] : "";
        if (form[0] != '\0') {
            destination.push_back(form[0]);
            destination.push_back(form[1]);
        }
    }
    return destination;
}

const char* next_full_width_word(const char* source, std::string& destination) {
    const char* p = source;

    // Skip markup, gaiji references and everything that is not a letter or a
    // digit. The second byte of a two-byte character is skipped with it even
    // when it looks like a letter, so Japanese text yields no words.
    while (*p != '\0' && !is_ascii_alnum(static_cast<unsigned char>(*p))) {
        if (*p == '<') {
            const char* close = std::strchr(p, '>');
            p = close ? close + 1 : end_of_text(p);
        } else if (*p == '#' && p[1] != '\0' && p[2] != '\0' && p[3] == '#') {
            p += 4;
        } else {
            p = next_char(p);
        }
    }
    if (*p == '\0') return nullptr;

    // Convert the run, upper case first.
    destination.clear();
    for (; is_ascii_alnum(static_cast<unsigned char>(*p)); ++p) {
        unsigned char b = static_cast<unsigned char>(*p);
        if (b >= 'a' && b <= 'z') b = static_cast<unsigned char>(b - 'a' + 'A');
        destination.append(FullWidthForms[b]);
    }
    return p;
}

}  // namespace qel
