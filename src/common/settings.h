// The converter's settings: read from "qelconv.ini" over built-in defaults and
// echoed into the log.
#pragma once

#include <string>

namespace qel {

// One record for the whole run, owned by the driver and passed down to the
// steps; a value made with ConversionSettings() holds the built-in defaults. Directory values given in the file end with a
// slash or a backslash; left at their empty default they name the working
// directory. Flags count as on when not 0.
struct ConversionSettings {
    std::string BASEPATH;   // where every generated source of the book goes
    std::string OUTPATH;    // where the authoring tool builds the book
    std::string DICPATH;    // main.txt, en.dat, tr.dat, Readme.txt
    std::string DATAPATH;   // img.dat and the sound bundles
    std::string SORTCMD;    // sort program; the chosen candidate after find_sort_command
    int MACINTOSH = 0;      // media in Macintosh form (.pict/.aifc, qelq3.bnd, playlists)
    int FIGURE = 1;         // figures extracted, linked and listed on menu page 1
    int JPEG = 1;           // the body names figures .jpg (else .bmp)
    int SOUND = 0;          // sounds handled, pronunciation links written
    int GENSOUND = 1;       // sound files extracted into the sound directory
    int COMPLEX = 1;        // complex search: EX split at " <OBJ>", condition keys
    int QUICKJUMP = 0;      // 0 off; 1-4 the quick-jump menu variants
    int QJITEMS = 3;        // least number of jump items for a menu
    int QJLINES = 30;       // least number of lines for a menu
    int QUICKRET = 0;       // return links in records with jump items
    int ITALIC = 0;         // I and SPO tags give italic markup
    std::string PRONSYM = "→発音";   // symbol text of pronunciation links
    std::string JUMPSYM = "→品詞";   // symbol text of the jump link (QUICKJUMP 4)
    std::string ARROWSYM = "→";     // text before every jump-menu label
    std::string RETSYM = "↑";       // text of the return links
    std::string figure_dir;         // BASEPATH + "fig\\" once made, else empty
    std::string sound_dir;          // BASEPATH + "snd\\" once made, else empty
    std::string sound_dir_slashed;  // sound_dir with every backslash as a slash
};

// Reads "qelconv.ini" from the working directory into `settings` (first put
// back to the built-in defaults) and echoes the result. Returns 0, or -1 when the file cannot be opened (no echo) or holds
// an invalid line (reported with its number; the echo still follows).
int read_settings(ConversionSettings& settings);

}  // namespace qel
