#include "raster/block_channel.h"

#include <array>
#include <cstdint>

#include <gtest/gtest.h>

namespace vt {
namespace {

TEST(BlockChannel, MissingTilesReadZeroAndWritesCreateZeroTiles) {
  TBlockChannel m;
  m.SetSize(640, 480);
  EXPECT_EQ(m.MaskAt(10, 10), 0);
  EXPECT_EQ(m.MaskAt(-1, -1), 0);
  m.BlendMask(100, 100, 255, 200);
  m.BlendMask(101, 100, 128, 200);
  EXPECT_EQ(m.MaskAt(100, 100), 200);
  EXPECT_EQ(m.MaskAt(101, 100), 100);  // lerp from 0 toward 200 at 128
  EXPECT_EQ(m.MaskAt(102, 100), 0);
  m.BlendMask(-1, 0, 255, 9);  // outside the grid: dropped
  m.BlendMask(704, 0, 255, 9);
  EXPECT_EQ(m.TileCount(), 1);
}

TEST(BlockChannel, FillMaskWithZeroNeverGrowsTheMask) {
  TBlockChannel m;
  m.SetSize(300, 300);
  m.FillMask(0);
  EXPECT_EQ(m.TileCount(), 0);
  m.FillMask(50, 10, 10, 100, 100);
  EXPECT_EQ(m.TileCount(), 4);
  EXPECT_EQ(m.MaskAt(109, 109), 50);
  EXPECT_EQ(m.MaskAt(110, 110), 0);
  m.FillMask(0, 0, 0, 128, 64);  // covers tiles (0, 0) and (1, 0) wholly
  EXPECT_EQ(m.TileCount(), 2);
  EXPECT_EQ(m.MaskAt(100, 63), 0);
  EXPECT_EQ(m.MaskAt(100, 64), 50);
}

TEST(BlockChannel, CombineMaskKinds) {
  // Source: 100 at (70, 70), missing tile at (5, 5). Destination: 60 at both.
  struct Case {
    TMaskCombine kind;
    std::uint8_t atPainted, atMissing;
  };
  const Case cases[] = {
      {TMaskCombine::Copy, 100, 0},     {TMaskCombine::Add, 160, 60},
      {TMaskCombine::And, 100 & 60, 0},  // and with nothing leaves nothing
      {TMaskCombine::Sub, 0, 60},       {static_cast<TMaskCombine>(9), 60, 60},
  };
  for (const Case& c : cases) {
    TBlockChannel src, dst;
    src.SetSize(200, 200);
    dst.SetSize(200, 200);
    src.BlendMask(70, 70, 255, 100);
    dst.BlendMask(70, 70, 255, 60);
    dst.BlendMask(5, 5, 255, 60);
    src.CombineMask(dst, c.kind, 0, 0, 200, 200, 0, 0);
    EXPECT_EQ(dst.MaskAt(70, 70), c.atPainted) << static_cast<int>(c.kind);
    EXPECT_EQ(dst.MaskAt(5, 5), c.atMissing) << static_cast<int>(c.kind);
    EXPECT_EQ(dst.TileCount(), 2);  // empty source tiles never create destination tiles
  }
}

TEST(BlockChannel, CombineMaskAtAnOffsetAcrossTiles) {
  TBlockChannel src, dst;
  src.SetSize(200, 200);
  dst.SetSize(200, 200);
  src.FillMask(255, 60, 60, 8, 8);
  src.CombineMask(dst, TMaskCombine::Copy, 60, 60, 8, 8, 0, 62);
  EXPECT_EQ(dst.TileCount(), 2);
  EXPECT_EQ(dst.MaskAt(7, 62), 255);
  EXPECT_EQ(dst.MaskAt(7, 69), 255);
  EXPECT_EQ(dst.MaskAt(8, 69), 0);
}

TEST(BlockChannel, GrowAndShrinkUseTheEightNeighbours) {
  TBlockChannel m, grown, shrunk;
  for (TBlockChannel* b : {&m, &grown, &shrunk}) b->SetSize(70, 70);
  m.FillMask(255, 62, 10, 3, 3);  // straddles the tile edge at x = 64
  m.BlendMask(20, 20, 255, 254);  // not 255: ignored by both
  m.GrowMask(grown);
  m.ShrinkMask(shrunk);
  EXPECT_EQ(grown.MaskAt(61, 9), 255);
  EXPECT_EQ(grown.MaskAt(65, 13), 255);
  EXPECT_EQ(grown.MaskAt(66, 10), 0);
  EXPECT_EQ(grown.MaskAt(20, 20), 0);
  EXPECT_EQ(shrunk.MaskAt(63, 11), 255);
  EXPECT_EQ(shrunk.MaskAt(62, 11), 0);
  EXPECT_EQ(grown.TileCount(), 4);  // per-pixel results create every paper tile
}

TEST(BlockChannel, MaskPreviewIsAnOpaqueGreyBoxMean) {
  TBlockChannel m;
  m.SetSize(4, 4);
  m.FillMask(90, 0, 0, 2, 2);
  TPX t;
  t.SetSize(2, 2);
  t.Fill(0);
  m.MaskPreview(t, 0, 0, 1, 1);
  EXPECT_EQ(t.PixelAt(0, 0), 0xFF282828u);  // 4 x 90 / 9 = 40
  EXPECT_EQ(t.PixelAt(1, 1), 0xFF000000u);
}

TEST(BlockChannel, CopyBlockRectFromMissingTilesClearsOnlyExistingOnes) {
  TBlockChannel src, dst;
  src.SetSize(200, 200);
  dst.SetSize(200, 200);
  dst.FillMask(9, 0, 0, 64, 64);
  src.CopyBlockRect(dst, 0, 0);
  EXPECT_EQ(dst.TileCount(), 1);
  EXPECT_EQ(dst.MaskAt(3, 3), 0);
  src.BlendMask(150, 150, 255, 7);
  src.CloneTo(dst);
  EXPECT_EQ(dst.TileCount(), 1);
  EXPECT_EQ(dst.MaskAt(150, 150), 7);
}

}  // namespace
}  // namespace vt
