#include "raster/px.h"

#include "raster/blend_tables.h"

#include <cmath>
#include <limits>

#include <gtest/gtest.h>

namespace vt {
namespace {

constexpr std::uint32_t kWhite = 0xFFFFFFFF;

// Drawing white onto black: the blue byte of a pixel tells the opacity it received.
std::uint8_t Blue(std::uint8_t opacity) { return opacity == 255 ? 255 : Lerp(0, 255, opacity); }

void Black(TPX& px, std::int32_t w, std::int32_t h) {
  px.SetSize(w, h);
  px.Fill(0);
}

std::uint8_t B(const TPX& px, std::int32_t x, std::int32_t y) {
  return static_cast<std::uint8_t>(px.PixelAt(x, y));
}

TEST(TPXLine, PlainLineCoversMajorAxisInclusive) {
  TPX px;
  Black(px, 6, 6);
  px.Line(kWhite, false, 4.9f, 1.0f, 1.2f, 1.0f);  // x 1..4, either direction
  for (int x = 0; x < 6; ++x) EXPECT_EQ(px.PixelAt(x, 1), x >= 1 && x <= 4 ? kWhite : 0u) << x;
  EXPECT_EQ(px.PixelAt(2, 0), 0u);
}

TEST(TPXLine, AntiAliasWeightsFromSixteenSixteenSteps) {
  // x-major from (0, 0) to (4, 1): m = trunc(1 / 5 * 65536) = 13107, weights f = (t >> 8) & 255.
  TPX px;
  Black(px, 6, 3);
  px.Line(kWhite, true, 0, 0, 4, 1);
  const std::uint8_t f[] = {0, 51, 102, 153, 204};
  for (int x = 0; x < 5; ++x) {
    EXPECT_EQ(B(px, x, 0), Blue(static_cast<std::uint8_t>(255 - f[x]))) << x;
    EXPECT_EQ(B(px, x, 1), Blue(f[x])) << x;
  }
  EXPECT_EQ(B(px, 5, 0), 0);
}

TEST(TPXLine, FadedOpacityStepsOverLengthPlusOne) {
  TPX px;
  Black(px, 5, 2);
  px.LineFaded(kWhite, false, 0, 0, 0.0f, 3, 0, 1.0f);  // o = 0, .25, .5, .75
  const std::uint8_t o[] = {0, 63, 127, 191};
  for (int x = 0; x < 4; ++x) EXPECT_EQ(B(px, x, 0), Blue(o[x])) << x;
  EXPECT_EQ(B(px, 4, 0), 0);
}

TEST(TPXLine, FadedReversedYMajorStepsOverPlainLength) {
  // From (0, 4) up to (1, 0): the walk starts at (1, 0) with x step -1 / 4 (not -1 / 5),
  // so at y = 1 the x coordinate is 0.75: weight 192 on column 1, 63 on column 0.
  TPX px;
  Black(px, 3, 6);
  px.LineFaded(kWhite, true, 0, 4, 1.0f, 1, 0, 1.0f);
  EXPECT_EQ(B(px, 0, 1), Blue(63));
  EXPECT_EQ(B(px, 1, 1), Blue(192));
  // The same line drawn the other way walks from (1, 0) too but divides by 5.
  Black(px, 3, 6);
  px.LineFaded(kWhite, true, 1, 0, 1.0f, 0, 4, 1.0f);
  EXPECT_EQ(B(px, 0, 1), Blue(51));
  EXPECT_EQ(B(px, 1, 1), Blue(204));
}

TEST(TPXLine, AbsurdCoordinatesAreHarmless) {
  TPX px;
  Black(px, 8, 8);
  const float inf = std::numeric_limits<float>::infinity();
  const float nan = std::numeric_limits<float>::quiet_NaN();
  px.Line(kWhite, true, -1e30f, 3, 1e30f, 3.5f);
  px.Line(kWhite, true, nan, nan, 3, 3);
  px.LineFaded(kWhite, true, -inf, 0, 1, inf, 5, 0);
  px.LineFaded(kWhite, false, 2, 2, nan, 2, 2, nan);
  px.Disc(kWhite, true, 1, 1e30f, 4, 4);
  px.Disc(kWhite, true, nan, nan, nan, nan);
  SUCCEED();
}

TEST(TPXLine, OutlineDrawsTheFourEdges) {
  TPX px;
  Black(px, 6, 5);
  px.Outline(1, 1, 4, 3, kWhite);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 6; ++x) {
      const bool edge = (x >= 1 && x <= 4 && (y == 1 || y == 3)) || (y >= 1 && y <= 3 && (x == 1 || x == 4));
      EXPECT_EQ(px.PixelAt(x, y), edge ? kWhite : 0u) << x << "," << y;
    }
}

TEST(TPXDisc, CoverageInQuarterPixels) {
  // Radius 1 at (2, 2): R = 4, T = 16, cells tested from their top-left corner, so the
  // coverage leans up and left. Counts: (1,1) 8, (2,1) and (1,2) 11, (2,2) 15 of 16.
  TPX px;
  Black(px, 5, 5);
  px.Disc(0x00FFFFFF, false, 1.0f, 1.0f, 2.0f, 2.0f);
  const int expected[5][5] = {
      {0, 0, 0, 0, 0}, {0, 127, 175, 0, 0}, {0, 175, 239, 0, 0}, {0, 0, 0, 0, 0}, {0, 0, 0, 0, 0},
  };
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 5; ++x) {
      const int o = expected[y][x];
      EXPECT_EQ(B(px, x, y), o == 0 ? 0 : Blue(static_cast<std::uint8_t>(o))) << x << "," << y;
    }
}

TEST(TPXDisc, SoftFalloffAndFullCoverStore) {
  TPX px;
  Black(px, 20, 20);
  px.Disc(0x00FFFFFF, false, 1.0f, 6.0f, 10.0f, 10.0f);
  EXPECT_EQ(px.PixelAt(10, 10), 0xFFFFFFFFu);  // fully covered at opacity 255: stored with A
  Black(px, 20, 20);
  px.Disc(0x00FFFFFF, true, 1.0f, 6.0f, 10.0f, 10.0f);
  // Centre cell: m = 255, opacity (255 * 255) >> 8 = 254.
  EXPECT_EQ(B(px, 10, 10), Blue(254));
  // (12, 10): ex = 8, m = 255 - 64 * 255 / 576 = 227, opacity (255 * 227) >> 8 = 226.
  EXPECT_EQ(B(px, 12, 10), Blue(226));
  EXPECT_LT(B(px, 14, 10), B(px, 12, 10));
  // Below radius 3 the soft flag has no effect.
  TPX hard, soft;
  Black(hard, 8, 8);
  Black(soft, 8, 8);
  hard.Disc(kWhite, false, 0.5f, 2.5f, 4, 4);
  soft.Disc(kWhite, true, 0.5f, 2.5f, 4, 4);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) EXPECT_EQ(hard.PixelAt(x, y), soft.PixelAt(x, y));
}

}  // namespace
}  // namespace vt
