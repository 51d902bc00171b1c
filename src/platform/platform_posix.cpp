// POSIX implementation of the platform layer.
#include "platform/platform.h"

#include <fcntl.h>
#include <iconv.h>
#include <langinfo.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <clocale>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

namespace qel {

const char* const SortCandidates[3] = {"/usr/bin/sort", "/bin/sort", "/usr/local/bin/sort"};

namespace {

// Size of a text-mode file's own buffer of translated text.
const size_t PendingCapacity = 64 * 1024;

// Hands the pending translated text to the stream and empties the buffer.
// 0, or -1 when the stream refused it.
int write_pending(File* f) {
    if (f->pending_size == 0) return 0;
    size_t size = f->pending_size;
    f->pending_size = 0;
    return fwrite_unlocked(f->pending, 1, size, f->fp) == size ? 0 : -1;
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
    if (!f->text) return getc_unlocked(f->fp);
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

// Console transcoding: -1 not decided yet, 0 raw bytes, 1 Shift_JIS -> UTF-8.
int console_mode = -1;
int console_forced = -1;
iconv_t console_iconv = (iconv_t)-1;

void decide_console_mode() {
    if (console_forced != -1) {
        console_mode = console_forced;
    } else {
        std::setlocale(LC_CTYPE, "");
        const char* codeset = nl_langinfo(CODESET);
        console_mode = (codeset && (std::strcmp(codeset, "UTF-8") == 0 || std::strcmp(codeset, "utf8") == 0)) ? 1 : 0;
    }
    if (console_mode == 1 && console_iconv == (iconv_t)-1) {
        console_iconv = iconv_open("UTF-8", "CP932");
        if (console_iconv == (iconv_t)-1) console_iconv = iconv_open("UTF-8", "SHIFT_JIS");
        if (console_iconv == (iconv_t)-1) console_mode = 0;
    }
}

}  // namespace

std::string os_path(const char* path) {
    std::string p(path ? path : "");
    for (char& c : p)
        if (c == '\\') c = '/';
    return p;
}

// ---- Program location ------------------------------------------------------

std::string program_file_path(const char* argv0) {
    std::vector<char> buf(4096);
    ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size() - 1);
    if (n > 0) return std::string(buf.data(), static_cast<size_t>(n));
    if (!argv0) return std::string();
    char resolved[PATH_MAX];
    if (realpath(argv0, resolved)) return std::string(resolved);
    return std::string(argv0);
}

int change_directory(const char* dir) {
    return chdir(os_path(dir).c_str()) == 0 ? 0 : -1;
}

// ---- Time ------------------------------------------------------------------

int64_t wall_clock_seconds() {
    return static_cast<int64_t>(std::time(nullptr));
}

std::string ctime_text(int64_t t) {
    static const char* const days[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const months[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                           "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::time_t tt = static_cast<std::time_t>(t);
    struct tm tmv;
    if (!localtime_r(&tt, &tmv)) std::memset(&tmv, 0, sizeof tmv);
    char out[64];
    std::snprintf(out, sizeof out, "%s %s %02d %02d:%02d:%02d %d\n", days[(tmv.tm_wday % 7 + 7) % 7],
                  months[(tmv.tm_mon % 12 + 12) % 12], tmv.tm_mday, tmv.tm_hour, tmv.tm_min, tmv.tm_sec,
                  tmv.tm_year + 1900);
    return std::string(out);
}

// ---- Console ---------------------------------------------------------------

void set_console_transcoding(int mode) {
    console_forced = mode;
    console_mode = -1;
}

void console_write(const char* text, size_t length) {
    if (console_mode == -1) decide_console_mode();
    if (console_mode == 0) {
        std::fwrite(text, 1, length, stdout);
        return;
    }
    char out[1024];
    char* in = const_cast<char*>(text);
    size_t in_left = length;
    while (in_left > 0) {
        char* o = out;
        size_t out_left = sizeof out;
        size_t r = iconv(console_iconv, &in, &in_left, &o, &out_left);
        std::fwrite(out, 1, sizeof out - out_left, stdout);
        if (r == (size_t)-1 && errno != E2BIG) {
            // A byte that is not Shift_JIS: show a replacement and go on.
            std::fputc('?', stdout);
            ++in;
            --in_left;
            iconv(console_iconv, nullptr, nullptr, nullptr, nullptr);
        }
    }
}

void console_flush() {
    std::fflush(stdout);
}

// ---- Buffered files --------------------------------------------------------

File* file_open(const char* path, FileMode mode) {
    const char* m = "rb";
    switch (mode) {
    case FILE_READ_TEXT:
    case FILE_READ_RAW: m = "rb"; break;
    case FILE_WRITE_TEXT:
    case FILE_WRITE_RAW: m = "wb"; break;
    case FILE_APPEND_TEXT: m = "ab"; break;
    case FILE_UPDATE_RAW: m = "r+b"; break;
    }
    std::string p = os_path(path);
    if (mode == FILE_READ_TEXT || mode == FILE_READ_RAW || mode == FILE_UPDATE_RAW) {
        // Opening a directory for reading succeeds on POSIX; Windows refuses it.
        struct stat st;
        if (stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return nullptr;
    }
    std::FILE* fp = std::fopen(p.c_str(), m);
    if (!fp) return nullptr;
    // Large stream buffers: the passes read and write hundreds of megabytes.
    // Text written in text mode is gathered in the file's own buffer, which
    // then goes to the system directly rather than through a second copy.
    if (mode == FILE_WRITE_TEXT || mode == FILE_APPEND_TEXT)
        setvbuf(fp, nullptr, _IONBF, 0);
    else
        setvbuf(fp, nullptr, _IOFBF, 1 << 18);
    File* f = new File;
    f->fp = fp;
    f->text = (mode == FILE_READ_TEXT || mode == FILE_WRITE_TEXT || mode == FILE_APPEND_TEXT) ? 1 : 0;
    f->ended = 0;
    f->pending = nullptr;
    f->pending_size = 0;
    f->ahead = nullptr;
    f->ahead_start = f->ahead_end = 0;
    return f;
}

int file_close(File* f) {
    if (!f) return 0;
    int w = write_pending(f);
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
    const char* p = static_cast<const char*>(data);
    if (!f->text) return fwrite_unlocked(p, 1, size, f->fp);
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
    f->ended = 0;
    f->ahead_start = f->ahead_end = 0;
    if (write_pending(f) != 0) return -1;
    return fseeko(f->fp, static_cast<off_t>(offset), SEEK_SET) == 0 ? 0 : -1;
}

int64_t file_tell(File* f) {
    if (write_pending(f) != 0) return -1;
    int64_t position = static_cast<int64_t>(ftello(f->fp));
    if (position < 0) return -1;
    return position - static_cast<int64_t>(f->ahead_end - f->ahead_start);
}

int64_t file_size(File* f) {
    struct stat st;
    if (fstat(fileno(f->fp), &st) != 0) return -1;
    return static_cast<int64_t>(st.st_size);
}

int file_flush(File* f) {
    int w = write_pending(f);
    return (std::fflush(f->fp) == 0 && w == 0) ? 0 : -1;
}

// ---- Low-level handles -----------------------------------------------------

int handle_open_read(const char* path) {
    return open(os_path(path).c_str(), O_RDONLY);
}

int handle_create(const char* path) {
    return open(os_path(path).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
}

int64_t handle_seek(int handle, int64_t offset) {
    if (offset < 0) return -1;
    off_t r = lseek(handle, static_cast<off_t>(offset), SEEK_SET);
    return r == static_cast<off_t>(-1) ? -1 : static_cast<int64_t>(r);
}

long handle_read(int handle, void* buffer, size_t size) {
    ssize_t total = 0;
    while (static_cast<size_t>(total) < size) {
        ssize_t r = read(handle, static_cast<char*>(buffer) + total, size - static_cast<size_t>(total));
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) break;
        total += r;
    }
    return static_cast<long>(total);
}

long handle_write(int handle, const void* data, size_t size) {
    ssize_t total = 0;
    while (static_cast<size_t>(total) < size) {
        ssize_t r = write(handle, static_cast<const char*>(data) + total, size - static_cast<size_t>(total));
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) break;
        total += r;
    }
    return static_cast<long>(total);
}

void handle_close(int handle) {
    if (handle >= 0) close(handle);
}

// ---- File system -----------------------------------------------------------

int path_exists(const char* path) {
    struct stat st;
    return stat(os_path(path).c_str(), &st) == 0 ? 1 : 0;
}

int path_is_directory(const char* path) {
    struct stat st;
    return (stat(os_path(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode)) ? 1 : 0;
}

int make_directory(const char* path) {
    return mkdir(os_path(path).c_str(), 0755) == 0 ? 0 : -1;
}

// ---- Commands --------------------------------------------------------------

int run_command(const char* command_line) {
    std::fflush(nullptr);
    pid_t pid = fork();
    if (pid < 0) return -1;
    if (pid == 0) {
        setenv("LC_ALL", "C", 1);
        execl("/bin/sh", "sh", "-c", command_line, static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace qel
