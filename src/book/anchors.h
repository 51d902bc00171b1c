// The book's link targets: every anchor name the sources define, where it
// landed in the book, and the references still waiting for it.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "common/large_vector.h"

namespace qel {

// Position of an anchor not placed yet.
const uint32_t NoPosition = 0xFFFFFFFF;

// Names kept in one arena and found through an open-addressing table, so
// that a million anchors take a few tens of megabytes.
struct AnchorTable {
    LargeVector<char> names;        // each name: its length (2 bytes), then its bytes
    LargeVector<uint32_t> name_at;  // per anchor: offset of its name in `names`
    LargeVector<uint32_t> position; // per anchor: book-file offset, NoPosition until placed
    LargeVector<uint64_t> slots;    // per slot: the name's hash (high 32 bits) and anchor number + 1; 0 when empty
};

// A reference whose target was not placed when it was written: the six BCD
// bytes at `offset` of the book file are filled in at the end.
struct LinkFixup {
    uint32_t offset;  // book-file offset of the BCD block number of the reference
    uint32_t anchor;  // anchor number of the target
};

// Number of the anchor `name`, adding it (unplaced) when it is new.
uint32_t add_anchor(AnchorTable& table, std::string_view name);
// Number of the anchor `name`, or -1 when no source defines it.
int64_t find_anchor(const AnchorTable& table, std::string_view name);
// Makes room for `count` anchors in all, so that adding them does not grow
// the table step by step.
void reserve_anchors(AnchorTable& table, size_t count);
// An anchor without name (a target the book writer makes itself).
uint32_t add_unnamed_anchor(AnchorTable& table);
std::string_view anchor_name(const AnchorTable& table, uint32_t anchor);
// 1 for an anchor a source names (even with an empty name), 0 for one the
// book writer made itself.
int anchor_is_named(const AnchorTable& table, uint32_t anchor);

}  // namespace qel
