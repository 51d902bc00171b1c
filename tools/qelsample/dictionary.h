// Writing the dictionary data: main.txt (complemented Shift_JIS), the
// index-word lists en.dat and tr.dat, and the media bundles img.dat,
// qelq3.bnd and qelra.bnd, all in one streaming pass over the records.
#pragma once

#include <cstdint>
#include <string>

#include "output.h"

namespace qelsample {

// What to generate.
struct SampleOptions {
    uint64_t seed = 1;      // every byte of the output follows from it
    int records = 300;      // number of records (RA lines) in main.txt
    std::string directory;  // the output root (created when missing)
    bool hostile = false;   // add the hostile records (hostile.h)
};

// Counts reported after generation.
struct DictionaryTotals {
    uint64_t main_bytes = 0;  // size of main.txt
    int links = 0;            // hyperlinks written (numbered or not)
    int figures = 0;          // IMG lines
    int sounds = 0;           // SND lines (including empty ones)
    int english_words = 0;    // records of en.dat
    int translation_words = 0;  // records of tr.dat
};

// Writes <dir>/dic/main.txt, en.dat, tr.dat and <dir>/data/img.dat, qelq3.bnd,
// qelra.bnd (the directories must exist). Returns 0, or -1 after a message.
int write_dictionary(const SampleOptions& options, DictionaryTotals& totals);

// Appends one record of an index-word list: the word, a second text, the entry
// position (offset of the RA line in main.txt), a record number and a third text.
void put_index_record(OutFile& out, const std::string& word, const std::string& second, uint32_t position,
                      uint32_t number, const std::string& third);

}  // namespace qelsample
