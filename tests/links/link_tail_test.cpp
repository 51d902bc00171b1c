// The hyperlink pass with its last records numbered on a second thread:
// wherever the tail begins, the table, the link count, the division point's
// count, the console and the log are those of a pass in one piece, and a tail
// met at the seam in the same state is taken.
#include "links/link_table.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "common/report.h"
#include "html/body_fixture.h"
#include "support/test_support.h"

using namespace qel;
using namespace htmltest;
using qeltest::read_file;
using qeltest::TempDir;
using qeltest::write_file;

namespace {

struct PassOutputs {
    int status = 0;
    int taken = 0;
    int links = 0;
    int32_t point_start = -1;
    int links_before = 0;
    std::string table, console, log;
};

// One hyperlink pass over the main.txt of the working directory, counting
// the links before a division at 40 percent; with `tail_share` (per mille,
// 0 for none) a tail starts at that share of the file, or half way when
// that is later, and has found its seam (or given up) before the pass starts.
PassOutputs run_pass(const ConversionSettings& settings, int tail_share) {
    set_console_transcoding(0);
    set_console_terminal(0);
    std::string log_before = read_file("qelconv.log");
    LinkTail tail;
    tail.share = tail_share;
    tail.part_path = "hyperlnk.tmp.part";
    // The capture flushes every stream: it starts before the tail writes.
    testing::internal::CaptureStdout();
    std::thread beside;
    if (tail_share > 0) {
        beside = std::thread([&settings, &tail] { number_link_tail(settings, tail); });
        std::unique_lock<std::mutex> guard(tail.lock);
        tail.changed.wait(guard, [&tail] { return tail.state != LinkTail::WAITING; });
    }
    LinkCountPoint point;
    point.share = 400;
    PassOutputs o;
    o.status = build_link_table(settings, o.links, &point, tail_share > 0 ? &tail : nullptr);
    o.console = testing::internal::GetCapturedStdout();
    if (beside.joinable()) beside.join();
    set_console_transcoding(-1);
    set_console_terminal(1);
    o.taken = tail.taken;
    o.point_start = point.start;
    o.links_before = point.links_before;
    o.table = read_file("hyperlnk.tmp");
    o.log = read_file("qelconv.log").substr(log_before.size());
    EXPECT_FALSE(qeltest::file_exists("hyperlnk.tmp.part"));
    return o;
}

void expect_same(const PassOutputs& whole, const PassOutputs& o, const std::string& where) {
    EXPECT_EQ(o.status, whole.status) << where;
    EXPECT_EQ(o.links, whole.links) << where;
    EXPECT_EQ(o.point_start, whole.point_start) << where;
    EXPECT_EQ(o.links_before, whole.links_before) << where;
    EXPECT_EQ(o.table, whole.table) << where;
    EXPECT_EQ(o.console, whole.console) << where;
    EXPECT_EQ(o.log, whole.log) << where;
}

// A pass in one piece, then with a tail from each record of the second
// half: every one gives the same. Returns how many tails were taken.
int tails_taken(const ConversionSettings& settings, const std::string& text) {
    write_file("main.txt", stored(text));
    PassOutputs whole = run_pass(settings, 0);
    int taken = 0;
    for (int32_t at : record_offsets(text)) {
        int share = static_cast<int>(static_cast<int64_t>(at) * 1000 / static_cast<int64_t>(text.size()));
        if (share < 500) continue;
        PassOutputs o = run_pass(settings, share);
        expect_same(whole, o, "tail from " + std::to_string(at));
        taken += o.taken;
    }
    return taken;
}

}  // namespace

TEST(LinkTail, EveryTailGivesTheTableOfAPassInOnePiece) {
    TempDir dir;
    dir.enter();
    ConversionSettings settings = quiet_settings();
    settings.COMPLEX = 1;
    std::string text = regular_dictionary();
    // Every tail but those of the last two records, which leave no room for
    // the two records before the seam, is taken.
    int records = 0;
    for (int32_t at : record_offsets(text))
        if (static_cast<int64_t>(at) * 1000 / static_cast<int64_t>(text.size()) >= 500) ++records;
    EXPECT_EQ(tails_taken(settings, text), records - 2);

    // Random records: empty ones, missing numbers and headwords, numbers
    // that go back, links everywhere and unresolvable ones in the log.
    int taken = 0;
    for (unsigned seed = 1; seed <= 60; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        settings.COMPLEX = static_cast<int>(seed % 2);
        taken += tails_taken(settings, random_dictionary(seed));
    }
    EXPECT_GT(taken, 0);
}

// A tail with more to say than its messages may hold gives its work up; the
// pass numbers the rest itself.
TEST(LinkTail, ATailThatGivesUpIsNumberedByThePass) {
    TempDir dir;
    dir.enter();
    ConversionSettings settings = quiet_settings();
    std::string text = regular_dictionary();
    const std::string key(30000, 'k');
    for (int r = 0; r < 300; ++r)
        text += "RA=\nRN=" + std::to_string(200000 + r) + "\nEN=k|" + key + "\nTR1=<HL>a:nowhere:1</HL> <HL>b:" +
                std::to_string(200000 + r) + ":1</HL>\n";
    write_file("main.txt", stored(text));
    PassOutputs whole = run_pass(settings, 0);
    PassOutputs o = run_pass(settings, 500);
    EXPECT_EQ(o.taken, 0);
    expect_same(whole, o, "refused tail");
    EXPECT_GT(whole.log.size(), HeldReportsLimit);
}
