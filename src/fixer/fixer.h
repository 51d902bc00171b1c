// The book fixer qelmend: reads OUTPATH and patches the book's heading data.
#pragma once

namespace qel {

// Reads OUTPATH from "qelconv.ini" (every other key passed over). 0 or -1.
int read_outpath();

// Patches the heading components of OUTPATH + "qel\\data\\honmon" in place. 0 or -1.
int patch_book();

// Writes the fixer's summary and returns the exit code (0, or 1 after -1).
int report_fix_summary(int status);

// Writes the summary and ends the process; never returns.
[[noreturn]] void finish_fix(int status);

}  // namespace qel
