// The fixer's driver: OUTPATH from the shared settings file, and the summary.
#include "fixer/fixer.h"

#include <cstdlib>

#include "common/report.h"
#include "common/run.h"
#include "common/settings_line.h"
#include "platform/platform.h"

namespace qel {

int read_outpath(std::string& outpath) {
    static const char* const Keys[] = {"OUTPATH"};
    // Without an OUTPATH line the book is below the working directory.
    outpath.clear();
    return read_directory_settings(Keys, &outpath, 1);
}

int report_fix_summary(int status, const RunClock& clock) {
    report(status == 0 ? "検索見出しの修正が終了しました\n" : "検索見出しの修正に失敗しました\n");
    report_end_and_elapsed(clock);
    report_log("\n");
    return status == -1 ? 1 : 0;
}

void finish_fix(int status, const RunClock& clock) {
    std::exit(report_fix_summary(status, clock));
}

}  // namespace qel
