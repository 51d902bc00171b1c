// The quick-jump pass over main.txt and the file "quickjmp.dat".
#pragma once

namespace qel {

// The quick-jump pass: writes one record per qualifying entry. 0 or -1.
int build_quick_jump_data();

}  // namespace qel
