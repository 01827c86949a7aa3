#include <gtest/gtest.h>

#include <cstdint>

#include "view/ResizeMath.h"

using namespace qv;

namespace {

TEST(ResizeMath, KeepsTheAspectOfTheOpenedSize) {
  EXPECT_EQ(ProportionalHeight(320, 640, 480), 240u);
  EXPECT_EQ(ProportionalHeight(100, 640, 480), 75u);
  EXPECT_EQ(ProportionalWidth(240, 640, 480), 320u);
  EXPECT_EQ(ProportionalWidth(75, 640, 480), 100u);
  // Quotients truncate.
  EXPECT_EQ(ProportionalHeight(333, 640, 480), 249u);  // 249.75
  EXPECT_EQ(ProportionalWidth(1, 640, 480), 1u);       // 1.33
  EXPECT_EQ(ProportionalHeight(0, 640, 480), 0u);
}

TEST(ResizeMath, LargeEntriesNeitherWrapNorDivideByZero) {
  // 10,000,000 x 480 exceeds 32 bits; a wrapped product would give 1,789,569.
  EXPECT_EQ(ProportionalHeight(10000000u, 640, 480), 7500000u);
  EXPECT_EQ(ProportionalWidth(4000000000u, 480, 640), 3000000000u);
  EXPECT_EQ(ProportionalHeight(UINT32_MAX, 1, 2), UINT32_MAX);
  EXPECT_EQ(ProportionalHeight(320, 0, 480), 0u);
  EXPECT_EQ(ProportionalWidth(240, 640, 0), 0u);
}

} // namespace
