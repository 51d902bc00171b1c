// POSIX implementation of the platform layer.
#include "platform/platform.h"
#include "platform/stream.h"

#include <dirent.h>
#include <fcntl.h>
#include <iconv.h>
#include <langinfo.h>
#include <sched.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <clocale>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

namespace qel {

const char* const SortCandidates[3] = {"/usr/bin/sort", "/bin/sort", "/usr/local/bin/sort"};

namespace {

// Console transcoding: -1 not decided yet, 0 raw bytes, 1 Shift_JIS -> UTF-8.
int console_mode = -1;
int console_forced = -1;
iconv_t console_iconv = (iconv_t)-1;

// The locale that the environment names for characters: LC_ALL, else
// LC_CTYPE, else LANG (the first that is set and not empty).
const char* named_character_locale() {
    for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') return value;
    }
    return "";
}

// A locale name whose codeset is UTF-8 ("ja_JP.UTF-8", "en_US.utf8").
int names_utf8(const char* locale) {
    const char* dot = std::strchr(locale, '.');
    if (dot == nullptr) return 0;
    std::string codeset;
    for (const char* p = dot + 1; *p != '\0' && *p != '@'; ++p)
        if (*p != '-' && *p != '_') codeset += static_cast<char>(std::tolower(static_cast<unsigned char>(*p)));
    return codeset == "utf8";
}

void decide_console_mode() {
    if (console_forced != -1) {
        console_mode = console_forced;
    } else if (std::setlocale(LC_CTYPE, "") != nullptr) {
        const char* codeset = nl_langinfo(CODESET);
        console_mode = (codeset && (std::strcmp(codeset, "UTF-8") == 0 || std::strcmp(codeset, "utf8") == 0)) ? 1 : 0;
    } else {
        // The named locale is not installed: its name still tells what the
        // terminal shows.
        console_mode = names_utf8(named_character_locale());
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

// Writes Shift_JIS text to `stream`, transcoded as the console needs.
static void write_console_stream(std::FILE* stream, const char* text, size_t length) {
    if (console_mode == -1) decide_console_mode();
    if (console_mode == 0) {
        std::fwrite(text, 1, length, stream);
        return;
    }
    char out[1024];
    char* in = const_cast<char*>(text);
    size_t in_left = length;
    while (in_left > 0) {
        char* o = out;
        size_t out_left = sizeof out;
        size_t r = iconv(console_iconv, &in, &in_left, &o, &out_left);
        std::fwrite(out, 1, sizeof out - out_left, stream);
        if (r == (size_t)-1 && errno != E2BIG) {
            // A byte that is not Shift_JIS: show a replacement and go on.
            std::fputc('?', stream);
            ++in;
            --in_left;
            iconv(console_iconv, nullptr, nullptr, nullptr, nullptr);
        }
    }
}

void console_write(const char* text, size_t length) {
    write_console_stream(stdout, text, length);
}

void console_error_write(const char* text, size_t length) {
    write_console_stream(stderr, text, length);
}

void* large_allocate(size_t bytes) {
    void* memory = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (memory == MAP_FAILED) return nullptr;
#ifdef MADV_HUGEPAGE
    // Only advice: where large pages are off, the memory is used as it is.
    madvise(memory, bytes, MADV_HUGEPAGE);
#endif
    return memory;
}

void large_free(void* memory, size_t bytes) {
    if (memory != nullptr) munmap(memory, bytes);
}

int usable_processors() {
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) == 0) return std::max(1, CPU_COUNT(&set));
    long online = sysconf(_SC_NPROCESSORS_ONLN);
    return online > 1 ? static_cast<int>(online) : 1;
}

int console_is_terminal() {
    return isatty(STDOUT_FILENO) ? 1 : 0;
}

void console_flush() {
    std::fflush(stdout);
}

// ---- Buffered files --------------------------------------------------------

std::FILE* stream_open(const char* path, FileMode mode) {
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
    return fp;
}

int stream_seek(std::FILE* fp, int64_t offset) {
    return fseeko(fp, static_cast<off_t>(offset), SEEK_SET) == 0 ? 0 : -1;
}

int64_t stream_tell(std::FILE* fp) {
    return static_cast<int64_t>(ftello(fp));
}

int64_t stream_size(std::FILE* fp) {
    struct stat st;
    if (fstat(fileno(fp), &st) != 0) return -1;
    return static_cast<int64_t>(st.st_size);
}

size_t stream_write(std::FILE* fp, const void* data, size_t size) {
    return fwrite_unlocked(data, 1, size, fp);
}

int stream_getc(std::FILE* fp) {
    return getc_unlocked(fp);
}

int stream_append_from(std::FILE* fp, int handle, int64_t offset, int64_t length) {
    if (std::fflush(fp) != 0 || fseeko(fp, 0, SEEK_END) != 0) return -1;
    int out = fileno(fp);
    int status = 0;
    // The system copies between the files itself where it can; otherwise the
    // bytes go through a buffer.
    off_t from = static_cast<off_t>(offset);
    int64_t left = length;
    int copying = 1;
    while (left != 0) {
        size_t want = left < 0 || left > (1 << 30) ? (1 << 30) : static_cast<size_t>(left);
        ssize_t n = 0;
        if (copying) {
            n = copy_file_range(handle, &from, out, nullptr, want, 0);
            if (n < 0 && (errno == ENOSYS || errno == EXDEV || errno == EINVAL || errno == EOPNOTSUPP)) {
                copying = 0;
                continue;
            }
        } else {
            char buffer[1 << 16];
            n = pread(handle, buffer, std::min(want, sizeof buffer), from);
            for (ssize_t done = 0; n > 0 && done < n;) {
                ssize_t w = write(out, buffer + done, static_cast<size_t>(n - done));
                if (w < 0 && errno == EINTR) continue;
                if (w <= 0) {
                    n = -1;
                    break;
                }
                done += w;
            }
            if (n > 0) from += n;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            status = -1;
            break;
        }
        if (n == 0) {
            // The end of the file: right only when it was asked for.
            if (left > 0) status = -1;
            break;
        }
        if (left > 0) left -= n;
    }
    // The stream takes up its position after what the system wrote.
    if (fseeko(fp, 0, SEEK_END) != 0) status = -1;
    return status;
}

const char* const NullDeviceName = "/dev/null";

// ---- Low-level handles -----------------------------------------------------

int handle_open_read(const char* path) {
    return open(os_path(path).c_str(), O_RDONLY);
}

int handle_create(const char* path) {
    return open(os_path(path).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
}

int failed_for_room() {
    return errno == ENOSPC || errno == EDQUOT || errno == EFBIG;
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

int handle_close(int handle) {
    if (handle < 0) return 0;
    return close(handle) == 0 ? 0 : -1;
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

int rename_path(const char* from, const char* to) {
    std::string target = os_path(to);
    struct stat st;
    if (lstat(target.c_str(), &st) == 0) return -1;
    return rename(os_path(from).c_str(), target.c_str()) == 0 ? 0 : -1;
}

int remove_tree(const char* path) {
    std::string p = os_path(path);
    struct stat st;
    if (lstat(p.c_str(), &st) != 0) return errno == ENOENT ? 0 : -1;
    if (!S_ISDIR(st.st_mode)) return unlink(p.c_str()) == 0 ? 0 : -1;
    std::vector<std::string> names;
    int status = list_directory(path, names);
    for (const std::string& name : names)
        if (remove_tree((p + "/" + name).c_str()) != 0) status = -1;
    if (rmdir(p.c_str()) != 0) status = -1;
    return status;
}

int remove_old_file(const char* path) {
    std::string p = os_path(path);
    struct stat st;
    if (lstat(p.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return 0;
    return unlink(p.c_str()) == 0 ? 0 : -1;
}

int list_directory(const char* path, std::vector<std::string>& names) {
    names.clear();
    DIR* d = opendir(os_path(path).c_str());
    if (!d) return -1;
    while (struct dirent* e = readdir(d)) {
        if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0) continue;
        names.push_back(e->d_name);
    }
    closedir(d);
    std::sort(names.begin(), names.end());
    return 0;
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
