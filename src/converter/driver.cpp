// The converter's step sequence and its closing summary.
#include "converter/driver.h"

#include <cstdlib>

#include "common/report.h"
#include "common/run.h"
#include "common/settings.h"
#include "converter/directories.h"
#include "gaiji/gaiji_table.h"
#include "html/body.h"
#include "links/link_table.h"
#include "links/quick_jump_table.h"
#include "project/copyright.h"
#include "project/project_file.h"

namespace qel {

namespace {

int convert_gaiji_step() {
    return convert_gaiji_table(settings.BASEPATH.c_str(), "qelgaiji.tbl", "qelgmap.xml", "qelgfont.xml");
}

int quick_jump_step() {
    return settings.QUICKJUMP != 0 ? build_quick_jump_data() : 0;
}

int complex_definition_step() {
    return settings.COMPLEX != 0 ? write_complex_definition() : 0;
}

// The steps after start-up, in their fixed order.
int (*const Steps[])() = {
    read_settings,        prepare_directories, find_sort_command,    convert_gaiji_step,
    quick_jump_step,      build_link_table,    convert_body,         write_copyright_page,
    complex_definition_step, write_project_file,
};

}  // namespace

int run_conversion_steps() {
    for (int (*step)() : Steps)
        if (step() != 0) return -1;
    return 0;
}

int report_summary(int status) {
    const ConversionSettings& s = settings;
    report(status == 0 ? "変換処理が終了しました\n" : "変換処理に失敗しました\n");
    report_end_and_elapsed();
    if (status == 0) {
        if (s.FIGURE != 0) {
            if (s.JPEG != 0)
                report("※ %s にある図版データをJPEG形式に変換してください\n", s.figure_dir.c_str());
            else if (s.MACINTOSH != 0)
                report("※ %s にある図版データをBMP形式に変換してください\n", s.figure_dir.c_str());
        }
        if (s.SOUND != 0 && s.GENSOUND != 0)
            report("※ %s にある音声データを無圧縮WAV形式に変換してください\n", s.sound_dir.c_str());
        report("※ ");
        if ((s.FIGURE != 0 && s.JPEG != 0) || (s.SOUND != 0 && s.GENSOUND != 0)) report("その後 ");
        report("%s%s を入力としてEBStudioを実行してください\n", s.BASEPATH.c_str(), "qel.ebs");
    }
    report_log("\n");
    report_data_fault_summary();
    return status == -1 ? 1 : 0;
}

void finish_run(int status) {
    std::exit(report_summary(status));
}

}  // namespace qel
