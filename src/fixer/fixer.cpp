// The fixer's driver (the patcher itself is not built yet).
#include "fixer/fixer.h"

#include <cstdlib>

#include "common/report.h"
#include "common/run.h"

namespace qel {

int read_outpath() {
    return 0;
}

int patch_book() {
    return 0;
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
