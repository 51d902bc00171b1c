// The book fixer qelmend: its settings (OUTPATH only) and its closing summary.
#pragma once

#include <string>

#include "common/run.h"

namespace qel {

// Reads "qelconv.ini" and sets `outpath` to its last OUTPATH value (a slash
// or backslash appended as the converter does), or to empty when the file
// gives none; the book is looked for below it. Every other line, whatever its
// key, is passed over without a message. Nothing is echoed. Returns 0, or -1
// after reporting when the file cannot be opened (`outpath` is then empty).
int read_outpath(std::string& outpath);

// Writes the fixer's summary (result line, end time, elapsed time since
// `clock`'s start, blank log line) and returns the exit code: 1 after -1,
// else 0.
int report_fix_summary(int status, const RunClock& clock);

// Writes the summary and ends the process with its exit code; never returns.
[[noreturn]] void finish_fix(int status, const RunClock& clock);

}  // namespace qel
