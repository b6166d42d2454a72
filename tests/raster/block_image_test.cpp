#include "raster/block_image.h"

#include "raster/block_channel.h"
#include "raster/composite.h"

#include <array>
#include <cstdint>
#include <random>
#include <vector>

#include <gtest/gtest.h>

namespace vt {
namespace {

// A pixel value that tells where it came from.
std::uint32_t Marker(std::int32_t x, std::int32_t y) {
  return static_cast<std::uint32_t>((x & 0xFFF) | (y & 0xFFF) << 12);
}

void Paint(TBlockImage& b, std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h) {
  for (std::int32_t j = y; j < y + h; ++j)
    for (std::int32_t i = x; i < x + w; ++i) b.SetPixel(i, j, Marker(i, j));
}

TEST(BlockImage, MissingTilesReadAsBackColor) {
  TBlockImage b;
  b.SetSize(640, 480);
  b.SetBackColor(0x00112233);
  EXPECT_EQ(b.PixelAt(-1, 5), 0x00112233u);
  EXPECT_EQ(b.PixelAt(10, 10), 0x00112233u);
  b.SetPixel(70, 5, 0xFF445566);
  EXPECT_EQ(b.PixelAt(70, 5), 0xFF445566u);
  EXPECT_EQ(b.PixelAt(71, 5), 0x00112233u);  // the new tile is filled with BackColor

  // SamplePixel clamps into the paper before reading.
  std::int32_t cb = 0, cg = 0, cr = 0, ca = 0;
  b.SetPixel(639, 0, 0x04030201);
  b.SamplePixel(5000, -3, false, cb, cg, cr, ca);
  EXPECT_EQ((std::array{cb, cg, cr, ca}), (std::array{1, 2, 3, 4}));
  b.SamplePixel(639, 0, true, cb, cg, cr, ca);
  EXPECT_EQ((std::array{cb, cg, cr, ca}), (std::array{2, 4, 6, 8}));
}

TEST(BlockImage, BlendPixelCreatesTheTileAndLerps) {
  TBlockImage b;
  b.SetSize(100, 100);
  b.BlendPixel(3, 3, 255, 0x80000000);  // full opacity stores the whole word
  EXPECT_EQ(b.PixelAt(3, 3), 0x80000000u);
  b.BlendPixel(4, 4, 128, 0x00000000);  // from white (A 0) toward black: A untouched
  EXPECT_EQ(b.PixelAt(4, 4), 0x00808080u);
}

TEST(BlockImage, CopyToImageWritesBackColorForMissingTiles) {
  TBlockImage b;
  b.SetSize(300, 300);
  b.SetBackColor(0x00ABCDEF);
  Paint(b, 60, 60, 10, 10);  // touches four tiles
  TPX target;
  target.SetSize(50, 50);
  target.Fill(0x11111111);
  b.CopyToImage(target, 50, 50, 40, 40, 5, 5);
  EXPECT_EQ(target.PixelAt(4, 4), 0x11111111u);  // outside the target rectangle
  EXPECT_EQ(target.PixelAt(5, 5), 0x00ABCDEFu);  // (50, 50) has a tile, never painted
  EXPECT_EQ(target.PixelAt(15, 15), Marker(60, 60));
  EXPECT_EQ(target.PixelAt(24, 24), Marker(69, 69));
  EXPECT_EQ(target.PixelAt(44, 44), 0x00ABCDEFu);  // (89, 89): missing tile
  EXPECT_EQ(target.PixelAt(45, 45), 0x11111111u);
}

TEST(BlockImage, BlendOntoSkipsMissingTiles) {
  TBlockImage b;
  b.SetSize(128, 64);
  TPX target;
  target.SetSize(128, 64);
  target.Fill(0xFF808080);
  b.MultiplyOnto(target, 255, 0, 0, 128, 64, 0, 0);  // empty white block: unchanged
  EXPECT_EQ(target.PixelAt(5, 5), 0xFF808080u);
  b.FillRect(64, 0, 0x00000000, 64, 64);
  b.MultiplyOnto(target, 255, 0, 0, 128, 64, 0, 0);
  EXPECT_EQ(target.PixelAt(5, 5), 0xFF808080u);
  EXPECT_EQ(target.PixelAt(70, 5), 0xFF000000u);

  TBlockImage add;
  add.SetSize(128, 64);
  add.SetBackColor(0);
  add.SetPixel(1, 1, 0x00101010);
  add.AddOnto(target, 255, 0, 0, 128, 64, 0, 0);
  add.SubOnto(target, 255, 0, 0, 128, 64, 0, 0);
  EXPECT_EQ(target.PixelAt(1, 1), 0xFF808080u);
}

TEST(BlockImage, CompositeFillsPaperThenBlendsLayersBottomUp) {
  TBlockImage grey, light;
  grey.SetSize(100, 100);
  light.SetSize(100, 100);
  light.SetBackColor(0);
  grey.FillRect(0, 0, 0x00808080, 10, 10);
  light.FillRect(5, 5, 0x00202020, 10, 10);
  TPX target;
  target.SetSize(100, 100);
  const TCompositeLayer layers[] = {{&grey, 0, 255}, {&light, 1, 255}, {&grey, 7, 255}};
  CompositeRect(target, 0xFFFFFFFF, layers, {0, 0, 20, 20});
  EXPECT_EQ(target.PixelAt(0, 0), 0xFF808080u);
  EXPECT_EQ(target.PixelAt(7, 7), 0xFFA0A0A0u);
  EXPECT_EQ(target.PixelAt(12, 12), 0xFFFFFFFFu);  // white plus 0x20 saturates
  EXPECT_EQ(target.PixelAt(19, 19), 0xFFFFFFFFu);
}

TEST(BlockImage, CopyBlockRectWithOffsetLandsInUpToFourTiles) {
  TBlockImage src, dst;
  src.SetSize(256, 256);
  dst.SetSize(256, 256);
  Paint(src, 0, 0, 64, 64);
  src.CopyBlockRect(dst, 0, 0, 64, 64, 10, 10);
  EXPECT_EQ(dst.TileCount(), 4);
  for (std::int32_t y = 0; y < 80; ++y)
    for (std::int32_t x = 0; x < 80; ++x) {
      const bool inside = x >= 10 && y >= 10 && x < 74 && y < 74;
      ASSERT_EQ(dst.PixelAt(x, y), inside ? Marker(x - 10, y - 10) : dst.BackColor) << x << "," << y;
    }
  // A negative destination drops what falls off the grid.
  TBlockImage neg;
  neg.SetSize(256, 256);
  src.CopyBlockRect(neg, 0, 0, 64, 64, -60, -60);
  EXPECT_EQ(neg.TileCount(), 1);
  EXPECT_EQ(neg.PixelAt(3, 3), Marker(63, 63));
}

TEST(BlockImage, CopyBlockRectFromEmptyTilesFollowsTheBackgrounds) {
  struct Case {
    std::uint32_t srcBack, dstBack;
    bool dstPainted;
    std::int32_t tiles;
    std::uint32_t pixel;
  };
  const Case cases[] = {
      {0xFFFFFF, 0xFFFFFF, false, 0, 0xFFFFFF},  // same background: nothing to do
      {0x000000, 0xFFFFFF, false, 4, 0x000000},  // different: tiles created and filled
      {0xFFFFFF, 0xFFFFFF, true, 4, 0xFFFFFF},   // existing destination tiles are overwritten
  };
  for (const Case& c : cases) {
    TBlockImage src, dst;
    src.SetSize(256, 256);
    dst.SetSize(256, 256);
    src.SetBackColor(c.srcBack);
    dst.SetBackColor(c.dstBack);
    if (c.dstPainted) dst.FillRect(0, 0, 0x123456, 128, 128);
    src.CopyBlockRect(dst, 0, 0, 100, 100, 0, 0);
    EXPECT_EQ(dst.TileCount(), c.tiles);
    EXPECT_EQ(dst.PixelAt(99, 99), c.pixel);
    EXPECT_EQ(dst.PixelAt(100, 100), c.dstPainted ? 0x123456u : c.dstBack);
  }
}

TEST(BlockImage, CopyBlockRectAgreesWithPixelCopyOverRandomRectangles) {
  std::mt19937 rng(7);
  TBlockImage src;
  src.SetSize(400, 300);
  src.SetBackColor(0x00C0C0C0);
  Paint(src, 30, 20, 200, 150);
  src.Compact();
  for (int n = 0; n < 60; ++n) {
    auto r = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    const std::int32_t sx = r(-80, 350), sy = r(-80, 250), w = r(1, 260), h = r(1, 200);
    const std::int32_t dx = r(-100, 350), dy = r(-100, 250);
    TBlockImage dst;
    dst.SetSize(400, 300);
    dst.SetBackColor(n % 2 ? 0x00C0C0C0 : 0x00FFFFFF);
    Paint(dst, 0, 0, 64, 64);
    src.CopyBlockRect(dst, sx, sy, w, h, dx, dy);
    for (std::int32_t y = -1; y < 300; y += 3)
      for (std::int32_t x = -1; x < 400; x += 3) {
        const std::int32_t ux = x - dx + sx, uy = y - dy + sy;
        const bool covered = x >= dx && x < dx + w && y >= dy && y < dy + h && ux >= 0 && uy >= 0 &&
                             ux < 448 && uy < 320 && x >= 0 && y >= 0;
        const std::uint32_t before = (x >= 0 && y >= 0 && x < 64 && y < 64) ? Marker(x, y) : dst.BackColor;
        ASSERT_EQ(dst.PixelAt(x, y), covered ? src.PixelAt(ux, uy) : before)
            << "case " << n << " at " << x << "," << y;
      }
  }
}

TEST(BlockImage, CloneCopiesTilesAndBackColorIntoTheOtherGrid) {
  TBlockImage a, b;
  a.SetSize(640, 640);
  a.SetBackColor(0);
  a.SetPixel(5, 5, 0x00FF0000);
  a.SetPixel(600, 600, 0x0000FF00);
  b.SetSize(128, 128);
  b.SetPixel(70, 70, 1);
  a.CloneTo(b);
  EXPECT_EQ(b.BackColor, 0u);
  EXPECT_EQ(b.TileCount(), 1);  // (600, 600) is outside the smaller grid
  EXPECT_EQ(b.PixelAt(5, 5), 0x00FF0000u);
  EXPECT_EQ(b.PixelAt(70, 70), 0u);
}

TEST(BlockImage, MaskFillOnlyWhereTheMaskHasTiles) {
  TBlockImage b;
  TBlockChannel m;
  b.SetSize(200, 200);
  m.SetSize(200, 200);
  m.BlendMask(70, 70, 255, 255);
  m.BlendMask(71, 70, 255, 128);
  b.MaskFill(m, 0x00000000, 0, 0, 200, 200);
  EXPECT_EQ(b.TileCount(), 1);
  EXPECT_EQ(b.PixelAt(70, 70), 0x00010101u);  // lerp at 255 keeps the low bit
  EXPECT_EQ(b.PixelAt(71, 70), 0x00808080u);
  EXPECT_EQ(b.PixelAt(72, 70), 0x00FFFFFFu);
}

TEST(BlockImage, WholePaperTransformsAndLoads) {
  TBlockImage b;
  b.SetSize(130, 70);
  b.SetPixel(0, 0, 1);
  b.SetPixel(129, 1, 2);
  b.FlipHorizontal();
  EXPECT_EQ(b.PixelAt(129, 0), 1u);
  EXPECT_EQ(b.PixelAt(0, 1), 2u);
  EXPECT_EQ(b.TileCount(), 3 * 2);  // every paper tile gets created
  b.FlipVertical();
  EXPECT_EQ(b.PixelAt(129, 69), 1u);
  EXPECT_EQ(b.PixelAt(0, 68), 2u);
  TBlockImage r;
  r.SetSize(130, 70);
  b.Rotate180To(r);
  EXPECT_EQ(r.PixelAt(0, 0), 1u);
  EXPECT_EQ(r.PixelAt(129, 1), 2u);
  r.Invert();
  EXPECT_EQ(r.PixelAt(0, 0), ~1u);
  EXPECT_EQ(r.PixelAt(5, 5), 0xFF000000u);

  TPX image;
  image.SetSize(130, 70);
  image.Fill(0x00FFFFFF);
  image.SetPixel(100, 50, 0x00000001);
  b.LoadFromImage(image);
  b.Compact();
  EXPECT_EQ(b.TileCount(), 1);
  EXPECT_EQ(b.PixelAt(100, 50), 1u);

  TBlockImage s;
  s.SetSize(130, 70);
  s.StoreRect(image, 98, 48, 4, 4, -1, 0);
  EXPECT_EQ(s.PixelAt(1, 2), 1u);
  EXPECT_EQ(s.TileCount(), 1);
}

TEST(BlockImage, FlipsOfAPaperLargerThanTheGridReadTheBackground) {
  TBlockImage b;
  b.SetSize(7000, 10);
  b.SetPixel(0, 0, 5);
  b.FlipHorizontal();  // column 0 moves to 6999, beyond the grid; column 0 reads 6999
  EXPECT_EQ(b.PixelAt(0, 0), b.BackColor);
  EXPECT_EQ(b.TileCount(), 100);
}

TEST(BlockImage, ShrinkToAveragesBoxesOfSamples) {
  TBlockImage b;
  b.SetSize(4, 4);
  b.SetBackColor(0);
  b.SetPixel(0, 0, 0x04040404);
  b.SetPixel(3, 3, 0x08080808);
  TPX t;
  t.SetSize(2, 2);
  t.Fill(0xDEADBEEF);
  b.ShrinkTo(t);  // 3 x 3 boxes from steps of 2, clamped at the edge
  EXPECT_EQ(t.PixelAt(0, 0), 0x00000000u);
  EXPECT_EQ(t.PixelAt(1, 1), 0x03030303u);  // (3, 3) counted 2 x 2 times by clamping: 32 / 9
}

// The box reduction read by tile rows matches one clamped sample at a time, over papers
// with missing tiles, odd sizes and boxes that cross tiles and the edges.
TEST(BlockImage, ShrinkToMatchesSampleBySampleBoxes) {
  std::mt19937 rng(7);
  struct Case {
    std::int32_t w, h, tw, th;
  };
  for (const Case c : {Case{300, 200, 46, 31}, Case{129, 65, 46, 23}, Case{64, 64, 46, 46}, Case{2000, 50, 46, 2},
                       Case{7, 900, 1, 46}}) {
    TBlockImage b;
    b.SetSize(c.w, c.h);
    b.SetBackColor(0x00336699);
    for (std::int32_t k = 0; k < 40; ++k) {
      const std::int32_t x = static_cast<std::int32_t>(rng() % static_cast<std::uint32_t>(c.w));
      const std::int32_t y = static_cast<std::int32_t>(rng() % static_cast<std::uint32_t>(c.h));
      for (std::int32_t j = y; j < std::min(y + 20, c.h); ++j)
        for (std::int32_t i = x; i < std::min(x + 30, c.w); ++i) b.SetPixel(i, j, rng());
    }
    TPX got, want;
    got.SetSize(c.tw, c.th);
    want.SetSize(c.tw, c.th);
    b.ShrinkTo(got);
    const std::int32_t boxW = c.w / c.tw, boxH = c.h / c.th;
    const auto stepX = static_cast<std::int64_t>(static_cast<double>(c.w) / c.tw * 1024.0);
    const auto stepY = static_cast<std::int64_t>(static_cast<double>(c.h) / c.th * 1024.0);
    for (std::int32_t ty = 0; ty < c.th; ++ty)
      for (std::int32_t tx = 0; tx < c.tw; ++tx) {
        std::int32_t sb = 0, sg = 0, sr = 0, sa = 0;
        const auto sx = static_cast<std::int32_t>((stepX * tx) >> 10), sy = static_cast<std::int32_t>((stepY * ty) >> 10);
        for (std::int32_t j = 0; j <= boxH; ++j)
          for (std::int32_t i = 0; i <= boxW; ++i) b.SamplePixel(sx + i, sy + j, true, sb, sg, sr, sa);
        const std::int32_t n = (boxW + 1) * (boxH + 1);
        want.SetPixel(tx, ty,
                      static_cast<std::uint32_t>(sb / n) | static_cast<std::uint32_t>(sg / n) << 8 |
                          static_cast<std::uint32_t>(sr / n) << 16 | static_cast<std::uint32_t>(sa / n) << 24);
      }
    for (std::int32_t ty = 0; ty < c.th; ++ty)
      for (std::int32_t tx = 0; tx < c.tw; ++tx)
        ASSERT_EQ(got.PixelAt(tx, ty), want.PixelAt(tx, ty)) << c.w << "x" << c.h << " at " << tx << "," << ty;
  }
}

}  // namespace
}  // namespace vt
