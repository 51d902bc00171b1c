// bytesort: sorts the lines of a file (or of standard input) in ascending
// byte order and writes them to standard output, as the C-locale sort of
// POSIX systems does. It stands in for the system's sort.exe when the Windows
// programs run where there is none; the converter names it in SORTCMD.
//
// Usage: bytesort [file]
//
// A line ends at LF; a CR before it belongs to the line and takes part in the
// comparison, so CR LF lines come out exactly as the POSIX sort leaves them.
// Lines compare as unsigned bytes, a line that is the beginning of another
// coming first. A last line without LF gets one. Exit code 0, or 2 when the
// input cannot be read or the output cannot be written.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace {

// Reads the whole stream; returns false on a read error.
bool read_all(std::FILE* in, std::string& data) {
    char buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, in)) > 0) data.append(buffer, n);
    return !std::ferror(in);
}

bool line_before(std::string_view a, std::string_view b) {
    size_t n = std::min(a.size(), b.size());
    int c = n ? std::memcmp(a.data(), b.data(), n) : 0;
    return c != 0 ? c < 0 : a.size() < b.size();
}

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
    // Bytes in and out as they are: no CR LF translation, no 0x1A end.
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    if (argc > 2) {
        std::fprintf(stderr, "usage: bytesort [file]\n");
        return 2;
    }
    std::FILE* in = stdin;
    if (argc == 2) {
        in = std::fopen(argv[1], "rb");
        if (!in) {
            std::fprintf(stderr, "bytesort: cannot open %s\n", argv[1]);
            return 2;
        }
    }
    std::string data;
    bool ok = read_all(in, data);
    if (in != stdin) std::fclose(in);
    if (!ok) {
        std::fprintf(stderr, "bytesort: cannot read %s\n", argc == 2 ? argv[1] : "standard input");
        return 2;
    }

    // Split into lines without their LF.
    std::vector<std::string_view> lines;
    std::string_view rest(data);
    while (!rest.empty()) {
        size_t lf = rest.find('\n');
        if (lf == std::string_view::npos) lf = rest.size();
        lines.push_back(rest.substr(0, lf));
        rest.remove_prefix(lf < rest.size() ? lf + 1 : lf);
    }

    std::stable_sort(lines.begin(), lines.end(), line_before);

    for (std::string_view line : lines) {
        if (std::fwrite(line.data(), 1, line.size(), stdout) != line.size() || std::fputc('\n', stdout) == EOF) {
            std::fprintf(stderr, "bytesort: cannot write the output\n");
            return 2;
        }
    }
    if (std::fflush(stdout) != 0) {
        std::fprintf(stderr, "bytesort: cannot write the output\n");
        return 2;
    }
    return 0;
}
