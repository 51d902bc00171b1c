// Test helpers.
#include "support/test_support.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace qeltest {

TempDir::TempDir() {
    const char* base = std::getenv("TMPDIR");
    std::string tmpl = std::string(base && *base ? base : "/tmp") + "/qeltest-XXXXXX";
    char* made = mkdtemp(tmpl.data());
    if (!made) throw std::runtime_error("mkdtemp failed");
    path = made;
}

TempDir::~TempDir() {
    if (!previous.empty()) {
        if (chdir(previous.c_str()) != 0) {
        }
    }
    shell("rm -rf '" + path + "'");
}

void TempDir::enter() {
    char buf[4096];
    if (getcwd(buf, sizeof buf)) previous = buf;
    if (chdir(path.c_str()) != 0) throw std::runtime_error("chdir failed");
}

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void write_file(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

bool file_exists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

std::string crlf(const std::string& text) {
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) out += '\r';
        out += text[i];
    }
    return out;
}

std::string lf(const std::string& stored) {
    std::string out;
    out.reserve(stored.size());
    for (size_t i = 0; i < stored.size(); ++i) {
        if (stored[i] == '\r' && i + 1 < stored.size() && stored[i + 1] == '\n') continue;
        out += stored[i];
    }
    return out;
}

std::string install_program(const std::string& program, const std::string& dir) {
    std::string name = program.substr(program.find_last_of('/') + 1);
    std::string dest = dir + "/" + name;
    shell("cp '" + program + "' '" + dest + "'");
    return dest;
}

RunResult run_program(const std::string& path, const std::string& cwd) {
    std::string out_file = cwd + "/.qeltest-stdout";
    std::string cmd = "cd '" + cwd + "' && LC_ALL=C '" + path + "' > '" + out_file + "' 2>&1";
    int status = std::system(cmd.c_str());
    RunResult r;
    r.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.output = read_file(out_file);
    std::remove(out_file.c_str());
    return r;
}

int shell(const std::string& command) {
    int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace qeltest

#include "common/report.h"
#include "platform/platform.h"

#include <gtest/gtest.h>

namespace {

// Tests compare console output as raw Shift_JIS, whatever the locale says,
// laid out as on a terminal; a test that switches either cannot leak it into
// the next one, and each starts on a fresh line.
struct RawConsole : testing::EmptyTestEventListener {
    void OnTestStart(const testing::TestInfo&) override {
        qel::set_console_transcoding(0);
        qel::set_console_terminal(1);
    }
};

const int raw_console = (qel::set_console_transcoding(0),
                         testing::UnitTest::GetInstance()->listeners().Append(new RawConsole), 0);

}  // namespace
