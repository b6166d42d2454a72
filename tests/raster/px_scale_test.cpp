#include "raster/px.h"

#include <gtest/gtest.h>

namespace vt {
namespace {

// Pixel (x, y) = x + 16 y in every byte but A, A = 0x80.
void Ramp(TPX& px, std::int32_t w, std::int32_t h) {
  px.SetSize(w, h);
  for (std::int32_t y = 0; y < h; ++y)
    for (std::int32_t x = 0; x < w; ++x)
      px.SetPixel(x, y, 0x80000000u | 0x010101u * static_cast<std::uint32_t>(x + 16 * y));
}

std::uint32_t Grey(std::uint32_t v, std::uint32_t a = 0x80) { return a << 24 | 0x010101u * v; }

TEST(TPXScale, ShrinkBoxAveragesOverlappingClampedBoxes) {
  // 4 x 4 to 2 x 2: step 2048, box 2, so 3 x 3 samples from 2x, clamped at the edge.
  TPX src, dst;
  Ramp(src, 4, 4);
  dst.SetSize(2, 2);
  src.ShrinkBox(dst);
  EXPECT_EQ(dst.PixelAt(0, 0), Grey((0 + 1 + 2) / 3 + 16 * 1));  // rows 0..2 -> mean 17
  // Columns 2, 3, 3 -> 8 / 3 = 2 remainder; rows 2, 3, 3: mean over nine values.
  const std::uint32_t sum = 3 * (2 + 3 + 3) + 3 * 16 * (2 + 3 + 3);
  EXPECT_EQ(dst.PixelAt(1, 1), Grey(sum / 9));
  TPX part;
  part.SetSize(2, 2);
  part.Fill(0);
  src.ShrinkBoxRect(part, 1, 1, 5, 5);  // both ends included, cut at the edge
  EXPECT_EQ(part.PixelAt(1, 1), dst.PixelAt(1, 1));
  EXPECT_EQ(part.PixelAt(0, 1), 0u);
}

TEST(TPXScale, Shrink4x4SamplesSixteenPoints) {
  TPX src, dst;
  Ramp(src, 8, 8);
  dst.SetSize(2, 2);
  src.Shrink4x4(dst);
  // sub = 1024: samples at 4x + i, 4y + j exactly, mean of a 4 x 4 block.
  EXPECT_EQ(dst.PixelAt(0, 0), Grey(1 + 16 + 8));  // (0+1+2+3)/4 + 16 (0+1+2+3)/4 = 1.5 + 24
  EXPECT_EQ(dst.PixelAt(1, 1), Grey((4 * (4 + 5 + 6 + 7) + 4 * 16 * (4 + 5 + 6 + 7)) / 16));
}

TEST(TPXScale, QuarterTurns) {
  TPX src, cw, ccw;
  Ramp(src, 3, 2);
  cw.SetSize(2, 3);
  ccw.SetSize(2, 3);
  src.RotateCW(cw);
  src.RotateCCW(ccw);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 2; ++x) {
      EXPECT_EQ(cw.PixelAt(x, y), src.PixelAt(y, 1 - x));
      EXPECT_EQ(ccw.PixelAt(x, y), src.PixelAt(2 - y, x));
    }
  EXPECT_EQ(cw.PixelAt(1, 0), src.PixelAt(0, 0));  // top-left goes to the top-right
}

TEST(TPXScale, AffineIdentityOutsideGreyAndRect) {
  TPX src, dst;
  Ramp(src, 4, 4);
  dst.SetSize(6, 4);
  src.AffineResample(dst, 3, 2, 1.0, 0.0);  // destination column x reads source x - 3 + 3
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 6; ++x) EXPECT_EQ(dst.PixelAt(x, y), x < 4 ? src.PixelAt(x, y) : 0x606060u) << x;
  src.AffineResample(dst, 0, 0, 1.0, 0.0);  // negative source coordinates fail unsigned
  EXPECT_EQ(dst.PixelAt(0, 0), 0x606060u);
  EXPECT_EQ(dst.PixelAt(3, 2), src.PixelAt(0, 0));
  // The rectangle form writes exactly the pixels of the whole walk, nothing else.
  TPX full, part;
  full.SetSize(9, 7);
  part.SetSize(9, 7);
  part.Fill(1);
  src.AffineResample(full, 2.3, 1.7, 0.7, 0.6);
  src.AffineResampleRect(part, 2.3, 1.7, 0.7, 0.6, 2, 3, 20, 2);
  for (int y = 0; y < 7; ++y)
    for (int x = 0; x < 9; ++x)
      EXPECT_EQ(part.PixelAt(x, y), x >= 2 && y >= 3 && y < 5 ? full.PixelAt(x, y) : 1u) << x << "," << y;
}

}  // namespace
}  // namespace vt
