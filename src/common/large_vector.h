// Vectors for the large stores of the book writer (keys, heading stream,
// anchors, references): their blocks of a megabyte or more come from
// large_allocate, with large pages where the system offers them.
#pragma once

#include <cstddef>
#include <new>
#include <vector>

#include "platform/platform.h"

namespace qel {

// Blocks from this size on are large.
const size_t LargeBlockSize = 1 << 20;

// Builds with AddressSanitizer keep every block on the checked heap, so that
// the large stores stay checked too.
#if defined(__SANITIZE_ADDRESS__)
const bool LargeBlocksFromSystem = false;
#else
const bool LargeBlocksFromSystem = true;
#endif

template <class T>
struct LargeAllocator {
    using value_type = T;

    LargeAllocator() = default;
    template <class U>
    LargeAllocator(const LargeAllocator<U>&) {}

    T* allocate(size_t count) {
        size_t bytes = count * sizeof(T);
        if (bytes < LargeBlockSize || !LargeBlocksFromSystem) return static_cast<T*>(::operator new(bytes));
        void* memory = large_allocate(bytes);
        if (memory == nullptr) throw std::bad_alloc();
        return static_cast<T*>(memory);
    }

    void deallocate(T* memory, size_t count) {
        size_t bytes = count * sizeof(T);
        if (bytes < LargeBlockSize || !LargeBlocksFromSystem)
            ::operator delete(memory);
        else
            large_free(memory, bytes);
    }
};

template <class T, class U>
bool operator==(const LargeAllocator<T>&, const LargeAllocator<U>&) {
    return true;
}

template <class T>
using LargeVector = std::vector<T, LargeAllocator<T>>;

}  // namespace qel
