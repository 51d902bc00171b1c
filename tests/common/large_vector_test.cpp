// Vectors whose large blocks come from the system: growth across the size
// where blocks become large keeps every element, in every direction.
#include "common/large_vector.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace qel {
namespace {

TEST(LargeVector, GrowingShrinkingAndSwappingKeepTheElements) {
    LargeVector<uint32_t> v;
    const uint32_t count = 3 * LargeBlockSize / sizeof(uint32_t);  // past the large size twice over
    for (uint32_t i = 0; i < count; ++i) v.push_back(i * 7u);
    LargeVector<uint32_t> copy = v;
    copy.resize(100);
    copy.shrink_to_fit();
    LargeVector<uint32_t>().swap(copy);
    ASSERT_EQ(v.size(), count);
    EXPECT_TRUE(copy.empty());
    for (uint32_t i = 0; i < count; i += 4099) EXPECT_EQ(v[i], i * 7u);
    EXPECT_EQ(v.back(), (count - 1) * 7u);
    v.assign(LargeBlockSize, 1u);  // a large block replaced by a larger one
    EXPECT_EQ(v[LargeBlockSize - 1], 1u);
}

}  // namespace
}  // namespace qel
