// The copyright page "qelcopr.html" and the complex-search definition "qelcmpl.xml".
#pragma once

namespace qel {

// Writes the copyright page from DICPATH's Readme.txt. 0 or -1.
int write_copyright_page();

// Writes the fixed complex-search definition. 0 or -1.
int write_complex_definition();

}  // namespace qel
