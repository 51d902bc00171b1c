// Line syntax of the settings file.
#include "common/settings_line.h"


#include "common/decimal.h"
#include "common/report.h"
#include "platform/platform.h"

namespace qel {

const char* const SettingsFileName = "qelconv.ini";

const char* skip_byte_order_mark(const char* line) {
    if (static_cast<unsigned char>(line[0]) == 0xEF && static_cast<unsigned char>(line[1]) == 0xBB &&
        static_cast<unsigned char>(line[2]) == 0xBF)
        return line + 3;
    return line;
}

int read_directory_settings(const char* const* keys, std::string* values, int count) {
    File* f = file_open(SettingsFileName, FILE_READ_TEXT);
    if (!f) {
        report("設定ファイル %s がオープンできません\n", SettingsFileName);
        return -1;
    }
    // A line longer than the buffer is read on as further lines; keys that
    // are not asked for (however long) are passed over.
    char line[SettingsLineSize];
    std::string key, value;
    for (int first = 1; file_gets(line, sizeof line, f); first = 0) {
        if (split_settings_line(first ? skip_byte_order_mark(line) : line, key, value) == 0) continue;
        for (int i = 0; i < count; ++i)
            if (key == keys[i]) values[i] = settings_directory_value(value);
    }
    file_close(f);
    return 0;
}

int split_settings_line(const char* line, std::string& key, std::string& value) {
    key.clear();
    value.clear();
    const char* p = line;
    while (*p == ' ' || *p == '\t') ++p;
    if (*p == '#' || *p == '\r' || *p == '\n' || *p == '\0') return 0;

    // Key: up to a blank, '=', '#' or the line end.
    while (*p && *p != ' ' && *p != '\t' && *p != '=' && *p != '#' && *p != '\r' && *p != '\n') key += *p++;

    // Past the first '=', stepping over two-byte characters whole.
    while (*p && *p != '=') {
        if (static_cast<unsigned char>(*p) >= 0x80 && p[1] != '\0') ++p;
        ++p;
    }
    if (*p == '=') ++p;
    while (*p == ' ' || *p == '\t') ++p;

    // Value: blanks inside and at the end belong to it.
    while (*p && *p != '\t' && *p != '#' && *p != '\r' && *p != '\n') value += *p++;
    return 1;
}

int ends_with_separator(const std::string& text) {
    // The last character decides; a backslash that is the second byte of a
    // two-byte character (as in 表, 95 5C) is not a separator.
    size_t last = std::string::npos;
    for (size_t i = 0; i < text.size(); ++i) {
        last = i;
        if (static_cast<unsigned char>(text[i]) >= 0x80 && i + 1 < text.size()) ++i;
    }
    if (last == std::string::npos || last + 1 != text.size()) return 0;
    return (text[last] == '/' || text[last] == '\\') ? 1 : 0;
}

std::string settings_directory_value(const std::string& value) {
    if (ends_with_separator(value)) return value;
    return value + '\\';
}

int settings_integer_value(const std::string& value) {
    return read_int(value.c_str());
}

int is_decimal_value(const std::string& value) {
    size_t i = 0;
    if (i < value.size() && (value[i] == '+' || value[i] == '-')) ++i;
    size_t digits = i;
    while (i < value.size() && value[i] >= '0' && value[i] <= '9') ++i;
    if (i == digits || i - digits > 9) return 0;
    while (i < value.size() && value[i] == ' ') ++i;
    return i == value.size();
}

int is_shift_jis_text(const std::string& text) {
    for (size_t i = 0; i < text.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c < 0x80 || (c >= 0xA1 && c <= 0xDF)) continue;
        if (!((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC)) || i + 1 >= text.size()) return 0;
        unsigned char t = static_cast<unsigned char>(text[++i]);
        if (t < 0x40 || t == 0x7F || t > 0xFC) return 0;
    }
    return 1;
}

}  // namespace qel
