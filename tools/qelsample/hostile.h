// Hostile additions to the sample (qelsample --hostile): records, index words,
// glyphs and books far beyond the sizes real data has, and broken on purpose.
// The converter and the fixer must get through them with a clear message and
// every file they wrote whole.
#pragma once

#include <string>

#include "output.h"

namespace qelsample {

// Appends the hostile records to main.txt (entry numbers from `first_number`
// on, above every generated one) and their index words to en.dat and tr.dat:
// lines of 20000 bytes, headwords and entry numbers of hundreds of bytes, a
// link group of 500 targets with 10 KB of texts, broken markup, figures past
// the bundle's end and unreadable media values, words of 255 bytes, and a last
// index record cut short in each list (so nothing may follow them).
void write_hostile_records(OutFile& main, OutFile& english, OutFile& translation, int first_number);

// 300 glyph definitions with 3000-byte lines, for the end of qelgaiji.tbl.
std::string hostile_gaiji_glyphs();

}  // namespace qelsample
