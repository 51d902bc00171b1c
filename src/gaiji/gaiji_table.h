// Conversion of the gaiji table "qelgaiji.tbl" into the authoring tool's map
// and font files, and into the in-memory tables that give every external
// character its output text.
#pragma once

#include "text/gaiji_codes.h"

namespace qel {

// Reads the table (by its bare name, in the working directory) twice: the
// first pass gives the half-width glyphs their codes from A121 and registers
// the quoted definitions, the second gives the full-width glyphs their codes
// from the start of the next high byte. Writes the map and font files as
// directory + name and fills `codes` (every slot, defaults included), which
// should be fresh: names it already holds stay behind the new ones. Glyph rows are read straight
// from the file, a multi-cell glyph re-reading its rows once per cell, so
// memory does not grow with the table.
//
// A glyph for which no code is left below high byte FF gets no code, no map
// or font entry and no text (its slot keeps its default); each such glyph is
// logged and their number reported at the end. Definition lines longer than
// 1023 bytes are read cut to that length and logged; a U+ value that is not
// 1-8 hexadecimal digits is logged and replaced by a private-use code point.
// Returns 0, or -1 after reporting a file that cannot be opened, created,
// re-read or written.
int convert_gaiji_table(GaijiCodes& codes, const char* directory, const char* table_name, const char* map_name,
                        const char* font_name);

}  // namespace qel
