// Inputs and runs of the body conversion for the html tests: main.txt in its
// stored form, index-word lists, one run of the hyperlink pass and the body
// conversion in the current directory, and dictionaries for the divided
// passes.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "common/settings.h"
#include "html/body.h"
#include "links/link_table.h"
#include "platform/platform.h"
#include "support/test_support.h"

namespace htmltest {

// The indent controls of levels 1 and 2.
const std::string I1 = "&#x1f09;&#x00;&#x02;";
const std::string I2 = "&#x1f09;&#x00;&#x03;";

const std::string BodyHead =
    "<html>\n<head>\n<meta http-equiv=\"Content-Type\" content=\"text/html; charset=x-sjis\">\n"
    "<meta name=\"GENERATOR\" content=\"Moravel Toolkit qelconv pre-release4a 2004/12/25\">\n"
    "<title>Moravel Dictionary</title>\n</head>\n<body>\n<dl>\n";
const std::string BodyFoot = "</dl>\n</body>\n</html>\n";

// main.txt as stored: every byte complemented, so each "\n" becomes 0xF5.
inline std::string stored(const std::string& text) {
    std::string bytes = text;
    for (char& c : bytes) c = static_cast<char>(~static_cast<unsigned char>(c));
    return bytes;
}

// One index-word record of `word` for the entry at `position`.
inline std::string index_record(const std::string& word, int32_t position) {
    std::string r = "xx";
    r += static_cast<char>(word.size());
    r += word + "xx";
    r += '\0';
    r += "xx";
    for (int i = 0; i < 4; ++i) r += static_cast<char>((static_cast<uint32_t>(position) >> (8 * i)) & 0xFF);
    r += "xx" + std::string(4, '\0') + std::string(8, 'x');
    r += '\0';
    return r;
}

// An index-word list file: the 256-byte header and the records.
inline std::string index_list(const std::vector<std::string>& records = {}) {
    std::string file(256, 'h');
    for (const std::string& r : records) file += r;
    return file;
}

// Settings with every switch off and every directory the working directory.
inline qel::ConversionSettings quiet_settings() {
    qel::ConversionSettings s;
    s.FIGURE = s.JPEG = s.SOUND = s.GENSOUND = s.COMPLEX = s.MACINTOSH = 0;
    s.SORTCMD = qel::SortCandidates[0];
    return s;
}

// What one run left behind.
struct BodyRun {
    int status;           // convert_body's result
    std::string body;     // qel.html between its header and footer, line ends as "\n"
    std::string html;     // the whole of qel.html as stored
    std::string console;  // standard output of the body conversion
    std::string log;      // what the body conversion added to qelconv.log
};

// Writes main.txt (and empty index lists unless present), runs the hyperlink
// pass and the body conversion with `settings` in the current directory.
inline BodyRun run_body(const qel::ConversionSettings& settings, const std::string& main_text) {
    using namespace qeltest;
    write_file("main.txt", stored(main_text));
    if (!file_exists("en.dat")) write_file("en.dat", index_list());
    if (!file_exists("tr.dat")) write_file("tr.dat", index_list());
    std::string log_before = read_file("qelconv.log");
    BodyRun run;
    qel::set_console_transcoding(0);
    testing::internal::CaptureStdout();
    int link_count = 0;
    EXPECT_EQ(qel::build_link_table(settings, link_count), 0);
    testing::internal::GetCapturedStdout();
    log_before = read_file("qelconv.log");
    testing::internal::CaptureStdout();
    const qel::GaijiCodes gaiji;
    run.status = qel::convert_body(settings, gaiji, link_count);
    run.console = testing::internal::GetCapturedStdout();
    qel::set_console_transcoding(-1);
    run.log = read_file("qelconv.log").substr(log_before.size());
    run.html = read_file("qel.html");
    std::string text = lf(run.html);
    if (text.compare(0, BodyHead.size(), BodyHead) == 0 && text.size() >= BodyHead.size() + BodyFoot.size() &&
        text.compare(text.size() - BodyFoot.size(), BodyFoot.size(), BodyFoot) == 0)
        run.body = text.substr(BodyHead.size(), text.size() - BodyHead.size() - BodyFoot.size());
    else
        run.body = "(no complete body) " + text;
    return run;
}

// Offsets of the RA lines of `text`.
inline std::vector<int32_t> record_offsets(const std::string& text) {
    std::vector<int32_t> offsets;
    for (size_t at = 0; (at = text.find("RA=", at)) != std::string::npos; at += 3)
        if (at == 0 || text[at - 1] == '\n') offsets.push_back(static_cast<int32_t>(at));
    return offsets;
}

// A dictionary that uses every part of the body's state: headwords and
// derived forms, pending headers, links every way with anchors in many
// kinds of field, idioms, work titles and sections for the menus, condition
// keys, and records long enough for quick-jump menus.
inline std::string regular_dictionary() {
    std::string text;
    for (int r = 1; r <= 12; ++r) {
        std::string id = "00010" + std::to_string(r / 10) + std::to_string(r % 10);
        std::string next = "00010" + std::to_string((r + 1) / 10) + std::to_string((r + 1) % 10);
        std::string word = std::string(1, static_cast<char>('a' + r)) + "word";
        text += "RA=\nRN=" + id + "\nEN=" + word + "|" + word + "\nPR=[pr" + std::to_string(r) + "]\n";
        if (r % 3 == 0) text += "ENV=variant\n";
        text += "PS=n.\nTR1=first <HL>next:" + next + ":2</HL> and <HL>back:000101:n.1</HL>\n";
        text += "TR2=second <HL>lost:000999:1</HL>\nEX=an <B>example</B> <OBJ>例\n";
        text += "KEYID=<I>k" + std::to_string(r) + "</I> key\n";
        text += "ID=go " + word + "\nID=come " + word + "\n";
        if (r % 2 == 0) text += "OT1=【類語】synonym\nOT2=【語法】usage\n";
        if (r % 4 == 1) text += "OT3=【活用】forms\nTL=◇[Title] of " + word + "\nTLSUB=[sub] text\n";
        text += "PS=v.t.\nTR1=verb sense <HL>idiom:" + id + ":go " + word + "</HL>\n";
        text += "DR=" + word + "s|" + word + "s\nTR1=derived\n";
        for (int i = 0; i < 8; ++i) text += "NB=note " + std::to_string(i) + "\n";
    }
    return text;
}

// A dictionary of random records from the lines the body knows, with empty
// records, missing entry numbers and headwords, numbers that go back and
// links to entries near and far, so that the state at a seam also comes from
// records before the two that the second part starts with.
inline std::string random_dictionary(unsigned seed) {
    std::mt19937 random(seed);
    auto pick = [&random](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    const char* const lines[] = {
        "PR=[pr]", "ENV=var", "PS=n.", "PS=v.t.", "TR1=one", "TR2=two", "MN=meaning", "EX=ex <OBJ>例",
        "KEYID=<I>held</I> key", "ID=go on", "ID=go off", "OT1=【類語】syn", "OT2=【語法】use", "OT3=【活用】x",
        "TL=◇[Title] rest", "TL=[only]", "TLSUB=sub", "NB=note", "KEY=k", "XYZ=unlisted", "TRSUB1(2)=【a】t",
    };
    const char* const specs[] = {"1", "2", "n.1", "go on", "syn", "x"};
    std::string text;
    int number = 10;
    int records = 12 + pick(8);
    for (int r = 0; r < records; ++r) {
        text += "RA=\n";
        if (pick(5) == 0) continue;  // an empty record
        number += pick(6) == 0 ? -3 : 1 + pick(2);
        if (pick(8) != 0) text += "RN=" + std::to_string(100000 + number) + "\n";
        if (pick(6) != 0) text += std::string(pick(5) == 0 ? "DR=" : "EN=") + "w" + std::to_string(r) + "|" +
                                  static_cast<char>('a' + pick(3)) + "w\n";
        for (int n = pick(7); n > 0; --n) {
            std::string line = lines[pick(static_cast<int>(std::size(lines)))];
            if (pick(3) == 0)
                line += " <HL>l:" + std::to_string(100000 + number + pick(7) - 3) + ":" + specs[pick(6)] + "</HL>";
            text += line + "\n";
        }
    }
    return text;
}

}  // namespace htmltest
