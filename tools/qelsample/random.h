// Deterministic pseudo-random numbers: every record draws from streams keyed by
// the seed, its index and a stream number, so any record can be re-derived on
// its own (a link looks at its target's plan without generating the target).
#pragma once

#include <cstdint>

namespace qelsample {

// One random stream (splitmix64).
struct Rng {
    uint64_t state;  // advanced by a fixed odd constant per draw
};

// Streams of one record; each is independent of the others.
enum RandomStream {
    StreamPlan = 1,   // what the record holds (senses, sections, idioms, ...)
    StreamText = 2,   // the wording of its lines and the links it makes
    StreamNumber = 3, // its entry number
    StreamTitle = 4,  // work titles, idioms and derived forms, by item
};

inline uint64_t mix64(uint64_t x) {
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

// The stream `stream` of record `index` under `seed`.
inline Rng rng_for(uint64_t seed, uint64_t index, uint64_t stream) {
    return Rng{mix64(mix64(seed) ^ mix64(index * 64 + stream))};
}

inline uint64_t next_random(Rng& r) {
    r.state += 0x9E3779B97F4A7C15ull;
    return mix64(r.state);
}

// A number from 0 to n - 1 (0 when n <= 0).
inline int below(Rng& r, int n) {
    return n <= 0 ? 0 : static_cast<int>(next_random(r) % static_cast<uint64_t>(n));
}

// A number from lo to hi inclusive.
inline int between(Rng& r, int lo, int hi) {
    return lo + below(r, hi - lo + 1);
}

// True with the given chance in percent.
inline bool chance(Rng& r, int percent) {
    return below(r, 100) < percent;
}

// Picks an index by weight from a table of n weights.
inline int pick_weighted(Rng& r, const int* weights, int n) {
    int total = 0;
    for (int i = 0; i < n; ++i) total += weights[i];
    int x = below(r, total);
    for (int i = 0; i < n; ++i) {
        if (x < weights[i]) return i;
        x -= weights[i];
    }
    return n - 1;
}

}  // namespace qelsample
