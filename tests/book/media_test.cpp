// Figures and sounds as the book takes them: what a viewer can show or play
// is stored, anything lying about its size or cut short is refused.
#include "book/media.h"

#include <gtest/gtest.h>

#include <string>

using namespace qel;

namespace {

std::string le32(uint32_t v) {
    return {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16), static_cast<char>(v >> 24)};
}
std::string le16(uint32_t v) {
    return {static_cast<char>(v), static_cast<char>(v >> 8)};
}

// A BMP of `width` x `height` dots, 24 bits, whose header states `stated` bytes.
std::string bmp(int32_t width, int32_t height, int64_t stated = -1, size_t cut = 0) {
    uint32_t row = (static_cast<uint32_t>(width) * 24 + 31) / 32 * 4;
    uint32_t size = 54 + row * static_cast<uint32_t>(height < 0 ? -height : height);
    std::string b = "BM" + le32(stated < 0 ? size : static_cast<uint32_t>(stated)) + le32(0) + le32(54) + le32(40) +
                    le32(static_cast<uint32_t>(width)) + le32(static_cast<uint32_t>(height)) + le16(1) + le16(24) +
                    le32(0) + le32(0) + le32(0) + le32(0) + le32(0) + le32(0);
    b.resize(size > cut ? size - cut : 0, '\x7f');
    return b;
}

// A baseline JPEG of 2 x 2 dots: start, frame header, scan header, data, end.
std::string jpeg(const std::string& frame = std::string("\xff\xc0\x00\x0b\x08\x00\x02\x00\x02\x01\x01\x11\x00", 13),
                 bool end = true) {
    std::string j = std::string("\xff\xd8", 2) + frame + std::string("\xff\xda\x00\x08\x01\x01\x00\x00\x3f\x00", 10) +
                    std::string("\x12\x34", 2);
    return end ? j + std::string("\xff\xd9", 2) : j;
}

std::string chunk(const std::string& id, const std::string& body) {
    return id + le32(static_cast<uint32_t>(body.size())) + body + (body.size() % 2 ? std::string(1, '\0') : "");
}

std::string pcm_format(int tag, int channels, int bits, const std::string& extra = "") {
    int block = channels * bits / 8;
    return le16(tag) + le16(channels) + le32(8000) + le32(8000 * block) + le16(block) + le16(bits) + extra;
}

std::string riff(const std::string& chunks) {
    return "RIFF" + le32(static_cast<uint32_t>(4 + chunks.size())) + "WAVE" + chunks;
}

int graphic(const std::string& bytes) {
    std::string reason;
    return check_graphic(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), reason);
}

}  // namespace

TEST(BookMedia, GraphicsAreRecognisedByContentAndRefusedWhenTheyLie) {
    EXPECT_EQ(graphic(bmp(2, 2)), MEDIA_BMP);
    EXPECT_EQ(graphic(bmp(3, -2)), MEDIA_BMP);  // top-down rows
    EXPECT_EQ(graphic(jpeg()), MEDIA_JPEG);
    struct Bad {
        const char* what;
        std::string bytes;
    };
    const Bad bad[] = {
        {"size beyond the file", bmp(2, 2, 100000)},
        {"pixels cut short", bmp(2, 2, 54, 4)},
        {"zero width", bmp(0, 2)},
        {"huge height", bmp(1, 70000)},
        {"header only", bmp(2, 2).substr(0, 20)},
        {"no frame header", jpeg("")},
        {"segment past the end", std::string("\xff\xd8\xff\xe0\x40\x00JFIF", 10)},
        {"zero dots", jpeg(std::string("\xff\xc0\x00\x0b\x08\x00\x00\x00\x02\x01\x01\x11\x00", 13))},
        {"no end marker", jpeg(std::string("\xff\xc0\x00\x0b\x08\x00\x02\x00\x02\x01\x01\x11\x00", 13), false)},
        {"a PNG", std::string("\x89PNG\r\n\x1a\n", 8)},
        {"nothing", ""},
    };
    for (const Bad& b : bad) EXPECT_EQ(graphic(b.bytes), -1) << b.what;
}

TEST(BookMedia, WavesKeepTheirFormatAndSamplesAndNothingElse) {
    std::string samples("\x10\x20\x30\x40", 4);
    WaveLayout layout;
    std::string reason;
    // Other chunks before and after, and a format chunk of 18 bytes.
    std::string w = riff(chunk("LIST", "INFOxx") + chunk("fmt ", pcm_format(1, 2, 16, le16(0))) +
                         chunk("data", samples) + chunk("cue ", "abcd"));
    ASSERT_EQ(check_wave(reinterpret_cast<const unsigned char*>(w.data()), w.size(), layout, reason), 0) << reason;
    EXPECT_EQ(std::string(reinterpret_cast<char*>(layout.format), 16), pcm_format(1, 2, 16));
    EXPECT_EQ(w.substr(layout.data_offset, layout.data_size), samples);
    EXPECT_EQ(wave_format_code(layout), 0x1002);
    // Extensible PCM is plain PCM.
    std::string ext = pcm_format(0xFFFE, 1, 8, le16(22) + le16(8) + le32(4) + le16(1) + std::string(14, 'g'));
    w = riff(chunk("fmt ", ext) + chunk("data", samples));
    ASSERT_EQ(check_wave(reinterpret_cast<const unsigned char*>(w.data()), w.size(), layout, reason), 0) << reason;
    EXPECT_EQ(layout.format[0], 1);
    EXPECT_EQ(wave_format_code(layout), 0x0012);

    struct Bad {
        const char* what;
        std::string bytes;
    };
    std::string fmt = chunk("fmt ", pcm_format(1, 1, 8));
    const Bad bad[] = {
        {"data cut short", riff(fmt + "data" + le32(100) + samples)},
        {"compressed", riff(chunk("fmt ", pcm_format(2, 1, 4)) + chunk("data", samples))},
        {"no format", riff(chunk("data", samples))},
        {"no data", riff(fmt)},
        {"empty data", riff(fmt + chunk("data", ""))},
        {"format chunk too short", riff(chunk("fmt ", "abcd") + chunk("data", samples))},
        {"not RIFF", "RIFX" + le32(4) + "WAVE"},
    };
    for (const Bad& b : bad)
        EXPECT_EQ(check_wave(reinterpret_cast<const unsigned char*>(b.bytes.data()), b.bytes.size(), layout, reason), -1)
            << b.what;
}

TEST(BookMedia, NamesMustStayInsideTheSourceDirectory) {
    BookMedia media;
    AnchorTable anchors;
    std::string reason;
    for (const char* name : {"../x.bmp", "fig/../../x.bmp", "/etc/passwd", "\\\\server\\x.bmp", "C:x.bmp", ""}) {
        EXPECT_EQ(take_media(media, anchors, "base/", name, 0, reason), -1) << name;
        EXPECT_EQ(reason, "書籍の元データのディレクトリの外を指しています") << name;
    }
    EXPECT_EQ(take_media(media, anchors, "no-such-dir/", "fig/x.bmp", 0, reason), -1);
    EXPECT_EQ(reason, "ファイルがないか、読めません");
    EXPECT_TRUE(media.items.empty());
}
