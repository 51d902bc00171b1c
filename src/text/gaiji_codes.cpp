// The gaiji texts by code and by name, and the symbol settings.
#include "text/gaiji_codes.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "text/sjis.h"
#include "text/text_copy.h"

namespace qel {

namespace {

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

const std::string* gaiji_slot(const GaijiCodes& codes, int row, int code) {
    size_t index = static_cast<size_t>(row) * 256 + static_cast<size_t>(code);
    return codes.filled[index] ? &codes.slots[index] : nullptr;
}

void set_gaiji_slot(GaijiCodes& codes, int row, int code, const std::string& text) {
    size_t index = static_cast<size_t>(row) * 256 + static_cast<size_t>(code);
    codes.slots[index] = text;
    codes.filled[index] = 1;
}

void append_gaiji_text(std::string& destination, const GaijiCodes& codes, int set, int code) {
    if (set == -1) set = 0;
    int row = gaiji_row(set);
    if (row >= 0 && code >= 0 && code <= 255) {
        if (const std::string* text = gaiji_slot(codes, row, code)) {
            destination.append(*text);
            return;
        }
    }
    char notation[32];
    int length = std::snprintf(notation, sizeof notation, "{G%d-%02X}", set, static_cast<unsigned>(code));
    destination.append(notation, static_cast<size_t>(length));
}

std::string gaiji_text(const GaijiCodes& codes, int set, int code) {
    std::string text;
    append_gaiji_text(text, codes, set, code);
    return text;
}

const char* gaiji_lookup(const GaijiCodes& codes, const char* name) {
    long set = 0;
    unsigned long code = 0;
    if (parse_code_name(name, set, code) && set >= 0 && set <= 99 && code <= 255) {
        int row = gaiji_row(static_cast<int>(set));
        if (row >= 0) {
            if (const std::string* text = gaiji_slot(codes, row, static_cast<int>(code))) return text->c_str();
        }
    }
    for (auto entry = codes.names.rbegin(); entry != codes.names.rend(); ++entry) {
        if (entry->first == name) return entry->second.c_str();
    }
    return name;
}

void add_gaiji_name(GaijiCodes& codes, const char* name, const char* text) {
    codes.names.emplace_back(name, text);
}

std::string& parse_symbol_setting(std::string& destination, const GaijiCodes& codes, const char* value) {
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
        if (!item.empty()) destination.append(gaiji_lookup(codes, item.c_str()));
        p = skip_blanks(p);
    }
    return destination;
}

}  // namespace qel
