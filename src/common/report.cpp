// Message reporting: every message is formatted into a buffer sized to fit it,
// then sent to the console, the log or both.
#include "common/report.h"

#include <cstdarg>
#include <cstdio>
#include <string>

#include "platform/platform.h"

namespace qel {

const char* const LogFileName = "qelconv.log";

namespace {

// Formats into a 512-byte local buffer, or a larger one when the text needs it.
std::string format_message(const char* format, va_list ap) {
    char small[512];
    va_list copy;
    va_copy(copy, ap);
    int n = std::vsnprintf(small, sizeof small, format, copy);
    va_end(copy);
    if (n < 0) return std::string();
    if (static_cast<size_t>(n) < sizeof small) return std::string(small, static_cast<size_t>(n));
    std::string big(static_cast<size_t>(n) + 1, '\0');
    std::vsnprintf(big.data(), big.size(), format, ap);
    big.resize(static_cast<size_t>(n));
    return big;
}

void append_to_log(const std::string& text) {
    File* log = file_open(LogFileName, FILE_APPEND_TEXT);
    if (!log) return;
    file_write(log, text.data(), text.size());
    file_close(log);
}

}  // namespace

void report(const char* format, ...) {
    va_list ap;
    va_start(ap, format);
    std::string text = format_message(format, ap);
    va_end(ap);
    console_write(text.data(), text.size());
    console_flush();
    append_to_log(text);
}

void report_log(const char* format, ...) {
    va_list ap;
    va_start(ap, format);
    std::string text = format_message(format, ap);
    va_end(ap);
    append_to_log(text);
}

void report_console(const char* format, ...) {
    va_list ap;
    va_start(ap, format);
    std::string text = format_message(format, ap);
    va_end(ap);
    console_write(text.data(), text.size());
}

void flush_console() {
    console_flush();
}

}  // namespace qel
