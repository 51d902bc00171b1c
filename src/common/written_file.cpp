// Closing output files with their write errors reported.
#include "common/written_file.h"

#include "common/report.h"

namespace qel {

int close_written_file(File* file, const std::string& path) {
    int failed = file_failed(file);
    if (file_close(file) != 0) failed = 1;
    if (!failed) return 0;
    report("ファイル %s への書き込みに失敗しました\n", path.c_str());
    return -1;
}

}  // namespace qel
