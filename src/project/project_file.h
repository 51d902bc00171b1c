// The authoring tool's project file "qel.ebs": input and output directories,
// gaiji files, the book line and the list of HTML sources.
#pragma once

#include "common/settings.h"

namespace qel {

// Writes BASEPATH + "qel.ebs" from the settings (BASEPATH, OUTPATH, COMPLEX,
// FIGURE, SOUND), replacing any earlier file. Returns 0, or -1 after reporting
// a file that cannot be created or whose writing failed.
int write_project_file(const ConversionSettings& settings);

}  // namespace qel
