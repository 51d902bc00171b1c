// Start of a run shared by the programs: into the program's own directory,
// with the start time recorded; and the elapsed-time figure of the summary.
#pragma once

#include <cstdint>
#include <string>

namespace qel {

// RunClock::start_time of a run whose start was never recorded.
const int64_t NoStartTime = -1;

// The clock of one run, owned by the program's main and handed to its summary.
struct RunClock {
    int64_t start_time = NoStartTime;  // wall-clock seconds at the start, or NoStartTime
};

// Enters the directory that holds `program_path` (the text up to its last
// backslash or slash; a bare drive such as C: becomes C:\), records the start
// time in `clock`, logs "開始時刻: ..." and reports the directory. Returns 0,
// or -1 after the console-only message when the directory cannot be entered
// (`clock` is then left as it was).
int start_run(const char* program_path, RunClock& clock);

// The directory `start_run` derives from a program path (exposed for tests).
std::string program_directory(const char* program_path);

// Reads the end time, logs "終了時刻: ..." and reports "経過時間: %d:%02d", the
// time since `clock`'s start. When the start was never recorded the elapsed
// time is shown as 0:00.
void report_end_and_elapsed(const RunClock& clock);

}  // namespace qel
