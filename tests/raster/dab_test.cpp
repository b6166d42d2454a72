#include "raster/dab.h"

#include "raster/blend_tables.h"
#include "raster/dab_stamp.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <limits>
#include <random>
#include <utility>

#include <gtest/gtest.h>

namespace vt {
namespace {

// ---- Straightforward per-pixel definitions, the yardstick for the row-wise versions ----

std::int32_t T(double v) { return static_cast<std::int32_t>(v); }

// The pixel range trunc(lo)..trunc(hi) cut to the grid, where writes land; the cut only
// keeps huge dabs cheap.
std::int32_t GridFirst(double lo) { return std::max(T(lo), 0); }
std::int32_t GridLast(double hi, std::int32_t tiles) { return std::min(T(hi), tiles * 64 - 1); }

void RefMaskDisc(TBlockChannel& mask, std::uint8_t value, bool larger, bool soft, float opacity, float radius,
                 float cx, float cy) {
  const double r = radius;
  if (!(r > 0)) return;
  const std::int64_t w = std::clamp(T(static_cast<double>(value) * opacity), 0, 255);
  const std::int64_t R2 = std::int64_t{T(5 * r)} * T(5 * r), X0 = T(5.0 * cx), Y0 = T(5.0 * cy);
  if (R2 == 0) return;
  auto store = [&](std::int32_t x, std::int32_t y, std::int64_t v) {
    if (!larger || v > mask.MaskAt(x, y)) mask.BlendMask(x, y, 255, static_cast<std::uint8_t>(v));
  };
  for (std::int32_t y = GridFirst(cy - r); y <= GridLast(cy + r, mask.GridRows()); ++y)
    for (std::int32_t x = GridFirst(cx - r); x <= GridLast(cx + r, mask.GridCols()); ++x) {
      const std::int64_t ex = 5 * x - X0, ey = 5 * y - Y0, d2 = ex * ex + ey * ey;
      std::int32_t outside = 0;
      for (const auto& [dx, dy] : {std::pair{ex, ey}, {ex + 5, ey}, {ex, ey + 5}, {ex + 5, ey + 5}})
        outside += dx * dx + dy * dy >= R2;
      if (r <= 3) outside = 1;
      const std::int64_t g = std::max<std::int64_t>(0, 255 - d2 * 255 / R2);
      if (outside == 0) {
        store(x, y, soft ? (w * g) >> 8 : w);
      } else if (outside < 4 || r <= 3) {
        std::int64_t count = 0;
        for (std::int64_t j = 0; j < 5; ++j)
          for (std::int64_t i = 0; i < 5; ++i) count += (ex + i) * (ex + i) + (ey + j) * (ey + j) < R2;
        const std::int64_t v = (soft ? (count * w * g) >> 8 : count * w) / 25;
        if (larger)
          store(x, y, v);
        else
          mask.BlendMask(x, y, static_cast<std::uint8_t>(v), value);
      }
    }
}

void RefMaskSpan(TBlockChannel& mask, bool horizontal, std::int32_t line, std::uint8_t value, bool larger,
                 float opacity, float from, float to) {
  const double l = from, r = to;
  const std::int64_t t = std::clamp(T(static_cast<double>(value) * opacity), 0, 255);
  const std::int64_t half = T((r - l) / 2 * 64), centre = T((l + r) / 2 * 64);
  for (std::int32_t p = T(l - 1); p <= T(r + 1); ++p) {
    std::int64_t v = t;
    if (std::llabs(centre - 64 * p) + 64 >= half) {
      std::int64_t count = 0;
      for (std::int64_t i = 0; i < 64; ++i) count += std::llabs(64 * p + i - centre) < half;
      v = count * t / 64;
    }
    const std::int32_t x = horizontal ? p : line, y = horizontal ? line : p;
    if (!larger || v > mask.MaskAt(x, y)) mask.BlendMask(x, y, 255, static_cast<std::uint8_t>(v));
  }
}

void RefColourDisc(TBlockImage& image, std::uint32_t colour, bool soft, float opacity, float radius, float cx,
                   float cy) {
  const double r = radius;
  if (!(r > 0)) return;
  const std::int64_t a0 = std::clamp(T(static_cast<double>(opacity) * 255), 0, 255);
  const std::int64_t R = T(4 * r), TT = R * R, X0 = T(4.0 * cx), Y0 = T(4.0 * cy);
  const bool falloff = soft && r >= 3;
  for (std::int32_t y = GridFirst(cy - r); y <= GridLast(cy + r, image.GridRows()); ++y)
    for (std::int32_t x = GridFirst(cx - r); x <= GridLast(cx + r, image.GridCols()); ++x) {
      const std::int64_t ex = 4 * x - X0, ey = 4 * y - Y0;
      std::int32_t outside = 0;
      for (const auto& [dx, dy] : {std::pair{ex, ey}, {ex + 4, ey}, {ex, ey + 4}, {ex + 4, ey + 4}})
        outside += dx * dx + dy * dy >= TT;
      if (outside == 4) continue;
      const std::int64_t m = falloff ? std::max<std::int64_t>(0, 255 - (ex * ex + ey * ey) * 255 / TT) : 0;
      std::int64_t o;
      if (outside == 0) {
        o = falloff ? (a0 * m) >> 8 : a0;
      } else {
        std::int64_t count = 0;
        for (std::int64_t j = 0; j < 4; ++j)
          for (std::int64_t i = 0; i < 4; ++i) count += (ex + i) * (ex + i) + (ey + j) * (ey + j) < TT;
        o = falloff ? ((a0 * count * m) >> 8) / 16 : a0 * count / 16;
      }
      image.BlendPixel(x, y, static_cast<std::uint8_t>(o), colour | 0xFF000000u);
    }
}

void RefBlurDisc(TBlockImage& dst, const TBlockImage& src, std::int32_t k, float radius, float cx, float cy) {
  const double r = radius;
  if (k == 0) k = 1;
  const std::int64_t R2 = std::int64_t{T(4 * r)} * T(4 * r), X0 = T(4.0 * cx), Y0 = T(4.0 * cy);
  for (std::int32_t y = T(cy - r); y <= T(cy + r + 1); ++y)
    for (std::int32_t x = T(cx - r); x <= T(cx + r + 1); ++x) {
      const std::int64_t ex = 4 * x - X0, ey = 4 * y - Y0;
      bool inside = true;
      for (const auto& [dx, dy] : {std::pair{ex, ey}, {ex + 4, ey}, {ex, ey + 4}, {ex + 4, ey + 4}})
        inside = inside && dx * dx + dy * dy < R2;
      if (!inside) continue;
      const std::int64_t o = std::max<std::int64_t>(0, 255 - (ex * ex + ey * ey) * 255 / R2);
      std::int32_t b = 0, g = 0, rr = 0, a = 0;
      for (std::int32_t j = -k; j <= k; ++j)
        for (std::int32_t i = -k; i <= k; ++i) src.SamplePixel(x + i, y + j, true, b, g, rr, a);
      const std::int32_t n = (2 * k + 1) * (2 * k + 1);
      dst.BlendPixel(x, y, static_cast<std::uint8_t>(o),
                     0xFF000000u | static_cast<std::uint32_t>(rr / n) << 16 |
                         static_cast<std::uint32_t>(g / n) << 8 | static_cast<std::uint32_t>(b / n));
    }
}

bool SameMasks(const TBlockChannel& a, const TBlockChannel& b) {
  for (std::int32_t row = 0; row < TBlock::GridSize; ++row)
    for (std::int32_t col = 0; col < TBlock::GridSize; ++col) {
      const TChannel *ta = a.TileAt(col, row), *tb = b.TileAt(col, row);
      if ((ta == nullptr) != (tb == nullptr)) return false;
      if (ta && !std::equal(ta->Bits, ta->Bits + 64 * 64, tb->Bits)) return false;
    }
  return true;
}

bool SameImages(const TBlockImage& a, const TBlockImage& b) {
  for (std::int32_t row = 0; row < TBlock::GridSize; ++row)
    for (std::int32_t col = 0; col < TBlock::GridSize; ++col) {
      const TPX *ta = a.TileAt(col, row), *tb = b.TileAt(col, row);
      if ((ta == nullptr) != (tb == nullptr)) return false;
      if (ta && !std::equal(ta->Bits, ta->Bits + 64 * 64 * 4, tb->Bits)) return false;
    }
  return true;
}

// ---- Hand-computed rim values ----

TEST(MaskDisc, RadiusHalfCoversOnlyThroughSamples) {
  // r = 0.5 at (0.5, 0.5): R2 = 4; pixel (0, 0) has 9 of its 25 samples inside.
  TBlockChannel m;
  m.SetSize(64, 64);
  MaskDisc(m, 255, true, false, 1.0f, 0.5f, 0.5f, 0.5f);
  EXPECT_EQ(m.MaskAt(0, 0), 9 * 255 / 25);
  EXPECT_EQ(m.MaskAt(1, 0), 0);
  MaskDisc(m, 255, true, false, 1.0f, 0.5f, 0.5f, 0.5f);  // larger-only: a repeat changes nothing
  EXPECT_EQ(m.MaskAt(0, 0), 91);

  TBlockChannel b;
  b.SetSize(64, 64);
  MaskDisc(b, 255, false, false, 1.0f, 0.5f, 0.5f, 0.5f);
  EXPECT_EQ(b.MaskAt(0, 0), 90);  // blended from 0 toward 255 at opacity 91
  MaskDisc(b, 255, false, false, 1.0f, 0.5f, 0.5f, 0.5f);
  EXPECT_GT(b.MaskAt(0, 0), 90);  // without the flag a rim pixel keeps moving

  TBlockChannel z;
  z.SetSize(64, 64);
  MaskDisc(z, 255, false, true, 1.0f, 0.0f, 5, 5);
  MaskDisc(z, 255, false, true, 1.0f, 0.1f, 5, 5);  // below a fifth of a pixel
  EXPECT_EQ(z.TileCount(), 0);
}

TEST(MaskDisc, RimPixelsOfARadiusFourDab) {
  // r = 4 at (10, 10): R2 = 400, centre (50, 50) in fifths.
  struct Case {
    bool soft;
    std::int32_t x, y, expected;
  };
  const Case cases[] = {
      {false, 10, 10, 255},  // all corners inside
      {false, 13, 10, 255},  // rim, but all 25 samples inside
      {false, 14, 10, 0},    // all corners outside
      {false, 13, 12, 71},   // 7 samples: 7 * 255 / 25
      {true, 13, 12, 13},    // g = 255 - 325 * 255 / 400 = 48; (7 * 255 * 48 >> 8) / 25
      {true, 10, 10, 254},   // (255 * 255) >> 8
  };
  for (const Case& c : cases) {
    TBlockChannel m;
    m.SetSize(64, 64);
    MaskDisc(m, 255, true, c.soft, 1.0f, 4.0f, 10.0f, 10.0f);
    EXPECT_EQ(m.MaskAt(c.x, c.y), c.expected) << c.x << "," << c.y << " soft " << c.soft;
  }
}

TEST(MaskSpan, RunFromTenToTwenty) {
  // half = 320, centre = 960 (1/64 pixel): x = 10 misses its first sub-position, x = 20
  // lies wholly at or past the end.
  TBlockChannel m;
  m.SetSize(64, 64);
  MaskSpan(m, TSpanOrientation::Horizontal, 3, 255, true, 1.0f, 10.0f, 20.0f);
  EXPECT_EQ(m.MaskAt(9, 3), 0);
  EXPECT_EQ(m.MaskAt(10, 3), 63 * 255 / 64);
  for (std::int32_t x = 11; x <= 19; ++x) EXPECT_EQ(m.MaskAt(x, 3), 255) << x;
  EXPECT_EQ(m.MaskAt(20, 3), 0);

  TBlockChannel v;
  v.SetSize(64, 64);
  MaskSpan(v, TSpanOrientation::Vertical, 3, 200, false, 0.5f, 10.25f, 12.0f);
  // t = 100, half = 56, centre = 712: row 10 has 47 sub-positions strictly inside.
  EXPECT_EQ(v.MaskAt(3, 9), 0);
  EXPECT_EQ(v.MaskAt(3, 10), 100 * 47 / 64);
  EXPECT_EQ(v.MaskAt(3, 11), 100);
  EXPECT_EQ(v.MaskAt(3, 12), 0);
  EXPECT_EQ(v.TileCount(), 1);  // without the flag zeros are stored too
}

TEST(ColourDisc, RimOpacitiesOfARadiusOneDab) {
  // r = 1 at (5, 5): T = 16; pixel (5, 5) has 15 of 16 samples, (4, 5) 11, (4, 4) 8.
  TBlockImage b;
  b.SetSize(64, 64);
  ColourDisc(b, 0x000000, false, 1.0f, 1.0f, 5.0f, 5.0f);
  EXPECT_EQ(b.PixelAt(5, 5), 0x00111111u);  // lerp 255 -> 0 at 239; A of the tile kept
  EXPECT_EQ(b.PixelAt(4, 5), 0x00515151u);  // at 175
  EXPECT_EQ(b.PixelAt(4, 4), 0x00818181u);  // at 127
  EXPECT_EQ(b.PixelAt(6, 5), 0x00FFFFFFu);  // all corners outside

  TBlockImage big;
  big.SetSize(64, 64);
  ColourDisc(big, 0x123456, false, 1.0f, 8.0f, 20.0f, 20.0f);
  EXPECT_EQ(big.PixelAt(20, 20), 0xFF123456u);  // inside at full opacity: the word, A forced
}

TEST(BlurThroughMask, MaskStrengthSetsTheCentreWeight) {
  TBlockImage src, dst;
  src.SetSize(64, 64);
  dst.SetSize(64, 64);
  src.SetPixel(10, 10, 0x00000000);  // a black dot in white
  TBlockChannel mask;
  mask.SetSize(64, 64);
  struct Case {
    std::uint8_t m;
    std::uint32_t expected;
  };
  const Case cases[] = {
      {1, 0x00000000},   // below 2: the source pixel unchanged, A included
      {31, 0xFFE2E2E2},  // plain 3 x 3 mean: 8 * 255 / 9
      {200, 0xFFE2E2E2},
      {16, 0xFF555555},  // centre weight 16 of 24: 8 * 255 / 24
  };
  for (const Case& c : cases) {
    mask.BlendMask(10, 10, 255, c.m);
    BlurThroughMask(src, dst, mask, nullptr, 10, 10, 1, 1);
    EXPECT_EQ(dst.PixelAt(10, 10), c.expected) << int{c.m};
  }
  TBlockChannel second;  // a second mask of 128 halves 200 to 100
  second.SetSize(64, 64);
  second.FillMask(128);
  mask.BlendMask(10, 10, 255, 3);
  BlurThroughMask(src, dst, mask, &second, 10, 10, 1, 1);  // (3 * 128) >> 8 = 1
  EXPECT_EQ(dst.PixelAt(10, 10), 0x00000000u);
}

TEST(BlurDisc, DrawsOnlyCellsWhollyInside) {
  TBlockImage src, dst;
  src.SetSize(64, 64);
  dst.SetSize(64, 64);
  src.SetPixel(5, 5, 0x00000000);
  // r = 1.5: R2 = 36. (5, 5) has opacity 255, (4, 5) 255 - 16 * 255 / 36 = 142.
  BlurDisc(dst, src, 0, 1.5f, 5.0f, 5.0f);
  EXPECT_EQ(dst.PixelAt(5, 5), 0xFFE2E2E2u);
  EXPECT_EQ(dst.PixelAt(4, 5), 0x00F0F0F0u);  // white lerped toward E2 at 142, A kept
  EXPECT_EQ(dst.PixelAt(6, 5), 0x00FFFFFFu);
  TBlockImage none;
  none.SetSize(64, 64);
  BlurDisc(none, src, 0, 1.0f, 5.0f, 5.0f);  // no cell lies strictly inside
  EXPECT_EQ(none.TileCount(), 0);
}

// ---- The row-wise versions against the definitions over many random dabs ----

TEST(DabPrimitives, MatchPerPixelDefinitionsOverRandomDabs) {
  std::mt19937 rng(12345);
  auto real = [&](float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(rng); };
  auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
  const float radii[] = {0.3f, 0.5f, 1.0f, 1.5f, 2.9f, 3.0f, 3.1f, 4.0f, 7.5f, 16.0f, 40.0f};
  TBlockChannel fast, ref;
  TBlockImage fastImg, refImg;
  for (auto* b : std::initializer_list<TBlock*>{&fast, &ref, &fastImg, &refImg}) b->SetSize(300, 200);
  for (int n = 0; n < 3000; ++n) {
    const float r = pick(3) == 0 ? real(0.05f, 45.0f) : radii[pick(11)];
    // Centres near tile edges and the paper's borders, with fractions.
    const float cx = real(-20.0f, 320.0f), cy = pick(2) ? 64.0f * pick(4) + real(-3, 3) : real(-20, 220);
    const bool larger = pick(2), soft = pick(2);
    const auto value = static_cast<std::uint8_t>(pick(256));
    // Full, zero (tiles still created without the flag) and any opacity between.
    const float opacity = pick(4) == 0 ? 1.0f : pick(8) == 0 ? 0.0f : real(0, 1);
    MaskDisc(fast, value, larger, soft, opacity, r, cx, cy);
    RefMaskDisc(ref, value, larger, soft, opacity, r, cx, cy);
    ASSERT_TRUE(SameMasks(fast, ref)) << "MaskDisc " << n << " r=" << r << " c=" << cx << "," << cy;

    const std::uint32_t colour = static_cast<std::uint32_t>(rng());
    ColourDisc(fastImg, colour, soft, opacity, r, cx, cy);
    RefColourDisc(refImg, colour, soft, opacity, r, cx, cy);
    ASSERT_TRUE(SameImages(fastImg, refImg)) << "ColourDisc " << n << " r=" << r;
  }
}

TEST(DabPrimitives, LargeDabsWhoseRimCrossesThePaperMatchTheDefinitions) {
  // Radii up to thousands of pixels put the squared distances far beyond 32 bits and the
  // rim nearly straight across the paper.
  std::mt19937 rng(777);
  auto real = [&](double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(rng); };
  TBlockChannel fast, ref;
  TBlockImage fastImg, refImg;
  for (auto* b : std::initializer_list<TBlock*>{&fast, &ref, &fastImg, &refImg}) b->SetSize(300, 200);
  for (int n = 0; n < 200; ++n) {
    const auto r = static_cast<float>(std::exp(real(std::log(20.0), std::log(6000.0))));
    const double angle = real(0, 6.2832);
    const auto cx = static_cast<float>(real(-10, 330) - r * std::cos(angle));
    const auto cy = static_cast<float>(real(-10, 270) - r * std::sin(angle));
    const bool larger = n % 2, soft = n % 3 == 0;
    const auto value = static_cast<std::uint8_t>(rng() % 256);
    const auto opacity = static_cast<float>(real(0, 1));
    MaskDisc(fast, value, larger, soft, opacity, r, cx, cy);
    RefMaskDisc(ref, value, larger, soft, opacity, r, cx, cy);
    ASSERT_TRUE(SameMasks(fast, ref)) << "MaskDisc " << n << " r=" << r << " c=" << cx << "," << cy;
    const auto colour = static_cast<std::uint32_t>(rng());
    ColourDisc(fastImg, colour, soft, opacity, r, cx, cy);
    RefColourDisc(refImg, colour, soft, opacity, r, cx, cy);
    ASSERT_TRUE(SameImages(fastImg, refImg)) << "ColourDisc " << n << " r=" << r << " c=" << cx << "," << cy;
  }
}

TEST(DabPrimitives, HardDabsSharingAStampMatchTheDefinition) {
  // One radius and one fractional offset at many whole-pixel positions: every dab after the
  // first draws from the same cached stamp, over tile edges, the paper's borders and
  // negative centres (where truncation toward zero moves the pixel range).
  std::mt19937 rng(99);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  TBlockChannel fast, ref;
  for (auto* b : std::initializer_list<TBlock*>{&fast, &ref}) b->SetSize(300, 200);
  for (const float r : {0.5f, 2.2f, 3.0f, 3.04f, 4.0f, 6.3f, 19.9f, 27.3f, 39.9f})
    for (const float fraction : {0.0f, 0.13f, 0.5f, 0.87f})
      for (int n = 0; n < 40; ++n) {
        const float cx = static_cast<float>(pick(-25, 320)) + fraction;
        const float cy =
            n % 2 ? 64.0f * static_cast<float>(pick(0, 3)) + static_cast<float>(pick(-5, 5)) + fraction
                  : static_cast<float>(pick(-25, 220)) + fraction;
        const bool larger = n % 3 != 0;
        const auto value = static_cast<std::uint8_t>(pick(0, 255));
        const float opacity = n % 5 == 0   ? 1.0f
                              : n % 7 == 0 ? 0.0f
                                           : static_cast<float>(pick(0, 100)) / 100.0f;
        MaskDisc(fast, value, larger, false, opacity, r, cx, cy);
        RefMaskDisc(ref, value, larger, false, opacity, r, cx, cy);
        ASSERT_TRUE(SameMasks(fast, ref)) << n << " r=" << r << " c=" << cx << "," << cy;
      }
}

TEST(DabPrimitives, HardDabsOfManyDistinctRadiiMatchTheDefinition) {
  // Every radius in fifths of a pixel from the smallest to past the largest stamp, each at
  // a few offsets, then again in reverse.
  std::mt19937 rng(4242);
  auto real = [&](float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(rng); };
  TBlockChannel fast, ref;
  for (auto* b : std::initializer_list<TBlock*>{&fast, &ref}) b->SetSize(200, 200);
  const std::int32_t last = TDabStampCache::kMaxR5 + 10;
  for (int pass = 0; pass < 2; ++pass)
    for (std::int32_t i = 1; i <= last; ++i) {
      const std::int32_t r5 = pass == 0 ? i : last + 1 - i;
      const float r = (static_cast<float>(r5) + real(0.05f, 0.95f)) / 5.0f;
      for (int n = 0; n < 3; ++n) {
        const float cx = real(-10.0f, 210.0f), cy = real(-10.0f, 210.0f);
        const bool larger = n != 1;
        const float opacity = real(0.0f, 1.0f);
        MaskDisc(fast, 200, larger, false, opacity, r, cx, cy);
        RefMaskDisc(ref, 200, larger, false, opacity, r, cx, cy);
        ASSERT_TRUE(SameMasks(fast, ref)) << pass << " r=" << r << " c=" << cx << "," << cy;
      }
    }
}

// The stamp of every key, read back pixel by pixel, against the definition: a pixel is
// touched when some corner is inside the circle (every pixel for small dabs), wholly
// inside when all four are, and otherwise counts its 25 samples.
TEST(DabStamp, EveryKeyMatchesThePerPixelDefinition) {
  const auto rootBelow = [](std::int64_t t) {  // largest s >= 0 with s * s < t, or -1
    std::int64_t s = -1;
    while ((s + 1) * (s + 1) < t) ++s;
    return s;
  };
  for (std::int32_t r5 = 1; r5 <= TDabStampCache::kMaxR5; ++r5)
    for (std::int32_t f = 0; f < 25; ++f)
      for (const bool all : {false, true}) {
        if (all && r5 > 15) continue;
        const TDabStampKey key{r5, f % 5, f / 5, all};
        const TDabStamp stamp = MakeDabStamp(key);
        ASSERT_EQ(stamp.reach, r5 / 5 + 3);
        const std::int64_t R2 = std::int64_t{r5} * r5;
        for (std::int32_t dy = -stamp.reach; dy <= stamp.reach; ++dy) {
          const std::int64_t ey = 5 * std::int64_t{dy} - key.fy;
          std::int64_t s[6];
          for (std::int32_t j = 0; j <= 5; ++j) s[j] = rootBelow(R2 - (ey + j) * (ey + j));
          const TDabStamp::TRowSpan& span = stamp.Span(dy);
          std::size_t rim = static_cast<std::size_t>(span.rim);
          for (std::int32_t dx = -stamp.reach; dx <= stamp.reach; ++dx) {
            const std::int64_t ex = 5 * std::int64_t{dx} - key.fx;
            const auto in = [](std::int64_t u, std::int64_t root) { return u >= -root && u <= root; };
            const int corners = in(ex, s[0]) + in(ex + 5, s[0]) + in(ex, s[5]) + in(ex + 5, s[5]);
            std::int64_t count = 0;
            for (std::int32_t j = 0; j < 5; ++j)
              for (std::int64_t u = ex; u <= ex + 4; ++u) count += in(u, s[j]);
            const std::uint8_t want = !all && corners == 0   ? TDabStamp::kNothing
                                      : !all && corners == 4 ? TDabStamp::kWhole
                                                             : static_cast<std::uint8_t>(count + 1);
            const std::int32_t c = dx + stamp.reach;
            std::uint8_t got = TDabStamp::kNothing;
            if (c >= span.first && c <= span.last) {
              if (span.HasWhole() && c >= span.wholeFirst && c <= span.wholeLast)
                got = TDabStamp::kWhole;
              else
                got = stamp.rims[rim++];
            }
            ASSERT_EQ(got, want) << "r5=" << r5 << " f=" << f << " all=" << all << " at " << dx << "," << dy;
          }
        }
      }
}

TEST(DabStampCache, StaysWithinItsBudgetAndRebuildsEvictedStampsExactly) {
  constexpr std::size_t kBudget = 64 * 1024;
  TDabStampCache cache(kBudget);
  auto same = [](const TDabStamp& a, const TDabStamp& b) {
    return a.reach == b.reach && a.spans == b.spans && a.rims == b.rims;
  };
  for (int pass = 0; pass < 2; ++pass)
    for (std::int32_t r5 = 1; r5 <= TDabStampCache::kMaxR5; r5 += 3)
      for (std::int32_t f = 0; f < 25; f += 6) {
        const TDabStampKey key{r5, f % 5, f / 5, r5 <= 15 && f % 2 == 0};
        const TDabStamp& stamp = cache.Get(key);
        ASSERT_TRUE(same(stamp, MakeDabStamp(key))) << "r5=" << r5 << " f=" << f;
        EXPECT_LE(cache.Bytes(), kBudget);
      }
  EXPECT_GT(cache.Count(), 1u);
  // A budget below one stamp still returns it, holding that one alone.
  TDabStampCache tiny(1);
  const TDabStampKey big{TDabStampCache::kMaxR5, 4, 4, false};
  EXPECT_TRUE(same(tiny.Get(big), MakeDabStamp(big)));
  EXPECT_TRUE(same(tiny.Get({7, 0, 0, true}), MakeDabStamp({7, 0, 0, true})));
  EXPECT_EQ(tiny.Count(), 1u);
}

TEST(DabPrimitives, MaskSpanMatchesThePerPixelDefinitionOverRandomRuns) {
  // Runs of every length from reversed to long, across tile edges and the paper's
  // borders, on lines inside and outside the grid.
  std::mt19937 rng(4242);
  auto real = [&](float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(rng); };
  auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
  TBlockChannel fast, ref;
  fast.SetSize(300, 200);
  ref.SetSize(300, 200);
  for (int n = 0; n < 5000; ++n) {
    const bool horizontal = pick(2);
    const float from = pick(3) == 0 ? 64.0f * pick(6) + real(-2, 2) : real(-30, 340);
    const float length = pick(4) == 0 ? real(-3, 3) : pick(4) == 0 ? real(-2, 400) : real(0, 20);
    const std::int32_t line = pick(10) == 0 ? pick(2) ? -1 - pick(70) : 320 + pick(10) : pick(320);
    const bool larger = pick(2);
    const auto value = static_cast<std::uint8_t>(pick(256));
    const float opacity = pick(4) == 0 ? 1.0f : real(0, 1);
    MaskSpan(fast, horizontal ? TSpanOrientation::Horizontal : TSpanOrientation::Vertical, line, value,
             larger, opacity, from, from + length);
    RefMaskSpan(ref, horizontal, line, value, larger, opacity, from, from + length);
    ASSERT_TRUE(SameMasks(fast, ref)) << "MaskSpan " << n << " line=" << line << " from " << from
                                      << " length " << length << (horizontal ? " horizontal" : " vertical");
  }
}

TEST(DabPrimitives, ColourDiscAgreesWithTheBufferDisc) {
  std::mt19937 rng(5);
  for (int n = 0; n < 300; ++n) {
    const float r = std::uniform_real_distribution<float>(0.2f, 20.0f)(rng);
    const float cx = std::uniform_real_distribution<float>(-5, 69)(rng);
    const float cy = std::uniform_real_distribution<float>(-5, 69)(rng);
    const float opacity = std::uniform_real_distribution<float>(0, 1)(rng);
    const bool soft = n % 2;
    const auto colour = static_cast<std::uint32_t>(rng());
    TBlockImage block;
    block.SetSize(63, 63);  // one tile, the same pixels as the buffer
    block.SetBackColor(0x00406080);
    block.EnsureTile(0, 0);
    TPX px;
    px.SetSize(64, 64);
    px.Fill(0x00406080);
    ColourDisc(block, colour, soft, opacity, r, cx, cy);
    px.Disc(colour | 0xFF000000u, soft, opacity, r, cx, cy);
    ASSERT_TRUE(std::equal(px.Bits, px.Bits + 64 * 64 * 4, block.TileAt(0, 0)->Bits)) << n;
  }
}

TEST(DabPrimitives, BlurDiscMatchesTheDefinitionForAnyBoxRadius) {
  std::mt19937 rng(99);
  TBlockImage src;
  src.SetSize(150, 120);
  for (std::int32_t y = 0; y < 120; ++y)
    for (std::int32_t x = 0; x < 150; ++x) src.SetPixel(x, y, static_cast<std::uint32_t>(rng()));
  TBlockImage fast, ref;
  fast.SetSize(150, 120);
  ref.SetSize(150, 120);
  for (int n = 0; n < 200; ++n) {
    const float r = std::uniform_real_distribution<float>(0.5f, 12.0f)(rng);
    const float cx = std::uniform_real_distribution<float>(-10, 160)(rng);
    const float cy = std::uniform_real_distribution<float>(-10, 130)(rng);
    const std::int32_t k = std::uniform_int_distribution<int>(0, n % 10 == 0 ? 90 : 4)(rng);
    BlurDisc(fast, src, k, r, cx, cy);
    RefBlurDisc(ref, src, k, r, cx, cy);
    ASSERT_TRUE(SameImages(fast, ref)) << n << " k=" << k << " r=" << r << " c=" << cx << "," << cy;
  }
}

TEST(DabPrimitives, HostileArgumentsDrawNothingOrStayInTheGrid) {
  TBlockChannel m;
  TBlockImage b;
  m.SetSize(100000, 100000);
  b.SetSize(100000, 100000);
  const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
  MaskDisc(m, 255, true, true, 1.0f, nan, 5, 5);
  MaskDisc(m, 255, true, true, 1.0f, 5, inf, 5);
  MaskDisc(m, 255, true, true, 1.0f, 1e30f, 5, 5);
  MaskSpan(m, TSpanOrientation::Horizontal, 5, 255, true, 1.0f, -1e30f, 1e30f);
  ColourDisc(b, 0, true, 1.0f, 5, nan, 5);
  BlurDisc(b, b, 1 << 30, 2.0f, 5, 5);
  EXPECT_EQ(m.TileCount(), 0);
  MaskDisc(m, 255, true, false, 2.0f, 20.0f, 6395.0f, 6395.0f);  // at the grid's far corner
  EXPECT_EQ(m.TileCount(), 1);
  EXPECT_EQ(m.MaskAt(6399, 6399), 255);  // opacity above 1 keeps the value in range
}

}  // namespace
}  // namespace vt
