// The book fixer qelmend: its settings (OUTPATH only) and its closing summary.
#pragma once

#include <string>

namespace qel {

// Reads "qelconv.ini" and keeps its last OUTPATH value (a slash or backslash
// appended as the converter does); every other line, whatever its key, is
// passed over without a message. Nothing is echoed. Returns 0, or -1 after
// reporting when the file cannot be opened.
int read_outpath();

// OUTPATH as read: empty when the file gives none, otherwise ending with a
// slash or a backslash. The book is looked for below it.
const std::string& fixer_outpath();

// Sets OUTPATH directly (for tests); reset_fixer_state returns it to empty.
void set_fixer_outpath(const std::string& outpath);
void reset_fixer_state();

// Writes the fixer's summary (result line, end time, elapsed time, blank log
// line) and returns the exit code: 1 after -1, else 0.
int report_fix_summary(int status);

// Writes the summary and ends the process with its exit code; never returns.
[[noreturn]] void finish_fix(int status);

}  // namespace qel
