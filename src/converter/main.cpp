// qelconv: converts the dictionary's text data into the sources of the book.
#include "common/run.h"
#include "converter/driver.h"
#include "converter/settings.h"
#include "platform/platform.h"

int main(int, char** argv) {
    qel::reset_settings();
    std::string path = qel::program_file_path(argv[0]);
    if (qel::start_run(path.c_str()) != 0) qel::finish_run(-1);
    qel::finish_run(qel::run_conversion_steps());
}
