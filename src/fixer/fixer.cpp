// The fixer's driver: OUTPATH from the shared settings file, and the summary.
#include "fixer/fixer.h"

#include <cstdlib>

#include "common/report.h"
#include "common/run.h"
#include "common/settings_line.h"
#include "platform/platform.h"

namespace qel {

namespace {

const char* const SettingsFileName = "qelconv.ini";

// The book directory; empty means the working directory.
std::string outpath;

}  // namespace

int read_outpath() {
    File* f = file_open(SettingsFileName, FILE_READ_TEXT);
    if (!f) {
        report("設定ファイル %s がオープンできません\n", SettingsFileName);
        return -1;
    }
    // The converter's line syntax; a line longer than the buffer is read on as
    // further lines, and any key but OUTPATH (however long) is passed over.
    char line[SettingsLineSize];
    std::string key, value;
    while (file_gets(line, sizeof line, f)) {
        if (split_settings_line(line, key, value) == 0) continue;
        if (key == "OUTPATH") outpath = settings_directory_value(value);
    }
    file_close(f);
    return 0;
}

const std::string& fixer_outpath() {
    return outpath;
}

void set_fixer_outpath(const std::string& value) {
    outpath = value;
}

void reset_fixer_state() {
    outpath.clear();
}

int report_fix_summary(int status) {
    report(status == 0 ? "検索見出しの修正が終了しました\n" : "検索見出しの修正に失敗しました\n");
    report_end_and_elapsed();
    report_log("\n");
    return status == -1 ? 1 : 0;
}

void finish_fix(int status) {
    std::exit(report_fix_summary(status));
}

}  // namespace qel
