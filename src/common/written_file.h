// Closing an output file so that a write that failed on the way is never
// taken for success.
#pragma once

#include <string>

#include "platform/platform.h"

namespace qel {

// Closes `file`; when a write failed on the way or the close fails, reports
// "ファイル %s への書き込みに失敗しました" with `path` and returns -1, else 0.
int close_written_file(File* file, const std::string& path);

}  // namespace qel
