// Output directories of the run and the choice of the sort program.
#pragma once

#include "common/settings.h"

namespace qel {

// Makes sure the base, figure (FIGURE), sound (SOUND and GENSOUND) and output
// directories exist, creating one missing level each, and fills figure_dir,
// sound_dir and sound_dir_slashed. Returns 0, or -1 after reporting a
// directory that cannot be made or whose name is taken by a file.
int prepare_directories(ConversionSettings& settings);

// Settles SORTCMD: the configured program when it exists, else the first
// existing platform candidate. Returns 0, or -1 after "ソートコマンドが見つかりません".
int find_sort_command(ConversionSettings& settings);

// The same walk over explicit candidates (for tests): SORTCMD first when not
// empty, then `candidates[0..count)`.
int find_sort_command_in(ConversionSettings& settings, const char* const* candidates, int count);

}  // namespace qel
