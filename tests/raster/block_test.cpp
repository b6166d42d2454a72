#include "raster/block.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "raster/block_channel.h"
#include "raster/block_image.h"

namespace vt {
namespace {

TEST(Block, FloorDivAndModForNegativeCoordinates) {
  struct Case {
    std::int32_t a, div, mod;
  };
  const Case cases[] = {{0, 0, 0},    {63, 0, 63},   {64, 1, 0},     {-1, -1, 63},
                        {-64, -1, 0}, {-65, -2, 63}, {6399, 99, 63}, {-129, -3, 63}};
  for (const Case& c : cases) {
    EXPECT_EQ(FloorDiv(c.a, 64), c.div) << c.a;
    EXPECT_EQ(FloorMod(c.a, 64), c.mod) << c.a;
  }
}

TEST(Block, TileRectWalkParts) {
  // (10, 70, 130, 60): columns 0..2, rows 1..2, six steps row-major.
  EXPECT_EQ(TBlock::NumTileSteps(10, 70, 130, 60), 6);
  struct Case {
    std::int64_t k;
    TTilePart expected;
  };
  const Case cases[] = {
      {0, {0, 1, 10, 6, 54, 58, 0, 0}}, {1, {1, 1, 0, 6, 64, 58, 54, 0}},  {2, {2, 1, 0, 6, 12, 58, 118, 0}},
      {3, {0, 2, 10, 0, 54, 2, 0, 58}}, {5, {2, 2, 0, 0, 12, 2, 118, 58}},
  };
  for (const Case& c : cases) {
    const TTilePart p = TBlock::TileRect(10, 70, 130, 60, c.k);
    const TTilePart& e = c.expected;
    EXPECT_EQ((std::array{p.col, p.row, p.x, p.y, p.w, p.h, p.offX, p.offY}),
              (std::array{e.col, e.row, e.x, e.y, e.w, e.h, e.offX, e.offY}))
        << "step " << c.k;
  }
  // Negative start: pixel -1 lies in column -1 at 63.
  const TTilePart n = TBlock::TileRect(-1, -1, 2, 2, 0);
  EXPECT_EQ((std::array{n.col, n.row, n.x, n.y, n.w, n.h}), (std::array{-1, -1, 63, 63, 1, 1}));
  EXPECT_EQ(TBlock::NumTileSteps(-1, -1, 2, 2), 4);
}

TEST(Block, ForEachTilePartMatchesTheWalkInsideTheGrid) {
  TBlockImage b;
  b.SetSize(300, 200);
  const std::int32_t rects[][4] = {
      {-70, -5, 200, 140}, {10, 70, 130, 60}, {250, 150, 500, 500}, {0, 0, 64, 64}};
  for (const auto& r : rects) {
    std::vector<TTilePart> walked;
    b.ForEachTilePart(r[0], r[1], r[2], r[3], [&](const TTilePart& p) { walked.push_back(p); });
    std::vector<TTilePart> expected;
    for (std::int64_t k = 0; k < TBlock::NumTileSteps(r[0], r[1], r[2], r[3]); ++k) {
      const TTilePart p = TBlock::TileRect(r[0], r[1], r[2], r[3], k);
      if (b.InGrid(p.col, p.row)) expected.push_back(p);
    }
    ASSERT_EQ(walked.size(), expected.size());
    for (std::size_t i = 0; i < walked.size(); ++i) {
      const TTilePart &a = walked[i], &e = expected[i];
      EXPECT_EQ((std::array{a.col, a.row, a.x, a.y, a.w, a.h, a.offX, a.offY}),
                (std::array{e.col, e.row, e.x, e.y, e.w, e.h, e.offX, e.offY}));
    }
  }
}

TEST(Block, GridBoundsAreInclusiveOfTheSizeAndCappedByTheGrid) {
  TBlockImage b;
  b.SetSize(640, 480);
  EXPECT_TRUE(b.InGrid(10, 7));  // pixels 640..703, never shown
  EXPECT_FALSE(b.InGrid(11, 0));
  EXPECT_FALSE(b.InGrid(0, 8));
  EXPECT_FALSE(b.InGrid(-1, 0));
  b.SetSize(100000, 100000);  // beyond the grid: the grid still ends at 100 x 100
  EXPECT_TRUE(b.InGrid(99, 99));
  EXPECT_FALSE(b.InGrid(100, 0));
  b.SetPixel(6400, 0, 0x123456);
  b.SetPixel(0, 7000, 0x123456);
  EXPECT_EQ(b.MemoryBytes(), 0);
  EXPECT_EQ(b.PixelAt(6400, 0), 0xFFFFFFu);
  b.FillRect(6000, 6000, 0x010203, 100000, 100000);
  EXPECT_EQ(b.TileCount(), 49);  // columns and rows 93..99
}

TEST(Block, NewBlockHoldsNoTilesAndCountsSixteenKilobytesPerTile) {
  TBlockImage b;
  b.SetSize(5000, 5000);
  EXPECT_EQ(b.MemoryBytes(), 0);
  EXPECT_EQ(b.UsedBounds(), (TIntRect{0, 0, 64, 64}));
  b.SetSize(640, 480);
  b.SetPixel(639, 479, 0x000000);
  EXPECT_EQ(b.MemoryBytes(), 16384);
  EXPECT_TRUE(b.HasTile(639, 479));
  EXPECT_FALSE(b.HasTile(-1, 479));
  EXPECT_EQ(b.UsedBounds(), (TIntRect{576, 448, 64, 64}));

  TBlockChannel m;
  m.SetSize(640, 480);
  m.BlendMask(0, 0, 255, 1);
  m.BlendMask(200, 300, 255, 1);
  EXPECT_EQ(m.MemoryBytes(), 2 * 16384);
  EXPECT_EQ(m.UsedBounds(), (TIntRect{0, 0, 256, 320}));
}

TEST(Block, CompactDropsOnlyTilesEqualToTheBackground) {
  TBlockImage b;
  b.SetSize(640, 480);
  b.Fill(0xFF000000u | b.BackColor);  // A byte differs: still uniform in the low 24 bits
  EXPECT_EQ(b.TileCount(), 10 * 8);   // the paper's tiles, not the spare column 10
  b.SetPixel(100, 100, 0x000001);
  b.Compact();
  EXPECT_EQ(b.TileCount(), 1);
  b.SetPixel(100, 100, b.BackColor);
  b.Compact();
  EXPECT_EQ(b.MemoryBytes(), 0);

  // CompactRect reaches one tile before the rectangle and w div 64 tiles after its start.
  b.Fill(b.BackColor);
  b.CompactRect(128, 128, 64, 64);  // columns and rows 1..3
  EXPECT_EQ(b.TileCount(), 10 * 8 - 9);
  EXPECT_TRUE(b.HasTile(0, 0));
  EXPECT_FALSE(b.HasTile(64, 64));
  EXPECT_TRUE(b.HasTile(256, 128));

  TBlockChannel m;  // mask tiles of zeros are dropped, others kept
  m.SetSize(200, 200);
  m.FillMask(7, 0, 0, 200, 200);
  m.FillMask(0, 0, 0, 64, 64);
  m.BlendMask(70, 0, 255, 0);
  m.Compact();
  EXPECT_EQ(m.TileCount(), 15);
}

}  // namespace
}  // namespace vt
