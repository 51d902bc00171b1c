// The heading patcher: rewrites, in place, every indent code in the heading
// components of the built book's main file "honmon" into an empty narrow span
// of the same length, so that no byte of the file moves.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace qel {

// Size of one block of the book file; block b (numbered from 1) occupies the
// bytes (b - 1) * 2048 to b * 2048 - 1.
const int BookBlockSize = 2048;

// One component entry, as read from block 1 or from a group record of the
// complex-search management block (16 bytes, numbers big-endian).
struct ComponentEntry {
    int identifier;        // kind of component, 0x00-0xFF
    uint32_t start_block;  // first block of the component's data (0 is invalid)
    uint32_t block_count;  // number of blocks of the data, 0 allowed
};

// One patch run over the book file, created by the caller for the run and
// filled in by patch_book.
struct BookPatch {
    std::string path;                      // the book file, OUTPATH + "qel\\data\\honmon"
    File* book = nullptr;                  // that file open for update while patch_book runs, else none
    std::vector<uint32_t> patched_starts;  // start blocks of the components patched so far, in order
};

// 1 when `identifier` names a heading component (0x03, 0x05, 0x07, 0x0A,
// 0x0D), whose data are patched; else 0.
int is_heading_identifier(int identifier);

// 1 when a component starting at `start_block` was already patched in the
// run of `patch` (by a book or a complex-search entry); else 0.
int is_patched_start(const BookPatch& patch, uint32_t start_block);

// Opens `outpath` + "qel\\data\\honmon" for update and patches the heading
// components named in block 1 and in the complex-search management block,
// each start block once. `patch` is a fresh BookPatch; it is left holding the
// path and the start blocks patched, with the file closed. Returns 0, or -1
// after reporting: the book cannot be opened, block 1 or the complex-search
// block cannot be read or holds more entries than fit in it, or a component
// fails. Blocks written before a failure stay patched; the rest of the file
// is unchanged.
int patch_book(const std::string& outpath, BookPatch& patch);

// Patches blocks start_block to start_block + block_count - 1 of the book
// file open in `patch` (its path is the one messages name), reporting
// "識別子 %02X の書籍構成要素を修正しています..." and " 終了しました".
// An indent code (units 1F 09 at even offsets) becomes 1F 04, and the unit
// after it, in the next block if need be, becomes 1F 05. Returns 0, or -1
// after ending the progress line with a bare line end when a block cannot be
// positioned at (start block 0 included), read whole or written back whole.
int patch_component(const BookPatch& patch, int identifier, uint32_t start_block, uint32_t block_count);

}  // namespace qel
