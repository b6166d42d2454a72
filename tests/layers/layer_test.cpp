#include "layers/layer.h"

#include <gtest/gtest.h>

namespace vt {
namespace {

TEST(Layer, ThumbnailFollowsThePaperShape) {
  struct Case {
    int w, h, tw, th;
  };
  for (const Case& c : {Case{400, 100, 46, 12}, Case{100, 400, 12, 46}, Case{100, 100, 47, 46}}) {
    TLayer l(0);
    l.SetSize(c.w, c.h);
    EXPECT_EQ(l.Thumbnail.Width, c.tw) << c.w << "x" << c.h;
    EXPECT_EQ(l.Thumbnail.Height, c.th) << c.w << "x" << c.h;
  }
}

TEST(Layer, ModeChangeKeepsPaintedTilesAndTurnsEmptySpaceNeutral) {
  TLayer l(0);
  l.SetSize(200, 100);
  l.FillRect(10, 10, 5, 5, 0x336699);
  l.SetMode(1);
  EXPECT_EQ(l.Block().BackColor, 0x000000u);
  EXPECT_EQ(l.Block().PixelAt(12, 12) & 0xFFFFFF, 0x336699u);
  // White pixels inside the painted tile survive; untouched tiles read black now.
  EXPECT_EQ(l.Block().PixelAt(40, 40) & 0xFFFFFF, 0xFFFFFFu);
  EXPECT_EQ(l.Block().PixelAt(150, 80) & 0xFFFFFF, 0x000000u);
  EXPECT_EQ(l.Block().TileCount(), 1);
}

TEST(Layer, OffsetContentDropsWhatLeavesThePaper) {
  TLayer l(0);
  l.SetSize(100, 20);
  l.FillRect(0, 0, 100, 20, 0x112233);
  l.OffsetContent(10, 0);
  for (int x : {0, 9}) EXPECT_EQ(l.Block().PixelAt(x, 5) & 0xFFFFFF, 0xFFFFFFu) << x;
  for (int x : {10, 99}) EXPECT_EQ(l.Block().PixelAt(x, 5) & 0xFFFFFF, 0x112233u) << x;
}

TEST(Layer, NineSnapshotsKeepEightThatUndoInReverseOrder) {
  TLayer l(0);
  l.SetSize(64, 64);
  TBlockImage work;
  work.SetSize(64, 64);
  for (int i = 0; i < 9; ++i) {
    l.SnapshotRect(0, 0, 8, 8);
    l.FillRect(0, 0, 8, 8, 0x010101u * static_cast<std::uint32_t>(i + 1));
  }
  EXPECT_EQ(l.UndoCount, 8);
  for (int i = 8; i >= 1; --i) {
    const TIntRect r = l.UndoInto(work);
    EXPECT_EQ(r, (TIntRect{0, 0, 8, 8}));
    // Undo number k restores the colour painted before the k-th newest change.
    const std::uint32_t expected = 0x010101u * static_cast<std::uint32_t>(i);
    EXPECT_EQ(l.Block().PixelAt(3, 3) & 0xFFFFFF, expected) << i;
    EXPECT_EQ(work.PixelAt(3, 3) & 0xFFFFFF, expected) << i;
  }
  EXPECT_EQ(l.UndoCount, 0);
  EXPECT_EQ(l.UndoBytes(), 0);
}

// Snapshots at any offset within a tile, and rectangles reaching far past the paper (a
// stroke from a point well off it), restore every pixel the layer holds.
TEST(Layer, UndoRestoresRectanglesAtAnyOffsetAndFarPastThePaper) {
  struct Case {
    TIntRect snap;
    TPointI painted;
  };
  for (const Case c : {Case{{3, 70, 130, 61}, {132, 130}}, Case{{-3000, -10, 9000, 120}, {4990, 50}},
                       Case{{4900, 0, 3000, 100}, {4999, 99}}, Case{{63, 63, 2, 2}, {64, 64}}}) {
    TLayer l(0);
    l.SetSize(5000, 200);
    TBlockImage work;
    work.SetSize(5000, 200);
    l.FillRect(0, 0, 5000, 200, 0x123456u);
    l.Block().CloneTo(work);
    l.SnapshotRect(c.snap.x, c.snap.y, c.snap.w, c.snap.h);
    l.FillRect(c.painted.x, c.painted.y, 1, 1, 0x00FF00u);
    l.FillRect(std::max(c.snap.x, 0), std::max(c.snap.y, 0), 1, 1, 0x0000FFu);
    const TIntRect r = l.UndoInto(work);
    EXPECT_EQ(l.Block().PixelAt(c.painted.x, c.painted.y) & 0xFFFFFF, 0x123456u) << c.snap.x;
    EXPECT_EQ(l.Block().PixelAt(std::max(c.snap.x, 0), std::max(c.snap.y, 0)) & 0xFFFFFF, 0x123456u);
    EXPECT_EQ(work.PixelAt(c.painted.x, c.painted.y) & 0xFFFFFF, 0x123456u);
    // The restored rectangle is the snapshot's part within the layer's tiles.
    EXPECT_GE(r.x, 0);
    EXPECT_LE(r.x + r.w, l.Block().GridCols() * TBlock::TileSize);
  }
}

TEST(Layer, DeferredThumbnailsCatchUpWhenShownAgain) {
  TLayer l(0);
  l.SetSize(92, 92);
  l.DeferThumbnail(true);
  l.FillRect(0, 0, 92, 92, 0x000000);
  l.UpdateThumbnail();
  EXPECT_EQ(l.Thumbnail.PixelAt(10, 10) & 0xFFFFFF, 0xFFFFFFu);  // not drawn while deferred
  TLayer copy(0);
  copy.SetSize(92, 92);
  copy.CopyLayerFrom(l);  // a stale thumbnail is not copied as if it were current
  EXPECT_EQ(copy.Thumbnail.PixelAt(10, 10) & 0xFFFFFF, 0x000000u);
  l.DeferThumbnail(false);
  EXPECT_EQ(l.Thumbnail.PixelAt(10, 10) & 0xFFFFFF, 0x000000u);
}

TEST(Layer, ClearedLayerCostsOnlyItsThumbnail) {
  TLayer l(2);
  l.SetSize(300, 300);
  l.FillRect(0, 0, 300, 300, 0x808080);
  EXPECT_GT(l.LayerBytes(), 16384);
  l.ClearLayer();
  EXPECT_EQ(l.LayerBytes(), static_cast<std::int64_t>(l.Thumbnail.Width) * l.Thumbnail.Height * 4);
}

TEST(Layer, CopyLayerFromCopiesEverything) {
  TLayer a(1), b(0);
  a.SetSize(128, 128);
  b.SetSize(128, 128);
  a.Opacity = 77;
  a.Visible = false;
  a.SnapshotRect(0, 0, 10, 10);
  a.FillRect(5, 5, 3, 3, 0x445566);
  a.UpdateThumbnail();
  b.CopyLayerFrom(a);
  EXPECT_EQ(b.Mode, 1);
  EXPECT_EQ(b.Opacity, 77);
  EXPECT_FALSE(b.Visible);
  EXPECT_EQ(b.Block().BackColor, 0u);
  EXPECT_EQ(b.Block().PixelAt(6, 6) & 0xFFFFFF, 0x445566u);
  EXPECT_EQ(b.UndoCount, 1);
  TBlockImage work;
  work.SetSize(128, 128);
  b.UndoInto(work);
  EXPECT_EQ(b.Block().PixelAt(6, 6) & 0xFFFFFF, 0u);
  EXPECT_EQ(a.Block().PixelAt(6, 6) & 0xFFFFFF, 0x445566u);
}

}  // namespace
}  // namespace vt
