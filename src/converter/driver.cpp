// The converter's step sequence and its closing summary.
#include "converter/driver.h"

#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <system_error>
#include <thread>

#include "common/report.h"
#include "common/run.h"
#include "common/settings.h"
#include "platform/platform.h"
#include "converter/directories.h"
#include "gaiji/gaiji_table.h"
#include "html/body.h"
#include "html/quick_jump_table.h"
#include "links/link_table.h"
#include "project/copyright.h"
#include "project/project_file.h"

namespace qel {

namespace {

// What the steps of one conversion hand on to each other: the settings (read
// and completed by the first steps), the gaiji texts and the number of links.
struct ConversionRun {
    ConversionSettings& settings;  // the run's settings, owned by main
    GaijiCodes gaiji;              // filled by the gaiji step
    int link_count;                // links numbered by the hyperlink pass
    BodySplit split;               // the division of the body, found by the hyperlink pass
    LinkTail* link_tail;           // the last records of the hyperlink pass on another thread, or none
};

int settings_step(ConversionRun& run) {
    return read_settings(run.settings);
}

int directories_step(ConversionRun& run) {
    return prepare_directories(run.settings);
}

int sort_command_step(ConversionRun& run) {
    return find_sort_command(run.settings);
}

int convert_gaiji_step(ConversionRun& run) {
    return convert_gaiji_table(run.gaiji, run.settings.BASEPATH.c_str(), "qelgaiji.tbl", "qelgmap.xml",
                               "qelgfont.xml");
}

int quick_jump_step(ConversionRun& run) {
    return run.settings.QUICKJUMP != 0 ? build_quick_jump_data(run.settings, run.gaiji) : 0;
}

int complex_definition_step(ConversionRun& run) {
    return run.settings.COMPLEX != 0 ? write_complex_definition(run.settings) : 0;
}

int link_table_step(ConversionRun& run) {
    return build_link_table(run.settings, run.link_count, &run.split.point, run.link_tail);
}

int body_step(ConversionRun& run) {
    return convert_body(run.settings, run.gaiji, run.link_count, &run.split);
}

int copyright_step(ConversionRun& run) {
    return write_copyright_page(run.settings);
}

int project_file_step(ConversionRun& run) {
    return write_project_file(run.settings);
}

// What the thread of the quick-jump pass learns of the hyperlink pass beside
// it: whether its table has been written whole, or whether it has ended.
struct LinkPassProgress {
    std::mutex lock;
    std::condition_variable changed;
    int table_written = 0;
    int ended = 0;
};

void note_table_written(void* waiter) {
    LinkPassProgress& progress = *static_cast<LinkPassProgress*>(waiter);
    std::lock_guard<std::mutex> hold(progress.lock);
    progress.table_written = 1;
    progress.changed.notify_all();
}

// The quick-jump pass and then the hyperlink pass with its external sort.
// They read main.txt each on its own and write different files, so the
// hyperlink pass, the longer of the two, runs on a thread of its own while
// this thread makes the quick-jump data. Its messages are held until the
// quick-jump pass has finished, so that the console and the log read as if
// the passes had run one after the other; when the quick-jump pass fails
// they are dropped, as the hyperlink pass would not have run at all. Once
// the quick-jump pass is through, this thread numbers the hyperlink pass's
// last records (LinkTail), and while the table is sorted it removes the body
// of the last run, which the body step would otherwise spend its own time
// on. On a machine of one core, or when no thread can be started, they run
// in turn.
int quick_jump_and_link_steps(ConversionRun& run) {
    plan_body_split(run.settings, run.split);
    HeldReports held;
    LinkPassProgress progress;
    LinkTail tail;
    int link_status = 0;
    std::thread links;
    if (run.settings.QUICKJUMP != 0 && usable_processors() > 1) {
        run.split.point.table_written = note_table_written;
        run.split.point.waiter = &progress;
        tail.share = run.split.point.share;
        tail.minimum_size = LinkTailMinimum;
        tail.part_path = std::string(LinkTableName) + ".part";
        run.link_tail = &tail;
        try {
            links = std::thread([&run, &held, &link_status, &progress] {
                hold_reports(held);
                link_status = link_table_step(run);
                std::lock_guard<std::mutex> hold(progress.lock);
                progress.ended = 1;
                progress.changed.notify_all();
            });
        } catch (const std::system_error&) {
            // No thread: the passes run in turn below.
            run.split.point.table_written = nullptr;
            run.link_tail = nullptr;
        }
    }
    if (links.joinable()) {
        int status = quick_jump_step(run);
        if (status == 0) {
            release_reports(held);
            number_link_tail(run.settings, tail);
            std::unique_lock<std::mutex> wait(progress.lock);
            progress.changed.wait(wait, [&progress] { return progress.table_written || progress.ended; });
            int written = progress.table_written;
            wait.unlock();
            if (written) remove_old_body(run.settings);
        } else {
            drop_reports(held);
        }
        links.join();
        run.split.point.table_written = nullptr;
        run.link_tail = nullptr;
        return status != 0 ? -1 : link_status;
    }
    if (quick_jump_step(run) != 0) return -1;
    return link_table_step(run);
}

// The steps after start-up, in their fixed order. The first three fill in the
// settings; the others only read them.
int (*const Steps[])(ConversionRun&) = {
    settings_step,        directories_step, sort_command_step,      convert_gaiji_step,
    quick_jump_and_link_steps, body_step,   copyright_step,         complex_definition_step,
    project_file_step,
};

}  // namespace

int run_conversion_steps(ConversionSettings& settings) {
    ConversionRun run{settings, GaijiCodes(), 0, BodySplit(), nullptr};
    for (int (*step)(ConversionRun&) : Steps)
        if (step(run) != 0) return -1;
    return 0;
}

int report_summary(int status, const ConversionSettings& s, const RunClock& clock) {
    report(status == 0 ? "変換処理が終了しました\n" : "変換処理に失敗しました\n");
    report_end_and_elapsed(clock);
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

void finish_run(int status, const ConversionSettings& settings, const RunClock& clock) {
    std::exit(report_summary(status, settings, clock));
}

}  // namespace qel
