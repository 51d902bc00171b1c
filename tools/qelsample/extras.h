// The smaller files of the sample: the settings file, Readme.txt and the
// sample book file honmon for the fixer.
#pragma once

#include <string>

namespace qelsample {

// The settings of a run on the sample: sources to src\, the book to book\,
// the data in dic\ and data\, every optional part switched on.
std::string settings_text();

// The dictionary's Readme.txt (CR LF lines, ended by 0x1A).
std::string readme_text(int records, unsigned long long seed);

// A built book's honmon file: block 1 with a component table, heading
// components holding indent codes (some split over a block boundary), others
// sharing start blocks, and a complex-search block with group records.
std::string book_text();

// Broken books for the fixer (qelsample --hostile). Book 1: block 1 declares
// 200 component entries, of which 127 fit. Book 2: a complex-search block
// whose first group record lists more entries than the block holds.
std::string hostile_book_text(int book);

}  // namespace qelsample
