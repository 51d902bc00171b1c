// The copyright page "qelcopr.html" made from the dictionary's Readme.txt, and
// the fixed complex-search definition "qelcmpl.xml".
#pragma once

#include "common/settings.h"

namespace qel {

// Turns DICPATH + "Readme.txt" (read as raw bytes up to its end or a 0x1A
// byte) into BASEPATH + "qelcopr.html": every line break (CR LF, CR or LF)
// ends a paragraph, each pair of blanks becomes a full-width space, and a
// single blank is kept only when another byte follows it. Returns 0, or -1
// after reporting a file that cannot be opened, created or written.
int write_copyright_page(const ConversionSettings& settings);

// Writes BASEPATH + "qelcmpl.xml", the same bytes on every run: one complex
// search over five words. Returns 0, or -1 after reporting the failure.
int write_complex_definition(const ConversionSettings& settings);

}  // namespace qel
