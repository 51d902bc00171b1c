// Members of the media bundles: small figures for img.dat and short sounds
// for the two sound bundles, which hold the same sounds at the same offsets
// (AIFF-C in qelq3.bnd, RealAudio-style in qelra.bnd).
#pragma once

#include <cstdint>
#include <string>

namespace qelsample {

// The leading bytes of every bundle (no member starts at offset 0).
extern const char BundleSignature[16];

// Figure number n: a 32 by 32 one-bit BMP image (190 bytes).
std::string figure_member(int n);

// Sound number n in both forms; the two strings have the same length.
std::string aiff_sound_member(int n);
std::string realaudio_sound_member(int n);

}  // namespace qelsample
