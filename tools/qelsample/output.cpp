// Buffered binary output files and directory creation for the generator.
#include "output.h"

#include <sys/stat.h>
#include <sys/types.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace qelsample {

static void flush_out(OutFile& out);

int open_out(OutFile& out, const std::string& path, size_t buffer_size, bool complement) {
    out.path = path;
    out.file = std::fopen(path.c_str(), "wb");
    if (!out.file) {
        std::fprintf(stderr, "qelsample: cannot create %s: %s\n", path.c_str(), std::strerror(errno));
        return -1;
    }
    out.buffer.assign(buffer_size, 0);
    out.used = 0;
    out.complement = complement;
    out.offset = 0;
    out.failed = false;
    return 0;
}

static void flush_out(OutFile& out) {
    if (out.used == 0) return;
    if (std::fwrite(out.buffer.data(), 1, out.used, out.file) != out.used) out.failed = true;
    out.used = 0;
}

void put(OutFile& out, std::string_view bytes) {
    out.offset += bytes.size();
    while (!bytes.empty()) {
        if (out.used == out.buffer.size()) flush_out(out);
        size_t n = std::min(bytes.size(), out.buffer.size() - out.used);
        char* dest = out.buffer.data() + out.used;
        if (out.complement) {
            for (size_t i = 0; i < n; ++i) dest[i] = static_cast<char>(~static_cast<unsigned char>(bytes[i]));
        } else {
            std::memcpy(dest, bytes.data(), n);
        }
        out.used += n;
        bytes.remove_prefix(n);
    }
}

void put_byte(OutFile& out, unsigned char byte) {
    char c = static_cast<char>(byte);
    put(out, std::string_view(&c, 1));
}

void put_le32(OutFile& out, uint32_t value) {
    char bytes[4] = {static_cast<char>(value & 0xFF), static_cast<char>((value >> 8) & 0xFF),
                     static_cast<char>((value >> 16) & 0xFF), static_cast<char>((value >> 24) & 0xFF)};
    put(out, std::string_view(bytes, 4));
}

int close_out(OutFile& out) {
    if (!out.file) return -1;
    flush_out(out);
    if (std::fclose(out.file) != 0) out.failed = true;
    out.file = nullptr;
    out.buffer.clear();
    out.buffer.shrink_to_fit();
    if (out.failed) {
        std::fprintf(stderr, "qelsample: writing %s failed\n", out.path.c_str());
        return -1;
    }
    return 0;
}

int write_whole_file(const std::string& path, std::string_view bytes) {
    OutFile out;
    if (open_out(out, path, bytes.size() + 1) != 0) return -1;
    put(out, bytes);
    return close_out(out);
}

int make_directories(const std::string& path) {
    std::string partial;
    size_t i = 0;
    while (i <= path.size()) {
        size_t slash = path.find('/', i);
        if (slash == std::string::npos) slash = path.size();
        partial = path.substr(0, slash);
        if (!partial.empty()) {
            struct stat st;
            if (stat(partial.c_str(), &st) != 0) {
                if (mkdir(partial.c_str(), 0755) != 0 && errno != EEXIST) {
                    std::fprintf(stderr, "qelsample: cannot create directory %s: %s\n", partial.c_str(),
                                 std::strerror(errno));
                    return -1;
                }
            } else if (!S_ISDIR(st.st_mode)) {
                std::fprintf(stderr, "qelsample: %s exists and is not a directory\n", partial.c_str());
                return -1;
            }
        }
        i = slash + 1;
    }
    return 0;
}

}  // namespace qelsample
