#include "raster/blend_tables.h"

#include <gtest/gtest.h>

namespace vt {
namespace {

TEST(BlendTables, LerpWorksOnSevenBitHalves) {
  struct Case {
    int d, s, a, expected;
  };
  const Case cases[] = {
      {0, 255, 255, 254},                                    // 2 * (255 >> 1) + (0 & 1)
      {255, 0, 255, 1},                                      // the low bit of d survives
      {1, 0, 255, 1},     {0, 0, 0, 0}, {100, 200, 0, 100},  // opacity 0 leaves d
      {0, 255, 128, 127},                                    // 2 * 128 * 127 / 255 = 127.49 -> 127
  };
  for (const Case& c : cases) {
    EXPECT_EQ(
        Lerp(static_cast<std::uint8_t>(c.d), static_cast<std::uint8_t>(c.s), static_cast<std::uint8_t>(c.a)),
        c.expected)
        << "d=" << c.d << " s=" << c.s << " a=" << c.a;
  }
}

TEST(BlendTables, LerpNeverWrapsOverAllInputs) {
  for (int a = 0; a < 256; ++a)
    for (int d = 0; d < 256; ++d)
      for (int s = 0; s < 256; s += 5) {
        const int v =
            Lerp(static_cast<std::uint8_t>(d), static_cast<std::uint8_t>(s), static_cast<std::uint8_t>(a));
        // The result lies between d and s (up to the lost low bit of s).
        ASSERT_GE(v, std::min(d, s & ~1) - 1);
        ASSERT_LE(v, std::max(d, s) + 1);
      }
}

TEST(BlendTables, MulAndInvMulTables) {
  EXPECT_EQ(MulByte(255, 255), 255);
  EXPECT_EQ(MulByte(128, 255), 128);
  EXPECT_EQ(MulByte(254, 1), 0);
  EXPECT_EQ(InvMulByte(255, 0), 0);    // full opacity keeps the source
  EXPECT_EQ(InvMulByte(0, 0), 255);    // zero opacity lifts it to white
  EXPECT_EQ(InvMulByte(128, 0), 127);  // 255 - floor(128 * 255 / 255)
}

}  // namespace
}  // namespace vt
