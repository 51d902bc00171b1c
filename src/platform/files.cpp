// The buffered file layer shared by every platform: Windows-style text mode
// (LF stored as CR LF; CR LF read as LF, 0x1A ends the file) done in our own
// code over binary streams, so every build stores and reads the same bytes.
#include "platform/platform.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdarg>
#include <cstring>
#include <deque>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "platform/stream.h"

namespace qel {

namespace {

// Size of a text-mode file's own buffer of translated text.
const size_t PendingCapacity = 64 * 1024;

// Hands the pending translated text to the stream and empties the buffer.
// 0, or -1 when the stream refused it.
int write_pending(File* f) {
    if (f->pending_size == 0) return 0;
    size_t size = f->pending_size;
    f->pending_size = 0;
    size_t written = stream_write(f->fp, f->pending, size);
    // A file read by another thread as it grows has its bytes reach the
    // system before they are counted (a stream of the C runtime may hold some).
    if (f->stored != nullptr && std::fflush(f->fp) == 0)
        f->stored->fetch_add(static_cast<int64_t>(written), std::memory_order_release);
    return written == size ? 0 : -1;
}

// Size of a text-mode file's own buffer of bytes read ahead.
const size_t AheadCapacity = 64 * 1024;

// Reads the next bytes of a text file into its read-ahead buffer. Returns
// their number: 0 at the end of the file (a read error looks the same).
size_t fill_ahead(File* f) {
    if (f->ahead == nullptr) f->ahead = new char[AheadCapacity];
    f->ahead_start = 0;
    f->ahead_end = std::fread(f->ahead, 1, AheadCapacity, f->fp);
    return f->ahead_end;
}

// The next byte as stored (0-255), or EOF; a text file's come from its
// read-ahead buffer.
inline int next_stored_byte(File* f) {
    if (!f->text) return stream_getc(f->fp);
    if (f->ahead_start == f->ahead_end && fill_ahead(f) == 0) return EOF;
    return static_cast<unsigned char>(f->ahead[f->ahead_start++]);
}

// One byte of a file, text translation applied: CR LF gives LF, 0x1A ends a
// text file. Shared by file_getc and file_gets, so that reading a line costs
// no call per byte.
inline int next_byte(File* f) {
    if (f->ended) return EOF;
    int c = next_stored_byte(f);
    if (!f->text || c == EOF) return c;
    if (c == 0x1A) {
        f->ended = 1;
        return EOF;
    }
    if (c == '\r') {
        // A LF after it is taken with it; anything else stays unread.
        if (f->ahead_start == f->ahead_end && fill_ahead(f) == 0) return c;
        if (f->ahead[f->ahead_start] == '\n') {
            ++f->ahead_start;
            return '\n';
        }
    }
    return c;
}

// Length of the run at `p` (at most `count` bytes) that text translation
// leaves as it is: up to the first LF, CR or 0x1A.
size_t plain_text_run(const char* p, size_t count) {
    if (const void* lf = std::memchr(p, '\n', count)) count = static_cast<size_t>(static_cast<const char*>(lf) - p);
    if (const void* cr = std::memchr(p, '\r', count)) count = static_cast<size_t>(static_cast<const char*>(cr) - p);
    if (const void* end = std::memchr(p, 0x1A, count)) count = static_cast<size_t>(static_cast<const char*>(end) - p);
    return count;
}

// Writes at once, as file_write does for a file not written behind. Inlined
// there: file_write is called for every piece of every output.
[[gnu::always_inline]] inline size_t write_through(File* f, const void* data, size_t size) {
    const char* p = static_cast<const char*>(data);
    if (!f->text) return stream_write(f->fp, p, size);
    // Translate LF into CR LF: runs between line ends are copied whole into
    // the pending buffer, which goes to the stream whenever it is full.
    if (f->pending == nullptr) f->pending = new char[PendingCapacity];
    size_t done = 0;  // input consumed
    while (done < size) {
        // Room for at least one byte of a run and the CR LF after it.
        if (PendingCapacity - f->pending_size <= 2 && write_pending(f) != 0) return done;
        const char* lf = static_cast<const char*>(std::memchr(p + done, '\n', size - done));
        size_t run = (lf ? static_cast<size_t>(lf - p) : size) - done;
        size_t room = PendingCapacity - 2 - f->pending_size;
        if (run > room) run = room;
        std::memcpy(f->pending + f->pending_size, p + done, run);
        f->pending_size += run;
        done += run;
        if (lf && p + done == lf) {
            f->pending[f->pending_size++] = '\r';
            f->pending[f->pending_size++] = '\n';
            ++done;
        }
    }
    return size;
}

// ---- Writing behind ------------------------------------------------------------

// Bytes gathered before they are handed to the writer thread, and how many
// handed-over buffers may wait for it before the caller waits in turn.
const size_t BehindBufferSize = 1 << 20;
const size_t BehindBuffersWaiting = 3;

}  // namespace

// The writer thread of a file and the buffers between it and the caller.
struct WriteBehind {
    File* file;
    std::thread thread;
    std::mutex lock;
    std::condition_variable changed;
    std::vector<char> filling;             // gathered by the caller, not handed over yet
    std::deque<std::vector<char>> full;    // handed over, oldest first
    std::vector<std::vector<char>> spare;  // written, to be filled again
    int stopping = 0;                      // no more buffers will come
    std::atomic<int> failed{0};            // a write of the thread failed
};

namespace {

// The writer thread: writes the handed-over buffers in order.
void write_behind_loop(WriteBehind& b) {
    for (;;) {
        std::vector<char> buffer;
        {
            std::unique_lock<std::mutex> guard(b.lock);
            b.changed.wait(guard, [&b] { return !b.full.empty() || b.stopping; });
            if (b.full.empty()) break;
            buffer = std::move(b.full.front());
            b.full.pop_front();
        }
        if (write_through(b.file, buffer.data(), buffer.size()) != buffer.size())
            b.failed.store(1, std::memory_order_relaxed);
        buffer.clear();
        {
            std::lock_guard<std::mutex> guard(b.lock);
            b.spare.push_back(std::move(buffer));
        }
        b.changed.notify_all();
    }
    // What the text translation still holds goes out with the thread.
    if (write_pending(b.file) != 0) b.failed.store(1, std::memory_order_relaxed);
}

// Hands the gathered bytes to the writer thread, waiting while it is behind
// by too many buffers, and starts gathering into an emptied one.
void hand_over(WriteBehind& b) {
    {
        std::unique_lock<std::mutex> guard(b.lock);
        b.changed.wait(guard, [&b] { return b.full.size() < BehindBuffersWaiting; });
        b.full.push_back(std::move(b.filling));
        if (!b.spare.empty()) {
            b.filling = std::move(b.spare.back());
            b.spare.pop_back();
        } else {
            b.filling = std::vector<char>();
            b.filling.reserve(BehindBufferSize + BehindBufferSize / 8);
        }
    }
    b.changed.notify_all();
}

// Waits for the writer thread to write everything and ends it; the file is
// written at once again from then on.
void stop_writing_behind(File* f) {
    WriteBehind* b = f->behind;
    if (b == nullptr) return;
    if (!b->filling.empty()) hand_over(*b);
    {
        std::lock_guard<std::mutex> guard(b->lock);
        b->stopping = 1;
    }
    b->changed.notify_all();
    b->thread.join();
    if (b->failed.load()) f->behind_failed = 1;
    delete b;
    f->behind = nullptr;
}

}  // namespace

File* file_open(const char* path, FileMode mode) {
    std::FILE* fp = stream_open(path, mode);
    if (!fp) return nullptr;
    File* f = new File;
    f->fp = fp;
    f->text = (mode == FILE_READ_TEXT || mode == FILE_WRITE_TEXT || mode == FILE_APPEND_TEXT) ? 1 : 0;
    f->ended = 0;
    f->pending = nullptr;
    f->pending_size = 0;
    f->ahead = nullptr;
    f->ahead_start = f->ahead_end = 0;
    f->behind = nullptr;
    f->behind_failed = 0;
    f->stored = nullptr;
    return f;
}

int file_close(File* f) {
    if (!f) return 0;
    stop_writing_behind(f);
    int w = f->behind_failed ? -1 : write_pending(f);
    int r = std::fclose(f->fp);
    delete[] f->pending;
    delete[] f->ahead;
    delete f;
    return (w == 0 && r == 0) ? 0 : -1;
}

int file_getc(File* f) {
    return next_byte(f);
}

char* file_gets(char* buffer, int size, File* f) {
    if (size <= 0) return nullptr;
    size_t n = 0;
    size_t limit = static_cast<size_t>(size) - 1;
    while (n < limit) {
        // A text file's bytes that translation leaves alone go in one piece
        // from the read-ahead buffer; the byte after them goes by next_byte.
        if (f->text && !f->ended && (f->ahead_start < f->ahead_end || fill_ahead(f) > 0)) {
            size_t count = plain_text_run(f->ahead + f->ahead_start,
                                          std::min(f->ahead_end - f->ahead_start, limit - n));
            std::memcpy(buffer + n, f->ahead + f->ahead_start, count);
            f->ahead_start += count;
            n += count;
            if (n == limit || f->ahead_start == f->ahead_end) continue;
        }
        int c = next_byte(f);
        if (c == EOF) break;
        buffer[n++] = static_cast<char>(c);
        if (c == '\n') break;
    }
    buffer[n] = '\0';
    return n > 0 ? buffer : nullptr;
}

size_t file_read(File* f, void* buffer, size_t size) {
    // Bytes of a text file already read ahead come first.
    size_t done = 0;
    if (f->ahead_start < f->ahead_end) {
        done = std::min(size, f->ahead_end - f->ahead_start);
        std::memcpy(buffer, f->ahead + f->ahead_start, done);
        f->ahead_start += done;
    }
    if (done < size) done += std::fread(static_cast<char*>(buffer) + done, 1, size - done, f->fp);
    return done;
}

size_t file_write(File* f, const void* data, size_t size) {
    if (f->behind == nullptr) return write_through(f, data, size);
    WriteBehind& b = *f->behind;
    const char* p = static_cast<const char*>(data);
    b.filling.insert(b.filling.end(), p, p + size);
    if (b.filling.size() >= BehindBufferSize) hand_over(b);
    return b.failed.load(std::memory_order_relaxed) ? 0 : size;
}

int file_puts(File* f, const char* text) {
    size_t n = std::strlen(text);
    return file_write(f, text, n) == n ? 0 : -1;
}

int file_printf(File* f, const char* format, ...) {
    char small[1024];
    va_list ap;
    va_start(ap, format);
    int n = std::vsnprintf(small, sizeof small, format, ap);
    va_end(ap);
    if (n < 0) return n;
    if (static_cast<size_t>(n) < sizeof small) {
        file_write(f, small, static_cast<size_t>(n));
        return n;
    }
    std::vector<char> big(static_cast<size_t>(n) + 1);
    va_start(ap, format);
    std::vsnprintf(big.data(), big.size(), format, ap);
    va_end(ap);
    file_write(f, big.data(), static_cast<size_t>(n));
    return n;
}

int file_seek(File* f, int64_t offset) {
    stop_writing_behind(f);
    f->ended = 0;
    f->ahead_start = f->ahead_end = 0;
    if (offset < 0) return -1;
    if (write_pending(f) != 0) return -1;
    return stream_seek(f->fp, offset);
}

int64_t file_tell(File* f) {
    stop_writing_behind(f);
    if (write_pending(f) != 0) return -1;
    int64_t position = stream_tell(f->fp);
    if (position < 0) return -1;
    return position - static_cast<int64_t>(f->ahead_end - f->ahead_start);
}

int64_t file_size(File* f) {
    stop_writing_behind(f);
    return stream_size(f->fp);
}

int file_flush(File* f) {
    stop_writing_behind(f);
    int w = write_pending(f);
    return (std::fflush(f->fp) == 0 && w == 0 && !f->behind_failed) ? 0 : -1;
}

int file_append_from(File* f, int handle, int64_t offset, int64_t length) {
    stop_writing_behind(f);
    if (f->behind_failed || write_pending(f) != 0) return -1;
    return stream_append_from(f->fp, handle, offset, length);
}

int file_append(File* f, const char* path) {
    int handle = handle_open_read(path);
    if (handle < 0) return -1;
    int status = file_append_from(f, handle, 0, -1);
    return handle_close(handle) == 0 ? status : -1;
}

void file_count_stored(File* f, std::atomic<int64_t>* count) {
    f->stored = count;
}

void file_write_behind(File* f) {
    if (f == nullptr || f->behind != nullptr || usable_processors() <= 1) return;
    WriteBehind* b = new WriteBehind;
    b->file = f;
    b->filling.reserve(BehindBufferSize + BehindBufferSize / 8);
    try {
        b->thread = std::thread(write_behind_loop, std::ref(*b));
    } catch (const std::system_error&) {
        delete b;
        return;
    }
    f->behind = b;
}

int file_failed(File* f) {
    if (f->behind != nullptr) return f->behind->failed.load() ? 1 : 0;
    return f->behind_failed || std::ferror(f->fp) != 0 ? 1 : 0;
}

}  // namespace qel
