// The project file "qel.ebs" that the authoring tool reads to build the book.
#include "project/project_file.h"

#include <cstdio>
#include <string>

#include "common/report.h"
#include "common/settings.h"
#include "common/written_file.h"
#include "platform/platform.h"

namespace qel {

namespace {

// The fixed conversion options between the gaiji files and the search keys.
const char* const OptionLines =
    "EBType=0\n"
    "WordSearchHyoki=1\n"
    "WordSearchKana=0\n"
    "EndWordSearchHyoki=1\n"
    "EndWordSearchKana=0\n";

// The fixed options between the search switches and makeFig.
const char* const LayoutLines =
    "topMenu=0\n"
    "singleLine=1\n"
    "kanaSep1=【\n"
    "kanaSep2=】\n"
    "hyokiSep=0\n";

// The fixed options from inlineImg to the size line.
const char* const DisplayLines =
    "inlineImg=0\n"
    "paraHdr=0\n"
    "ruby=1\n"
    "paraBr=0\n"
    "subTitle=1\n"
    "dfnStyle=0\n"
    "srchUnit=1\n"
    "linkChar=0\n"
    "arrowCode=222A\n"
    "eijiPronon=1\n"
    "eijiPartOfSpeech=1\n"
    "eijiBreak=1\n"
    "eijiKana=0\n"
    "leftMargin=0\n"
    "indent=0\n"
    "tableWidth=480\n"
    "StopWord=\n"
    "delBlank=1\n"
    "delSym=1\n"
    "delChars=\n"
    "refAuto=0\n"
    "titleWord=1\n"
    "autoWord=0\n"
    "autoEWord=0\n"
    "HTagIndex=0\n"
    "DTTagIndex=1\n"
    "dispKeyInSelList=0\n"
    "titleOrder=0\n"
    "omitHeader=0\n"
    "addKana=1\n"
    "autoKana=0\n"
    "withHeader=0\n"
    "optMono=0\n"
    "Size=220000;390000;100;229000000;82000;3300000;100;2600;106500;10100;3100\n";

}  // namespace

int write_project_file(const ConversionSettings& s) {

    // Create the file in the base directory.
    std::string path = s.BASEPATH + "qel.ebs";
    File* out = file_open(path.c_str(), FILE_WRITE_TEXT);
    if (!out) {
        report("EBStudio定義ファイル %s が新規作成できません\n", path.c_str());
        return -1;
    }
    report("EBSファイルを生成しています... ");

    // Directories and gaiji files.
    file_printf(out, "InPath=%s\n", s.BASEPATH.c_str());
    file_printf(out, "OutPath=%s\n", s.OUTPATH.c_str());
    file_puts(out, "IndexFile=\n");
    file_puts(out, "Copyright=\n");
    file_printf(out, "GaijiFile=$(BASE)\\%s\n", "qelgfont.xml");
    file_printf(out, "GaijiMapFile=$(BASE)\\%s\n", "qelgmap.xml");

    // Conversion options; keyword and complex search follow COMPLEX as stored,
    // and the media switch is on when figures or sounds are handled.
    file_puts(out, OptionLines);
    file_printf(out, "KeywordSearch=%d\n", s.COMPLEX);
    file_printf(out, "ComplexSearch=%d\n", s.COMPLEX);
    file_puts(out, LayoutLines);
    file_printf(out, "makeFig=%d\n", (s.FIGURE != 0 || s.SOUND != 0) ? 1 : 0);
    file_puts(out, DisplayLines);

    // The book line: title, directory, kind, copyright page, complex-search
    // definition ("_" without one), the two gaiji font names, six empty places.
    file_printf(out, "Book=Moravel英語辞典;QEL;英和辞典;$(BASE)\\%s;", "qelcopr.html");
    if (s.COMPLEX != 0)
        file_printf(out, "$(BASE)\\%s;", "qelcmpl.xml");
    else
        file_puts(out, "_;");
    file_puts(out, "GAI16H00;GAI16F00;_;_;_;_;_;_;\n");

    // The HTML sources; the figure menu only when figures are handled.
    file_printf(out, "Source=$(BASE)\\%s;本文;_;HTML;\n", "qel.html");
    if (s.FIGURE != 0) file_printf(out, "Source=$(BASE)\\%s;図版;_;HTML;\n", "qelmenu1.html");
    file_printf(out, "Source=$(BASE)\\%s;作品名;_;HTML;\n", "qelmenu2.html");
    file_printf(out, "Source=$(BASE)\\%s;類語;_;HTML;\n", "qelmenu3.html");
    file_printf(out, "Source=$(BASE)\\%s;語法;_;HTML;\n", "qelmenu4.html");
    file_printf(out, "Source=$(BASE)\\%s;活用他;_;HTML;\n", "qelmenu5.html");

    if (close_written_file(out, path) != 0) return -1;
    report("終了しました\n");
    return 0;
}

}  // namespace qel
