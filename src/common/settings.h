// The converter's settings: read from "qelconv.ini" over built-in defaults and
// echoed into the log.
#pragma once

#include <string>

namespace qel {

// One record for the whole run. Directory values given in the file end with a
// slash or a backslash; left at their empty default they name the working
// directory. Flags count as on when not 0.
struct ConversionSettings {
    std::string BASEPATH;   // where every generated source of the book goes
    std::string OUTPATH;    // where the authoring tool builds the book
    std::string DICPATH;    // main.txt, en.dat, tr.dat, Readme.txt
    std::string DATAPATH;   // img.dat and the sound bundles
    std::string SORTCMD;    // sort program; the chosen candidate after find_sort_command
    int MACINTOSH;          // media in Macintosh form (.pict/.aifc, qelq3.bnd, playlists)
    int FIGURE;             // figures extracted, linked and listed on menu page 1
    int JPEG;               // the body names figures .jpg (else .bmp)
    int SOUND;              // sounds handled, pronunciation links written
    int GENSOUND;           // sound files extracted into the sound directory
    int COMPLEX;            // complex search: EX split at " <OBJ>", condition keys
    int QUICKJUMP;          // 0 off; 1-4 the quick-jump menu variants
    int QJITEMS;            // least number of jump items for a menu
    int QJLINES;            // least number of lines for a menu
    int QUICKRET;           // return links in records with jump items
    int ITALIC;             // I and SPO tags give italic markup
    std::string PRONSYM;    // symbol text of pronunciation links
    std::string JUMPSYM;    // symbol text of the jump link (QUICKJUMP 4)
    std::string ARROWSYM;   // text before every jump-menu label
    std::string RETSYM;     // text of the return links
    std::string figure_dir;         // BASEPATH + "fig\\" once made, else empty
    std::string sound_dir;          // BASEPATH + "snd\\" once made, else empty
    std::string sound_dir_slashed;  // sound_dir with every backslash as a slash
};

// The run's settings, read everywhere.
extern ConversionSettings settings;

// Puts every field back to its built-in default (and the derived ones empty).
void reset_settings();

// Reads "qelconv.ini" from the working directory into `settings` and echoes the
// result. Returns 0, or -1 when the file cannot be opened (no echo) or holds
// an invalid line (reported with its number; the echo still follows).
int read_settings();

}  // namespace qel
