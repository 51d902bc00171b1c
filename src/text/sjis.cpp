// Shift_JIS scanning and copying, full-width forms, the string pool, the gaiji
// look-up tables and the symbol settings.
#include "text/sjis.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

namespace qel {

namespace {

inline bool is_line_end(unsigned char b) {
    return b == '\0' || b == '\r' || b == '\n';
}

inline bool is_ascii_alnum(unsigned char b) {
    return (b >= '0' && b <= '9') || (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z');
}

}  // namespace

// ---- Scanners ----------------------------------------------------------------

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

// ---- Copies ------------------------------------------------------------------

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

// ---- Full-width forms --------------------------------------------------------

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

// ---- String pool -------------------------------------------------------------

namespace {

const size_t PoolBlockSize = 4096;

char* pool_block = nullptr;  // current block, or none before the first copy
size_t pool_fill = 0;        // bytes used in the current block

// Every block ever made. Blocks live until the program ends; the list keeps
// them reachable, so leak checkers see that they are held on purpose, also
// when every text in a block has been replaced. The list itself is never
// destroyed, so it still holds them when the checks run at exit.
std::vector<char*>& pool_blocks = *new std::vector<char*>;

// A new block of `size` bytes, kept in the list; none when memory runs out.
char* new_pool_block(size_t size) {
    char* block = new (std::nothrow) char[size];
    if (block != nullptr) pool_blocks.push_back(block);
    return block;
}

}  // namespace

const char* pool_copy(const char* text) {
    if (text == nullptr) return nullptr;
    size_t size = std::strlen(text) + 1;

    // A text longer than a block gets a block of its own; the current block
    // stays current for the texts that follow.
    if (size > PoolBlockSize) {
        char* own = new_pool_block(size);
        if (own == nullptr) return nullptr;
        std::memcpy(own, text, size);
        return own;
    }

    // Start a new block when the text and its terminator do not fit in what is
    // left; the rest of the old block is abandoned.
    if (pool_block == nullptr || size > PoolBlockSize - pool_fill) {
        char* block = new_pool_block(PoolBlockSize);
        if (block == nullptr) return nullptr;
        pool_block = block;
        pool_fill = 0;
    }
    char* copy = pool_block + pool_fill;
    std::memcpy(copy, text, size);
    pool_fill += size;
    return copy;
}

void reset_string_pool() {
    pool_block = nullptr;
    pool_fill = 0;
}

void release_string_pool() {
    reset_string_pool();
    for (char* block : pool_blocks) delete[] block;
    pool_blocks.clear();
    pool_blocks.shrink_to_fit();
}

// ---- Gaiji tables ------------------------------------------------------------

const char* GaijiCodeTable[8][256];

namespace {

// Symbolic gaiji names, newest first; only add_gaiji_name and
// reset_gaiji_tables change the list.
struct GaijiName {
    const char* name;  // the name as defined (in the pool)
    const char* text;  // its output text (in the pool)
    GaijiName* next;   // the next older entry, or none
};
GaijiName* GaijiNameList = nullptr;

char gaiji_notation[32];  // the "{G%d-%02X}" text of the last gaiji_text fallback

// Reads a code name "G<decimal set>-<hexadecimal code>" the way "G%d-%x"
// would; characters after the code are ignored. 1 when both numbers were read.
int parse_code_name(const char* name, long& set, unsigned long& code) {
    if (name[0] != 'G') return 0;
    const char* start = name + 1;
    char* end = nullptr;
    set = std::strtol(start, &end, 10);
    if (end == start || *end != '-') return 0;
    start = end + 1;
    code = std::strtoul(start, &end, 16);
    if (end == start) return 0;
    return 1;
}

}  // namespace

int gaiji_row(int set) {
    if (set >= 0 && set <= 6) return set;
    if (set == 99) return 7;
    return -1;
}

const char* gaiji_text(int set, int code) {
    if (set == -1) set = 0;
    int row = gaiji_row(set);
    if (row >= 0 && code >= 0 && code <= 255 && GaijiCodeTable[row][code] != nullptr) {
        return GaijiCodeTable[row][code];
    }
    std::snprintf(gaiji_notation, sizeof gaiji_notation, "{G%d-%02X}", set, static_cast<unsigned>(code));
    return gaiji_notation;
}

const char* gaiji_lookup(const char* name) {
    long set = 0;
    unsigned long code = 0;
    if (parse_code_name(name, set, code) && set >= 0 && set <= 99 && code <= 255) {
        int row = gaiji_row(static_cast<int>(set));
        if (row >= 0 && GaijiCodeTable[row][code] != nullptr) return GaijiCodeTable[row][code];
    }
    for (const GaijiName* entry = GaijiNameList; entry != nullptr; entry = entry->next) {
        if (std::strcmp(entry->name, name) == 0) return entry->text;
    }
    return name;
}

void add_gaiji_name(const char* name, const char* text) {
    const char* name_copy = pool_copy(name);
    const char* text_copy = pool_copy(text);
    if (name_copy == nullptr || text_copy == nullptr) return;
    GaijiName* entry = new (std::nothrow) GaijiName{name_copy, text_copy, GaijiNameList};
    if (entry == nullptr) return;
    GaijiNameList = entry;
}

void reset_gaiji_tables() {
    for (auto& row : GaijiCodeTable) {
        for (auto& slot : row) slot = nullptr;
    }
    while (GaijiNameList != nullptr) {
        GaijiName* next = GaijiNameList->next;
        delete GaijiNameList;
        GaijiNameList = next;
    }
}

// ---- Symbol settings ---------------------------------------------------------

std::string& parse_symbol_setting(std::string& destination, const char* value) {
    std::string item;
    destination.clear();
    const char* p = value;
    while (!is_line_end(static_cast<unsigned char>(*p))) {
        if (*p == '"') {
            p = parse_quoted(p, item);
            destination.append(item);
            continue;
        }
        // A token up to a blank or a quote; an empty one (the blanks after a
        // quoted item) appends nothing.
        p = copy_until_any(p, item, " \"");
        if (!item.empty()) destination.append(gaiji_lookup(item.c_str()));
        p = skip_blanks(p);
    }
    return destination;
}

}  // namespace qel
