// Figures and sounds cut out of their bundles (img.dat, qelq3.bnd, qelra.bnd)
// during the body conversion, the figure images and sound links of the body,
// and the iTunes playlists of the extracted sounds.
#pragma once

#include <cstdint>
#include <string>

#include "common/settings.h"
#include "platform/platform.h"

namespace qel {

// Opens directory + name for raw reading. Returns the handle, or -1 after
// reporting "データファイル %s がオープンできません".
int open_bundle(const char* directory, const char* name);
void close_bundle(int handle);

// Copies the bundle's bytes offset .. offset + length - 1 into the new file
// directory + name (created or truncated, 0644) through a fixed 512-byte
// buffer; a length of 0 or less leaves an empty file. Returns 0, or -1 after
// reporting why (the new file stays with what was written). `write_failed`,
// when given, tells a failure to write or close the new file, or to create it
// for want of room (set to 1), from a failure of the data: a range outside
// the bundle, a name the system refuses (0).
int extract_member(const char* directory, const char* name, int bundle, int32_t offset, int32_t length,
                   int* write_failed = nullptr);

// Reads an IMG or SND value as two hexadecimal numbers, offset "," length
// (scanf's "%lx,%lx": blanks, a sign and a 0x prefix allowed before each
// number; values beyond 32 bits saturate). `stem` gets the offset text as
// written, up to the comma. Returns 0, or -1 when the value does not read so.
int read_media_value(const char* value, int32_t& offset, int32_t& length, std::string& stem);

// Creates directory + name and writes the playlist header. Returns the open
// playlist, or none after reporting "iTunesプレイリストファイル %s が新規作成できません".
File* open_playlist(const char* directory, const char* name);

// Writes the track entry of one sound. Returns 0.
int add_playlist_track(File* playlist, const char* folder, const char* artist, const char* album, int32_t offset,
                       long id);

// Writes the item list first .. last and the footer, and closes the playlist
// at `path`. 0, or -1 after reporting that it could not be written whole.
int finish_playlist(File* playlist, const std::string& path, long first, long last);

// ---- The media of one body conversion ---------------------------------------

struct BodyConversionState;

// The bundles, counters and playlists of one body conversion; a fresh value
// has nothing open.
struct MediaState {
    int figure_bundle = -1;               // img.dat, or -1
    int sound_bundle = -1;                // qelq3.bnd / qelra.bnd, or -1
    const char* figure_extension = ".bmp";  // ".pict" or ".bmp"
    const char* sound_extension = ".ra";    // ".aifc" or ".ra"
    long sound_count = 0;                 // sounds handled so far: the number of the next one
    std::string sound_group;              // "%03ld" of sound_count / 1000
    File* current_playlist = nullptr;     // pl_NNN.xml being filled
    File* whole_playlist = nullptr;       // pl_all.xml
    std::string current_path;             // the current playlist's path
    std::string whole_path;               // pl_all.xml's path
    long figures_unwritten = 0;           // figures dropped because their file could not be
                                          // created or written whole: the body goes on without
                                          // them, but the run is not a success
    std::string stem;                     // scratch: the offset text of a media value
    std::string file_name;                // scratch: a member's file name
    std::string member_name;              // scratch: a sound's name in its group
};

// Chooses the native extensions by MACINTOSH and opens the figure bundle (with
// FIGURE) and the sound bundle (with SOUND). 0, or -1 after the bundle's message.
int open_media_bundles(MediaState& media, const ConversionSettings& settings);

// The IMG line `value` (FIGURE on): cuts the figure out into figure_dir, files
// it on menu page 1 and appends its anchor and image to the held text. Returns
// 1 when that happened, 0 when the line is to be dropped (unreadable value or
// failed extraction: no file kept in the body, no number used).
int handle_figure_line(BodyConversionState& state, const char* value);

// The SND line `value` (SOUND on): numbers the sound, makes its group
// directory, cuts it out into sound_dir, adds it to the playlists and leaves
// its link pending for the next entry's header line. A zero length or an
// unreadable value is ignored. Returns 0, or -1 when a sound file or a
// playlist cannot be written.
int handle_sound_line(BodyConversionState& state, const char* value);

// Closes the bundles that are open.
void close_media_bundles(MediaState& media);

// At the end of the body: finishes the current and the whole-run playlist
// when sounds were added to them. 0, or -1 when one could not be written whole.
int finish_playlists(MediaState& media);

// After a failure: closes bundles and playlists without writing more.
void abandon_media(MediaState& media);

}  // namespace qel
