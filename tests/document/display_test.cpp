#include "document/display.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>

namespace vt {
namespace {

constexpr std::int32_t kM = 960;  // a 1920-pixel-wide screen
const TViewSize kClient{800, 600};
const TViewSize kPaper{640, 480};

TScrollLayout Layout(TDisplay& d, std::int32_t h, std::int32_t v, TViewSize client = kClient,
                     TViewSize paper = kPaper) {
  return d.LayoutScrollBars({client, paper, kM, h, v});
}

void ExpectNear(TPointI a, TPointI b, std::int32_t tolerance) {
  EXPECT_LE(std::abs(a.x - b.x), tolerance) << a.x << " vs " << b.x;
  EXPECT_LE(std::abs(a.y - b.y), tolerance) << a.y << " vs " << b.y;
}

TEST(Display, ZoomLevelsStepThroughTheTableAndStopAtItsEnds) {
  TDisplay d;
  d.Zoom = TDisplay::MinZoom;
  const char* texts[] = {" 25%", " 50%", "100%", "150%", "200%", "300%", "400%", "600%", "800%"};
  const float factors[] = {0.25f, 0.5f, 1, 1.5f, 2, 3, 4, 6, 8};
  for (int i = 0; i < 9; ++i) {
    EXPECT_STREQ(d.ZoomText(), texts[i]);
    EXPECT_EQ(d.ZoomFactor(), factors[i]);
    EXPECT_EQ(d.ZoomIn(), i < 8) << "zoom-in number " << i + 1;
  }
  EXPECT_EQ(d.Zoom, TDisplay::MaxZoom);
  for (int i = 0; i < 8; ++i) EXPECT_TRUE(d.ZoomOut());
  EXPECT_FALSE(d.ZoomOut());
  EXPECT_EQ(d.Zoom, TDisplay::MinZoom);
  d.Zoom = 17;  // not a level: shown and mapped as 100%
  EXPECT_EQ(d.ZoomFactor(), 1.0f);
  EXPECT_STREQ(d.ZoomText(), "100%");
}

TEST(Display, ScrollLayoutAt100PercentShowsMarginBandsAndClampsThePosition) {
  TDisplay d;
  TScrollLayout l = Layout(d, 960, 960);
  ASSERT_TRUE(l.visible);
  EXPECT_EQ(l.horizontal.maximum, 2560);
  EXPECT_EQ(l.horizontal.page, 800);
  EXPECT_EQ(l.horizontal.largeChange, 784);
  EXPECT_EQ(l.horizontal.smallChange, 10);
  EXPECT_EQ(l.horizontal.place, (TIntRect{0, 584, 784, 16}));
  EXPECT_EQ(l.vertical.place, (TIntRect{784, 0, 16, 584}));
  EXPECT_EQ(d.MarginX, 0);
  EXPECT_EQ(d.ScrollX, 0);
  EXPECT_EQ(d.OriginX(), 0);
  // The paper ends at column 640 and row 480 of the client; the rest is margin.
  ASSERT_EQ(l.greyBands.size(), 2u);
  EXPECT_EQ(l.greyBands[0], (TIntRect{640, 0, 160, 600}));
  EXPECT_EQ(l.greyBands[1], (TIntRect{0, 480, 800, 120}));

  l = Layout(d, 900, 1000);
  EXPECT_EQ(d.MarginX, 60);
  EXPECT_EQ(d.ScrollX, 0);
  EXPECT_EQ(d.MarginY, 0);
  EXPECT_EQ(d.ScrollY, 40);
  EXPECT_EQ(l.greyBands[0], (TIntRect{0, 0, 60, 600}));
  EXPECT_EQ(d.WindowToPaper(kClient, {60, 0}).x, 0);

  // Positions are kept within 0..maximum - page.
  l = Layout(d, 99999, -50);
  EXPECT_EQ(l.horizontal.position, 2560 - 800);
  EXPECT_EQ(l.vertical.position, 0);
  EXPECT_EQ(d.ScrollX, 800);
  EXPECT_EQ(l.greyBands.front(), (TIntRect{0, 0, 800, 600})) << "only margin is in view";
}

TEST(Display, ScrollLayoutFollowsTheZoomAndHidesWhenRotated) {
  TDisplay d;
  d.Zoom = -2;
  TScrollLayout l = Layout(d, kM + 40, kM);
  EXPECT_EQ(l.horizontal.maximum, 160 + 2 * kM);
  EXPECT_EQ(l.horizontal.largeChange, 3136);
  EXPECT_EQ(l.horizontal.smallChange, 2);
  EXPECT_EQ(d.ScrollX, 160);
  d.Zoom = 1;
  l = Layout(d, kM + 40, kM);
  EXPECT_EQ(l.horizontal.maximum, 960 + 2 * kM);
  EXPECT_EQ(l.horizontal.smallChange, 15);
  EXPECT_EQ(d.ScrollX, 26);

  d.SetAngle(0.3f);
  const std::int32_t scroll = d.ScrollX;
  l = Layout(d, kM + 400, kM);
  EXPECT_FALSE(l.visible);
  EXPECT_TRUE(l.greyBands.empty());
  EXPECT_EQ(d.ScrollX, scroll);
}

TEST(Display, FitWindowTruncatesTheScaledPaperSize) {
  struct Case {
    std::int32_t zoom;
    TViewSize fit;
  } cases[] = {{-2, {25 + 80, 12 + 80}}, {-1, {50 + 80, 25 + 80}},  {0, {101 + 80, 51 + 80}},
               {1, {151 + 80, 76 + 80}}, {2, {202 + 80, 102 + 80}}, {6, {808 + 80, 408 + 80}}};
  for (const Case& c : cases) {
    TDisplay d;
    d.Zoom = c.zoom;
    EXPECT_EQ(d.FitWindow({101, 51}), c.fit) << "zoom " << c.zoom;
  }
}

TEST(Display, UnrotatedMappingTruncatesAndRoundTrips) {
  TDisplay d;
  for (std::int32_t zoom = TDisplay::MinZoom; zoom <= TDisplay::MaxZoom; ++zoom) {
    d.Zoom = zoom;
    Layout(d, kM + 100, kM - 30);
    const float z = d.ZoomFactor();
    for (std::int32_t px : {0, 7, 333}) {
      const TPointI w = d.PaperToWindow(kClient, px, px / 2);
      EXPECT_EQ(w.x, d.OriginX() + static_cast<std::int32_t>(z * px));
      EXPECT_EQ(w.y, 30 + static_cast<std::int32_t>(z * (px / 2)));
      if (z >= 1) {
        // Whole factors map back exactly; 150% can lose a pixel to the truncated origin.
        ExpectNear(d.WindowToPaper(kClient, w), {px, px / 2}, z == 1.5f ? 1 : 0);
      } else {
        const TPointI p = d.WindowToPaper(kClient, w);
        ExpectNear(d.PaperToWindow(kClient, p.x, p.y), w, 1);
      }
    }
  }
  d.Zoom = 2;
  d.MarginX = 10;
  d.ScrollX = 5;
  // (7 - 10) / 2 = -1.5 truncates toward zero.
  EXPECT_EQ(d.WindowToPaper(kClient, {7, 0}).x, 4);
  EXPECT_EQ(d.WindowToPaper(kClient, {13, 0}).x, 6);
}

TEST(Display, RotatedMappingTurnsAboutTheCentre) {
  TDisplay d;
  d.SetAngle(static_cast<float>(std::numbers::pi / 2));
  d.SetCentre(100.5f, 50.5f);
  // A quarter turn: the window's x axis runs down the paper.
  ExpectNear(d.WindowToPaper(kClient, {400 + 20, 300}), {100, 70}, 1);
  ExpectNear(d.PaperToWindow(kClient, 100.5, 70.5), {420, 300}, 1);
  EXPECT_EQ(d.CentrePoint(kClient), (TPointI{100, 50}));
  for (std::int32_t zoom : {-2, 0, 1, 4}) {
    d.Zoom = zoom;
    d.SetAngle(0.7f);
    for (TPointI w : {TPointI{10, 20}, TPointI{400, 300}, TPointI{777, 555}}) {
      const TPointI p = d.WindowToPaper(kClient, w);
      // A paper pixel covers 1/z window pixels.
      ExpectNear(d.PaperToWindow(kClient, p.x + 0.5, p.y + 0.5), w,
                 static_cast<std::int32_t>(std::ceil(d.ZoomFactor())) + 1);
    }
  }
}

TEST(Display, ZoomAboutAPointPutsItAtTheWindowCentre) {
  for (TZoomStep step : {TZoomStep::In, TZoomStep::Out}) {
    TDisplay d;
    const TZoomResult r = d.ZoomAbout({step, {320, 240}, kClient, kPaper, kM, false});
    ASSERT_TRUE(r.changed);
    EXPECT_FALSE(r.resized);
    Layout(d, r.positions.h, r.positions.v);
    ExpectNear(d.CentrePoint(kClient), {320, 240}, 1);
  }
  TDisplay d;
  d.Zoom = 1;
  TZoomResult r = d.ZoomAbout({TZoomStep::In, {-50, 9999}, kClient, kPaper, kM, true});
  ASSERT_TRUE(r.resized);
  EXPECT_EQ(r.client, (TViewSize{1280 + 80, 960 + 80}));
  EXPECT_EQ(r.positions, (TScrollPositions{kM - 680, kM + 960 - 520})) << "the point is clamped to the paper";

  d.Zoom = TDisplay::MaxZoom;
  r = d.ZoomAbout({TZoomStep::In, {1, 1}, kClient, kPaper, kM, true});
  EXPECT_FALSE(r.changed);
  EXPECT_FALSE(r.resized);
  EXPECT_EQ(d.Zoom, TDisplay::MaxZoom);
  r = d.ZoomAbout({TZoomStep::Reset, {1, 1}, kClient, kPaper, kM, false});
  EXPECT_TRUE(r.changed);
  EXPECT_EQ(d.Zoom, 0);
}

TEST(Display, LeavingRotationKeepsTheCentrePoint) {
  for (std::int32_t zoom : {-2, -1, 0, 1, 2, 6}) {
    TDisplay d;
    d.Zoom = zoom;
    d.SetAngle(0.7f);
    d.SetCentre(300.4f, 200.7f);
    const TPointI before = d.CentrePoint(kClient);
    const TScrollPositions p = d.LeaveRotation(kClient, kM);
    EXPECT_FALSE(d.Rotated());
    EXPECT_TRUE(Layout(d, p.h, p.v).visible);
    // The scroll position holds whole paper pixels, so the centre can move by one.
    ExpectNear(d.CentrePoint(kClient), before, zoom == 0 ? 0 : 1);
  }
}

TEST(Display, HandAndRotateDragsKeepThePaperUnderThePointer) {
  TDisplay d;
  d.Zoom = 2;
  TScrollPositions p = d.HandDrag(30, -10, {1000, 1100});
  EXPECT_EQ(p, (TScrollPositions{970, 1110}));

  d.SetAngle(1.1f);
  d.SetCentre(200, 150);
  const TPointI grab{500, 260};
  const TPointI under = d.WindowToPaper(kClient, grab);
  EXPECT_EQ(d.HandDrag(40, 24, p), p) << "a rotated view pans its centre, not the bars";
  ExpectNear(d.WindowToPaper(kClient, {grab.x + 40, grab.y + 24}), under, 1);

  TDisplay u;
  Layout(u, kM + 100, kM + 50);
  const TPointI middle{kClient.w / 2, kClient.h / 2};
  const TPointI centre = u.WindowToPaper(kClient, middle);
  u.RotateDrag(kClient, 0.25f);
  EXPECT_TRUE(u.Rotated());
  ExpectNear(u.WindowToPaper(kClient, middle), centre, 1);
  u.RotateDrag(kClient, 0.25f);
  EXPECT_FLOAT_EQ(u.Angle, 0.5f);
}

}  // namespace
}  // namespace vt
