// The book's search indexes: keys normalised as a reader normalises its
// queries, kept compactly, sorted in memory and written as B-tree pages.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/large_vector.h"
#include "book/text_encoder.h"

namespace qel {

// Longest key a reader can be asked for: 127 two-byte characters.
const int MaxKeyBytes = 254;

// One key of a store, for sorting: its first eight bytes (big-endian, zero
// padded) and where its record lies.
struct KeySortItem {
    uint64_t prefix;  // first eight key bytes
    uint32_t record;  // offset of the key's record in the arena
};

// The keys of one index. A record is the text position (4 bytes), the
// heading offset (4 bytes), the key length (1 byte) and the key's bytes.
struct KeyStore {
    LargeVector<unsigned char> arena;  // records, back to back
    LargeVector<KeySortItem> items;    // one per record; sorted by sort_search_keys
    int sorted = 0;                    // the items are in order, without duplicates
};

// Adds a key (1-254 bytes of JIS X 0208 or gaiji codes) that leads to the
// text at book-file offset `text` with the heading at offset `heading` of the
// heading stream.
void add_search_key(KeyStore& store, const unsigned char* key, int length, uint32_t text,
                    uint32_t heading);

// Sorts the keys by their bytes (a key before every longer key it begins),
// then by text position; of keys equal in bytes and text position only the
// first added stays.
void sort_search_keys(KeyStore& store);

// Adds the keys of `later` (of a later part of the same sources) to `into`,
// their text positions moved by `text_shift` and their heading offsets by
// `heading_shift`. When both stores are sorted, the result is sorted too
// (merged in one pass).
void append_search_keys(KeyStore& into, const KeyStore& later, uint32_t text_shift, uint32_t heading_shift);

// Normalises the character codes of a key as a reader normalises a query:
// blanks (0x2121) dropped, a-z made A-Z, the marks ・ ‐ ’ − dropped when
// `delete_marks` is set; for a backward key the characters are reversed.
// Writes at most MaxKeyBytes bytes to `out` (for a backward key the end of a
// longer key is kept) and returns their number; `*cut` is set when the key
// was longer.
int normalize_key(const uint16_t* codes, size_t count, int delete_marks, int backward, unsigned char* out,
                  int* cut);

// 1 when the normalised key holds katakana; `hiragana` then receives the key
// with them turned into hiragana (the second key a katakana word gets, so a
// query in either script finds it).
int hiragana_variant(const unsigned char* key, int length, unsigned char* hiragana);

// Blocks an index occupies in the book file.
struct IndexExtent {
    uint32_t start_block;  // the root page (the block a reader starts from), the first one written
    uint32_t first_block;  // the first page written (the root)
    uint32_t blocks;       // pages written
};

// Writes the sorted keys as an index at the current end of `sink` (which must
// lie on a block boundary): the root page first, each layer below it after,
// the leaf pages last, in key order; the index's blocks run from its root. Heading offsets are taken relative to
// `heading_base`, the book-file offset of the heading stream. Returns 0, or
// -1 with `error` set when the tree would be deeper than a reader follows.
int write_search_index(ByteSink& sink, const KeyStore& store, uint32_t heading_base, IndexExtent& extent,
                       std::string& error);

}  // namespace qel
