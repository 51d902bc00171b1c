// qelmend: patches the indent codes in the heading components of a built book.
#include <string>

#include "common/command_line.h"
#include "common/run.h"
#include "fixer/fixer.h"
#include "fixer/honmon.h"
#include "platform/platform.h"

int main(int argc, char** argv) {
    const qel::ProgramUsage usage = {"qelmend", qel::SuiteVersion,
                                     "作成済みの書籍(OUTPATH の qel\\data\\honmon)の見出しの字下げを修正します。"};
    int taken = qel::take_command_line(argc, argv, usage);
    if (taken >= 0) return taken;
    std::string path = qel::program_file_path(argv[0]);
    qel::RunClock clock;
    if (qel::start_run(path.c_str(), clock) != 0) qel::finish_fix(-1, clock);
    std::string outpath;
    if (qel::read_outpath(outpath) != 0) qel::finish_fix(-1, clock);
    qel::BookPatch patch;
    if (qel::patch_book(outpath, patch) != 0) qel::finish_fix(-1, clock);
    qel::finish_fix(0, clock);
}
