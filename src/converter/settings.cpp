// Reading and echoing "qelconv.ini".
#include "converter/settings.h"

#include <cstring>

#include "common/report.h"
#include "common/settings_line.h"
#include "platform/platform.h"

namespace qel {

ConversionSettings settings;

namespace {

const char* const SettingsFileName = "qelconv.ini";

// Stores one key's value; returns -1 for a key that is not a setting.
int store_setting(const std::string& key, const std::string& value) {
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
            return 0;
        }
    for (const IntKey& k : int_keys)
        if (key == k.name) {
            settings.*k.field = settings_integer_value(value);
            return 0;
        }
    return -1;
}

void echo_settings() {
    const ConversionSettings& s = settings;
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

void reset_settings() {
    settings = ConversionSettings();
    settings.MACINTOSH = 0;
    settings.FIGURE = 1;
    settings.JPEG = 1;
    settings.SOUND = 0;
    settings.GENSOUND = 1;
    settings.COMPLEX = 1;
    settings.QUICKJUMP = 0;
    settings.QJITEMS = 3;
    settings.QJLINES = 30;
    settings.QUICKRET = 0;
    settings.ITALIC = 0;
    settings.PRONSYM = "→発音";
    settings.JUMPSYM = "→品詞";
    settings.ARROWSYM = "→";
    settings.RETSYM = "↑";
}

int read_settings() {
    reset_settings();
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
        if (split_settings_line(line, key, value) == 0) continue;
        if (store_setting(key, value) != 0) {
            report("設定ファイルに不正な行があります(%d行め)\n", line_number);
            result = -1;
        }
    }
    file_close(f);
    echo_settings();
    return result;
}

}  // namespace qel
