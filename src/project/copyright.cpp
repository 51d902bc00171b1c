// The copyright page and the complex-search definition of the book.
#include "project/copyright.h"

#include <cstdio>
#include <string>

#include "common/report.h"
#include "common/settings.h"
#include "common/written_file.h"
#include "platform/platform.h"

namespace qel {

namespace {

const char* const ParagraphBreak = "</p>\n<p>";
const char* const FullWidthSpace = "\x81\x40";

// The complex-search definition: one group of five keywords.
const char* const ComplexDefinition =
    "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\n"
    "<!-- MoravelToolkit 複合検索定義ファイル -->\n"
    "<complex>\n"
    " <group name=\"成句・用例検索\">\n"
    "  <keyword name=\"単語１\" />\n"
    "  <keyword name=\"単語２\" />\n"
    "  <keyword name=\"単語３\" />\n"
    "  <keyword name=\"単語４\" />\n"
    "  <keyword name=\"単語５\" />\n"
    " </group>\n"
    "</complex>\n";

// Converts the Readme bytes into paragraph text, writing it in blocks.
void convert_readme(File* readme, File* page) {
    std::string block;
    block.reserve(8192);
    int previous = -1;    // the byte before this one, none at the start
    bool pending = false;  // a blank waits for the byte after it
    int c;
    while ((c = file_getc(readme)) != EOF && c != 0x1A) {
        if (c == '\r') {
            block += ParagraphBreak;
        } else if (c == '\n') {
            if (previous != '\r') block += ParagraphBreak;
        } else if (c == ' ') {
            // Two blanks make one full-width space.
            if (pending) block += FullWidthSpace;
            pending = !pending;
        } else {
            if (pending) block += ' ';
            pending = false;
            block += static_cast<char>(c);
        }
        previous = c;
        if (block.size() >= 4096) {
            file_write(page, block.data(), block.size());
            block.clear();
        }
    }
    file_write(page, block.data(), block.size());
}

}  // namespace

int write_copyright_page(const ConversionSettings& s) {

    // Open the Readme and create the page.
    std::string readme_path = s.DICPATH + "Readme.txt";
    File* readme = file_open(readme_path.c_str(), FILE_READ_RAW);
    if (!readme) {
        report("ファイル %s がオープンできません\n", readme_path.c_str());
        return -1;
    }
    std::string page_path = s.BASEPATH + "qelcopr.html";
    File* page = file_open(page_path.c_str(), FILE_WRITE_TEXT);
    if (!page) {
        report("著作権表示ファイル %s が新規作成できません\n", page_path.c_str());
        file_close(readme);
        return -1;
    }
    report("著作権表示ファイルを生成しています... ");

    // Head, the Readme as paragraphs, foot.
    file_puts(page, "<html>\n<head>\n<title>著作権表示</title>\n</head>\n<body>\n<p>\n");
    convert_readme(readme, page);
    file_puts(page, "</p>\n</body>\n</html>\n");

    file_close(readme);
    if (close_written_file(page, page_path) != 0) return -1;
    report("終了しました\n");
    return 0;
}

int write_complex_definition(const ConversionSettings& settings) {
    std::string path = settings.BASEPATH + "qelcmpl.xml";
    File* out = file_open(path.c_str(), FILE_WRITE_TEXT);
    if (!out) {
        report("複合検索定義ファイル %s が新規作成できません\n", path.c_str());
        return -1;
    }
    report("複合検索定義ファイルを生成しています... ");
    file_puts(out, ComplexDefinition);
    if (close_written_file(out, path) != 0) return -1;
    report("終了しました\n");
    return 0;
}

}  // namespace qel
