// The body conversion: main.txt to qel.html and the menu pages.
#pragma once

#include <string>

#include "common/settings.h"
#include "platform/platform.h"
#include "text/gaiji_codes.h"

namespace qel {

// The body conversion step: reads main.txt once and writes qel.html, the menu
// pages, the extracted figures and sounds and the playlists; at the end checks
// that it numbered as many hyperlinks as the hyperlink pass did (`link_count`).
// `gaiji` gives the external characters their texts. 0 or -1.
int convert_body(const ConversionSettings& settings, const GaijiCodes& gaiji, int link_count);

// Creates directory + name in text mode and writes the body header. Returns
// the file, or none after reporting "出力HTMLファイル %s が新規作成できません".
File* open_body_file(const char* directory, const char* name);

// Writes the body footer and closes the file at `path`. 0, or -1 after
// reporting that it could not be written whole.
int close_body_file(File* file, const std::string& path);

}  // namespace qel
