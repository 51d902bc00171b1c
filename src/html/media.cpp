// Figures, sounds and playlists.
#include "html/media.h"

#include <cctype>
#include <cstdio>

#include "common/report.h"
#include "common/settings.h"
#include "common/written_file.h"
#include "html/body_state.h"
#include "html/menus.h"
#include "text/sjis.h"

namespace qel {

namespace {

// Members are copied through one buffer of this size, whatever their length.
const int CopyChunk = 512;

// Sounds per group directory and per playlist.
const long SoundsPerGroup = 1000;
const long SoundsPerPlaylist = 10000;

// One "%lx" conversion at `p`: blanks, a sign, an optional 0x prefix and at
// least one hex digit. Returns the position after it, or none.
const char* read_hex_number(const char* p, int32_t& value) {
    while (*p != '\0' && std::isspace(static_cast<unsigned char>(*p))) ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = (*p++ == '-');
    if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X') && hex_digit(static_cast<unsigned char>(p[2])) >= 0) p += 2;
    if (hex_digit(static_cast<unsigned char>(*p)) < 0) return nullptr;
    const uint64_t Largest = 0xFFFFFFFFu;
    uint64_t number = 0;
    for (int d; (d = hex_digit(static_cast<unsigned char>(*p))) >= 0; ++p) {
        number = number * 16 + static_cast<uint64_t>(d);
        if (number > Largest) number = Largest + 1;  // kept small; saturates below
    }
    uint32_t low = number > Largest ? 0xFFFFFFFFu : static_cast<uint32_t>(number);
    if (negative) low = 0u - low;
    value = static_cast<int32_t>(low);
    return p;
}

// "%03ld" of the group number.
void set_sound_group(MediaState& media, long group) {
    char text[32];
    std::snprintf(text, sizeof text, "%03ld", group);
    media.sound_group = text;
}

}  // namespace

int open_bundle(const char* directory, const char* name) {
    std::string path = std::string(directory) + name;
    int handle = handle_open_read(path.c_str());
    if (handle < 0) {
        report("データファイル %s がオープンできません\n", path.c_str());
        return -1;
    }
    return handle;
}

void close_bundle(int handle) {
    if (handle >= 0) handle_close(handle);
}

int extract_member(const char* directory, const char* name, int bundle, int32_t offset, int32_t length,
                   int* write_failed) {
    std::string path = std::string(directory) + name;
    char chunk[CopyChunk];
    if (write_failed != nullptr) *write_failed = 0;

    // Create the member file.
    // No room for it counts as a failed write; a name the system refuses
    // is the data's fault, like a range outside the bundle.
    int out = handle_create(path.c_str());
    if (out < 0) {
        if (write_failed != nullptr) *write_failed = failed_for_room();
        report("データファイル %s が新規作成できません\n", path.c_str());
        return -1;
    }

    // Position the bundle and copy chunk by chunk.
    int status = 0;
    int written = 0;
    if (handle_seek(bundle, offset) < 0) {
        report("データファイルのlseek()に失敗しました\n");
        status = -1;
    }
    // A length from 80000000 on cannot be read from a bundle below 2 GiB.
    if (status == 0 && length < 0) {
        report("データファイルの読み込みに失敗しました\n");
        status = -1;
    }
    for (int32_t remaining = length; status == 0 && remaining > 0;) {
        int32_t size = remaining < CopyChunk ? remaining : CopyChunk;
        if (handle_read(bundle, chunk, static_cast<size_t>(size)) != size) {
            report("データファイルの読み込みに失敗しました\n");
            status = -1;
        } else if (handle_write(out, chunk, static_cast<size_t>(size)) != size) {
            report("個別データファイルの書き出しに失敗しました\n");
            status = -1;
            written = -1;
        } else {
            remaining -= size;
        }
    }
    // The system may report a lost write only when the file is closed.
    if (handle_close(out) != 0) written = -1;
    if (written != 0) {
        report("ファイル %s への書き込みに失敗しました\n", path.c_str());
        if (write_failed != nullptr) *write_failed = 1;
        return -1;
    }
    return status;
}

int read_media_value(const char* value, int32_t& offset, int32_t& length, std::string& offset_text) {
    int32_t first = 0, second = 0;
    const char* p = read_hex_number(value, first);
    if (p == nullptr || *p != ',') return -1;
    if (read_hex_number(p + 1, second) == nullptr) return -1;
    offset_text.assign(value, static_cast<size_t>(p - value));
    offset = first;
    length = second;
    return 0;
}

File* open_playlist(const char* directory, const char* name) {
    std::string path = std::string(directory) + name;
    File* playlist = file_open(path.c_str(), FILE_WRITE_TEXT);
    if (playlist == nullptr) {
        report("iTunesプレイリストファイル %s が新規作成できません\n", path.c_str());
        return nullptr;
    }
    std::string music_folder = directory;
    for (char& c : music_folder)
        if (c == '\\') c = '/';
    file_puts(playlist, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n");
    file_puts(playlist, "<!DOCTYPE plist PUBLIC \"-//Apple Computer//DTD PLIST 1.0//EN\" "
                        "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n");
    file_puts(playlist, "<plist version=\"1.0\">\n");
    file_puts(playlist, "<dict>\n");
    file_puts(playlist, "\t<key>Major Version</key><integer>1</integer>\n");
    file_puts(playlist, "\t<key>Minor Version</key><integer>1</integer>\n");
    file_puts(playlist, "\t<key>Application Version</key><string>4.7</string>\n");
    file_printf(playlist, "\t<key>Music Folder</key><string>file://localhost/%swav/</string>\n",
                music_folder.c_str());
    file_puts(playlist, "\t<key>Library Persistent ID</key><string>B56BCEAE0E952195</string>\n");
    file_puts(playlist, "\t<key>Tracks</key>\n");
    file_puts(playlist, "\t<dict>\n");
    return playlist;
}

int add_playlist_track(File* playlist, const char* folder, const char* artist, const char* album, int32_t offset,
                       long id) {
    // Offsets are named as the 32-bit values they are.
    unsigned long name = static_cast<uint32_t>(offset);
    file_printf(playlist, "\t\t<key>%ld</key>\n", id);
    file_puts(playlist, "\t\t<dict>\n");
    file_printf(playlist, "\t\t\t<key>Track ID</key><integer>%ld</integer>\n", id);
    file_printf(playlist, "\t\t\t<key>Name</key><string>%08lx</string>\n", name);
    file_printf(playlist, "\t\t\t<key>Artist</key><string>%s</string>\n", artist);
    file_printf(playlist, "\t\t\t<key>Album</key><string>%s</string>\n", album);
    file_puts(playlist, "\t\t\t<key>Kind</key><string>AIFF audio file</string>\n");
    file_puts(playlist, "\t\t\t<key>Bit Rate</key><integer>176</integer>\n");
    file_puts(playlist, "\t\t\t<key>Sample Rate</key><integer>11025</integer>\n");
    file_printf(playlist, "\t\t\t<key>Location</key><string>file://localhost/%s%s/%08lx.aifc</string>\n", folder,
                album, name);
    file_puts(playlist, "\t\t\t<key>File Folder Count</key><integer>-1</integer>\n");
    file_puts(playlist, "\t\t\t<key>Library Folder Count</key><integer>-1</integer>\n");
    file_puts(playlist, "\t\t</dict>\n");
    return 0;
}

int finish_playlist(File* playlist, const std::string& path, long first, long last) {
    file_puts(playlist, "\t</dict>\n");
    file_puts(playlist, "\t<key>Playlists</key>\n");
    file_puts(playlist, "\t<array>\n");
    file_puts(playlist, "\t\t<dict>\n");
    file_puts(playlist, "\t\t\t<key>Name</key><string>Library</string>\n");
    file_puts(playlist, "\t\t\t<key>Master</key><true/>\n");
    file_puts(playlist, "\t\t\t<key>Playlist ID</key><integer>01</integer>\n");
    file_puts(playlist, "\t\t\t<key>Playlist Persistent ID</key><string>B66BCEAE0E952195</string>\n");
    file_puts(playlist, "\t\t\t<key>All Items</key><true/>\n");
    file_puts(playlist, "\t\t\t<key>Playlist Items</key>\n");
    file_puts(playlist, "\t\t\t<array>\n");
    for (long id = first; id <= last; ++id) {
        file_puts(playlist, "\t\t\t\t<dict>\n");
        file_printf(playlist, "\t\t\t\t\t<key>Track ID</key><integer>%ld</integer>\n", id);
        file_puts(playlist, "\t\t\t\t</dict>\n");
    }
    file_puts(playlist, "\t\t\t</array>\n");
    file_puts(playlist, "\t\t</dict>\n");
    file_puts(playlist, "\t</array>\n");
    file_puts(playlist, "</dict>\n");
    file_puts(playlist, "</plist>\n");
    return close_written_file(playlist, path);
}

int open_media_bundles(MediaState& media, const ConversionSettings& s) {
    media.figure_extension = s.MACINTOSH != 0 ? ".pict" : ".bmp";
    media.sound_extension = s.MACINTOSH != 0 ? ".aifc" : ".ra";
    if (s.FIGURE != 0) {
        media.figure_bundle = open_bundle(s.DATAPATH.c_str(), "img.dat");
        if (media.figure_bundle < 0) return -1;
    }
    if (s.SOUND != 0) {
        media.sound_bundle = open_bundle(s.DATAPATH.c_str(), s.MACINTOSH != 0 ? "qelq3.bnd" : "qelra.bnd");
        if (media.sound_bundle < 0) return -1;
    }
    return 0;
}

int handle_figure_line(BodyConversionState& state, const char* value) {
    const ConversionSettings& s = *state.settings;
    MediaState& media = state.media;
    std::string& stem = media.stem;
    std::string& file_name = media.file_name;
    int32_t offset = 0, length = 0;

    // Cut the figure out; an unreadable value or a failed extraction drops the line.
    if (read_media_value(value, offset, length, stem) != 0) return 0;
    file_name = stem;
    file_name += media.figure_extension;
    int write_failed = 0;
    if (extract_member(s.figure_dir.c_str(), file_name.c_str(), media.figure_bundle, offset, length,
                       &write_failed) != 0) {
        media.figures_unwritten += write_failed;
        return 0;
    }

    // File it on the figure page; its anchor carries the image for the body.
    MenuPage* page = state.menu_pages[0];
    if (page == nullptr) return 0;
    file_name = stem;
    file_name += s.JPEG != 0 ? ".jpg" : ".bmp";
    add_menu_entry(state, page, state.group_letter, state.headword_display.c_str(), file_name.c_str());
    return 1;
}

int handle_sound_line(BodyConversionState& state, const char* value) {
    const ConversionSettings& s = *state.settings;
    MediaState& media = state.media;
    std::string& stem = media.stem;
    std::string& file_name = media.file_name;
    std::string& member_name = media.member_name;
    int32_t offset = 0, length = 0;
    long n = media.sound_count;

    // Read the range; an empty or unreadable one uses no number.
    if (read_media_value(value, offset, length, stem) != 0 || length == 0) return 0;

    // A new group of 1000 sounds gets its directory.
    if (n % SoundsPerGroup == 0) {
        set_sound_group(media, n / SoundsPerGroup);
        if (s.GENSOUND != 0) make_directory((s.sound_dir_slashed + media.sound_group).c_str());
    }

    // Every 10000 sounds the current playlist is finished and the next begun.
    if (s.MACINTOSH != 0 && s.GENSOUND != 0 && n % SoundsPerPlaylist == 0) {
        if (media.current_playlist != nullptr) {
            File* finished = media.current_playlist;
            media.current_playlist = nullptr;
            if (finish_playlist(finished, media.current_path, n - (SoundsPerPlaylist - 1), n) != 0) return -1;
        }
        std::string name = "pl_" + media.sound_group + ".xml";
        media.current_path = s.BASEPATH + name;
        media.current_playlist = open_playlist(s.BASEPATH.c_str(), name.c_str());
        if (media.current_playlist == nullptr) return -1;
        if (n == 0) {
            media.whole_path = s.BASEPATH + "pl_all.xml";
            media.whole_playlist = open_playlist(s.BASEPATH.c_str(), "pl_all.xml");
            if (media.whole_playlist == nullptr) return -1;
        }
    }

    // Extract the sound into its group and list it.
    member_name = media.sound_group;
    member_name += '/';
    member_name += stem;
    if (s.GENSOUND != 0) {
        file_name = member_name;
        file_name += media.sound_extension;
        if (extract_member(s.sound_dir.c_str(), file_name.c_str(), media.sound_bundle, offset, length) != 0)
            return -1;
        if (s.MACINTOSH != 0) {
            const char* folder = s.sound_dir_slashed.c_str();
            add_playlist_track(media.current_playlist, folder, "snd", media.sound_group.c_str(), offset, n + 1);
            add_playlist_track(media.whole_playlist, folder, "snd", media.sound_group.c_str(), offset, n + 1);
        }
    }

    // The link waits for the header line of the next entry.
    std::string& link = state.sound_link_text;
    link = "<a href=\"snd/";
    link += member_name;
    link += ".wav\">";
    link += state.pronunciation_symbol;
    link += "</a>";
    state.sound_pending = 1;
    media.sound_count = n + 1;
    return 0;
}

void close_media_bundles(MediaState& media) {
    close_bundle(media.figure_bundle);
    close_bundle(media.sound_bundle);
    media.figure_bundle = -1;
    media.sound_bundle = -1;
}

int finish_playlists(MediaState& media) {
    long n = media.sound_count;
    int status = 0;
    if (n > 0 && media.current_playlist != nullptr) {
        long first = SoundsPerPlaylist * ((n - 1) / SoundsPerPlaylist) + 1;
        if (finish_playlist(media.current_playlist, media.current_path, first, n) != 0) status = -1;
        media.current_playlist = nullptr;
    }
    if (n > 0 && media.whole_playlist != nullptr) {
        if (finish_playlist(media.whole_playlist, media.whole_path, 1, n) != 0) status = -1;
        media.whole_playlist = nullptr;
    }
    return status;
}

void abandon_media(MediaState& media) {
    close_media_bundles(media);
    file_close(media.current_playlist);
    file_close(media.whole_playlist);
    media.current_playlist = nullptr;
    media.whole_playlist = nullptr;
}

}  // namespace qel
