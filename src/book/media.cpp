// Checking and storing figures and sounds.
#include "book/media.h"

#include <cstring>

#include "common/report.h"
#include "platform/platform.h"

namespace qel {

namespace {

// Largest width or height of a figure, and largest file stored.
const int64_t MaxDots = 16384;
const int64_t MaxMediaBytes = 64 << 20;

inline uint32_t le16(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8;
}
inline uint32_t le32(const unsigned char* p) {
    return le16(p) | le16(p + 2) << 16;
}
inline uint32_t be16(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) << 8 | p[1];
}
inline void put_le32(unsigned char* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
}

int check_bmp(const unsigned char* b, size_t size, std::string& reason) {
    if (size < 26) {
        reason = "BMPのヘッダが途中で切れています";
        return -1;
    }
    uint32_t file_size = le32(b + 2);
    uint32_t pixels = le32(b + 10);
    uint32_t header = le32(b + 14);
    if (file_size > size) {
        reason = "BMPのヘッダにあるファイルサイズが実際より大きくなっています";
        return -1;
    }
    int64_t width, height;
    uint32_t bits, compression = 0;
    if (header == 12) {
        width = le16(b + 18);
        height = le16(b + 20);
        bits = le16(b + 24);
    } else if (header >= 40 && header <= 124 && size >= 14 + 40) {
        width = static_cast<int32_t>(le32(b + 18));
        height = static_cast<int32_t>(le32(b + 22));
        bits = le16(b + 28);
        compression = le32(b + 30);
    } else {
        reason = "BMPの情報ヘッダが正しくありません";
        return -1;
    }
    if (height < 0) height = -height;
    if (width < 1 || height < 1 || width > MaxDots || height > MaxDots) {
        reason = "BMPの縦横の大きさが正しくありません";
        return -1;
    }
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) {
        reason = "BMPの色数が正しくありません";
        return -1;
    }
    if (compression > 3) {
        reason = "BMPの圧縮形式には対応していません";
        return -1;
    }
    if (pixels < 14 + header || pixels >= size) {
        reason = "BMPの画素データの位置が正しくありません";
        return -1;
    }
    if (compression == 0 || compression == 3) {
        int64_t row = (width * bits + 31) / 32 * 4;
        if (static_cast<int64_t>(pixels) + row * height > static_cast<int64_t>(size)) {
            reason = "BMPの画素データが途中で切れています";
            return -1;
        }
    }
    return MEDIA_BMP;
}

int check_jpeg(const unsigned char* b, size_t size, std::string& reason) {
    size_t p = 2;
    int frame = 0;
    for (;;) {
        while (p < size && b[p] == 0xFF && p + 1 < size && b[p + 1] == 0xFF) ++p;
        if (p + 4 > size || b[p] != 0xFF) {
            reason = "JPEGのヘッダが途中で切れているか、正しくありません";
            return -1;
        }
        unsigned char marker = b[p + 1];
        if (marker == 0xD8 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
            p += 2;
            continue;
        }
        if (marker == 0xD9) {
            reason = "JPEGに画像データがありません";
            return -1;
        }
        uint32_t length = be16(b + p + 2);
        if (length < 2 || p + 2 + length > size) {
            reason = "JPEGのヘッダが途中で切れているか、正しくありません";
            return -1;
        }
        if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) {
            if (length < 8) {
                reason = "JPEGのフレームヘッダが正しくありません";
                return -1;
            }
            uint32_t height = be16(b + p + 5), width = be16(b + p + 7);
            if (width < 1 || height < 1 || width > MaxDots || height > MaxDots) {
                reason = "JPEGの縦横の大きさが正しくありません";
                return -1;
            }
            frame = 1;
        }
        if (marker == 0xDA) break;
        p += 2 + length;
    }
    if (!frame) {
        reason = "JPEGにフレームヘッダがありません";
        return -1;
    }
    // The image data must end with its end marker.
    for (size_t q = size; q >= p + 2; --q)
        if (b[q - 2] == 0xFF && b[q - 1] == 0xD9) return MEDIA_JPEG;
    reason = "JPEGの画像データが途中で切れています";
    return -1;
}

// A name that stays inside the directory it is given for.
int name_inside(const std::string& name) {
    if (name.empty() || name[0] == '/' || name[0] == '\\' || name.find(':') != std::string::npos) return 0;
    size_t start = 0;
    while (start <= name.size()) {
        size_t end = name.find_first_of("/\\", start);
        if (end == std::string::npos) end = name.size();
        if (name.compare(start, end - start, "..") == 0 && end - start == 2) return 0;
        start = end + 1;
    }
    return 1;
}

// Reads a whole file of at most MaxMediaBytes. 0, -1 when missing or unreadable, -2 when too large.
int read_media_file(const std::string& path, std::vector<unsigned char>& bytes) {
    int h = handle_open_read(path.c_str());
    if (h < 0) return -1;
    bytes.clear();
    unsigned char chunk[1 << 16];
    int status = 0;
    for (;;) {
        long got = handle_read(h, chunk, sizeof chunk);
        if (got < 0) {
            status = -1;
            break;
        }
        if (got == 0) break;
        if (bytes.size() + static_cast<size_t>(got) > static_cast<size_t>(MaxMediaBytes)) {
            status = -2;
            break;
        }
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
    handle_close(h);
    return status;
}

}  // namespace

int check_graphic(const unsigned char* bytes, size_t size, std::string& reason) {
    if (size >= 2 && bytes[0] == 'B' && bytes[1] == 'M') return check_bmp(bytes, size, reason);
    if (size >= 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF) return check_jpeg(bytes, size, reason);
    reason = "BMPでもJPEGでもありません";
    return -1;
}

int check_wave(const unsigned char* b, size_t size, WaveLayout& layout, std::string& reason) {
    if (size < 12 || std::memcmp(b, "RIFF", 4) != 0 || std::memcmp(b + 8, "WAVE", 4) != 0) {
        reason = "WAV形式ではありません";
        return -1;
    }
    int have_format = 0, have_data = 0;
    size_t p = 12;
    while (p + 8 <= size && !(have_format && have_data)) {
        uint32_t length = le32(b + p + 4);
        const unsigned char* body = b + p + 8;
        size_t room = size - p - 8;
        if (std::memcmp(b + p, "fmt ", 4) == 0) {
            if (length < 16 || length > room) {
                reason = "WAVのfmtチャンクが正しくありません";
                return -1;
            }
            uint32_t tag = le16(body);
            if (tag == 0xFFFE && length >= 40 && le16(body + 24) == 1) tag = 1;  // extensible PCM
            uint32_t channels = le16(body + 2), rate = le32(body + 4), bits = le16(body + 14);
            if (tag != 1) {
                reason = "無圧縮(PCM)のWAVではありません";
                return -1;
            }
            if (channels < 1 || channels > 8 || rate < 1 || (bits != 8 && bits != 16 && bits != 24 && bits != 32)) {
                reason = "WAVの形式の値が正しくありません";
                return -1;
            }
            uint32_t block = channels * bits / 8;
            unsigned char* f = layout.format;
            f[0] = 1;
            f[1] = 0;
            f[2] = static_cast<unsigned char>(channels);
            f[3] = 0;
            put_le32(f + 4, rate);
            put_le32(f + 8, rate * block);
            f[12] = static_cast<unsigned char>(block);
            f[13] = static_cast<unsigned char>(block >> 8);
            f[14] = static_cast<unsigned char>(bits);
            f[15] = 0;
            have_format = 1;
        } else if (std::memcmp(b + p, "data", 4) == 0) {
            if (length > room) {
                reason = "WAVのdataチャンクが途中で切れています";
                return -1;
            }
            if (length == 0) {
                reason = "WAVに音声データがありません";
                return -1;
            }
            layout.data_offset = static_cast<uint32_t>(p + 8);
            layout.data_size = length;
            have_data = 1;
        }
        if (length > room) break;
        p += 8 + length + (length & 1);
    }
    if (!have_format || !have_data) {
        reason = have_format ? "WAVにdataチャンクがありません" : "WAVにfmtチャンクがありません";
        return -1;
    }
    return 0;
}

int wave_format_code(const WaveLayout& layout) {
    int stereo = layout.format[2] == 2 ? 0x1000 : 0;
    int eight_bits = layout.format[14] == 8 ? 0x0010 : 0;
    return stereo | eight_bits | 0x0002;
}

int take_media(BookMedia& media, AnchorTable& anchors, const std::string& base, const std::string& name,
               int sound, std::string& reason) {
    std::string key = (sound ? "s:" : "g:") + name;
    auto found = media.by_path.find(key);
    if (found != media.by_path.end()) return found->second;
    auto refused = media.refused.find(key);
    if (refused != media.refused.end()) {
        reason = refused->second;
        return -1;
    }
    int index = -1;
    MediaItem item;
    item.key = key;
    item.path = base + name;
    std::vector<unsigned char> bytes;
    if (!name_inside(name)) {
        reason = "書籍の元データのディレクトリの外を指しています";
    } else {
        int read = read_media_file(item.path, bytes);
        if (read == -1)
            reason = "ファイルがないか、読めません";
        else if (read == -2)
            reason = "ファイルが大きすぎます(64MB以上)";
        else if (sound)
            item.kind = check_wave(bytes.data(), bytes.size(), item.wave, reason) == 0 ? MEDIA_WAVE : -1;
        else
            item.kind = check_graphic(bytes.data(), bytes.size(), reason);
        if (read == 0 && item.kind >= 0) {
            item.start_anchor = add_unnamed_anchor(anchors);
            item.end_anchor = sound ? add_unnamed_anchor(anchors) : item.start_anchor;
            index = static_cast<int>(media.items.size());
            media.items.push_back(item);
            if (sound)
                media.sounds++;
            else
                media.graphics++;
        }
    }
    if (index >= 0)
        media.by_path.emplace(key, index);
    else
        media.refused.emplace(key, reason);
    return index;
}

void merge_media(BookMedia& into, AnchorTable& anchors, const BookMedia& later, std::vector<uint32_t>& anchor_map) {
    for (const MediaItem& item : later.items) {
        auto found = into.by_path.find(item.key);
        int index;
        if (found != into.by_path.end()) {
            index = found->second;
        } else {
            MediaItem copy = item;
            copy.start_anchor = add_unnamed_anchor(anchors);
            copy.end_anchor = item.kind == MEDIA_WAVE ? add_unnamed_anchor(anchors) : copy.start_anchor;
            index = static_cast<int>(into.items.size());
            into.items.push_back(copy);
            into.by_path.emplace(item.key, index);
            if (item.kind == MEDIA_WAVE)
                into.sounds++;
            else
                into.graphics++;
        }
        anchor_map[item.start_anchor] = into.items[static_cast<size_t>(index)].start_anchor;
        anchor_map[item.end_anchor] = into.items[static_cast<size_t>(index)].end_anchor;
    }
    for (const auto& [key, reason] : later.refused) into.refused.emplace(key, reason);
}

int write_media_area(ByteSink& sink, BookMedia& media, AnchorTable& anchors, int sounds) {
    std::vector<unsigned char> bytes;
    for (MediaItem& item : media.items) {
        if ((item.kind == MEDIA_WAVE) != (sounds != 0)) continue;
        std::string reason;
        WaveLayout layout;
        int ok = read_media_file(item.path, bytes) == 0;
        if (ok && sounds)
            ok = check_wave(bytes.data(), bytes.size(), layout, reason) == 0 &&
                 std::memcmp(layout.format, item.wave.format, 16) == 0 && layout.data_size == item.wave.data_size;
        else if (ok)
            ok = check_graphic(bytes.data(), bytes.size(), reason) == item.kind;
        if (!ok) {
            report("\nファイル %s が読めないか、読み始めた後で変わりました\n", item.path.c_str());
            return -1;
        }
        uint32_t at = static_cast<uint32_t>(sink_offset(sink));
        anchors.position[item.start_anchor] = at;
        unsigned char head[8];
        if (sounds) {
            // The format and data chunks; a reader puts the RIFF header back.
            std::memcpy(head, "fmt ", 4);
            put_le32(head + 4, 16);
            sink_put(sink, head, 8);
            sink_put(sink, layout.format, 16);
            std::memcpy(head, "data", 4);
            put_le32(head + 4, layout.data_size);
            sink_put(sink, head, 8);
            sink_put(sink, bytes.data() + layout.data_offset, layout.data_size);
            anchors.position[item.end_anchor] = static_cast<uint32_t>(sink_offset(sink)) - 1;
        } else {
            std::memcpy(head, "data", 4);
            put_le32(head + 4, static_cast<uint32_t>(bytes.size()));
            sink_put(sink, head, 8);
            sink_put(sink, bytes.data(), bytes.size());
        }
    }
    return 0;
}

}  // namespace qel
