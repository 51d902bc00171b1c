// The body conversion: main.txt to qel.html and the menu pages.
#pragma once

namespace qel {

// The body conversion step. 0 or -1.
int convert_body();

}  // namespace qel
