// qelmend: patches the indent codes in the heading components of a built book.
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
    if (qel::start_run(path.c_str()) != 0) qel::finish_fix(-1);
    if (qel::read_outpath() != 0) qel::finish_fix(-1);
    if (qel::patch_book() != 0) qel::finish_fix(-1);
    qel::finish_fix(0);
}
