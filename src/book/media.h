// Figures and sounds of the book: the BMP, JPEG and WAV files the sources
// name, checked when first named and stored after the indexes, where the
// references of the text find them.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "book/anchors.h"
#include "book/text_encoder.h"

namespace qel {

enum MediaKind {
    MEDIA_BMP,   // a Windows bitmap, stored as it is
    MEDIA_JPEG,  // a JPEG image, stored as it is
    MEDIA_WAVE   // PCM sound, stored as its format and data chunks
};

// The parts of a WAV file the book keeps.
struct WaveLayout {
    unsigned char format[16];  // the PCM format (tag 1, channels, rate, byte rate, block size, bits)
    uint32_t data_offset;      // offset of the samples in the file
    uint32_t data_size;        // bytes of samples
};

// Checks that `bytes` is a BMP or JPEG image a viewer can show: a header
// that fits the file, sizes from 1 to 16384 dots, pixel data within the
// file. Returns MEDIA_BMP or MEDIA_JPEG, or -1 with the reason.
int check_graphic(const unsigned char* bytes, size_t size, std::string& reason);

// Checks that `bytes` is a RIFF WAVE of uncompressed PCM with its whole data
// chunk and takes its layout (other chunks and longer format chunks are
// left out of what is stored). 0, or -1 with the reason.
int check_wave(const unsigned char* bytes, size_t size, WaveLayout& layout, std::string& reason);

// Format code of a sound reference: stereo or mono, 8 or 16 bits.
int wave_format_code(const WaveLayout& layout);

// One file stored in the book.
struct MediaItem {
    std::string key;        // how the sources name it (kind and name)
    std::string path;       // the file
    int kind;               // a MediaKind
    WaveLayout wave;        // MEDIA_WAVE: what is stored of it
    uint32_t start_anchor;  // anchor of the first byte stored
    uint32_t end_anchor;    // MEDIA_WAVE: anchor of the last byte stored
};

// The files of a book, each stored once however often it is named.
struct BookMedia {
    std::vector<MediaItem> items;                          // in the order first named
    std::unordered_map<std::string, int> by_path;          // item of a file
    std::unordered_map<std::string, std::string> refused;  // why a file found unusable is so
    int graphics;                                  // items that are graphics
    int sounds;                                    // items that are sounds
};

// The item of the file `name`, as a source in directory `base` names it
// (a relative name of "/"- or "\"-separated parts inside `base`); a sound
// when `sound` is set, else a graphic. Returns its index, or -1 with the
// reason when the name leaves `base`, the file is missing or is not of a
// kind the book stores.
int take_media(BookMedia& media, AnchorTable& anchors, const std::string& base, const std::string& name,
               int sound, std::string& reason);

// Adds the files that `later` took (in a later part of the same sources)
// to `into`: each file once, a new one with new anchors in `anchors`.
// `anchor_map` (indexed by the anchors of `later`) receives the anchors of
// `into` that stand for them.
void merge_media(BookMedia& into, AnchorTable& anchors, const BookMedia& later, std::vector<uint32_t>& anchor_map);

// Writes the data of every graphic (`sounds` 0) or every sound at the end of
// `sink` and places their anchors: a graphic as "data", its size (4 bytes,
// little-endian) and the file; a sound as its format and data chunks.
// Returns 0, or -1 after reporting a file that can no longer be read as it was.
int write_media_area(ByteSink& sink, BookMedia& media, AnchorTable& anchors, int sounds);

}  // namespace qel
