// qelbook: writes the EPWING book from the converter's sources.
#include <cstdlib>

#include "book/book_writer.h"
#include "common/command_line.h"
#include "common/run.h"
#include "platform/platform.h"

int main(int argc, char** argv) {
    const qel::ProgramUsage usage = {"qelbook", qel::SuiteVersion,
                                     "qelconv の出力から電子書籍(EPWING)を OUTPATH に作成します。"};
    int taken = qel::take_command_line(argc, argv, usage);
    if (taken >= 0) return taken;
    std::string path = qel::program_file_path(argv[0]);
    qel::BookSettings settings;
    qel::RunClock clock;
    int status = qel::start_run(path.c_str(), clock);
    if (status == 0) status = qel::read_book_settings(settings);
    if (status == 0) status = qel::write_book(settings);
    return qel::report_book_summary(status, clock);
}
