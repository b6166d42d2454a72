#include "layers/select_mng.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace vt {
namespace {

std::vector<std::uint8_t> MaskPixels(const TBlockChannel& m) {
  std::vector<std::uint8_t> v;
  for (int y = 0; y < m.Height; ++y)
    for (int x = 0; x < m.Width; ++x) v.push_back(m.MaskAt(x, y));
  return v;
}

TEST(SelectMng, TriangleIsFullInsidePartialOnTheHypotenuseAndEmptyOutside) {
  TSelectMng sel(32, 32);
  const std::vector<TPointI> tri{{0, 0}, {10, 0}, {0, 10}};
  sel.SelectPolygon(0, tri, 0);
  const TBlockChannel& m = *sel.Mask(0);
  EXPECT_FALSE(sel.NothingSelected(0));
  EXPECT_EQ(m.MaskAt(2, 2), 255);
  EXPECT_EQ(m.MaskAt(1, 6), 255);
  EXPECT_EQ(m.MaskAt(8, 8), 0);
  EXPECT_EQ(m.MaskAt(20, 3), 0);
  EXPECT_EQ(m.MaskAt(3, 20), 0);
  int partial = 0;
  for (int x = 0; x <= 10; ++x) {
    const int v = m.MaskAt(x, 10 - x - 1);
    if (v > 0 && v < 255) ++partial;
  }
  EXPECT_GE(partial, 5);
  // Coverage never rises away from the inside along a row (the paper edge pixel itself
  // is a partly covered run end).
  for (int y = 0; y < 10; ++y)
    for (int x = 2; x < 12; ++x) EXPECT_LE(m.MaskAt(x, y), m.MaskAt(x - 1, y)) << x << "," << y;
}

TEST(SelectMng, RepeatedPointsAreDroppedAndDegeneratePolygonsSelectNothing) {
  TSelectMng a(40, 40), b(40, 40);
  a.SelectPolygon(0, std::vector<TPointI>{{5, 5}, {30, 5}, {30, 30}, {5, 30}}, 0);
  b.SelectPolygon(0, std::vector<TPointI>{{5, 5}, {5, 5}, {30, 5}, {30, 30}, {30, 30}, {5, 30}, {5, 5}}, 0);
  EXPECT_EQ(MaskPixels(*a.Mask(0)), MaskPixels(*b.Mask(0)));

  TSelectMng line(40, 40);
  line.SelectPolygon(0, std::vector<TPointI>{{5, 5}, {30, 30}, {5, 5}}, 0);
  EXPECT_FALSE(line.NothingSelected(0));
  EXPECT_EQ(line.Mask(0)->TileCount(), 0);
}

TEST(SelectMng, CombineModes) {
  const std::vector<TPointI> left{{0, 0}, {20, 0}, {20, 40}, {0, 40}};
  const std::vector<TPointI> right{{10, 0}, {40, 0}, {40, 40}, {10, 40}};
  struct Case {
    int mode;
    int at5, at15, at30;
  };
  const Case cases[] = {
      {0, 0, 255, 255},    // new replaces
      {1, 255, 255, 255},  // add
      {2, 255, 0, 0},      // subtract
      {4, 0, 255, 0},      // intersect
      {3, 255, 255, 0},    // unknown mode keeps the mask
  };
  for (const Case& c : cases) {
    TSelectMng sel(40, 40);
    sel.SelectPolygon(0, left, 0);
    sel.SelectPolygon(0, right, c.mode);
    const TBlockChannel& m = *sel.Mask(0);
    EXPECT_EQ(m.MaskAt(5, 20), c.at5) << "mode " << c.mode;
    EXPECT_EQ(m.MaskAt(15, 20), c.at15) << "mode " << c.mode;
    EXPECT_EQ(m.MaskAt(30, 20), c.at30) << "mode " << c.mode;
    EXPECT_FALSE(sel.NothingSelected(0));
  }
}

TEST(SelectMng, AddOnAnEmptySlotActsAsNew) {
  TSelectMng a(40, 40), b(40, 40);
  const std::vector<TPointI> quad{{3, 4}, {33, 7}, {28, 35}, {6, 30}};
  a.SelectPolygon(0, quad, 0);
  b.SelectAll(0);
  b.ClearSelection(0);
  b.SelectPolygon(0, quad, 1);
  EXPECT_EQ(MaskPixels(*a.Mask(0)), MaskPixels(*b.Mask(0)));
}

TEST(SelectMng, GrowOfOnePixelGivesAThreeByThreeBlock) {
  TBlockChannel one, grown, smooth;
  for (TBlockChannel* m : {&one, &grown, &smooth}) m->SetSize(16, 16);
  one.BlendMask(7, 7, 255, 255);
  one.GrowMask(grown);
  TSelectMng::SmoothStairs(grown, smooth);
  for (int y = 5; y <= 9; ++y)
    for (int x = 5; x <= 9; ++x) {
      const bool inside = x >= 6 && x <= 8 && y >= 6 && y <= 8;
      EXPECT_EQ(smooth.MaskAt(x, y), inside ? 255 : 0) << x << "," << y;
    }
}

TEST(SelectMng, SmoothStairsRampsAStep) {
  // Row 0 is selected over columns 0..9, row 1 over 0..4: one step of five pixels.
  TBlockChannel src, dst;
  src.SetSize(16, 4);
  dst.SetSize(16, 4);
  for (int x = 0; x < 10; ++x) src.BlendMask(x, 0, 255, 255);
  for (int x = 0; x < 5; ++x) src.BlendMask(x, 1, 255, 255);
  TSelectMng::SmoothStairs(src, dst);
  // The ramp runs along row 1 from column 5 to 10, falling by 255 / 6 per pixel.
  EXPECT_GT(dst.MaskAt(5, 1), 200);
  for (int x = 6; x <= 10; ++x) EXPECT_LT(dst.MaskAt(x, 1), dst.MaskAt(x - 1, 1)) << x;
  EXPECT_LT(dst.MaskAt(10, 1), 10);
  EXPECT_EQ(dst.MaskAt(11, 1), 0);
  EXPECT_EQ(dst.MaskAt(4, 1), 255);
  EXPECT_EQ(dst.MaskAt(9, 0), 255);
}

TEST(SelectMng, InverseFlipsTheMaskOverThePaper) {
  TSelectMng sel(100, 70);
  sel.InverseSelection(0);  // nothing selected: nothing happens
  EXPECT_TRUE(sel.NothingSelected(0));
  sel.SelectPolygon(0, std::vector<TPointI>{{10, 10}, {50, 10}, {50, 50}, {10, 50}}, 0);
  sel.InverseSelection(0);
  const TBlockChannel& m = *sel.Mask(0);
  EXPECT_EQ(m.MaskAt(30, 30), 0);
  EXPECT_EQ(m.MaskAt(99, 69), 255);
  EXPECT_EQ(m.MaskAt(5, 5), 255);
  EXPECT_FALSE(sel.NothingSelected(0));
}

TEST(SelectMng, StoreSelectionMovesTheSlotUpAndClearsIt) {
  TSelectMng sel(64, 64);
  sel.SelectAll(0);
  sel.StoreSelection(0);
  EXPECT_EQ(sel.SlotTop(), 1);
  EXPECT_EQ(sel.CurrentSlot(), 0);
  EXPECT_TRUE(sel.NothingSelected(0));
  EXPECT_FALSE(sel.NothingSelected(1));
  EXPECT_EQ(sel.Mask(1)->MaskAt(63, 63), 255);
  for (int i = 0; i < 30; ++i) sel.StoreSelection(0);
  EXPECT_EQ(sel.SlotTop(), TSelectMng::MaxSlots - 1);
  sel.SetCurrentSlot(24);
  EXPECT_EQ(sel.CurrentSlot(), 0);
}

TEST(SelectMng, HostilePolygonsStayInsideThePaper) {
  std::mt19937 rng(7);
  std::uniform_int_distribution<int> coord(-40000, 40000);
  std::vector<TPointI> pts(65535);
  for (TPointI& p : pts) p = {coord(rng), coord(rng)};
  TSelectMng sel(120, 80);
  sel.SelectPolygon(0, pts, 0);
  EXPECT_FALSE(sel.NothingSelected(0));
  // Far-away coordinates only: a huge square around the paper covers it entirely.
  sel.SelectPolygon(0, std::vector<TPointI>{{-32768, -32768}, {32767, -32768}, {32767, 32767}, {-32768, 32767}}, 0);
  EXPECT_EQ(sel.Mask(0)->MaskAt(60, 40), 255);
  EXPECT_EQ(sel.Mask(0)->MaskAt(119, 79), 255);
  sel.SelectPolygon(0, std::vector<TPointI>{}, 0);
}

}  // namespace
}  // namespace vt
