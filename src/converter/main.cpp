// qelconv: converts the dictionary's text data into the sources of the book.
#include <string>

#include "common/command_line.h"
#include "common/run.h"
#include "common/settings.h"
#include "converter/driver.h"
#include "html/body_state.h"
#include "platform/platform.h"

int main(int argc, char** argv) {
    const std::string version = std::string(qel::Identity.version) + " " + qel::Identity.date;
    const qel::ProgramUsage usage = {"qelconv", version.c_str(),
                                     "辞書のテキストデータを電子書籍の元データ(HTML/XMLと定義ファイル)に変換します。"};
    int taken = qel::take_command_line(argc, argv, usage);
    if (taken >= 0) return taken;
    qel::ConversionSettings settings;
    qel::RunClock clock;
    std::string path = qel::program_file_path(argv[0]);
    if (qel::start_run(path.c_str(), clock) != 0) qel::finish_run(-1, settings, clock);
    qel::finish_run(qel::run_conversion_steps(settings), settings, clock);
}
