// Inputs and runs of the body conversion for the html tests: main.txt in its
// stored form, index-word lists, and one run of the hyperlink pass and the
// body conversion in the current directory.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
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

}  // namespace htmltest
