// Conversion of the gaiji table "qelgaiji.tbl" into the map and font files and
// the in-memory look-up tables.
#pragma once

namespace qel {

// Reads the table (by its bare name, in the working directory), writes the map
// and font files as directory + name, and fills GaijiCodeTable and
// GaijiNameList. Returns 0, or -1 after reporting a file that cannot be opened.
int convert_gaiji_table(const char* directory, const char* table_name, const char* map_name,
                        const char* font_name);

}  // namespace qel
