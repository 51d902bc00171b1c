// Reading and echoing "qelconv.ini".
#include "common/settings.h"

#include <cstring>

#include "common/report.h"
#include "common/settings_line.h"
#include "platform/platform.h"

namespace qel {

namespace {

// Integer keys whose values have a documented range; the others take any
// integer.
struct IntRange { const char* name; int low; int high; };
const IntRange IntRanges[] = {{"QUICKJUMP", 0, 4}, {"QJITEMS", 0, 2147483647}, {"QJLINES", 0, 2147483647}};

// Notes a value that the key takes but that makes no sense: a text where a
// number belongs, a number out of its range, a symbol that is not Shift_JIS.
// The value is stored as the file gives it.
void check_value(const std::string& key, const std::string& value, int line_number, int integer_key) {
    if (integer_key) {
        int number = settings_integer_value(value);
        if (!is_decimal_value(value)) {
            report("設定ファイルの%d行め: %s の値「%s」は数値ではありません(%d として扱います)\n", line_number,
                   key.c_str(), value.c_str(), number);
            return;
        }
        for (const IntRange& r : IntRanges)
            if (key == r.name && (number < r.low || number > r.high)) {
                if (r.high == 2147483647)
                    report("設定ファイルの%d行め: %s の値 %d は負の数です\n", line_number, key.c_str(), number);
                else
                    report("設定ファイルの%d行め: %s の値 %d は範囲(%d～%d)の外です\n", line_number, key.c_str(),
                           number, r.low, r.high);
            }
        return;
    }
    if (!is_shift_jis_text(value))
        report("設定ファイルの%d行め: %s の値はShift_JISの文字列ではありません\n", line_number, key.c_str());
}

// Stores one key's value; returns -1 for a key that is not a setting.
int store_setting(ConversionSettings& settings, const std::string& key, const std::string& value, int line_number) {
    struct PathKey { const char* name; std::string ConversionSettings::*field; };
    struct TextKey { const char* name; std::string ConversionSettings::*field; };
    struct IntKey { const char* name; int ConversionSettings::*field; };
    static const PathKey path_keys[] = {
        {"BASEPATH", &ConversionSettings::BASEPATH}, {"OUTPATH", &ConversionSettings::OUTPATH},
        {"DICPATH", &ConversionSettings::DICPATH},   {"DATAPATH", &ConversionSettings::DATAPATH}};
    static const TextKey text_keys[] = {
        {"SORTCMD", &ConversionSettings::SORTCMD},   {"PRONSYM", &ConversionSettings::PRONSYM},
        {"JUMPSYM", &ConversionSettings::JUMPSYM},   {"ARROWSYM", &ConversionSettings::ARROWSYM},
        {"RETSYM", &ConversionSettings::RETSYM}};
    static const IntKey int_keys[] = {
        {"MACINTOSH", &ConversionSettings::MACINTOSH}, {"FIGURE", &ConversionSettings::FIGURE},
        {"JPEG", &ConversionSettings::JPEG},           {"SOUND", &ConversionSettings::SOUND},
        {"GENSOUND", &ConversionSettings::GENSOUND},   {"COMPLEX", &ConversionSettings::COMPLEX},
        {"QUICKJUMP", &ConversionSettings::QUICKJUMP}, {"QJITEMS", &ConversionSettings::QJITEMS},
        {"QJLINES", &ConversionSettings::QJLINES},     {"QUICKRET", &ConversionSettings::QUICKRET},
        {"ITALIC", &ConversionSettings::ITALIC}};

    for (const PathKey& k : path_keys)
        if (key == k.name) {
            settings.*k.field = settings_directory_value(value);
            return 0;
        }
    for (const TextKey& k : text_keys)
        if (key == k.name) {
            settings.*k.field = value;
            if (k.field != &ConversionSettings::SORTCMD) check_value(key, value, line_number, 0);
            return 0;
        }
    for (const IntKey& k : int_keys)
        if (key == k.name) {
            settings.*k.field = settings_integer_value(value);
            check_value(key, value, line_number, 1);
            return 0;
        }
    return -1;
}

void echo_settings(const ConversionSettings& s) {
    report("変換設定は以下のとおりです\n");
    report("  BASEPATH = %s\n", s.BASEPATH.c_str());
    report("  OUTPATH = %s\n", s.OUTPATH.c_str());
    report("  DICPATH = %s\n", s.DICPATH.c_str());
    report("  DATAPATH = %s\n", s.DATAPATH.c_str());
    report("  SORTCMD = %s\n", s.SORTCMD.c_str());
    report("  MACINTOSH = %d\n", s.MACINTOSH);
    report("  FIGURE = %d\n", s.FIGURE);
    report("  JPEG = %d\n", s.JPEG);
    report("  SOUND = %d\n", s.SOUND);
    report("  GENSOUND = %d\n", s.GENSOUND);
    report("  COMPLEX = %d\n", s.COMPLEX);
    report("  QUICKJUMP = %d\n", s.QUICKJUMP);
    report("  QJITEMS = %d\n", s.QJITEMS);
    report("  QJLINES = %d\n", s.QJLINES);
    report("  QUICKRET = %d\n", s.QUICKRET);
    report("  ITALIC = %d\n", s.ITALIC);
    report("  PRONSYM = %s\n", s.PRONSYM.c_str());
    report("  JUMPSYM = %s\n", s.JUMPSYM.c_str());
    report("  ARROWSYM = %s\n", s.ARROWSYM.c_str());
    report("  RETSYM = %s\n", s.RETSYM.c_str());
}

}  // namespace

int read_settings(ConversionSettings& settings) {
    settings = ConversionSettings();
    File* f = file_open(SettingsFileName, FILE_READ_TEXT);
    if (!f) {
        report("設定ファイル %s がオープンできません\n", SettingsFileName);
        return -1;
    }
    int result = 0;
    int line_number = 0;
    char line[SettingsLineSize];
    std::string key, value;
    while (file_gets(line, sizeof line, f)) {
        ++line_number;
        const char* text = line_number == 1 ? skip_byte_order_mark(line) : line;
        if (split_settings_line(text, key, value) == 0) continue;
        if (store_setting(settings, key, value, line_number) != 0) {
            report("設定ファイルに不正な行があります(%d行め)\n", line_number);
            // What is wrong with it: a key shown up to 64 bytes.
            if (key.empty()) {
                report("  キーがありません(設定ファイルはShift_JISで、1行に「キー=値」を1つ書きます)\n");
            } else {
                std::string shown = key.substr(0, 64);
                report("  %s%s は設定項目ではありません\n", is_shift_jis_text(shown) ? shown.c_str() : "(Shift_JISでないキー)",
                       key.size() > 64 ? "..." : "");
            }
            result = -1;
        }
    }
    file_close(f);
    echo_settings(settings);
    return result;
}

}  // namespace qel
