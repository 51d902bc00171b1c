// Helpers shared by the tests: temporary directories, whole-file I/O, and
// running the built programs.
#pragma once

#include <string>

namespace qeltest {

// A fresh directory under the system's temporary directory, removed with its
// contents when the object goes away. `enter()` makes it the current directory
// until destruction (the previous one is restored).
struct TempDir {
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    void enter();
    std::string path;      // absolute, without trailing slash
    std::string previous;  // directory to return to, when entered
};

// Whole-file helpers (raw bytes).
std::string read_file(const std::string& path);
void write_file(const std::string& path, const std::string& bytes);
bool file_exists(const std::string& path);

// Replaces every "\n" not preceded by "\r" with "\r\n": how text files are stored.
std::string crlf(const std::string& text);

// Result of running a program.
struct RunResult {
    int exit_code;       // the program's exit code, or -1 when it did not exit normally
    std::string output;  // what it wrote to standard output (raw bytes)
};

// Copies the built program `program` (QELCONV_PATH or QELMEND_PATH) into `dir`
// and returns the copy's path.
std::string install_program(const std::string& program, const std::string& dir);

// Runs `path` from the working directory `cwd` with LC_ALL=C (so the console
// gets raw Shift_JIS), capturing standard output.
RunResult run_program(const std::string& path, const std::string& cwd);

// Runs a shell command, returns its exit status.
int shell(const std::string& command);

// The file's text-mode content: CR LF turned into LF.
std::string lf(const std::string& stored);

}  // namespace qeltest
