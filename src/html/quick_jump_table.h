// The quick-jump pass over main.txt and its table "quickjmp.dat": one record
// per entry long enough for an in-entry jump menu, with the menu's items.
//
// A record is one text line "position|identifier|key|item|item|...|": the
// entry position (byte offset of the entry's RA line), the RN value, the part
// of the EN value after its first "|", then the items in the order of the
// entry's lines, each followed by "|". An item is the converted text of a PS
// line, the label of an OT1-OT5 line, "派生形" for a DR line or "成句" for the
// first ID line of an idiom block. A "|" inside a key or an item is written
// as "&#124;" so that it cannot split the record's fields.
#pragma once

#include <cstdint>
#include <string>

#include "common/settings.h"
#include "platform/platform.h"
#include "text/gaiji_codes.h"

namespace qel {

// Name of the table in the working directory.
extern const char* const QuickJumpDataName;  // "quickjmp.dat"

// Creates `name` for writing (text mode). Reports "項目内ジャンプデータファイル
// %s が新規作成できません" and returns none on failure.
File* create_quick_jump_data(const char* name);

// Opens `name` for reading (text mode). Reports "項目内ジャンプデータファイル
// %s がオープンできません" and returns none on failure.
File* open_quick_jump_data(const char* name);

// Closes a table opened by either operation; a null file is ignored.
void close_quick_jump_data(File* file);

// Reads the next line, whatever its length, into `buffer` (replaced; it keeps
// its line feed, and one is supplied when the file's last line has none) and
// returns its entry position: the decimal number the line begins with. -1 at
// the end of the file, and for a line that does not begin with a digit or
// whose number does not fit an entry position; the caller stops reading then.
int32_t read_quick_jump_record(File* file, std::string& buffer);

// The quick-jump pass: reads main.txt in DICPATH and writes one record per
// entry whose items (PS lines plus idiom blocks) reach QJITEMS and whose
// counted lines reach QJLINES. Returns 0, or -1 when main.txt cannot be
// opened or the table cannot be created.
int build_quick_jump_data(const ConversionSettings& settings, const GaijiCodes& gaiji);

}  // namespace qel
