// Preparing the output directories and finding the sort program.
#include "converter/directories.h"

#include <string>

#include "common/report.h"
#include "common/settings.h"
#include "common/settings_line.h"
#include "platform/platform.h"

namespace qel {

namespace {

struct DirectoryMessages {
    const char* cannot_create;
    const char* created;
    const char* same_name_file;
};

const DirectoryMessages BaseMessages = {"基準ディレクトリ %s が作れません\n",
                                        "基準ディレクトリ %s を新規作成しました\n",
                                        "基準ディレクトリ %s と同名のファイルがあります\n"};
const DirectoryMessages FigureMessages = {"図版データディレクトリ %s が作れません\n",
                                          "図版データディレクトリ %s を新規作成しました\n",
                                          "図版データディレクトリ %s と同名のファイルがあります\n"};
const DirectoryMessages SoundMessages = {"音声データディレクトリ %s が作れません\n",
                                         "音声データディレクトリ %s を新規作成しました\n",
                                         "音声データディレクトリ %s と同名のファイルがあります\n"};
const DirectoryMessages OutputMessages = {"出力先ディレクトリ %s が作れません\n",
                                          "出力先ディレクトリ %s を新規作成しました\n",
                                          "出力先ディレクトリ %s と同名のファイルがあります\n"};

// Creates `name` when missing, accepts an existing directory, refuses a file.
int ensure_directory(const std::string& name, const DirectoryMessages& messages) {
    if (!path_exists(name.c_str())) {
        if (make_directory(name.c_str()) != 0) {
            report(messages.cannot_create, name.c_str());
            return -1;
        }
        report(messages.created, name.c_str());
        return 0;
    }
    if (path_is_directory(name.c_str())) return 0;
    report(messages.same_name_file, name.c_str());
    return -1;
}

// Empty, a lone separator, or a drive root such as C:\ names nothing to make.
bool is_root_path(const std::string& path) {
    if (path.empty() || path == "\\" || path == "/") return true;
    return path.size() >= 2 && path.compare(1, std::string::npos, ":\\") == 0;
}

std::string without_trailing_separator(const std::string& path) {
    std::string name = path;
    if (ends_with_separator(name)) name.pop_back();
    return name;
}

}  // namespace

int prepare_directories(ConversionSettings& s) {

    if (!is_root_path(s.BASEPATH)) {
        if (ensure_directory(without_trailing_separator(s.BASEPATH), BaseMessages) != 0) return -1;
    }

    if (s.FIGURE != 0) {
        std::string name = s.BASEPATH + "fig";
        if (ensure_directory(name, FigureMessages) != 0) return -1;
        s.figure_dir = name + "\\";
    }

    if (s.SOUND != 0 && s.GENSOUND != 0) {
        std::string name = s.BASEPATH + "snd";
        if (ensure_directory(name, SoundMessages) != 0) return -1;
        s.sound_dir = name + "\\";
        s.sound_dir_slashed = s.sound_dir;
        for (char& c : s.sound_dir_slashed)
            if (c == '\\') c = '/';
    }

    if (is_root_path(s.OUTPATH)) return 0;
    return ensure_directory(without_trailing_separator(s.OUTPATH), OutputMessages);
}

int find_sort_command_in(ConversionSettings& settings, const char* const* candidates, int count) {
    if (!settings.SORTCMD.empty() && path_exists(settings.SORTCMD.c_str())) return 0;
    for (int i = 0; i < count; ++i) {
        if (candidates[i] && candidates[i][0] && path_exists(candidates[i])) {
            settings.SORTCMD = candidates[i];
            return 0;
        }
    }
    report("ソートコマンドが見つかりません\n");
    return -1;
}

int find_sort_command(ConversionSettings& settings) {
    return find_sort_command_in(settings, SortCandidates, 3);
}

}  // namespace qel
