// The book writer qelbook: the run from the converter's sources to a book in
// OUTPATH, and its closing summary.
#pragma once

#include "book/project.h"
#include "common/run.h"

namespace qel {

// Builds the book that BASEPATH + "qel.ebs" defines into OUTPATH: the
// definition, the gaiji, the body, menu and copyright streams, the headings,
// the search indexes, the index page, the fonts and the catalog, all under
// a temporary directory beside OUTPATH that takes the place of the earlier
// book only once complete. Returns 0, or -1 after reporting (the earlier
// book, if any, is left as it was).
int write_book(const BookSettings& settings);

// Writes the summary: the result line, the end time to the log, the elapsed
// time since `clock`'s start and the blank log line. Returns the exit code (1
// after -1, else 0).
int report_book_summary(int status, const RunClock& clock);

}  // namespace qel
