// Win32 implementation of the platform layer (64-bit Windows, MinGW-w64 over
// the system's msvcrt). Paths and messages are Shift_JIS bytes handed to the
// ANSI ("A") functions of the system, which take them in the system code page.
#include "platform/platform.h"
#include "platform/stream.h"

#include <direct.h>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

namespace qel {

const char* const SortCandidates[3] = {"C:\\Windows\\System32\\sort.exe", "C:\\WinNT\\System32\\sort.exe",
                                       "C:\\Windows\\command\\sort.exe"};

namespace {

// Longest path the system's ANSI functions can name (with the \\?\ form).
const DWORD LongestPath = 32768;

// The low-level read and write calls take an unsigned int count; larger
// requests are cut into pieces of this size.
const size_t HandleChunk = 1u << 30;

}  // namespace

std::string os_path(const char* path) {
    // Windows takes backslashes and slashes alike; the path goes as it is.
    return std::string(path ? path : "");
}

// ---- Program location ------------------------------------------------------

std::string program_file_path(const char* argv0) {
    // The module's own file name; a path that does not fit the buffer comes
    // back cut and unterminated, so the buffer grows until it fits.
    std::vector<char> buf(MAX_PATH + 1);
    for (;;) {
        DWORD n = GetModuleFileNameA(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
        if (n == 0) break;
        if (n < buf.size()) return std::string(buf.data(), n);
        if (buf.size() >= LongestPath) break;
        buf.resize(buf.size() * 2);
    }
    return std::string(argv0 ? argv0 : "");
}

int change_directory(const char* dir) {
    // SetCurrentDirectory moves to the drive of a path that names one, so a
    // program on D: started from C: works on D:. A bare "C:" would mean the
    // remembered directory of drive C; the caller hands "C:\" for a root.
    return SetCurrentDirectoryA(dir) ? 0 : -1;
}

// ---- Time ------------------------------------------------------------------

int64_t wall_clock_seconds() {
    return static_cast<int64_t>(_time64(nullptr));
}

std::string ctime_text(int64_t t) {
    static const char* const days[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const months[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                           "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    __time64_t tt = static_cast<__time64_t>(t);
    struct tm tmv;
    if (_localtime64_s(&tmv, &tt) != 0) std::memset(&tmv, 0, sizeof tmv);
    char out[64];
    std::snprintf(out, sizeof out, "%s %s %02d %02d:%02d:%02d %d\n", days[(tmv.tm_wday % 7 + 7) % 7],
                  months[(tmv.tm_mon % 12 + 12) % 12], tmv.tm_mday, tmv.tm_hour, tmv.tm_min, tmv.tm_sec,
                  tmv.tm_year + 1900);
    return std::string(out);
}

// ---- Console ---------------------------------------------------------------

// The console takes the Shift_JIS bytes as they are (a Japanese system shows
// them in its code page 932). Standard output keeps the runtime's text mode,
// so a redirected console stores its lines with CR LF like any Windows tool.
void set_console_transcoding(int) {}

void console_write(const char* text, size_t length) {
    std::fwrite(text, 1, length, stdout);
}

void console_error_write(const char* text, size_t length) {
    std::fwrite(text, 1, length, stderr);
}

void* large_allocate(size_t bytes) {
    return VirtualAlloc(nullptr, bytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
}

void large_free(void* memory, size_t bytes) {
    (void)bytes;
    if (memory != nullptr) VirtualFree(memory, 0, MEM_RELEASE);
}

int usable_processors() {
    DWORD_PTR process = 0, system = 0;
    if (!GetProcessAffinityMask(GetCurrentProcess(), &process, &system) || process == 0) return 1;
    int count = 0;
    for (; process != 0; process &= process - 1) ++count;
    return count;
}

int console_is_terminal() {
    return _isatty(_fileno(stdout)) ? 1 : 0;
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
    if (!path || !*path) return nullptr;
    return std::fopen(path, m);
}

int stream_seek(std::FILE* fp, int64_t offset) {
    return _fseeki64(fp, offset, SEEK_SET) == 0 ? 0 : -1;
}

int64_t stream_tell(std::FILE* fp) {
    return static_cast<int64_t>(_ftelli64(fp));
}

int64_t stream_size(std::FILE* fp) {
    struct _stat64 st;
    if (_fstat64(_fileno(fp), &st) != 0) return -1;
    return static_cast<int64_t>(st.st_size);
}

size_t stream_write(std::FILE* fp, const void* data, size_t size) {
    return std::fwrite(data, 1, size, fp);
}

int stream_getc(std::FILE* fp) {
    return _getc_nolock(fp);
}

int stream_append_from(std::FILE* fp, int handle, int64_t offset, int64_t length) {
    if (std::fflush(fp) != 0 || _fseeki64(fp, 0, SEEK_END) != 0) return -1;
    if (_lseeki64(handle, offset, SEEK_SET) != offset) return -1;
    std::vector<char> buffer(1 << 20);
    int status = 0;
    int64_t left = length;
    while (left != 0) {
        unsigned want = static_cast<unsigned>(left < 0 || left > static_cast<int64_t>(buffer.size())
                                                  ? buffer.size()
                                                  : static_cast<size_t>(left));
        int n = _read(handle, buffer.data(), want);
        if (n < 0 || (n == 0 && left > 0)) status = -1;
        if (n <= 0) break;
        if (std::fwrite(buffer.data(), 1, static_cast<size_t>(n), fp) != static_cast<size_t>(n)) {
            status = -1;
            break;
        }
        if (left > 0) left -= n;
    }
    if (std::fflush(fp) != 0) status = -1;
    return status;
}

const char* const NullDeviceName = "NUL";

// ---- Low-level handles -----------------------------------------------------

int handle_open_read(const char* path) {
    if (!path || !*path) return -1;
    return _open(path, _O_RDONLY | _O_BINARY);
}

int handle_create(const char* path) {
    if (!path || !*path) return -1;
    return _open(path, _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY, _S_IREAD | _S_IWRITE);
}

int failed_for_room() {
    DWORD error = GetLastError();
    return errno == ENOSPC || errno == EFBIG || error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL;
}

int64_t handle_seek(int handle, int64_t offset) {
    if (offset < 0) return -1;
    return static_cast<int64_t>(_lseeki64(handle, offset, SEEK_SET));
}

long handle_read(int handle, void* buffer, size_t size) {
    size_t total = 0;
    while (total < size) {
        size_t want = size - total < HandleChunk ? size - total : HandleChunk;
        int r = _read(handle, static_cast<char*>(buffer) + total, static_cast<unsigned>(want));
        if (r <= 0) break;
        total += static_cast<size_t>(r);
    }
    return static_cast<long>(total);
}

long handle_write(int handle, const void* data, size_t size) {
    size_t total = 0;
    while (total < size) {
        size_t want = size - total < HandleChunk ? size - total : HandleChunk;
        int r = _write(handle, static_cast<const char*>(data) + total, static_cast<unsigned>(want));
        if (r <= 0) break;
        total += static_cast<size_t>(r);
    }
    return static_cast<long>(total);
}

int handle_close(int handle) {
    if (handle < 0) return 0;
    return _close(handle) == 0 ? 0 : -1;
}

// ---- File system -----------------------------------------------------------

int path_exists(const char* path) {
    if (!path || !*path) return 0;
    return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES ? 1 : 0;
}

int path_is_directory(const char* path) {
    if (!path || !*path) return 0;
    DWORD a = GetFileAttributesA(path);
    return (a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY)) ? 1 : 0;
}

int make_directory(const char* path) {
    if (!path || !*path) return -1;
    return CreateDirectoryA(path, nullptr) ? 0 : -1;
}

int rename_path(const char* from, const char* to) {
    if (!from || !to || !*from || !*to) return -1;
    return MoveFileExA(from, to, 0) ? 0 : -1;
}

int remove_old_file(const char*) {
    // Windows writes an emptied file out no sooner than a new one.
    return 0;
}

int remove_tree(const char* path) {
    if (!path || !*path) return -1;
    DWORD a = GetFileAttributesA(path);
    if (a == INVALID_FILE_ATTRIBUTES) return 0;
    if (!(a & FILE_ATTRIBUTE_DIRECTORY)) return DeleteFileA(path) ? 0 : -1;
    std::vector<std::string> names;
    int status = list_directory(path, names);
    for (const std::string& name : names)
        if (remove_tree((std::string(path) + "\\" + name).c_str()) != 0) status = -1;
    if (!RemoveDirectoryA(path)) status = -1;
    return status;
}

int list_directory(const char* path, std::vector<std::string>& names) {
    names.clear();
    if (!path) return -1;
    std::string pattern = std::string(path) + "\\*";
    WIN32_FIND_DATAA data;
    HANDLE h = FindFirstFileA(pattern.c_str(), &data);
    if (h == INVALID_HANDLE_VALUE) return -1;
    do {
        if (std::strcmp(data.cFileName, ".") == 0 || std::strcmp(data.cFileName, "..") == 0) continue;
        names.push_back(data.cFileName);
    } while (FindNextFileA(h, &data));
    FindClose(h);
    std::sort(names.begin(), names.end());
    return 0;
}

// ---- Commands --------------------------------------------------------------

int run_command(const char* command_line) {
    // The runtime's system() hands the line to the command interpreter
    // (COMSPEC, normally cmd.exe /c), which does the "> file" redirection.
    std::fflush(nullptr);
    if (!command_line) return -1;
    return std::system(command_line);
}

}  // namespace qel
