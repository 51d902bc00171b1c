// A divided body conversion: wherever the division falls, qel.html, the menu
// pages, the console and the log are those of a conversion in one piece, and
// a second part that meets the first at the seam is taken over.
#include "html/body.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "html/body_fixture.h"
#include "common/report.h"
#include "html/quick_jump_table.h"
#include "links/link_table.h"
#include "support/test_support.h"

using namespace qel;
using namespace htmltest;
using qeltest::read_file;
using qeltest::TempDir;
using qeltest::write_file;

namespace {

// What one body conversion left behind.
struct Outputs {
    int status = 0;
    int taken = 0;
    std::string files;    // qel.html and the menu pages, one after the other
    std::string console;  // standard output of the body conversion
    std::string log;      // what it added to qelconv.log
};

// The passes and the body conversion over the main.txt in the working
// directory, divided at `share` per mille (0: in one piece). The console is
// taken for a file: on a terminal the percentages of a divided body count
// what both parts have converted.
Outputs convert(const ConversionSettings& settings, int share) {
    const GaijiCodes gaiji;
    set_console_transcoding(0);
    set_console_terminal(0);
    testing::internal::CaptureStdout();
    if (settings.QUICKJUMP != 0) {
        EXPECT_EQ(build_quick_jump_data(settings, gaiji), 0);
    }
    BodySplit split;
    plan_body_split(settings, split);
    split.point.share = share;
    split.point.minimum_size = 0;
    int link_count = 0;
    EXPECT_EQ(build_link_table(settings, link_count, &split.point), 0);
    testing::internal::GetCapturedStdout();
    std::string log_before = read_file("qelconv.log");
    testing::internal::CaptureStdout();
    Outputs o;
    o.status = convert_body(settings, gaiji, link_count, &split);
    o.console = testing::internal::GetCapturedStdout();
    set_console_transcoding(-1);
    set_console_terminal(1);
    o.taken = split.taken;
    o.log = read_file("qelconv.log").substr(log_before.size());
    for (const char* name : {"qel.html", "qelmenu2.html", "qelmenu3.html", "qelmenu4.html", "qelmenu5.html"})
        o.files += read_file(name) + "\n----\n";
    return o;
}

// Converts `text` in one piece, then divided at each of its records after
// the first: every division gives the same bytes. Returns how many of them
// were taken over.
int divisions_taken(const ConversionSettings& settings, const std::string& text) {
    write_file("main.txt", stored(text));
    if (!qeltest::file_exists("en.dat")) write_file("en.dat", index_list());
    if (!qeltest::file_exists("tr.dat")) write_file("tr.dat", index_list());
    Outputs whole = convert(settings, 0);
    EXPECT_EQ(whole.taken, 0);
    int taken = 0;
    for (size_t at = text.find("\nRA="); at != std::string::npos; at = text.find("\nRA=", at + 1)) {
        int share = static_cast<int>((at + 1) * 1000 / text.size());
        if (share == 0) continue;
        Outputs divided = convert(settings, share);
        EXPECT_EQ(divided.status, whole.status) << "divided at " << at + 1;
        EXPECT_EQ(divided.files, whole.files) << "divided at " << at + 1;
        EXPECT_EQ(divided.console, whole.console) << "divided at " << at + 1;
        EXPECT_EQ(divided.log, whole.log) << "divided at " << at + 1;
        taken += divided.taken;
    }
    return taken;
}

}  // namespace

TEST(BodySplit, EveryDivisionGivesTheBytesOfAWholeConversion) {
    TempDir dir;
    dir.enter();
    std::string text = regular_dictionary();
    std::vector<int32_t> records = record_offsets(text);
    std::vector<std::string> english, translation;
    for (size_t r = 0; r < records.size(); ++r) {
        english.push_back(index_record("w" + std::to_string(r), records[r]));
        translation.push_back(index_record("訳" + std::to_string(r), records[r] + (r % 2)));
    }
    write_file("en.dat", index_list(english));
    write_file("tr.dat", index_list(translation));
    for (int quick_jump : {0, 1, 4}) {
        ConversionSettings settings = quiet_settings();
        settings.COMPLEX = 1;
        settings.QUICKJUMP = quick_jump;
        settings.QUICKRET = 1;
        settings.QJITEMS = 2;
        settings.QJLINES = 5;
        // Every division but the last two (which leave no room for the two
        // records before the seam) is taken over.
        EXPECT_EQ(divisions_taken(settings, text), static_cast<int>(records.size()) - 3) << quick_jump;
    }
}

TEST(BodySplit, RandomDictionariesGiveTheSameBytesAtEveryDivision) {
    TempDir dir;
    dir.enter();
    int taken = 0;
    for (unsigned seed = 1; seed <= 100; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        ConversionSettings settings = quiet_settings();
        settings.COMPLEX = static_cast<int>(seed % 2);
        settings.QUICKJUMP = static_cast<int>(seed % 3);
        settings.QUICKRET = 1;
        settings.QJITEMS = 1;
        settings.QJLINES = 2;
        std::string text = random_dictionary(seed);
        std::vector<int32_t> records = record_offsets(text);
        std::vector<std::string> english;
        for (size_t r = 0; r < records.size(); r += 2) english.push_back(index_record("w", records[r] + (r % 3)));
        write_file("en.dat", index_list(english));
        taken += divisions_taken(settings, text);
        EXPECT_EQ(convert(settings, 0).status, 0) << seed;
    }
    EXPECT_GT(taken, 0);
}

// A second part with more to say than its messages may hold gives its work
// up after the seam; the first part, whose menu pages and body have text not
// yet handed to the system, then converts the rest itself.
TEST(BodySplit, ASecondPartThatGivesUpIsConvertedByTheFirst) {
    TempDir dir;
    dir.enter();
    ConversionSettings settings = quiet_settings();
    std::string text = regular_dictionary();
    const std::string filler(30000, 'x');
    for (int r = 0; r < 200; ++r)
        text += "RA=\nRN=" + std::to_string(200000 + r) + "\nEN=long|long\nTL=Title " + std::to_string(r) +
                "\nOT1=【類語】s\nTR1=</ZZ>" + filler + "\n";
    write_file("main.txt", stored(text));
    write_file("en.dat", index_list());
    write_file("tr.dat", index_list());
    Outputs whole = convert(settings, 0);
    Outputs divided = convert(settings, 1);
    EXPECT_EQ(divided.taken, 0);
    EXPECT_EQ(divided.status, whole.status);
    EXPECT_EQ(divided.files, whole.files);
    EXPECT_EQ(divided.log, whole.log);
    EXPECT_EQ(divided.console, whole.console);
}

TEST(BodySplit, BrokenRecordsAroundTheSeamGiveTheSameBytes) {
    TempDir dir;
    dir.enter();
    ConversionSettings settings = quiet_settings();
    settings.COMPLEX = 1;
    // Records without RN or EN, entry numbers that go back, a record that
    // opens no entry but holds anchors and condition keys, lines before the
    // first RA, unlisted tags, broken markup, a cut-short index list.
    std::string text =
        "TR1=before any record\nRA=\nRN=000010\nEN=a|a\nTR1=<HL>x:000020:1</HL> <HL>y:000015:1</HL>\n"
        "RA=\nEN=b|b\nTR1=no number <B>open\n"
        "RA=\nRN=000020\nKEYID=held key\nKEY=k\n"
        "RA=\nRN=000005\nEN=c|c\nXYZ=unlisted\nTR1=<HL>z:000005:9</HL> back\n"
        "RA=\nRN=000030\nEN=d|\nTL=[only bracket]\nOT5=【地域】x\nTR1=<HL>broken:000040\n"
        "RA=\nRN=000040\nDR=e|e\nTR1=derived first\nEN=f|f\nTR1=f\n"
        "RA=\nRN=000050\nEN=g|g\nTR1=last\n";
    std::vector<int32_t> records = record_offsets(text);
    write_file("en.dat", index_list({index_record("a", records[1]), index_record("z", records[0])}) + "cut");
    write_file("tr.dat", index_list({index_record("q", records[5]), index_record("p", records[2])}));
    divisions_taken(settings, text);

    // A link in a DR value is numbered by the hyperlink pass but not by the
    // body: both ways the counts differ and the step fails alike.
    text += "RA=\nRN=000060\nEN=h|h\nTR1=x\nRA=\nRN=000070\nDR=<HL>i:000060:1</HL>|i\nTR1=y\n"
            "RA=\nRN=000080\nEN=j|j\nTR1=z\n";
    write_file("main.txt", stored(text));
    EXPECT_EQ(convert(settings, 0).status, -1);
    divisions_taken(settings, text);
}
