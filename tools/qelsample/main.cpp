// qelsample: writes a complete, self-consistent sample input set for qelconv
// and qelmend into a directory. The content is invented; every byte follows
// from the seed and the record count.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "dictionary.h"
#include "extras.h"
#include "gaiji.h"
#include "hostile.h"
#include "output.h"

using namespace qelsample;

namespace {

const int DemoRecords = 300;
const uint64_t DemoSeed = 1;
const int MaxRecords = 1000000;

const char* const Usage =
    "usage: qelsample [--seed N] [--records N] [--hostile] DIRECTORY\n"
    "       qelsample --demo DIRECTORY\n"
    "       qelsample --help | --version\n"
    "Writes a sample English-Japanese dictionary for qelconv and qelmend into\n"
    "DIRECTORY: qelconv.ini, qelgaiji.tbl, dic/ (main.txt, en.dat, tr.dat,\n"
    "Readme.txt), data/ (img.dat, qelq3.bnd, qelra.bnd) and the sample book\n"
    "book/qel/data/honmon.\n"
    "  --seed N      seed of the invented content, 0 to 18446744073709551615 (default 1)\n"
    "  --records N   number of records, 1 to 1000000 (default 300); main.txt\n"
    "                takes about 650 bytes per record\n"
    "  --demo        the demo sample: seed 1, 300 records\n"
    "  --hostile     add input broken on purpose: records with lines of 20000\n"
    "                bytes, huge headwords, entry numbers and link groups, bad\n"
    "                markup and media values, 255-byte and cut-short index\n"
    "                records, 300 glyphs with 3000-byte lines; the book declares\n"
    "                more components than its block holds, and a second book\n"
    "                book2/qel/data/honmon has complex-search records past their\n"
    "                block\n";

int usage_error(const char* problem, const char* argument) {
    std::fprintf(stderr, "qelsample: %s%s%s\n%s", problem, argument ? ": " : "", argument ? argument : "", Usage);
    return 2;
}

// Reads a whole decimal number; returns false for anything else.
bool parse_number(const char* text, unsigned long long max, unsigned long long& value) {
    if (!text || !*text) return false;
    for (const char* p = text; *p; ++p)
        if (*p < '0' || *p > '9') return false;
    errno = 0;
    char* end = nullptr;
    value = std::strtoull(text, &end, 10);
    return errno == 0 && *end == 0 && value <= max;
}

}  // namespace

int main(int argc, char** argv) {
    SampleOptions options;
    options.seed = DemoSeed;
    options.records = DemoRecords;
    bool demo = false, seed_given = false, records_given = false;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        unsigned long long n = 0;
        if (arg == "--help" || arg == "-h") {
            std::fputs(Usage, stdout);
            return 0;
        } else if (arg == "--version") {
            std::fputs("qelsample 1.0\n", stdout);
            return 0;
        } else if (arg == "--demo") {
            demo = true;
        } else if (arg == "--hostile") {
            options.hostile = true;
        } else if (arg == "--seed") {
            if (i + 1 >= argc) return usage_error("--seed needs a number", nullptr);
            if (!parse_number(argv[++i], ~0ull, n)) return usage_error("not a seed", argv[i]);
            options.seed = n;
            seed_given = true;
        } else if (arg == "--records") {
            if (i + 1 >= argc) return usage_error("--records needs a number", nullptr);
            if (!parse_number(argv[++i], MaxRecords, n) || n == 0)
                return usage_error("the record count must be 1 to 1000000", argv[i]);
            options.records = static_cast<int>(n);
            records_given = true;
        } else if (!arg.empty() && arg[0] == '-') {
            return usage_error("unknown option", argv[i]);
        } else if (!options.directory.empty()) {
            return usage_error("more than one directory", argv[i]);
        } else {
            options.directory = arg;
        }
    }
    if (options.directory.empty()) return usage_error("no output directory", nullptr);
    if (demo && (seed_given || records_given || options.hostile))
        return usage_error("--demo takes no --seed, --records or --hostile", nullptr);
    while (options.directory.size() > 1 && options.directory.back() == '/') options.directory.pop_back();

    const std::string& dir = options.directory;
    if (make_directories(dir + "/dic") != 0 || make_directories(dir + "/data") != 0 ||
        make_directories(dir + "/book/qel/data") != 0)
        return 1;
    DictionaryTotals totals;
    const bool hostile = options.hostile;
    if (write_whole_file(dir + "/qelconv.ini", settings_text()) != 0 ||
        write_whole_file(dir + "/qelgaiji.tbl", gaiji_table_text() + (hostile ? hostile_gaiji_glyphs() : "")) != 0 ||
        write_whole_file(dir + "/dic/Readme.txt", readme_text(options.records, options.seed)) != 0 ||
        write_whole_file(dir + "/book/qel/data/honmon", hostile ? hostile_book_text(1) : book_text()) != 0 ||
        (hostile && (make_directories(dir + "/book2/qel/data") != 0 ||
                     write_whole_file(dir + "/book2/qel/data/honmon", hostile_book_text(2)) != 0)) ||
        write_dictionary(options, totals) != 0)
        return 1;
    std::printf("qelsample: %d records (main.txt %llu bytes, %d links, %d figures, %d sounds, "
                "%d + %d index words) in %s\n",
                options.records, static_cast<unsigned long long>(totals.main_bytes), totals.links, totals.figures,
                totals.sounds, totals.english_words, totals.translation_words, dir.c_str());
    return 0;
}
