// The few services of the operating system that both programs need: where the
// program lives, the clock, the console, Windows-style text and raw files,
// directories and one shell command. One implementation per platform.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// printf-style format checking; MinGW's stdio follows the GNU conventions.
#if defined(__MINGW32__)
#define QEL_PRINTF(fmt, args) __attribute__((format(gnu_printf, fmt, args)))
#else
#define QEL_PRINTF(fmt, args) __attribute__((format(printf, fmt, args)))
#endif

namespace qel {

// ---- Program location and working directory -------------------------------

// Full path of the running program file. `argv0` is the fallback when the
// platform cannot tell (it is resolved against the current directory).
std::string program_file_path(const char* argv0);

// Makes `dir` the current directory (drive included on Windows). 0 or -1.
int change_directory(const char* dir);

// ---- Time ------------------------------------------------------------------

// Local wall-clock time in whole seconds since the epoch.
int64_t wall_clock_seconds();

// The standard ctime text of `t` in local time, formatted the same way on
// every platform: "Sat Dec 04 09:05:07 2004\n" (the day always two digits).
std::string ctime_text(int64_t t);

// ---- Console ---------------------------------------------------------------

// Writes Shift_JIS text to standard output. On POSIX, when the locale's
// codeset is UTF-8 (or, where that locale is not installed, when LC_ALL,
// LC_CTYPE or LANG names a UTF-8 codeset), the text is transcoded to UTF-8
// first; otherwise (and on Windows) the bytes go out as they are.
void console_write(const char* text, size_t length);
void console_flush();
// The same for standard error (flushed as the C runtime does: at once).
void console_error_write(const char* text, size_t length);
// Standard output is a terminal (not a file or a pipe). 1 or 0.
int console_is_terminal();

// Memory for a large store (megabytes): taken from the system directly and,
// where the system offers it, backed by large pages, which spares the store
// most of its page faults and address-translation misses. Returns none when
// the memory cannot be had. large_free takes the size that was asked for.
void* large_allocate(size_t bytes);
void large_free(void* memory, size_t bytes);

// Processors this process may run on (its affinity, e.g. under taskset), at
// least 1. Work is spread over threads only when there are two or more.
int usable_processors();

// Forces (1) or forbids (0) the UTF-8 transcoding of console output; -1
// returns to the locale's choice. For tests.
void set_console_transcoding(int mode);

// ---- Buffered files ----------------------------------------------------------

enum FileMode {
    FILE_READ_TEXT,    // read; CR LF reads as LF, a 0x1A byte ends the file
    FILE_READ_RAW,     // read bytes as stored
    FILE_WRITE_TEXT,   // create or empty; every LF is stored as CR LF
    FILE_WRITE_RAW,    // create or empty; bytes as given
    FILE_APPEND_TEXT,  // append (create when missing); LF stored as CR LF
    FILE_UPDATE_RAW    // existing file, read and write in place
};

// One open file. Text mode behaves as the Windows C runtime's text mode does,
// on every platform, so both builds write and read the same bytes. Text
// written in text mode is translated into the file's own buffer and handed to
// the stream when the buffer fills, when the file is flushed, re-positioned
// or closed: one stream write per buffer, however small the pieces. A text
// file being read is read ahead into the file's own buffer, so that a line is
// taken in a few steps rather than byte by byte.
struct File {
    std::FILE* fp;       // the underlying stream, always opened in binary mode
    int text;            // 1 for the text modes, 0 for raw ones
    int ended;           // 1 once a 0x1A byte has ended a text file
    char* pending;       // translated text not yet handed to the stream; none before the first text write
    size_t pending_size; // bytes held in `pending`
    char* ahead;         // bytes of a text file read ahead, as stored; none before the first text read
    size_t ahead_start;  // next byte of `ahead` not yet taken
    size_t ahead_end;    // bytes held in `ahead`
    struct WriteBehind* behind;  // the writer thread of a file written behind; none
    int behind_failed;   // 1 once a write of a finished writer thread failed
    std::atomic<int64_t>* stored;  // text files: when set, counts the bytes handed to the system; none
};

// Opens `path` (backslashes act as separators on POSIX). Returns the file, or
// none (nullptr) on failure; reports nothing.
File* file_open(const char* path, FileMode mode);
// Closes the file and frees it; a null file is ignored. 0 or -1.
int file_close(File* f);

// Next byte (0-255) or EOF. Text mode: CR LF gives LF, 0x1A gives EOF.
int file_getc(File* f);
// Reads at most size - 1 bytes, up to and including a LF, and terminates the
// buffer (fgets semantics, text translation applied). Returns the buffer, or
// none at end of file when nothing was read.
char* file_gets(char* buffer, int size, File* f);
// Raw block read; returns the number of bytes read.
size_t file_read(File* f, void* buffer, size_t size);
// Writes `size` bytes; in text mode each LF becomes CR LF. Returns `size`, or
// less on a write error (in text mode an error can only show when pending
// text goes to the stream, so the last one shows in file_close's result).
size_t file_write(File* f, const void* data, size_t size);
int file_puts(File* f, const char* text);
// printf-style formatted write of any length. Returns the bytes formatted.
int file_printf(File* f, const char* format, ...) QEL_PRINTF(2, 3);
// Sets the position `offset` bytes from the start. 0 or -1.
int file_seek(File* f, int64_t offset);
// Current position in bytes from the start, or -1.
int64_t file_tell(File* f);
// Size of the open file in bytes, or -1 when it cannot be taken.
int64_t file_size(File* f);
int file_flush(File* f);

// Hands the writes of `f`, a file being written from start to end, to a
// thread of its own from now on: file_write only gathers the bytes, and the
// text translation and the stream writes go on beside the caller, in their
// order, a few large buffers at a time. Flushing, positioning, asking the
// position or the size, and closing wait for what was handed over. Nothing
// changes on a machine of one core or when no thread can be started.
void file_write_behind(File* f);

// Appends stored bytes to `f`, a file being written, without text
// translation (they are stored text already), after everything written to
// `f` before: `length` bytes of the file open as `handle` from `offset` on
// (-1: up to its end), or the whole file at `path`. 0, or -1 when a read or
// write failed or the file ended first.
int file_append_from(File* f, int handle, int64_t offset, int64_t length);
int file_append(File* f, const char* path);

// From now on `count` is raised by the bytes of `f`, a text file being
// written, as they reach the system (by the writer thread of a file written
// behind), so that another thread may read the file as far as it has been
// written.
void file_count_stored(File* f, std::atomic<int64_t>* count);

// The name of the system's device that takes writes and keeps nothing, for
// output that is worked out only for the state it leaves.
extern const char* const NullDeviceName;

// 1 when a write to `f` has failed so far (written behind or not), else 0.
// A failure behind shows here a little after the write that caused it, and
// always in file_close's result.
int file_failed(File* f);

// ---- Low-level file handles ------------------------------------------------

// Each returns a handle (>= 0) or -1.
int handle_open_read(const char* path);
// Creates or truncates for writing only, permission bits 0644 where they apply.
int handle_create(const char* path);
int64_t handle_seek(int handle, int64_t offset);  // from the start; -1 on failure
long handle_read(int handle, void* buffer, size_t size);
long handle_write(int handle, const void* data, size_t size);
// Whether the file operation that has just failed failed for want of room: a
// full disk, a quota or a file-size limit (not a bad name or a missing
// directory). Asked right after the failure, before anything else.
int failed_for_room();
// A negative handle is ignored. 0, or -1 when the close failed (a write held
// back by the system may have been lost).
int handle_close(int handle);

// ---- File system -----------------------------------------------------------

// A file-system entry of that name exists (file or directory).
int path_exists(const char* path);
// It exists and is a directory.
int path_is_directory(const char* path);
// Creates one directory level. 0 or -1.
int make_directory(const char* path);
// The path as handed to the OS: on POSIX every backslash becomes a slash.
std::string os_path(const char* path);
// Gives a file or directory a new name (in the same file system); an entry
// of the new name must not exist. 0 or -1.
int rename_path(const char* from, const char* to);
// Removes a file, or a directory with everything below it. 0, or -1 when
// something could not be removed (a missing path counts as removed).
int remove_tree(const char* path);
// Removes the plain file at `path`, if there is one, before an output of that
// name is written anew: some file systems (ext4) write out the new contents
// of an emptied file when it is closed, and the closing waits for that, while
// a new file is written out in the background. A directory or a link of that
// name is left alone. 0, or -1 when the file is there and could not be removed.
int remove_old_file(const char* path);
// The names of the entries of a directory ("." and ".." left out), sorted
// bytewise so that every platform sees them in the same order. 0 or -1.
int list_directory(const char* path, std::vector<std::string>& names);

// ---- Commands --------------------------------------------------------------

// Runs one command line through the system command interpreter, with the
// byte-wise collation LC_ALL=C on POSIX. Returns its exit status, or -1.
int run_command(const char* command_line);

// The fixed sort-program candidates tried after SORTCMD, in order.
extern const char* const SortCandidates[3];

}  // namespace qel
