// Start-up into the program's directory and the closing time lines.
#include "common/run.h"

#include <cstring>

#include "common/report.h"
#include "platform/platform.h"

namespace qel {

std::string program_directory(const char* program_path) {
    std::string dir(program_path ? program_path : "");
    // The last separator, or the first byte when there is none, ends the text. A
    // slash counts anywhere; a backslash only at a character start, since it is
    // also the second byte of some two-byte characters.
    size_t cut = 0;
    bool found = false;
    for (size_t i = 0; i < dir.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(dir[i]);
        if (c == '/' || c == '\\') {
            cut = i;
            found = true;
        } else if (c >= 0x80 && i + 1 < dir.size() && dir[i + 1] != '/') {
            ++i;
        }
    }
    bool rooted = found && cut == 0;
    char root = rooted ? dir[0] : '\\';
    dir.resize(cut);
    // A bare drive ("C:") becomes its root; a program in "/" stays there.
    if (dir.size() == 2 && dir[1] == ':') dir += '\\';
    if (rooted) dir.assign(1, root);
    return dir;
}

int start_run(const char* program_path, RunClock& clock) {
    std::string dir = program_directory(program_path);
    if (change_directory(dir.c_str()) != 0) {
        report_console("作業ディレクトリ %s への移動に失敗しました\n", dir.c_str());
        return -1;
    }
    clock.start_time = wall_clock_seconds();
    report_log("開始時刻: %s", ctime_text(clock.start_time).c_str());
    report("作業ディレクトリ %s に移動しました\n", dir.c_str());
    return 0;
}

void report_end_and_elapsed(const RunClock& clock) {
    int64_t end_time = wall_clock_seconds();
    report_log("終了時刻: %s", ctime_text(end_time).c_str());
    int64_t d = clock.start_time == NoStartTime ? 0 : end_time - clock.start_time;
    report("経過時間: %d:%02d\n", static_cast<int>(d / 60), static_cast<int>(d % 60));
}

}  // namespace qel
