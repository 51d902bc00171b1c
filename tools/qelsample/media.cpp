// Members of the media bundles.
#include "media.h"

#include <cmath>

namespace qelsample {

const char BundleSignature[16] = {'Q', 'E', 'L', 'S', 'A', 'M', 'P', 'L', 'E', ' ', 'B', 'U', 'N', 'D', 'L', 'E'};

namespace {

const int SoundSamples = 552;  // 0.05 s at 11025 Hz, 8-bit mono

void put_le(std::string& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

void put_be(std::string& out, uint32_t value, int bytes) {
    for (int i = bytes - 1; i >= 0; --i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

// The samples of sound n; there are 24 different tones, computed once each.
const std::string& sound_samples(int n) {
    static std::string tones[24];
    std::string& out = tones[n % 24];
    if (!out.empty()) return out;
    double frequency = 220.0 + 20.0 * (n % 24);
    for (int i = 0; i < SoundSamples; ++i) {
        double envelope = 1.0 - static_cast<double>(i) / SoundSamples;
        double v = 90.0 * envelope * std::sin(2.0 * 3.14159265358979 * frequency * i / 11025.0);
        out += static_cast<char>(static_cast<int8_t>(std::lround(v)));
    }
    return out;
}

}  // namespace

std::string figure_member(int n) {
    const int width = 32, height = 32, row_bytes = 4;
    std::string out;
    out += "BM";
    put_le(out, 62 + row_bytes * height, 4);  // file size
    put_le(out, 0, 4);
    put_le(out, 62, 4);                       // offset of the pixels
    put_le(out, 40, 4);                       // info header size
    put_le(out, width, 4);
    put_le(out, height, 4);
    put_le(out, 1, 2);                        // planes
    put_le(out, 1, 2);                        // bits per pixel
    put_le(out, 0, 4);                        // no compression
    put_le(out, row_bytes * height, 4);
    put_le(out, 2835, 4);
    put_le(out, 2835, 4);
    put_le(out, 2, 4);                        // colours used
    put_le(out, 0, 4);
    put_le(out, 0x00FFFFFF, 4);               // palette: white, black
    put_le(out, 0x00000000, 4);
    // A ring whose size depends on n, and a diagonal.
    int radius = 6 + n % 9;
    for (int y = 0; y < height; ++y) {
        uint32_t bits = 0;
        for (int x = 0; x < width; ++x) {
            int dx = x - 16, dy = y - 16, d2 = dx * dx + dy * dy;
            bool ink = (d2 >= radius * radius - radius && d2 <= radius * radius + radius) || x == (y + n) % width;
            if (ink) bits |= 1u << (31 - x);
        }
        put_be(out, bits, 4);
    }
    return out;
}

std::string aiff_sound_member(int n) {
    const std::string& samples = sound_samples(n);
    std::string comm;
    put_be(comm, 1, 2);                                   // channels
    put_be(comm, SoundSamples, 4);                        // sample frames
    put_be(comm, 8, 2);                                   // bits per sample
    comm += std::string("\x40\x0C\xAC\x44\x00\x00\x00\x00\x00\x00", 10);  // 11025 Hz
    comm += "NONE";
    comm += std::string("\x0Enot compressed\x00", 16);
    std::string out;
    out += "FORM";
    put_be(out, static_cast<uint32_t>(4 + 12 + 8 + comm.size() + 16 + samples.size()), 4);
    out += "AIFC";
    out += "FVER";
    put_be(out, 4, 4);
    put_be(out, 0xA2805140u, 4);
    out += "COMM";
    put_be(out, static_cast<uint32_t>(comm.size()), 4);
    out += comm;
    out += "SSND";
    put_be(out, static_cast<uint32_t>(8 + samples.size()), 4);
    put_be(out, 0, 4);
    put_be(out, 0, 4);
    out += samples;
    return out;
}

std::string realaudio_sound_member(int n) {
    size_t size = aiff_sound_member(n).size();
    std::string out = ".ra\xFD";
    put_be(out, 3, 2);                   // version
    put_be(out, static_cast<uint32_t>(size - 8), 2);  // header length
    out += "qelsample sound ";
    out += std::to_string(n);
    const std::string& samples = sound_samples(n);
    size_t i = 0;
    while (out.size() < size) out += samples[i++ % samples.size()];
    return out;
}

}  // namespace qelsample
