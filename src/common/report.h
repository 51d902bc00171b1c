// Message reporting of both programs: console and the shared log "qelconv.log".
#pragma once

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
// Used for "\r" progress lines and the few console-only messages.
void report_console(const char* format, ...) QEL_PRINTF(1, 2);

// Flushes console output (after a progress line).
void flush_console();

// Name of the log file, relative to the working directory.
extern const char* const LogFileName;

}  // namespace qel
