// Reading "qelconv.ini" and "qel.ebs" for qelbook.
#include "book/project.h"

#include <cstring>

#include "book/jis.h"
#include "common/report.h"
#include "common/settings_line.h"
#include "platform/platform.h"

namespace qel {

namespace {

const char* const ProjectFileName = "qel.ebs";

// Fields of the Book= line.
enum BookField {
    FIELD_TITLE,
    FIELD_DIRECTORY,
    FIELD_KIND,
    FIELD_COPYRIGHT,
    FIELD_COMPLEX,
    FIELD_NARROW16,
    FIELD_WIDE16,
    BOOK_FIELDS_NEEDED
};

// Genres of the catalog's book type by kind of dictionary.
struct BookKind {
    const char* name;
    int genre;
};
const BookKind BookKinds[] = {
    {"国語辞典", 0x00}, {"漢和辞典", 0x10}, {"英和辞典", 0x20}, {"和英辞典", 0x30},
    {"現代用語辞典", 0x40}, {"百科事典", 0x50}, {"一般書物", 0x60}, {"類語辞典", 0x70},
};

// Splits at ";" (double-byte aware: a trail byte is never a separator).
std::vector<std::string> split_fields(const std::string& text) {
    std::vector<std::string> fields(1);
    for (size_t i = 0; i < text.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (is_sjis_lead(c) && i + 1 < text.size()) {
            fields.back() += text.substr(i, 2);
            ++i;
        } else if (c == ';') {
            fields.emplace_back();
        } else {
            fields.back() += static_cast<char>(c);
        }
    }
    return fields;
}

// A file named in the project: "$(BASE)\" or "$(BASE)/" stands for BASEPATH;
// "_" or nothing names no file.
std::string project_path(const std::string& base, const std::string& field) {
    if (field.empty() || field == "_") return std::string();
    static const char Base[] = "$(BASE)";
    if (field.compare(0, sizeof Base - 1, Base) == 0) {
        size_t rest = sizeof Base - 1;
        if (rest < field.size() && (field[rest] == '\\' || field[rest] == '/')) ++rest;
        return base + field.substr(rest);
    }
    return field;
}

// The part of a project line after its "=", without the line end.
std::string line_value(const char* line) {
    const char* eq = std::strchr(line, '=');
    std::string value = eq ? eq + 1 : "";
    while (!value.empty() && (value.back() == '\n' || value.back() == '\r')) value.pop_back();
    return value;
}

// Reads one line of any length (its line feed included). 0 at the end of the file.
int read_whole_line(File* f, std::string& line) {
    char piece[1024];
    line.clear();
    while (file_gets(piece, sizeof piece, f)) {
        line += piece;
        if (!line.empty() && line.back() == '\n') break;
    }
    return line.empty() ? 0 : 1;
}

int directory_name_ok(const std::string& name) {
    if (name.empty() || name.size() > 8) return 0;
    for (char c : name)
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_')) return 0;
    return 1;
}

}  // namespace

int read_book_settings(BookSettings& settings) {
    static const char* const Keys[] = {"BASEPATH", "OUTPATH"};
    std::string values[2] = {settings.BASEPATH, settings.OUTPATH};
    if (read_directory_settings(Keys, values, 2) != 0) return -1;
    settings.BASEPATH = values[0];
    settings.OUTPATH = values[1];
    report("書籍作成設定は以下のとおりです\n");
    report("  BASEPATH = %s\n", settings.BASEPATH.c_str());
    report("  OUTPATH = %s\n", settings.OUTPATH.c_str());
    return 0;
}

int book_type_code(const std::string& kind) {
    for (const BookKind& k : BookKinds)
        if (kind == k.name) return k.genre << 8 | 0x01;
    return 0x6001;
}

int read_book_project(const std::string& base, BookProject& project) {
    project = BookProject();
    project.path = base + ProjectFileName;
    project.WordSearchHyoki = project.EndWordSearchHyoki = 1;
    project.KeywordSearch = project.ComplexSearch = 0;
    project.DTTagIndex = 0;
    project.delBlank = project.delSym = 1;
    File* f = file_open(project.path.c_str(), FILE_READ_TEXT);
    if (!f) {
        report("書籍定義ファイル %s がオープンできません\n", project.path.c_str());
        return -1;
    }
    struct Switch {
        const char* name;
        int BookProject::*field;
    };
    static const Switch Switches[] = {
        {"WordSearchHyoki", &BookProject::WordSearchHyoki}, {"EndWordSearchHyoki", &BookProject::EndWordSearchHyoki},
        {"KeywordSearch", &BookProject::KeywordSearch},     {"ComplexSearch", &BookProject::ComplexSearch},
        {"DTTagIndex", &BookProject::DTTagIndex},           {"delBlank", &BookProject::delBlank},
        {"delSym", &BookProject::delSym}};
    std::string line;
    int number = 0;
    int book_line = 0;
    int status = 0;
    while (status == 0 && read_whole_line(f, line)) {
        ++number;
        std::string key = line.substr(0, line.find('='));
        std::string value = line_value(line.c_str());
        if (key == "Book") {
            book_line = number;
            std::vector<std::string> fields = split_fields(value);
            if (fields.size() < BOOK_FIELDS_NEEDED) {
                report("書籍定義ファイル %s の %d 行目: Book= 行の項目が足りません(%d 個、%d 個必要です)\n",
                       project.path.c_str(), number, static_cast<int>(fields.size()), BOOK_FIELDS_NEEDED);
                status = -1;
                break;
            }
            project.title = fields[FIELD_TITLE];
            project.directory = fields[FIELD_DIRECTORY];
            project.kind = fields[FIELD_KIND];
            project.book_type = book_type_code(project.kind);
            project.copyright = project_path(base, fields[FIELD_COPYRIGHT]);
            project.complex = project_path(base, fields[FIELD_COMPLEX]);
            project.narrow_font = fields[FIELD_NARROW16] == "_" ? "" : fields[FIELD_NARROW16];
            project.wide_font = fields[FIELD_WIDE16] == "_" ? "" : fields[FIELD_WIDE16];
            if (!directory_name_ok(project.directory)) {
                report("書籍定義ファイル %s の %d 行目: 書籍ディレクトリ名「%s」は1-8文字の英数字でなければなりません\n",
                       project.path.c_str(), number, project.directory.c_str());
                status = -1;
            }
            for (const std::string* font : {&project.narrow_font, &project.wide_font})
                if (status == 0 && !font->empty() && !directory_name_ok(*font)) {
                    report("書籍定義ファイル %s の %d 行目: 外字フォント名「%s」は1-8文字の英数字でなければなりません\n",
                           project.path.c_str(), number, font->c_str());
                    status = -1;
                }
        } else if (key == "GaijiFile") {
            project.gaiji_font = project_path(base, value);
        } else if (key == "GaijiMapFile") {
            project.gaiji_map = project_path(base, value);
        } else if (key == "Source") {
            std::vector<std::string> fields = split_fields(value);
            BookSource source;
            source.path = project_path(base, fields[0]);
            if (fields.size() > 1) source.title = fields[1];
            if (source.path.empty()) {
                report("書籍定義ファイル %s の %d 行目: Source= 行にファイル名がありません\n", project.path.c_str(),
                       number);
                status = -1;
                break;
            }
            project.sources.push_back(source);
        } else {
            for (const Switch& s : Switches)
                if (key == s.name) project.*s.field = settings_integer_value(value);
        }
    }
    file_close(f);
    if (status != 0) return -1;
    if (book_line == 0) {
        report("書籍定義ファイル %s に Book= 行がありません\n", project.path.c_str());
        return -1;
    }
    if (project.sources.empty()) {
        report("書籍定義ファイル %s に Source= 行がありません\n", project.path.c_str());
        return -1;
    }
    return 0;
}

void echo_book_project(const BookProject& p) {
    report("書籍定義は以下のとおりです (%s)\n", p.path.c_str());
    report("  書名 = %s\n", p.title.c_str());
    report("  書籍ディレクトリ = %s\n", p.directory.c_str());
    report("  種別 = %s (%04X)\n", p.kind.c_str(), p.book_type);
    report("  著作権表示 = %s\n", p.copyright.c_str());
    report("  複合検索定義 = %s\n", p.complex.c_str());
    report("  外字 = %s %s\n", p.gaiji_font.c_str(), p.gaiji_map.c_str());
    report("  外字フォント = %s %s\n", p.narrow_font.c_str(), p.wide_font.c_str());
    for (size_t i = 0; i < p.sources.size(); ++i)
        report("  %s = %s (%s)\n", i == 0 ? "本文" : "メニュー", p.sources[i].path.c_str(), p.sources[i].title.c_str());
    report("  WordSearchHyoki = %d\n", p.WordSearchHyoki);
    report("  EndWordSearchHyoki = %d\n", p.EndWordSearchHyoki);
    report("  KeywordSearch = %d\n", p.KeywordSearch);
    report("  ComplexSearch = %d\n", p.ComplexSearch);
    report("  DTTagIndex = %d\n", p.DTTagIndex);
    report("  delBlank = %d\n", p.delBlank);
    report("  delSym = %d\n", p.delSym);
}

}  // namespace qel
