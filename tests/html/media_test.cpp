// Cutting members out of bundles, sound groups and the iTunes playlists.
#include "html/media.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include <string>

#include "html/body_state.h"
#include "support/test_support.h"

using namespace qel;
using qeltest::crlf;
using qeltest::file_exists;
using qeltest::read_file;
using qeltest::TempDir;
using qeltest::write_file;

namespace {

size_t count_of(const std::string& text, const std::string& part) {
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) ++n;
    return n;
}

// Runs `sounds` SND lines of one byte each with MACINTOSH, SOUND and GENSOUND
// on, then finishes the playlists as the end of the body does.
void run_sounds(BodyConversionState& state, ConversionSettings& settings, long sounds) {
    state.settings = &settings;
    settings.FIGURE = 0;
    settings.MACINTOSH = settings.SOUND = settings.GENSOUND = 1;
    settings.sound_dir = "snd\\";
    settings.sound_dir_slashed = "snd/";
    make_directory("snd");
    write_file("qelq3.bnd", std::string(0x20000, 's'));
    ASSERT_EQ(open_media_bundles(state.media, settings), 0);
    char value[32];
    for (long n = 0; n < sounds; ++n) {
        std::snprintf(value, sizeof value, "%08lx,1", n);
        ASSERT_EQ(handle_sound_line(state, value), 0) << n;
    }
    close_media_bundles(state.media);
    finish_playlists(state.media);
}

// A temporary directory in memory where there is one: the sound tests make
// tens of thousands of small files.
struct MemoryTempDir {
    MemoryTempDir() : dir(make()) {}
    static TempDir* make() {
        const char* old = std::getenv("TMPDIR");
        std::string saved = old ? old : "";
        if (path_is_directory("/dev/shm") && access("/dev/shm", W_OK) == 0) setenv("TMPDIR", "/dev/shm", 1);
        TempDir* made = new TempDir;
        if (old) setenv("TMPDIR", saved.c_str(), 1);
        else unsetenv("TMPDIR");
        return made;
    }
    ~MemoryTempDir() { delete dir; }
    TempDir* dir;
};

}  // namespace

TEST(MediaValue, ReadsTwoHexNumbersOrNothing) {
    int32_t offset = -7, length = -7;
    std::string stem;
    EXPECT_EQ(read_media_value("1a2b,400", offset, length, stem), 0);
    EXPECT_EQ(offset, 6699);
    EXPECT_EQ(length, 1024);
    EXPECT_EQ(stem, "1a2b");
    EXPECT_EQ(read_media_value("0x10,Ff trailing", offset, length, stem), 0);
    EXPECT_EQ(stem, "0x10");
    EXPECT_EQ(length, 255);
    // Not two numbers joined by a comma: refused, the outputs untouched.
    for (const char* bad : {"", "zz,1", "1a2b", "1a2b ,4", "1a2b,", "1a2b,g", "../x,1", "1/2,3"}) {
        EXPECT_EQ(read_media_value(bad, offset, length, stem), -1) << bad;
    }
    EXPECT_EQ(stem, "0x10");
    // Beyond 32 bits the value saturates.
    EXPECT_EQ(read_media_value("123456789,1", offset, length, stem), 0);
    EXPECT_EQ(offset, -1);
}

TEST(ExtractMember, CopiesTheRangeAndReportsEachFailure) {
    TempDir dir;
    dir.enter();
    std::string bundle;
    for (int i = 0; i < 3000; ++i) bundle += static_cast<char>(i % 251);
    write_file("bundle", bundle);
    int handle = open_bundle("", "bundle");
    ASSERT_GE(handle, 0);
    set_console_transcoding(0);
    testing::internal::CaptureStdout();
    // 1. Several chunks; the file has mode 0644.
    EXPECT_EQ(extract_member("", "m1", handle, 700, 1300), 0);
    EXPECT_EQ(read_file("m1"), bundle.substr(700, 1300));
    struct stat st;
    ASSERT_EQ(stat("m1", &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u);
    // 2. No bytes: an empty file.
    EXPECT_EQ(extract_member("", "m2", handle, 10, 0), 0);
    EXPECT_TRUE(file_exists("m2"));
    // 3. Past the end: the chunks written before stay on disk.
    EXPECT_EQ(extract_member("", "m3", handle, 2000, 1500), -1);
    EXPECT_EQ(read_file("m3"), bundle.substr(2000, 512));
    // 4. A negative offset, 5. a file that cannot be made, 6. a missing bundle.
    EXPECT_EQ(extract_member("", "m4", handle, -5, 10), -1);
    // 4a. A length from 80000000 on (negative here) is a failed read, not an empty member.
    EXPECT_EQ(extract_member("", "m4a", handle, 0, INT32_MIN), -1);
    EXPECT_EQ(extract_member("nodir/", "m5", handle, 0, 10), -1);
    EXPECT_EQ(open_bundle("nodir/", "img.dat"), -1);
    close_bundle(handle);
    std::string out = testing::internal::GetCapturedStdout();
    set_console_transcoding(-1);
    EXPECT_EQ(out,
              "データファイルの読み込みに失敗しました\n"
              "データファイルのlseek()に失敗しました\n"
              "データファイルの読み込みに失敗しました\n"
              "データファイル nodir/m5 が新規作成できません\n"
              "データファイル nodir/img.dat がオープンできません\n");
}

TEST(Playlist, WholeFileOfOneTrack) {
    TempDir dir;
    dir.enter();
    make_directory("base");
    File* p = open_playlist("base\\", "pl_000.xml");
    ASSERT_NE(p, nullptr);
    add_playlist_track(p, "C:/b/snd/", "snd", "000", 0x1a2b, 1);
    EXPECT_EQ(finish_playlist(p, "base\\pl_000.xml", 1, 1), 0);
    EXPECT_EQ(read_file("base/pl_000.xml"),
              crlf("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                   "<!DOCTYPE plist PUBLIC \"-//Apple Computer//DTD PLIST 1.0//EN\" "
                   "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
                   "<plist version=\"1.0\">\n<dict>\n"
                   "\t<key>Major Version</key><integer>1</integer>\n"
                   "\t<key>Minor Version</key><integer>1</integer>\n"
                   "\t<key>Application Version</key><string>4.7</string>\n"
                   "\t<key>Music Folder</key><string>file://localhost/base/wav/</string>\n"
                   "\t<key>Library Persistent ID</key><string>B56BCEAE0E952195</string>\n"
                   "\t<key>Tracks</key>\n\t<dict>\n"
                   "\t\t<key>1</key>\n\t\t<dict>\n"
                   "\t\t\t<key>Track ID</key><integer>1</integer>\n"
                   "\t\t\t<key>Name</key><string>00001a2b</string>\n"
                   "\t\t\t<key>Artist</key><string>snd</string>\n"
                   "\t\t\t<key>Album</key><string>000</string>\n"
                   "\t\t\t<key>Kind</key><string>AIFF audio file</string>\n"
                   "\t\t\t<key>Bit Rate</key><integer>176</integer>\n"
                   "\t\t\t<key>Sample Rate</key><integer>11025</integer>\n"
                   "\t\t\t<key>Location</key><string>file://localhost/C:/b/snd/000/00001a2b.aifc</string>\n"
                   "\t\t\t<key>File Folder Count</key><integer>-1</integer>\n"
                   "\t\t\t<key>Library Folder Count</key><integer>-1</integer>\n"
                   "\t\t</dict>\n"
                   "\t</dict>\n\t<key>Playlists</key>\n\t<array>\n\t\t<dict>\n"
                   "\t\t\t<key>Name</key><string>Library</string>\n"
                   "\t\t\t<key>Master</key><true/>\n"
                   "\t\t\t<key>Playlist ID</key><integer>01</integer>\n"
                   "\t\t\t<key>Playlist Persistent ID</key><string>B66BCEAE0E952195</string>\n"
                   "\t\t\t<key>All Items</key><true/>\n"
                   "\t\t\t<key>Playlist Items</key>\n\t\t\t<array>\n"
                   "\t\t\t\t<dict>\n\t\t\t\t\t<key>Track ID</key><integer>1</integer>\n\t\t\t\t</dict>\n"
                   "\t\t\t</array>\n\t\t</dict>\n\t</array>\n</dict>\n</plist>\n"));
    EXPECT_EQ(qeltest::shell("xmllint --noout base/pl_000.xml"), 0);
}

TEST(SoundGroups, TenThousandAndTenThousandAndOne) {
    const std::string item = "\t\t\t\t\t<key>Track ID</key>";
    {
        // 1. Exactly 10000 sounds: one group playlist with items 1-10000.
        MemoryTempDir dir;
        dir.dir->enter();
        BodyConversionState state;
        ConversionSettings settings;
        run_sounds(state, settings, 10000);
        std::string pl0 = read_file("pl_000.xml");
        EXPECT_EQ(count_of(pl0, item), 10000u);
        EXPECT_NE(pl0.find("<integer>10000</integer>\r\n\t\t\t\t</dict>\r\n\t\t\t</array>"), std::string::npos);
        EXPECT_FALSE(file_exists("pl_010.xml"));
        EXPECT_TRUE(file_exists("snd/009/0000270f.aifc"));
        EXPECT_FALSE(file_exists("snd/010"));
        EXPECT_EQ(state.media.sound_count, 10000);
    }
    {
        // 2. 10001 sounds: the second group playlist lists the single item 10001.
        MemoryTempDir dir;
        dir.dir->enter();
        BodyConversionState state;
        ConversionSettings settings;
        run_sounds(state, settings, 10001);
        std::string pl1 = read_file("pl_010.xml"), all = read_file("pl_all.xml");
        EXPECT_EQ(count_of(read_file("pl_000.xml"), item), 10000u);
        EXPECT_EQ(count_of(pl1, item), 1u);
        EXPECT_NE(pl1.find(item + "<integer>10001</integer>"), std::string::npos);
        EXPECT_NE(pl1.find("<string>file://localhost/snd/010/00002710.aifc</string>"), std::string::npos);
        EXPECT_EQ(count_of(all, item), 10001u);
        EXPECT_EQ(read_file("snd/010/00002710.aifc"), "s");
        EXPECT_EQ(state.sound_link_text, "<a href=\"snd/010/00002710.wav\"></a>");
        EXPECT_EQ(qeltest::shell("xmllint --noout pl_010.xml"), 0);
    }
}
