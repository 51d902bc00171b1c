// The fixer's driver: OUTPATH from the shared settings file, and the summary.
#include "fixer/fixer.h"

#include <cstdlib>

#include "common/report.h"
#include "common/run.h"
#include "common/settings_line.h"
#include "platform/platform.h"

namespace qel {

namespace {

// The book directory; empty means the working directory.
std::string outpath;

}  // namespace

int read_outpath() {
    static const char* const Keys[] = {"OUTPATH"};
    return read_directory_settings(Keys, &outpath, 1);
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
