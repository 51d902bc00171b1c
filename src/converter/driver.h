// The converter's run: the fixed sequence of steps and the closing summary.
#pragma once

#include "common/run.h"
#include "common/settings.h"

namespace qel {

// Runs steps 2 to 11 in order (settings, directories, sort command, gaiji,
// quick-jump data, hyperlink data, body, copyright page, complex-search
// definition, project file) with the run's `settings` (read and completed by
// the first steps) and returns 0, or -1 at the first failed step.
int run_conversion_steps(ConversionSettings& settings);

// Writes the summary: the success or failure line, the end time to the log,
// the elapsed time since `clock`'s start, after success the advice lines, and
// the blank log line. Returns the exit code (0, or 1 when `status` is -1).
int report_summary(int status, const ConversionSettings& settings, const RunClock& clock);

// Writes the summary and ends the process with its exit code; never returns.
[[noreturn]] void finish_run(int status, const ConversionSettings& settings, const RunClock& clock);

}  // namespace qel
