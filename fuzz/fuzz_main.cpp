// One libFuzzer program per target; the build names the target's entry point
// in QEL_FUZZ_ENTRY. The program works in a scratch directory of its own
// (removed at exit), so corpus and artifact paths given to it must be
// absolute, and the console output of the programs goes to /dev/null.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "fuzz_targets.h"

namespace {

std::string scratch_directory;

void remove_scratch_directory() {
    std::error_code ignored;
    std::filesystem::remove_all(scratch_directory, ignored);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/qelfuzz-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr || chdir(pattern.c_str()) != 0) {
        std::perror("qelfuzz: scratch directory");
        std::exit(1);
    }
    scratch_directory = pattern;
    std::atexit(remove_scratch_directory);
    if (std::freopen("/dev/null", "w", stdout) == nullptr) std::perror("qelfuzz: /dev/null");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return QEL_FUZZ_ENTRY(data, size);
}
