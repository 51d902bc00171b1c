// Anchor names and their positions.
#include "book/anchors.h"

#include <cstring>

namespace qel {

namespace {

// Name offset of an anchor that has no name.
const uint32_t Unnamed = 0xFFFFFFFF;

uint64_t hash_name(std::string_view name) {
    uint64_t h = 1469598103934665603ull;
    for (unsigned char c : name) {
        h ^= c;
        h *= 1099511628211ull;
    }
    // Mixed, so that names differing only in their last digits spread.
    h ^= h >> 29;
    h *= 0xBF58476D1CE4E5B9ull;
    return h ^ (h >> 32);
}

// A slot's content: the hash's high half and the anchor number + 1.
inline uint64_t slot_of(uint64_t hash, uint32_t anchor) {
    return (hash & 0xFFFFFFFF00000000ull) | (anchor + 1);
}

// Puts anchor `a`, whose name hashes to `hash`, into the first free slot
// from its own.
void place(AnchorTable& t, uint64_t hash, uint32_t a) {
    size_t mask = t.slots.size() - 1;
    size_t i = hash & mask;
    while (t.slots[i] != 0) i = (i + 1) & mask;
    t.slots[i] = slot_of(hash, a);
}

// Grows the slot table to keep it at most half full (and at least `least`
// slots), re-inserting every name.
void grow(AnchorTable& t, size_t least = 0) {
    size_t size = t.slots.empty() ? 1024 : t.slots.size() * 2;
    while (size < least) size *= 2;
    t.slots.assign(size, 0);
    for (uint32_t a = 0; a < t.name_at.size(); ++a)
        if (t.name_at[a] != Unnamed) place(t, hash_name(anchor_name(t, a)), a);
}

// The anchor named `name` (whose hash is `hash`), or -1.
int64_t find(const AnchorTable& t, std::string_view name, uint64_t hash) {
    if (t.slots.empty()) return -1;
    size_t mask = t.slots.size() - 1;
    for (size_t i = hash & mask; t.slots[i] != 0; i = (i + 1) & mask) {
        uint64_t slot = t.slots[i];
        if ((slot ^ hash) >> 32 != 0) continue;
        uint32_t a = static_cast<uint32_t>(slot & 0xFFFFFFFF) - 1;
        if (anchor_name(t, a) == name) return a;
    }
    return -1;
}

}  // namespace

std::string_view anchor_name(const AnchorTable& t, uint32_t anchor) {
    uint32_t at = t.name_at[anchor];
    if (at == Unnamed) return std::string_view();
    size_t length = static_cast<unsigned char>(t.names[at]) | (static_cast<unsigned char>(t.names[at + 1]) << 8);
    return std::string_view(t.names.data() + at + 2, length);
}

int anchor_is_named(const AnchorTable& t, uint32_t anchor) {
    return t.name_at[anchor] != Unnamed;
}

int64_t find_anchor(const AnchorTable& t, std::string_view name) {
    return find(t, name, hash_name(name));
}

uint32_t add_anchor(AnchorTable& t, std::string_view name) {
    if (name.size() > 0xFFFF) name = name.substr(0, 0xFFFF);
    uint64_t h = hash_name(name);
    int64_t found = find(t, name, h);
    if (found >= 0) return static_cast<uint32_t>(found);
    uint32_t a = static_cast<uint32_t>(t.name_at.size());
    t.name_at.push_back(static_cast<uint32_t>(t.names.size()));
    t.names.push_back(static_cast<char>(name.size() & 0xFF));
    t.names.push_back(static_cast<char>(name.size() >> 8));
    t.names.insert(t.names.end(), name.begin(), name.end());
    t.position.push_back(NoPosition);
    if (t.name_at.size() * 2 > t.slots.size())
        grow(t);
    else
        place(t, h, a);
    return a;
}

void reserve_anchors(AnchorTable& t, size_t count) {
    t.name_at.reserve(count);
    t.position.reserve(count);
    if (count * 2 > t.slots.size()) grow(t, count * 2);
}

uint32_t add_unnamed_anchor(AnchorTable& t) {
    // Unnamed anchors are reached by number only.
    uint32_t a = static_cast<uint32_t>(t.name_at.size());
    t.name_at.push_back(Unnamed);
    t.position.push_back(NoPosition);
    return a;
}

}  // namespace qel
