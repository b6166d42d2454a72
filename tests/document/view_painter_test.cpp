#include "document/view_painter.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <vector>

#include "document/px_surface.h"
#include "tests/support/drawing.h"

namespace vt {
namespace {

constexpr std::int32_t kM = 48;
const TViewSize kClient{96, 72};

// Records the calls a painter makes.
class TSpySurface : public TDrawSurface {
 public:
  struct Call {
    TIntRect from;
    TIntRect to;
  };
  void Blit(const TPX&, TIntRect from, TIntRect to) override { blits.push_back({from, to}); }
  void FillRect(TIntRect r, std::uint32_t) override { fills.push_back(r); }
  std::vector<Call> blits;
  std::vector<TIntRect> fills;
};

// A 64 x 48 paper whose pixel (x, y) is red x, green y, blue 0x80, so every shown pixel
// tells where on the paper it came from.
class ViewPainterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    paper.Init("view", 64, 48);
    for (std::int32_t y = 0; y < 48; ++y)
      for (std::int32_t x = 0; x < 64; ++x) paper.Composite.SetPixel(x, y, Encode(x, y));
  }

  static std::uint32_t Encode(std::int32_t x, std::int32_t y) {
    return static_cast<std::uint32_t>(x) << 16 | static_cast<std::uint32_t>(y) << 8 | 0x80u;
  }

  void View(std::int32_t zoom, float angle, std::int32_t h, std::int32_t v) {
    paper.Display.Zoom = zoom;
    paper.Display.SetAngle(0);
    paper.Display.LayoutScrollBars({kClient, {64, 48}, kM, h, v});
    paper.Display.SetAngle(angle);
    paper.Display.SetCentre(30.5f, 20.5f);
  }

  std::unique_ptr<TPxSurface> FullPaint() {
    auto s = std::make_unique<TPxSurface>(kClient.w, kClient.h);
    TViewPainter painter(paper, s.get(), kClient);
    painter.PaintWindow();
    return s;
  }

  bool InPaper(TPointI p, std::int32_t inset) const {
    return p.x >= inset && p.y >= inset && p.x < 64 - inset && p.y < 48 - inset;
  }

  TPaper paper;
};

TEST_F(ViewPainterTest, StraightViewsShowThePaperPixelUnderEveryWindowPixel) {
  struct Position {
    std::int32_t h, v;
  } positions[] = {{kM - 10, kM - 7}, {kM + 30, kM + 6}};
  for (std::int32_t zoom = 0; zoom <= TDisplay::MaxZoom; ++zoom) {
    for (Position pos : positions) {
      View(zoom, 0, pos.h, pos.v);
      const auto surface = FullPaint();
      const TPX& shown = surface->Image();
      for (std::int32_t wy = 0; wy < kClient.h; ++wy) {
        for (std::int32_t wx = 0; wx < kClient.w; ++wx) {
          const TPointI p = paper.Display.WindowToPaper(kClient, {wx, wy});
          // Truncation toward zero maps the last margin pixels onto paper pixel 0 too.
          const bool margin = wx < paper.Display.MarginX || wy < paper.Display.MarginY;
          const std::uint32_t want = !margin && InPaper(p, 0) ? Encode(p.x, p.y) : PlainMargin;
          ASSERT_EQ(shown.PixelAt(wx, wy) & 0xFFFFFFu, want)
              << "zoom " << zoom << " position " << pos.h << " window " << wx << "," << wy;
        }
      }
    }
  }
}

TEST_F(ViewPainterTest, ResampledViewsFollowTheMappingAndShowGreyOutsideThePaper) {
  struct Case {
    std::int32_t zoom;
    float angle;
  } cases[] = {{-2, 0}, {-1, 0}, {0, 0.5f}, {0, 2.0f}, {1, 3.14159265f}, {2, -0.8f}, {-1, 1.2f}};
  // The resampler walks in 16.16 fixed point about a whole-pixel centre when unrotated,
  // so its pixel may sit a pixel or two from the exact mapping.
  constexpr std::int32_t tol = 2;
  for (const Case& c : cases) {
    View(c.zoom, c.angle, kM - 20, kM - 10);
    const auto surface = FullPaint();
    const TPX& shown = surface->Image();
    EXPECT_EQ(paper.ViewBuffer.Width, kClient.w);
    EXPECT_EQ(paper.ViewBuffer.Height, kClient.h);
    for (std::int32_t wy = 0; wy < kClient.h; ++wy) {
      for (std::int32_t wx = 0; wx < kClient.w; ++wx) {
        const TPointI p = paper.Display.WindowToPaper(kClient, {wx, wy});
        const std::uint32_t got = shown.PixelAt(wx, wy) & 0xFFFFFFu;
        if (InPaper(p, tol)) {
          ASSERT_EQ(got & 0xFFu, 0x80u)
              << "zoom " << c.zoom << " angle " << c.angle << " at " << wx << "," << wy;
          EXPECT_LE(std::abs(static_cast<std::int32_t>(got >> 16) - p.x), tol);
          EXPECT_LE(std::abs(static_cast<std::int32_t>((got >> 8) & 0xFF) - p.y), tol);
        } else if (p.x < -tol || p.y < -tol || p.x >= 64 + tol || p.y >= 48 + tol) {
          ASSERT_EQ(got, PlainMargin)
              << "zoom " << c.zoom << " angle " << c.angle << " at " << wx << "," << wy;
        }
      }
    }
  }
}

TEST_F(ViewPainterTest, RepaintingAChangedRectangleMatchesAFullRepaint) {
  struct Case {
    std::int32_t zoom;
    float angle;
  } cases[] = {{0, 0}, {2, 0}, {3, 0}, {6, 0}, {-1, 0}, {-2, 0}, {0, 0.5f}, {1, 2.5f}};
  for (const Case& c : cases) {
    SetUp();
    View(c.zoom, c.angle, kM + 8, kM - 4);
    TPxSurface live(kClient.w, kClient.h);
    TViewPainter painter(paper, &live, kClient);
    painter.PaintWindow();
    for (std::int32_t y = 10; y < 15; ++y)
      for (std::int32_t x = 20; x < 27; ++x) paper.Composite.SetPixel(x, y, 0x00FF00u);
    painter.PaintRect(20, 10, 7, 5);
    EXPECT_EQ(test::Pixels(live.Image()), test::Pixels(FullPaint()->Image()))
        << "zoom " << c.zoom << " angle " << c.angle;
  }
}

TEST_F(ViewPainterTest, RepaintTargetsAt150PercentAndWithoutAWindow) {
  View(1, 0, kM + 30, kM + 6);
  TSpySurface spy;
  TViewPainter painter(paper, &spy, kClient);
  painter.PaintRect(3, 5, 3, 3);
  ASSERT_EQ(spy.blits.size(), 1u);
  EXPECT_EQ(spy.blits[0].from, (TIntRect{3, 5, 3, 3}));
  const TDisplay& d = paper.Display;
  EXPECT_EQ(spy.blits[0].to, (TIntRect{d.OriginX() + 4, d.OriginY() + 7, 4, 4}));

  // Rectangles are cut at the paper's edges; one wholly outside draws nothing.
  spy.blits.clear();
  painter.PaintRect(-5, 40, 10, 100);
  ASSERT_EQ(spy.blits.size(), 1u);
  EXPECT_EQ(spy.blits[0].from, (TIntRect{0, 40, 5, 8}));
  painter.PaintRect(64, 0, 5, 5);
  painter.PaintRect(2, 2, 0, 5);
  EXPECT_EQ(spy.blits.size(), 1u);

  spy.blits.clear();
  painter.SetSurface(nullptr);
  painter.PaintWindow();
  painter.PaintRect(0, 0, 10, 10);
  painter.SetSurface(&spy);
  painter.SetClientSize({0, 50});
  painter.PaintWindow();
  EXPECT_TRUE(spy.blits.empty());
  EXPECT_TRUE(spy.fills.empty());
}

TEST_F(ViewPainterTest, AResizedRotatedWindowIsRebuiltWhole) {
  View(0, 0.6f, kM, kM);
  TPxSurface small(40, 30);
  TViewPainter painter(paper, &small, {40, 30});
  painter.PaintWindow();
  ASSERT_EQ(paper.ViewBuffer.Width, 40);

  TPxSurface live(kClient.w, kClient.h);
  painter.SetSurface(&live);
  painter.SetClientSize(kClient);
  painter.PaintRect(30, 20, 2, 2);
  EXPECT_EQ(paper.ViewBuffer.Width, kClient.w);
  EXPECT_EQ(test::Pixels(live.Image()), test::Pixels(FullPaint()->Image()));
}

TEST(ViewPainter, StrokesOnAPaperShowThroughItsPainter) {
  TPaper paper;
  TEventPacket rec;
  TStroke brush;
  TEventArgs a;
  a.w = 120;
  a.h = 90;
  paper.Command(rec, brush, TEventKind::PaperNew, a);
  a = {};
  paper.Command(rec, brush, TEventKind::LayerNew, a);
  paper.Display.Zoom = 2;
  paper.Display.LayoutScrollBars({kClient, {120, 90}, kM, kM + 40, kM + 20});

  TPxSurface live(kClient.w, kClient.h);
  TViewPainter painter(paper, &live, kClient);
  paper.SetPaintSink(&painter);
  painter.PaintWindow();
  const std::vector<std::uint32_t> before = test::Pixels(live.Image());
  brush.SetColour(0x203040u);
  brush.SetWIDTH(4);
  test::DrawRecordedStroke(paper, rec, brush, test::Wave(15, 30, 12, 3));

  TPxSurface fresh(kClient.w, kClient.h);
  TViewPainter(paper, &fresh, kClient).PaintWindow();
  EXPECT_EQ(test::Pixels(live.Image()), test::Pixels(fresh.Image()));
  EXPECT_NE(test::Pixels(live.Image()), before);
  paper.SetPaintSink(nullptr);
}

}  // namespace
}  // namespace vt
