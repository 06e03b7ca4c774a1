#include "platform/memory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

using namespace kx;

// Sizes on each side of the allocator's thresholds: recycled heap memory, small pages made
// present at once, huge pages, and huge pages made present by a second thread.
class ZeroedBlock : public ::testing::TestWithParam<size_t> {};

TEST_P(ZeroedBlock, IsZeroAndWritableToItsLastByteWhileItIsMadePresent) {
  const size_t size = GetParam();
  TBlock block = KXAllocZeroedBlock(size);
  ASSERT_TRUE(block);
  // Written from the back while a second thread may populate from the front: neither may change
  // what the other sees.
  for (size_t at = size; at > 0; at -= std::min<size_t>(at, 4096)) block[at - 1] = 0x5A;
  size_t wrong = 0;
  for (size_t at = 0; at < size; ++at) {
    const bool marked = (size - at) % 4096 == 1;
    wrong += block[at] != (marked ? 0x5A : 0);
  }
  EXPECT_EQ(wrong, 0u);
}

INSTANTIATE_TEST_SUITE_P(Sizes, ZeroedBlock,
                         ::testing::Values(size_t(1), size_t(100) << 10, size_t(1) << 20, (size_t(3) << 20) + 5,
                                           size_t(9) << 20, size_t(40) << 20));

TEST(ZeroedBlockRelease, FreedBeforeItIsPresentStopsItsThreadFirst) {
  // Freed at once, many times: each release stops its populating thread before unmapping, so
  // no thread populates a range that the next block may get.
  for (int i = 0; i < 20; ++i) {
    TBlock block = KXAllocZeroedBlock(size_t(64) << 20);
    block[0] = 1;
  }
  TBlock last = KXAllocZeroedBlock(size_t(64) << 20);
  EXPECT_EQ(last[(size_t(64) << 20) - 1], 0);
}
