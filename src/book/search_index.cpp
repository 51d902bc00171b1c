// Search keys: normalisation, the compact store, sorting and the B-tree.
#include "book/search_index.h"

#include <algorithm>
#include <cstring>

#include "book/big_endian.h"

namespace qel {

namespace {

// Deepest tree a reader follows, from the root to a leaf.
const int MaxIndexDepth = 6;




// A position as an index stores it: block (4 bytes) and offset (2 bytes).
inline void put_position(unsigned char* p, uint32_t offset) {
    put32(p, offset / TextBlockSize + 1);
    put16(p + 4, offset % TextBlockSize);
}

struct KeyView {
    const unsigned char* bytes;
    int length;
    uint32_t text;
    uint32_t heading;
};

inline KeyView view(const KeyStore& s, uint32_t record) {
    const unsigned char* r = s.arena.data() + record;
    return {r + 9, r[8], get32(r), get32(r + 4)};
}

// The shortest key S with last <= S <= next (bytewise, a prefix first): the
// bytes of `next` up to one past their common beginning. A reader that
// descends by S reaches every key up to `last` and none past `next`.
std::string separator(const KeyView& last, const KeyView& next) {
    int common = 0;
    while (common < last.length && common < next.length && last.bytes[common] == next.bytes[common]) ++common;
    int length = std::min(common + 1, next.length);
    return std::string(reinterpret_cast<const char*>(next.bytes), static_cast<size_t>(length));
}

// One page of an upper layer: its children (pages of the layer below, by
// number in that layer), the length its keys are padded to, and its own
// separator (that of its last child).
struct UpperPage {
    size_t first_child;
    size_t children;
    size_t key_length;
};

// Packs a layer of pages whose separators are `keys` into the pages of the
// layer above; returns the separators of those pages.
std::vector<std::string> pack_upper_layer(const std::vector<std::string>& keys, std::vector<UpperPage>& pages) {
    std::vector<std::string> above;
    size_t i = 0;
    while (i < keys.size()) {
        size_t n = 0, key_length = 0;
        while (i + n < keys.size()) {
            size_t l = std::max(key_length, keys[i + n].size());
            if (4 + (n + 1) * (l + 4) > TextBlockSize) break;
            key_length = l;
            ++n;
        }
        pages.push_back({i, n, key_length});
        above.push_back(keys[i + n - 1]);
        i += n;
    }
    return above;
}

}  // namespace

void add_search_key(KeyStore& store, const unsigned char* key, int length, uint32_t text, uint32_t heading) {
    uint32_t record = static_cast<uint32_t>(store.arena.size());
    size_t at = store.arena.size();
    store.arena.resize(at + 9 + static_cast<size_t>(length));
    unsigned char* r = store.arena.data() + at;
    put32(r, text);
    put32(r + 4, heading);
    r[8] = static_cast<unsigned char>(length);
    std::memcpy(r + 9, key, static_cast<size_t>(length));
    uint64_t prefix = 0;
    for (int i = 0; i < 8; ++i) prefix = prefix << 8 | (i < length ? key[i] : 0);
    store.items.push_back({prefix, record});
    store.sorted = 0;
}

// The order of the keys: by their bytes (a key before every longer key it
// begins), then by text position, then as added.
inline bool key_less(const KeyStore& s, const KeySortItem& a, const KeySortItem& b) {
    if (a.prefix != b.prefix) return a.prefix < b.prefix;
    KeyView x = view(s, a.record), y = view(s, b.record);
    int n = std::min(x.length, y.length);
    if (n > 8) {
        int c = std::memcmp(x.bytes + 8, y.bytes + 8, static_cast<size_t>(n - 8));
        if (c != 0) return c < 0;
    }
    if (x.length != y.length) return x.length < y.length;
    if (x.text != y.text) return x.text < y.text;
    return a.record < b.record;
}

void sort_search_keys(KeyStore& store) {
    if (store.sorted) return;
    const KeyStore& s = store;
    std::sort(store.items.begin(), store.items.end(),
              [&s](const KeySortItem& a, const KeySortItem& b) { return key_less(s, a, b); });
    // Drop keys that repeat both the bytes and the text position of the one before.
    size_t kept = 0;
    for (size_t i = 0; i < store.items.size(); ++i) {
        if (kept > 0) {
            KeyView x = view(s, store.items[kept - 1].record), y = view(s, store.items[i].record);
            if (x.length == y.length && x.text == y.text &&
                std::memcmp(x.bytes, y.bytes, static_cast<size_t>(x.length)) == 0)
                continue;
        }
        store.items[kept++] = store.items[i];
    }
    store.items.resize(kept);
    store.sorted = 1;
}

void append_search_keys(KeyStore& into, const KeyStore& later, uint32_t text_shift, uint32_t heading_shift) {
    int sorted = into.sorted && later.sorted;
    // The records are taken over as they are, their positions moved.
    size_t base = into.arena.size();
    into.arena.insert(into.arena.end(), later.arena.begin(), later.arena.end());
    for (size_t r = base; r < into.arena.size(); r += 9 + into.arena[r + 8]) {
        unsigned char* record = into.arena.data() + r;
        put32(record, get32(record) + text_shift);
        put32(record + 4, get32(record + 4) + heading_shift);
    }
    size_t first = into.items.size();
    into.items.reserve(first + later.items.size());
    for (const KeySortItem& item : later.items)
        into.items.push_back({item.prefix, item.record + static_cast<uint32_t>(base)});
    into.sorted = 0;
    if (sorted) {
        // Both in order: one merge keeps them so.
        const KeyStore& s = into;
        std::inplace_merge(into.items.begin(), into.items.begin() + static_cast<std::ptrdiff_t>(first), into.items.end(),
                           [&s](const KeySortItem& a, const KeySortItem& b) { return key_less(s, a, b); });
        into.sorted = 1;
    }
}

int normalize_key(const uint16_t* codes, size_t count, int delete_marks, int backward, unsigned char* out,
                  int* cut) {
    // A character is kept unless it is a blank or a mark to delete.
    auto kept = [delete_marks](uint16_t c) {
        return c != 0x2121 && !(delete_marks && (c == 0x2126 || c == 0x213E || c == 0x2147 || c == 0x215D));
    };
    size_t total = 0;
    for (size_t i = 0; i < count; ++i) total += kept(codes[i]);
    size_t most = MaxKeyBytes / 2;
    *cut = total > most;
    // A backward key keeps its last characters, a forward key its first.
    size_t skip = backward && total > most ? total - most : 0;
    size_t n = total > most ? most : total;
    size_t seen = 0, written = 0;
    for (size_t i = 0; i < count && written < n; ++i) {
        uint16_t c = codes[i];
        if (!kept(c) || seen++ < skip) continue;
        if (c >= 0x2361 && c <= 0x237A) c = static_cast<uint16_t>(c - 0x20);
        size_t at = backward ? n - 1 - written : written;
        out[2 * at] = static_cast<unsigned char>(c >> 8);
        out[2 * at + 1] = static_cast<unsigned char>(c);
        ++written;
    }
    return static_cast<int>(2 * n);
}

int hiragana_variant(const unsigned char* key, int length, unsigned char* hiragana) {
    int katakana = 0;
    for (int i = 0; i + 1 < length; i += 2) {
        hiragana[i] = key[i];
        hiragana[i + 1] = key[i + 1];
        if (key[i] == 0x25 && key[i + 1] >= 0x21 && key[i + 1] <= 0x76) {
            hiragana[i] = 0x24;
            katakana = 1;
        }
    }
    return katakana;
}

int write_search_index(ByteSink& sink, const KeyStore& store, uint32_t heading_base, IndexExtent& extent,
                       std::string& error) {
    // The leaf pages: where each begins among the keys, and its separator.
    std::vector<size_t> leaf_start;
    std::vector<std::string> keys;
    for (size_t i = 0; i < store.items.size();) {
        size_t used = 4, n = 0;
        while (i + n < store.items.size()) {
            size_t size = 13 + static_cast<size_t>(view(store, store.items[i + n].record).length);
            if (used + size > TextBlockSize) break;
            used += size;
            ++n;
        }
        leaf_start.push_back(i);
        i += n;
        keys.push_back(i == store.items.size() ? std::string(1, '\xFF')
                                               : separator(view(store, store.items[i - 1].record),
                                                           view(store, store.items[i].record)));
    }
    leaf_start.push_back(store.items.size());
    // The upper layers, from the leaves up to a single root page; the
    // separators of each layer's children are kept for writing it.
    std::vector<std::vector<UpperPage>> layers;
    std::vector<std::vector<std::string>> child_keys;
    while (keys.size() > 1) {
        if (layers.size() + 2 > static_cast<size_t>(MaxIndexDepth)) {
            error = "検索語の索引が深くなりすぎました";
            return -1;
        }
        layers.emplace_back();
        std::vector<std::string> above = pack_upper_layer(keys, layers.back());
        child_keys.push_back(std::move(keys));
        keys = std::move(above);
    }
    // Pages are written root first, each layer below it after, the leaves last.
    uint32_t base = static_cast<uint32_t>(sink_offset(sink) / TextBlockSize) + 1;
    std::vector<uint32_t> layer_block(layers.size() + 1);
    uint32_t block = base;
    for (size_t l = layers.size(); l-- > 0;) {
        layer_block[l + 1] = block;
        block += static_cast<uint32_t>(layers[l].size());
    }
    layer_block[0] = block;
    unsigned char page[TextBlockSize];
    for (size_t l = layers.size(); l-- > 0;) {
        const std::vector<UpperPage>& pages = layers[l];
        for (size_t k = 0; k < pages.size(); ++k) {
            const UpperPage& p = pages[k];
            std::memset(page, 0, sizeof page);
            page[0] = static_cast<unsigned char>((k == 0 ? 0x40 : 0) | (k + 1 == pages.size() ? 0x20 : 0));
            page[1] = static_cast<unsigned char>(p.key_length);
            put16(page + 2, static_cast<uint32_t>(p.children));
            unsigned char* out = page + 4;
            for (size_t c = 0; c < p.children; ++c) {
                const std::string& key = child_keys[l][p.first_child + c];
                std::memcpy(out, key.data(), key.size());
                put32(out + p.key_length, layer_block[l] + static_cast<uint32_t>(p.first_child + c));
                out += p.key_length + 4;
            }
            sink_put(sink, page, sizeof page);
        }
    }
    // The leaves, in key order.
    for (size_t leaf = 0; leaf + 1 < leaf_start.size(); ++leaf) {
        std::memset(page, 0, sizeof page);
        size_t used = 4;
        for (size_t i = leaf_start[leaf]; i < leaf_start[leaf + 1]; ++i) {
            KeyView k = view(store, store.items[i].record);
            unsigned char* p = page + used;
            p[0] = static_cast<unsigned char>(k.length);
            std::memcpy(p + 1, k.bytes, static_cast<size_t>(k.length));
            put_position(p + 1 + k.length, k.text);
            put_position(p + 7 + k.length, heading_base + k.heading);
            used += 13 + static_cast<size_t>(k.length);
        }
        page[0] = static_cast<unsigned char>(0x80 | (leaf == 0 ? 0x40 : 0) | (leaf + 2 == leaf_start.size() ? 0x20 : 0));
        put16(page + 2, static_cast<uint32_t>(leaf_start[leaf + 1] - leaf_start[leaf]));
        sink_put(sink, page, sizeof page);
    }
    extent.start_block = base;
    extent.first_block = base;
    extent.blocks = static_cast<uint32_t>(sink_offset(sink) / TextBlockSize) + 1 - base;
    return 0;
}

}  // namespace qel
