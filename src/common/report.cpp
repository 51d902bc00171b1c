// Message reporting: every message is formatted into a buffer sized to fit it,
// then sent to the console, the log or both.
#include "common/report.h"

#include <cstdarg>
#include <cstdio>
#include <mutex>
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

// What the console's current line shows.
struct ConsoleLine {
    int decided;       // `terminal` is known
    int terminal;      // standard output is a terminal
    std::string text;  // written since the last line end
    int progress;      // the line was last redisplayed with a percentage
};

// Console and fault counts are the process's own, like its standard output.
ConsoleLine console_line = {0, 0, std::string(), 0};
long fault_counts[DataFaultKinds] = {};

// The held messages of the calling thread, when it runs a step beside
// another; none on the main thread. Like errno, each thread has its own.
thread_local HeldReports* held_reports = nullptr;

void put_console(const std::string& text);

// Sends a message to where it goes, or holds it. Returns 1 when held.
int hold(HeldReports::Target target, const std::string& text, int fault) {
    HeldReports* held = held_reports;
    if (held == nullptr) return 0;
    std::unique_lock<std::mutex> guard(held->lock);
    if (held->refused != nullptr && held->shown == 0 && held->bytes >= HeldReportsLimit) {
        held->refused->store(1);
        return 1;
    }
    held->ended.wait(guard, [held] { return held->shown != 0 || held->bytes < HeldReportsLimit; });
    if (held->shown < 0) return 1;
    if (held->shown == 0) {
        held->messages.push_back(HeldReports::Message{target, text, fault});
        held->bytes += sizeof(HeldReports::Message) + text.size();
        return 1;
    }
    return 0;
}

// Held messages for the log alone are appended in runs of up to this many bytes.
const size_t HeldLogRun = 64 * 1024;

const char* const FaultLabels[DataFaultKinds] = {
    "本文の誤り", "飛び先不明のハイパーリンク", "解決不能なハイパーリンク", "置き場所不明のアンカー",
    "切り詰めたリンク", "索引語リストの誤り", "外字表の誤り"};

void write_console_text(const std::string& text) {
    console_write(text.data(), text.size());
    size_t end = text.rfind('\n');
    if (end == std::string::npos)
        console_line.text += text;
    else
        console_line.text.assign(text, end + 1, std::string::npos);
}

void put_console(const std::string& text) {
    ConsoleLine& c = console_line;
    if (!c.decided) {
        c.terminal = console_is_terminal();
        c.decided = 1;
    }
    if (!text.empty() && text[0] == '\r') {
        std::string shown = text.substr(1);
        int percent = !shown.empty() && shown.back() == '%';
        if (c.terminal) {
            console_write(text.data(), text.size());
            c.text = shown;
        } else if (!percent) {
            // The line's own start is already there; a line interrupted by a
            // message is shown again whole.
            if (shown.compare(0, c.text.size(), c.text) == 0) {
                write_console_text(shown.substr(c.text.size()));
            } else {
                if (!c.text.empty()) write_console_text("\n");
                write_console_text(shown);
            }
        }
        c.progress = percent;
        return;
    }
    if (c.progress && !text.empty()) {
        write_console_text("\n");
        c.progress = 0;
    }
    write_console_text(text);
}

}  // namespace

void set_console_terminal(int terminal) {
    console_line = ConsoleLine{terminal >= 0, terminal > 0, std::string(), 0};
}

void count_data_fault(DataFault kind) {
    if (kind < 0 || kind >= DataFaultKinds) return;
    if (hold(HeldReports::FAULT, std::string(), kind)) return;
    ++fault_counts[kind];
}

long data_fault_count(DataFault kind) {
    return kind >= 0 && kind < DataFaultKinds ? fault_counts[kind] : 0;
}

void report_data_fault_summary() {
    long total = 0;
    std::string kinds;
    for (int k = 0; k < DataFaultKinds; ++k) {
        if (fault_counts[k] == 0) continue;
        total += fault_counts[k];
        if (!kinds.empty()) kinds += "、";
        kinds += FaultLabels[k];
        kinds += " " + std::to_string(fault_counts[k]) + " 件";
    }
    if (total == 0) return;
    report_console("※ データの誤り %ld 件を %s に記録しました (%s)\n", total, LogFileName, kinds.c_str());
    flush_console();
}

void report(const char* format, ...) {
    va_list ap;
    va_start(ap, format);
    std::string text = format_message(format, ap);
    va_end(ap);
    if (hold(HeldReports::BOTH, text, 0)) return;
    put_console(text);
    console_flush();
    append_to_log(text);
}

void report_log(const char* format, ...) {
    va_list ap;
    va_start(ap, format);
    std::string text = format_message(format, ap);
    va_end(ap);
    if (hold(HeldReports::LOG, text, 0)) return;
    append_to_log(text);
}

void report_console(const char* format, ...) {
    va_list ap;
    va_start(ap, format);
    std::string text = format_message(format, ap);
    va_end(ap);
    if (hold(HeldReports::CONSOLE, text, 0)) return;
    put_console(text);
}

void flush_console() {
    if (hold(HeldReports::CONSOLE_FLUSH, std::string(), 0)) return;
    console_flush();
}

void hold_reports(HeldReports& held) {
    held_reports = &held;
}

void end_holding() {
    held_reports = nullptr;
}

void release_reports(HeldReports& held) {
    std::lock_guard<std::mutex> guard(held.lock);
    // Messages for the log alone go to it together, up to the next one for
    // the console; the fault counts among them are counted on the way.
    std::string log_run;
    for (const HeldReports::Message& m : held.messages) {
        if (m.target == HeldReports::LOG) {
            log_run += m.text;
            if (log_run.size() < HeldLogRun) continue;
        }
        if (m.target == HeldReports::FAULT) {
            ++fault_counts[m.fault];
            continue;
        }
        if (!log_run.empty()) append_to_log(log_run);
        log_run.clear();
        switch (m.target) {
        case HeldReports::CONSOLE:
            put_console(m.text);
            break;
        case HeldReports::CONSOLE_FLUSH:
            console_flush();
            break;
        case HeldReports::BOTH:
            put_console(m.text);
            console_flush();
            append_to_log(m.text);
            break;
        default:
            break;
        }
    }
    if (!log_run.empty()) append_to_log(log_run);
    held.messages.clear();
    held.shown = 1;
    held.ended.notify_all();
}

void drop_reports(HeldReports& held) {
    std::lock_guard<std::mutex> guard(held.lock);
    held.messages.clear();
    held.shown = -1;
    held.ended.notify_all();
}

}  // namespace qel
