// The steps of the body conversion that both parts of a divided body take:
// opening the inputs, the start state, runs of lines, the end of the input,
// closing and abandoning. For the body conversion's own modules.
#pragma once

#include <atomic>
#include <cstdint>

#include "common/settings.h"
#include "html/body_state.h"

namespace qel {

// RA lines that a run counts from the start of a division: the records of the
// first two are where the second part takes up the state (its output is
// thrown away), and the third one's RA line is the seam.
const int SeamRecords = 3;

// How a run of lines ended.
enum LinesEnd {
    LINES_END,           // main.txt is read to its end
    LINES_SEAM,          // the seam's RA line has just been taken
    LINES_FAILED,        // a line failed the step, which has reported why
    LINES_WRITE_FAILED,  // the body can no longer be written (nothing reported yet)
    LINES_STOPPED        // the other part asked for the end
};

// What steers one run of lines.
struct LineRun {
    int32_t seam_start = -1;                  // where the RA lines are counted from; -1 for no seam
    int seam_records = 0;                     // RA lines counted so far
    unsigned lines = 0;                       // lines taken so far
    const std::atomic<int>* stop = nullptr;   // when set to 1, the run stops; none for never
    std::atomic<int32_t>* reached = nullptr;  // where the run has got to, published; none
};

// Opens main.txt, the index-word lists, the quick-jump data (QUICKJUMP on),
// hyperlnk.dat and the media bundles into `state`. 0, or -1 after the failing
// open has reported.
int open_body_inputs(BodyConversionState& state, const ConversionSettings& settings);

// The start state after the opens: progress, index-list cursors, the first
// link group, the symbol texts and indents.
void prepare_body_state(BodyConversionState& state);

// Shows the progress at the state's entry position; with a divided body,
// counts in what the second part has converted past its start.
void show_body_progress(BodyConversionState& state);

// Converts lines of main.txt until its end, the seam, a failure or a stop.
// Every 4096 lines, checks the body for a failed write, publishes where it
// stands and looks for a stop.
LinesEnd convert_lines(BodyConversionState& state, LineRun& run);

// After the last line: the remaining groups' anchors, the last closing, the
// held text and, with QUICKJUMP 4, the quick-jump pages.
void finish_body(BodyConversionState& state);

// Closes the inputs after a complete conversion.
void close_inputs(BodyConversionState& state);

// After a failure: closes whatever is open and writes nothing more, so every
// file keeps exactly what was written so far.
void abandon_step(BodyConversionState& state);

}  // namespace qel
