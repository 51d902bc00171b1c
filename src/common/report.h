// Message reporting of both programs: console and the shared log "qelconv.log".
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace qel {

// Formats the message, writes it to the console and flushes it, then appends it
// to the log (opened, written in text mode and closed for this one message).
// A log that cannot be opened is skipped silently. Messages of any length are
// formatted whole.
void report(const char* format, ...) QEL_PRINTF(1, 2);

// Appends the formatted message to the log only.
void report_log(const char* format, ...) QEL_PRINTF(1, 2);

// Writes the formatted message to the console only; not logged, not flushed.
// Used for "\r" progress lines and the few console-only messages. A text
// that starts with "\r" redisplays the current line: on a terminal as it is;
// otherwise (a file, a pipe) only what it adds to the line, and percentages
// not at all, so that captured output holds one line per step. A message
// after a percentage starts on a new line.
void report_console(const char* format, ...) QEL_PRINTF(1, 2);

// Takes the console for a terminal (1) or not (0), or asks the platform
// again (-1), and starts a fresh line. For tests.
void set_console_terminal(int terminal);

// Flushes console output (after a progress line).
void flush_console();

// Name of the log file, relative to the working directory.
extern const char* const LogFileName;

// Kinds of faults in the data that only the log records in full.
enum DataFault {
    FAULT_BODY_MARKUP,       // markup of the body that had to be repaired or dropped
    FAULT_UNKNOWN_TARGET,    // a link whose target entry is not a number
    FAULT_UNRESOLVABLE_LINK, // a link whose target matches no rule
    FAULT_UNPLACED_ANCHOR,   // a link target not found in its entry
    FAULT_CUT_VALUE,         // a link value cut to its limit
    FAULT_INDEX_LIST,        // an index-word list cut short
    FAULT_GAIJI_TABLE,       // a faulty line of the gaiji table
    DataFaultKinds
};

// Counts one fault of `kind` that was just logged.
void count_data_fault(DataFault kind);

// Faults of `kind` counted so far in this process.
long data_fault_count(DataFault kind);

// When the log recorded faults in the data: shows one console line that
// counts them by kind and names the log file. Not logged.
void report_data_fault_summary();

// ---- Steps that run beside another ------------------------------------------

// The messages of a step that runs on a thread of its own beside the step
// before it: they are held, in their order, until that step has finished,
// so that the console and the log read as if the steps had run one after
// the other. Created by the one who starts the thread, and given to
// hold_reports on the thread and to release_reports or drop_reports by its
// starter. The held messages are kept to HeldReportsLimit bytes: a thread with
// more to say waits until they are shown, so that memory does not grow with
// the input.
const size_t HeldReportsLimit = 4 << 20;
struct HeldReports {
    enum Target { CONSOLE, CONSOLE_FLUSH, LOG, BOTH, FAULT };
    struct Message {
        Target target;
        std::string text;  // the formatted text; for FAULT, empty
        int fault;         // the DataFault counted, for FAULT
    };
    std::mutex lock;
    std::condition_variable ended;  // signalled when the messages are shown or dropped
    std::vector<Message> messages;  // held so far
    size_t bytes = 0;               // their size, texts included
    int shown = 0;                  // 1 once released (messages go out at once), -1 once dropped
    // For a thread that gives its work up rather than wait: past the limit,
    // messages are refused and this is set to 1. None: the thread waits.
    std::atomic<int>* refused = nullptr;
};

// Holds the messages (and fault counts) of the calling thread in `held` from
// now on, for as long as the thread runs.
void hold_reports(HeldReports& held);

// Ends the hold of the calling thread: its messages go out at once again
// (or to the hold it is given next).
void end_holding();

// Shows the held messages in their order and counts their faults; the
// holding thread's later messages go out at once. Called once the step
// before has finished and its thread reports nothing more.
void release_reports(HeldReports& held);

// Forgets the held messages without showing them, for a step whose run is
// abandoned because the step before it failed; later ones are forgotten too.
void drop_reports(HeldReports& held);

}  // namespace qel
