// Start of a run shared by both programs: into the program's own directory,
// with the start time recorded; and the elapsed-time figure of the summary.
#pragma once

#include <cstdint>
#include <string>

namespace qel {

// Enters the directory that holds `program_path` (the text up to its last
// backslash or slash; a bare drive such as C: becomes C:\), records the start
// time, logs "開始時刻: ..." and reports the directory. Returns 0, or -1 after
// the console-only message when the directory cannot be entered.
int start_run(const char* program_path);

// The directory `start_run` derives from a program path (exposed for tests).
std::string program_directory(const char* program_path);

// Records the end time, logs "終了時刻: ..." and reports "経過時間: %d:%02d".
// When the start was never recorded the elapsed time is shown as 0:00.
void report_end_and_elapsed();

// Seconds from start to end, for the summary; the start time can be set by tests.
int64_t run_start_time();
void set_run_start_time(int64_t t);
void reset_run_state();

}  // namespace qel
