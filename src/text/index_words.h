// The index-word lists en.dat and tr.dat: binary records keyed by entry
// position, read forward in step with main.txt, and the search keys they give.
#pragma once

#include <cstdint>
#include <string>

#include "platform/platform.h"

namespace qel {

// One record in memory (one buffer per list, reused for every record).
struct IndexWordRecord {
    int32_t entry_position;   // offset in main.txt of the RA line of the word's entry
    uint32_t second_number;   // read and kept, not used
    std::string word;         // the index word (ASCII in en.dat, Shift_JIS in tr.dat), up to 255 bytes
    std::string second_text;  // read and kept, not used
    std::string third_text;   // read and kept, not used
};

// One open list.
struct IndexWordList;

// Opens directory + name (raw) and positions it after the 256-byte header.
// Returns none after reporting "索引語リストファイル %s がオープンできません".
IndexWordList* open_index_word_list(const char* directory, const char* name);

// Reads the next record into `record` and returns it, or none at the end of
// the list (also for a record cut short by the end of the file, which is
// dropped and noted in the log).
IndexWordRecord* read_index_word(IndexWordList* list, IndexWordRecord* record);

void close_index_word_list(IndexWordList* list);

// Reads past every record from `current` on whose entry position is below
// `position`, writing nothing; returns the list's new current record, or none.
IndexWordRecord* skip_index_words(IndexWordList* list, IndexWordRecord* current, int32_t position);

// The file offset of the list's next unread byte (-1 when it cannot be
// told), and whether its end has been met: where a reader stands.
int64_t index_word_list_offset(IndexWordList* list);
int index_word_list_ended(const IndexWordList* list);

// Writes the forward and backward key lines of every record of `list` due at
// entry position `position` (entry_position <= position), starting with
// `current`, under the title `title`; the word in full-width form when
// `full_width` is 1. Returns the list's new current record, or none.
IndexWordRecord* write_index_keys(File* body, IndexWordList* list, IndexWordRecord* current, int32_t position,
                                  const char* title, int full_width);

}  // namespace qel
