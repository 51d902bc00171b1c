// The body conversion: main.txt to qel.html and the menu pages.
#pragma once

#include <cstdint>
#include <string>

#include "common/settings.h"
#include "html/menus.h"
#include "links/link_table.h"
#include "platform/platform.h"
#include "text/gaiji_codes.h"

namespace qel {

// The share of main.txt (per mille) that the first part of a divided body
// converts: less than half, as it also appends the second part's (the body
// of the last run is removed while the link table is sorted); measured so
// that both end together. And the
// size below which a body is converted in one piece.
const int BodySplitShare = 470;
const int32_t BodySplitMinimum = 1 << 20;

// A body conversion divided in two parts: where the second part starts and
// what it must know of the lines before, both found by the hyperlink pass.
struct BodySplit {
    LinkCountPoint point;  // the start: the RA line, and the links numbered before it
    MenuSeam menus;        // the menu numbers the lines before it leave
    int taken = 0;         // set by the body conversion: 1 when the division held
};

// Asks for a divided body in `split` (for the hyperlink pass to find its
// start) when the process may run on two processors and neither figures nor
// sounds are cut out; otherwise asks for none. `split` must stay in place
// until the hyperlink pass has run.
void plan_body_split(const ConversionSettings& settings, BodySplit& split);

// The body conversion step: reads main.txt once and writes qel.html, the menu
// pages, the extracted figures and sounds and the playlists; at the end checks
// that it numbered as many hyperlinks as the hyperlink pass did (`link_count`).
// `gaiji` gives the external characters their texts. With `split` (as the
// hyperlink pass completed it), the part of main.txt from its start on is
// converted on a second thread and taken over when it continues exactly
// where the first part ends; the outputs are the same bytes either way, and
// `split->taken` says which way it went. 0 or -1.
int convert_body(const ConversionSettings& settings, const GaijiCodes& gaiji, int link_count,
                 BodySplit* split = nullptr);

// Removes the body the last run left in BASEPATH (a plain file only), so
// that the body step need not spend its own time on it: a thread that would
// otherwise wait calls this once the conversion is sure to reach the body.
void remove_old_body(const ConversionSettings& settings);

// Creates directory + name in text mode and writes the body header. Returns
// the file, or none after reporting "出力HTMLファイル %s が新規作成できません".
File* open_body_file(const char* directory, const char* name);

// Writes the body footer and closes the file at `path`. 0, or -1 after
// reporting that it could not be written whole.
int close_body_file(File* file, const std::string& path);

}  // namespace qel
