// Replays every seed and every regression input of the fuzz targets through
// the entry points the fuzzers run, so that an input that once crashed or
// overran a buffer keeps being run by the suite, and under the sanitizer build
// keeps being checked for memory faults.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "../fuzz/fuzz_targets.h"
#include "support/test_support.h"

using namespace qeltest;
namespace fs = std::filesystem;

namespace qelfuzz {
// Test names and failure messages show the target by its name.
void PrintTo(const FuzzTarget& target, std::ostream* os) {
    *os << target.name;
}
}  // namespace qelfuzz

namespace {

fs::path fuzz_directory() {
    return fs::path(__FILE__).parent_path().parent_path() / "fuzz";
}

// The files of fuzz/<kind>/<target>/, in name order.
std::vector<fs::path> inputs_in(const char* kind, const std::string& target) {
    std::vector<fs::path> inputs;
    fs::path dir = fuzz_directory() / kind / target;
    if (!fs::is_directory(dir)) return inputs;
    for (const fs::directory_entry& e : fs::directory_iterator(dir))
        if (e.is_regular_file()) inputs.push_back(e.path());
    std::sort(inputs.begin(), inputs.end());
    return inputs;
}

// Runs the inputs one after the other in a scratch directory, as the fuzzer
// does; the programs' console output is swallowed.
void replay(const qelfuzz::FuzzTarget& target, const std::vector<fs::path>& inputs) {
    TempDir scratch;
    scratch.enter();
    testing::internal::CaptureStdout();
    for (const fs::path& input : inputs) {
        SCOPED_TRACE(input.string());
        std::string bytes = read_file(input.string());
        target.entry(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    }
    std::fflush(stdout);
    testing::internal::GetCapturedStdout();
}

class FuzzReplay : public testing::TestWithParam<qelfuzz::FuzzTarget> {};

}  // namespace

TEST_P(FuzzReplay, SeedCorpus) {
    std::vector<fs::path> inputs = inputs_in("corpus", GetParam().name);
    ASSERT_FALSE(inputs.empty()) << "no seed corpus in " << (fuzz_directory() / "corpus" / GetParam().name);
    replay(GetParam(), inputs);
}

TEST_P(FuzzReplay, Regressions) {
    replay(GetParam(), inputs_in("regressions", GetParam().name));
}

INSTANTIATE_TEST_SUITE_P(Targets, FuzzReplay, testing::ValuesIn(qelfuzz::FuzzTargets),
                         [](const testing::TestParamInfo<qelfuzz::FuzzTarget>& info) {
                             return std::string(info.param.name);
                         });
