#include "brush/rect_region.h"

#include <limits>

#include <gtest/gtest.h>

namespace vt {
namespace {

TEST(RectRegion, FirstPointSetsBoundsLaterPointsWiden) {
  TRectRegion region;
  EXPECT_TRUE(region.Empty());
  EXPECT_EQ(region.Reported(), (TIntRect{0, 0, 0, 0}));
  region.AddPoint(10, 20);
  region.AddPoint(4, 30);
  region.AddPoint(7, 25);
  EXPECT_FALSE(region.Empty());
  EXPECT_EQ(region.MinX(), 4);
  EXPECT_EQ(region.MinY(), 20);
  EXPECT_EQ(region.MaxX(), 10);
  EXPECT_EQ(region.MaxY(), 30);
  // After a reset the next point starts afresh.
  region.Reset();
  region.AddPoint(100, 100);
  EXPECT_EQ(region.MinX(), 100);
  EXPECT_EQ(region.MaxY(), 100);
}

TEST(RectRegion, ReportedRoundsToEvenAndWidensByTwo) {
  struct Case {
    float cx, cy, half;
    TIntRect reported;  // x, y, w, h
  };
  const Case cases[] = {
      // A dab of size 3 at (10.5, 10.5): bounds (5, 5)-(15, 15), reported (2, 2)-(16, 16).
      {10.5f, 10.5f, 5.0f, {2, 2, 14, 14}},
      // Odd and even bounds: (4, 7)-(9, 12) -> (2, 4)-(10, 14).
      {6.5f, 9.5f, 2.5f, {2, 4, 8, 10}},
      // Corners truncate toward zero, so -3.5 is -3, and -3 div 2 is -1: left -4.
      {0.0f, 0.0f, 3.5f, {-4, -4, 8, 8}},
  };
  for (const Case& c : cases) {
    TRectRegion region;
    region.AddSquare(c.cx, c.cy, c.half);
    EXPECT_EQ(region.Reported(), c.reported) << c.cx << " " << c.cy << " " << c.half;
  }
}

TEST(RectRegion, AddMergesAndSaturatesWithoutOverflow) {
  TRectRegion a, b;
  a.AddPoint(0, 0);
  a.Add(b);
  EXPECT_EQ(a.MaxX(), 0);
  b.AddPoint(-5, 9);
  a.Add(b);
  EXPECT_EQ(a.MinX(), -5);
  EXPECT_EQ(a.MaxY(), 9);

  TRectRegion huge;
  huge.AddSquare(0.0f, 0.0f, 1e30f);
  const TIntRect r = huge.Reported();
  EXPECT_EQ(r.x, std::numeric_limits<std::int32_t>::min());
  EXPECT_GT(r.w, 0);
}

}  // namespace
}  // namespace vt
