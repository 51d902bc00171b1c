// Help, version and refused arguments.
#include "common/command_line.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "common/report.h"
#include "common/settings_line.h"
#include "platform/platform.h"

namespace qel {

const char* const SuiteVersion = "1.0";

namespace {

std::string usage_text(const ProgramUsage& usage) {
    std::string text;
    text += "使い方: ";
    text += usage.name;
    text += " [-h | --help | --version]\n";
    text += usage.purpose;
    text += "\n";
    text += "プログラムのあるディレクトリに移動し、そこにある " + std::string(SettingsFileName) +
            " を読んで動作します。\n";
    text += "経過はコンソールとログファイル " + std::string(LogFileName) + " に出力します。\n";
    text += "  -h, --help   この説明を表示して終了します\n";
    text += "  --version    版を表示して終了します\n";
    text += "終了コード: 0 正常終了、1 処理の失敗、2 引数の誤り\n";
    return text;
}

}  // namespace

int take_command_line(int argc, char** argv, const ProgramUsage& usage) {
    if (argc < 2) return -1;
    const char* first = argv[1] != nullptr ? argv[1] : "";
    if (argc == 2 && (std::strcmp(first, "-h") == 0 || std::strcmp(first, "--help") == 0)) {
        std::string text = usage_text(usage);
        console_write(text.data(), text.size());
        console_flush();
        return 0;
    }
    if (argc == 2 && std::strcmp(first, "--version") == 0) {
        std::string text = std::string(usage.name) + " " + usage.version + "\n";
        console_write(text.data(), text.size());
        console_flush();
        return 0;
    }
    // The first argument that is not taken, shown up to 80 bytes.
    const char* refused = first;
    if (argc > 2 && (std::strcmp(first, "-h") == 0 || std::strcmp(first, "--help") == 0 ||
                     std::strcmp(first, "--version") == 0))
        refused = argv[2] != nullptr ? argv[2] : "";
    std::string shown(refused, std::min<size_t>(std::strlen(refused), 80));
    if (shown.size() < std::strlen(refused)) shown += "...";
    std::string text = "引数「" + shown + "」は使えません\n" + usage_text(usage);
    console_flush();
    console_error_write(text.data(), text.size());
    return 2;
}

}  // namespace qel
