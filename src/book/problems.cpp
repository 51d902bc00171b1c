// Logging and summing up the faults of the sources.
#include "book/problems.h"

#include <cstdio>

#include "common/report.h"

namespace qel {

namespace {

struct ProblemText {
    const char* detail;   // log line: file, line, detail
    const char* summary;  // closing line: count
};

const ProblemText ProblemTexts[PROBLEM_KINDS] = {
    {"%s の %d 行目: 書籍の文字集合にない文字 %s を〓にしました\n",
     "※ 書籍の文字集合にない文字 %d 個を〓にしました (qelconv.log を参照)\n"},
    {"%s の %d 行目: 未知の文字参照 %s を文字列のまま出力しました\n",
     "※ 未知の文字参照 %d 個を文字列のまま出力しました (qelconv.log を参照)\n"},
    {"%s の %d 行目: 書籍で使えない制御コード %s を無視しました\n",
     "※ 書籍で使えない制御コード %d 個を無視しました (qelconv.log を参照)\n"},
    {"%s の %d 行目: 未知のタグ <%s> を無視しました\n",
     "※ 未知のタグ %d 個を無視しました (qelconv.log を参照)\n"},
    {"%s の %d 行目: 正しくないタグ%sを文字列として読みました\n",
     "※ 正しくないタグ %d 個を文字列として読みました (qelconv.log を参照)\n"},
    {"%s の %d 行目: </%s> の前に閉じられていないタグを閉じました\n",
     "※ 入れ子の正しくないタグ %d 個を閉じ直しました (qelconv.log を参照)\n"},
    {"%s の %d 行目: 対応する開始タグのない </%s> を無視しました\n",
     "※ 対応する開始タグのない終了タグ %d 個を無視しました (qelconv.log を参照)\n"},
    {"%s の %d 行目: 閉じられていないタグ <%s> を閉じました\n",
     "※ 閉じられていないタグ %d 個を閉じました (qelconv.log を参照)\n"},
    {"%s の %d 行目: リンク先のアンカー %s がないため、通常の文字列にしました\n",
     "※ リンク先のないリンク %d 個を通常の文字列にしました (qelconv.log を参照)\n"},
    {"%s の %d 行目: アンカー名 %s が重複しています（最初のものを使います）\n",
     "※ 重複したアンカー名 %d 個を無視しました (qelconv.log を参照)\n"},
    {"%s の %d 行目: 検索語 %s は長すぎるため、先頭の127文字だけを登録しました\n",
     "※ 長すぎる検索語 %d 個を切り詰めました (qelconv.log を参照)\n"},
    {"%s の %d 行目: 検索できる文字のない検索語%sを無視しました\n",
     "※ 検索できる文字のない検索語 %d 個を無視しました (qelconv.log を参照)\n"},
    {"%s の %d 行目: 未知の検索語種別 %s の検索語を無視しました\n",
     "※ 未知の種別の検索語 %d 個を無視しました (qelconv.log を参照)\n"},
    {"%s の %d 行目: 図版 %s を収録できないため、説明文だけにしました\n",
     "※ 収録できない図版 %d 個は説明文だけにしました (qelconv.log を参照)\n"},
    {"%s の %d 行目: 音声 %s を収録できないため、説明文だけにしました\n",
     "※ 収録できない音声 %d 個は説明文だけにしました (qelconv.log を参照)\n"},
};

}  // namespace

void note_problem(BookProblems& problems, int kind, const std::string& file, int line,
                  const std::string& detail) {
    if (++problems.count[kind] > ProblemsLogged && kind != PROBLEM_FIGURE && kind != PROBLEM_SOUND) return;
    if (!problems.holding) {
        report_log(ProblemTexts[kind].detail, file.c_str(), line, detail.c_str());
        return;
    }
    std::vector<char> text(256 + file.size() + detail.size());
    std::snprintf(text.data(), text.size(), ProblemTexts[kind].detail, file.c_str(), line, detail.c_str());
    problems.held.emplace_back(kind, text.data());
}

void merge_problems(BookProblems& into, const BookProblems& later) {
    int held[PROBLEM_KINDS] = {};
    for (const auto& [kind, line] : later.held) {
        ++held[kind];
        if (into.count[kind] < ProblemsLogged || kind == PROBLEM_FIGURE || kind == PROBLEM_SOUND)
            into.held.emplace_back(kind, line);
        ++into.count[kind];
    }
    for (int kind = 0; kind < PROBLEM_KINDS; ++kind) into.count[kind] += later.count[kind] - held[kind];
}

void release_problem_log(BookProblems& problems) {
    for (const auto& held : problems.held) report_log("%s", held.second.c_str());
    problems.held.clear();
    problems.holding = 0;
}

void report_problems(const BookProblems& problems) {
    for (int kind = 0; kind < PROBLEM_KINDS; ++kind)
        if (problems.count[kind] > 0) report(ProblemTexts[kind].summary, problems.count[kind]);
}

}  // namespace qel
