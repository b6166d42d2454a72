#include "brush/stroke.h"

#include "layers/layer.h"
#include "raster/dab.h"
#include "raster/px.h"

#include <cmath>
#include <cstdint>
#include <limits>

#include <gtest/gtest.h>

namespace vt {
namespace {

// A layer of `mode`, its working copy and its stroke mask, 256 x 256.
struct TCanvas {
  explicit TCanvas(std::int32_t mode = 0, std::int32_t side = 256) {
    layer.SetSize(side, side);
    layer.SetBackColor(TLayer::ModeBackColor(mode));
    work.SetSize(side, side);
    layer.CloneTo(work);
    mask.SetSize(side, side);
    refWork.SetSize(side, side);
    layer.CloneTo(refWork);
    refMask.SetSize(side, side);
  }
  TBlockImage layer;
  TBlockImage work;
  TBlockChannel mask;
  // What the test draws with the primitives directly, to compare against.
  TBlockImage refWork;
  TBlockChannel refMask;

  bool MasksEqual(std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1) const {
    for (std::int32_t y = y0; y <= y1; ++y)
      for (std::int32_t x = x0; x <= x1; ++x)
        if (mask.MaskAt(x, y) != refMask.MaskAt(x, y)) {
          ADD_FAILURE() << "mask differs at " << x << ", " << y;
          return false;
        }
    return true;
  }
  bool ImagesEqual(std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1) const {
    for (std::int32_t y = y0; y <= y1; ++y)
      for (std::int32_t x = x0; x <= x1; ++x)
        if (work.PixelAt(x, y) != refWork.PixelAt(x, y)) {
          ADD_FAILURE() << "pixel differs at " << x << ", " << y;
          return false;
        }
    return true;
  }
};

void Brush(TStroke& brush, TBrushKind kind, float width) {
  brush.SetKind(kind);
  brush.SetWIDTH(width);
}

// One step at (x, y) with full pressure: StartStroke, then a line of length 0.
void SingleDab(TStroke& brush, TCanvas& canvas, float x, float y) {
  brush.StartStroke(canvas.layer, 0, x, y);
  brush.RenderLine(canvas.work, canvas.mask, canvas.layer, x, y);
}

TEST(StrokeHistory, StartFillsTheHistoryAndAddPointShiftsAndSmooths) {
  TCanvas canvas;
  TStroke brush;
  brush.StartStroke(canvas.layer, 0, 10.0f, 20.0f);
  for (std::int32_t i = 0; i < TStroke::HistorySize; ++i) {
    EXPECT_EQ(brush.HistoryPoint(i).x, 10.0f);
    EXPECT_EQ(brush.HistoryPoint(i).y, 20.0f);
    EXPECT_EQ(brush.HistoryPoint(i).pressure, 0.0f);
  }
  brush.AddPoint(20.0f, 40.0f, 1.0f);
  EXPECT_EQ(brush.HistoryPoint(0).x, 20.0f);
  // Entry 1 is the mean of its neighbours.
  EXPECT_EQ(brush.HistoryPoint(1).x, 15.0f);
  EXPECT_EQ(brush.HistoryPoint(1).y, 30.0f);
  EXPECT_EQ(brush.HistoryPoint(1).pressure, 0.5f);
  brush.AddPoint(40.0f, 40.0f, 0.5f);
  EXPECT_EQ(brush.HistoryPoint(2).x, 15.0f);
  EXPECT_EQ(brush.HistoryPoint(1).x, 27.5f);
  EXPECT_EQ(brush.HistoryPoint(1).pressure, 0.5f);
  EXPECT_EQ(brush.HistoryPoint(3).x, 10.0f);
}

// Steps and dabs of one straight line per kind and size: the dab interval, the half
// steps of thin pens and erasers, and the one step of a zero-length segment.
TEST(StrokeRender, DabIntervalAndHalfSteps) {
  struct Case {
    TBrushKind kind;
    float width;
    bool ifSIZE;
    float length;
    std::int64_t steps;
    std::int64_t dabs;
  };
  const Case cases[] = {
      {TBrushKind::Pen, 1.5f, false, 10.0f, 22, 22},         // half steps, interval 1
      {TBrushKind::Pen, 1.5f, true, 10.0f, 22, 22},          // size at pressure 1 is 1.5 < 2
      {TBrushKind::Pen, 2.0f, false, 10.0f, 11, 11},         // no half steps at 2
      {TBrushKind::Pen, 40.0f, true, 30.0f, 31, 6},          // interval 6: steps 0, 6, ... 30
      {TBrushKind::Pen, 15.9f, false, 30.0f, 31, 16},        // interval 2
      {TBrushKind::Watercolor, 16.0f, true, 30.0f, 31, 16},  // interval 2
      {TBrushKind::Watercolor, 11.9f, true, 30.0f, 31, 31},  // interval 1
      {TBrushKind::Blur, 12.0f, false, 30.0f, 31, 8},        // interval 4
      {TBrushKind::NewBlur, 12.0f, false, 30.0f, 31, 8},
      {TBrushKind::Eraser, 12.0f, false, 30.0f, 31, 8},
      {TBrushKind::Eraser, 2.9f, false, 10.0f, 22, 22},  // half steps below 3
      {TBrushKind::Eraser, 3.0f, false, 10.0f, 11, 11},
      {TBrushKind::Pen, 8.0f, true, 0.0f, 1, 1},  // zero length: one step
      {TBrushKind::Eraser, 12.0f, false, 0.0f, 1, 1},
  };
  for (const Case& c : cases) {
    TCanvas canvas;
    TStroke brush;
    Brush(brush, c.kind, c.width);
    brush.SetifSIZE(c.ifSIZE);
    brush.SetMIN(75.0f);
    const std::int64_t before = brush.DabsDrawn();
    brush.StartStroke(canvas.layer, 0, 100.0f, 100.0f);
    brush.RenderLine(canvas.work, canvas.mask, canvas.layer, 100.0f + c.length, 100.0f);
    EXPECT_EQ(brush.StepCounter(), c.steps) << static_cast<int>(c.kind) << " width " << c.width;
    EXPECT_EQ(brush.DabsDrawn() - before, c.dabs) << static_cast<int>(c.kind) << " width " << c.width;
  }
}

TEST(StrokeRender, SpacingRunsOnAcrossSegmentsAndRestartsWithTheStroke) {
  TCanvas canvas;
  TStroke brush;
  Brush(brush, TBrushKind::Blur, 12.0f);  // interval 4
  brush.StartStroke(canvas.layer, 0, 50.0f, 50.0f);
  brush.RenderLine(canvas.work, canvas.mask, canvas.layer, 52.0f, 50.0f);  // steps 0..2: one dab
  EXPECT_EQ(brush.DabsDrawn(), 1);
  brush.RenderLine(canvas.work, canvas.mask, canvas.layer, 54.0f, 50.0f);  // steps 3..5: dab at 4
  EXPECT_EQ(brush.DabsDrawn(), 2);
  brush.RenderLine(canvas.work, canvas.mask, canvas.layer, 55.0f, 50.0f);  // steps 6..7: none
  EXPECT_EQ(brush.DabsDrawn(), 2);
  EXPECT_TRUE(brush.SegmentRegion().Empty());
  EXPECT_EQ(brush.SegmentRect(), (TIntRect{0, 0, 0, 0}));
  brush.StartStroke(canvas.layer, 0, 10.0f, 10.0f);
  EXPECT_EQ(brush.StepCounter(), 0);
  brush.RenderLine(canvas.work, canvas.mask, canvas.layer, 10.0f, 10.0f);
  EXPECT_EQ(brush.DabsDrawn(), 3);
}

TEST(StrokeRender, SegmentUsesSmoothedHistoryAndPressureCurve) {
  TCanvas canvas;
  TStroke brush;
  Brush(brush, TBrushKind::NewBlur, 4.0f);  // interval 2, mask value 32 * p
  brush.SetGAMMA(2.0f);
  brush.StartStroke(canvas.layer, 0, 100.0f, 100.0f);
  brush.AddPoint(100.0f, 100.0f, 1.0f);
  // Entry 1 = (100, 100, 0.5), entry 2 = (100, 100, 0): a zero-length segment drawn from
  // entry 2 at pressure 0, a dab of value 0.
  brush.RenderSegment(canvas.work, canvas.mask, canvas.layer);
  EXPECT_EQ(canvas.mask.MaskAt(100, 100), 0);
  EXPECT_EQ(brush.StepCounter(), 1);
  brush.AddPoint(100.0f, 100.0f, 1.0f);
  // Entries 1, 2 = 0.75, 0.5; the counter is at 1: no dab.
  brush.RenderSegment(canvas.work, canvas.mask, canvas.layer);
  EXPECT_EQ(brush.DabsDrawn(), 1);
  brush.AddPoint(100.0f, 100.0f, 1.0f);
  // Entry 2 = 0.75, curved to 0.5625: value trunc(32 * 0.5625) = 18.
  brush.RenderSegment(canvas.work, canvas.mask, canvas.layer);
  MaskDisc(canvas.refMask, 18, true, true, 1.0f, 4.0f, 100.5f, 100.5f);
  EXPECT_TRUE(canvas.MasksEqual(90, 90, 110, 110));
  EXPECT_GT(canvas.mask.MaskAt(100, 100), 0);
}

TEST(StrokeRender, PenDabIsADiscPlusASpanAcrossTheDirectionOfTravel) {
  // x major: a vertical span at the dab's column.
  {
    TCanvas canvas;
    TStroke brush;
    Brush(brush, TBrushKind::Pen, 5.0f);
    brush.SetifSIZE(false);
    brush.SetifTRANSPARENCY(false);
    brush.StartStroke(canvas.layer, 0, 40.0f, 60.0f);
    brush.RenderLine(canvas.work, canvas.mask, canvas.layer, 41.0f, 60.0f);  // interval 1: two dabs
    for (float x : {40.5f, 41.5f}) {
      MaskDisc(canvas.refMask, 255, true, false, 1.0f, 5.0f, x, 60.5f);
      MaskSpan(canvas.refMask, TSpanOrientation::Vertical, static_cast<std::int32_t>(x), 255, true, 1.0f,
               55.5f, 65.5f);
    }
    EXPECT_TRUE(canvas.MasksEqual(30, 50, 55, 70));
  }
  // y major (and zero length): a horizontal span at the dab's row; opacity follows pressure.
  {
    TCanvas canvas;
    TStroke brush;
    Brush(brush, TBrushKind::Pen, 1.5f);
    brush.SetifSIZE(false);
    brush.StartStroke(canvas.layer, 0, 20.0f, 20.0f);
    brush.AddPoint(20.0f, 20.0f, 1.0f);
    brush.AddPoint(20.0f, 20.0f, 1.0f);
    // Entry 2 = pressure 0.5, entry 1 = 0.75. A zero-length segment leaves the pressure
    // where it starts; half steps give two dabs, the second half a pixel further along y.
    brush.RenderSegment(canvas.work, canvas.mask, canvas.layer);
    EXPECT_EQ(brush.StepCounter(), 2);
    MaskDisc(canvas.refMask, 255, true, false, 0.5f, 1.5f, 20.5f, 20.5f);
    MaskSpan(canvas.refMask, TSpanOrientation::Horizontal, 20, 255, true, 0.5f, 19.0f, 22.0f);
    MaskDisc(canvas.refMask, 255, true, false, 0.5f, 1.5f, 20.5f, 21.0f);
    MaskSpan(canvas.refMask, TSpanOrientation::Horizontal, 21, 255, true, 0.5f, 19.0f, 22.0f);
    EXPECT_TRUE(canvas.MasksEqual(10, 10, 30, 30));
  }
}

TEST(StrokeRender, EraserPaintsTheLayersEmptyColour) {
  for (std::int32_t mode : {0, 1, 2}) {
    TCanvas canvas(mode);
    const std::uint32_t ink = mode == 0 ? 0xFF000000u : 0xFFFFFFFFu;
    canvas.work.FillRect(0, 0, ink, 256, 256);
    TStroke brush;
    Brush(brush, TBrushKind::Eraser, 6.0f);
    brush.SetifTRANSPARENCY(false);
    brush.SetifEDGE(false);
    SingleDab(brush, canvas, 80.0f, 80.0f);
    EXPECT_EQ(canvas.work.PixelAt(80, 80) & 0xFFFFFFu, TLayer::ModeBackColor(mode)) << "mode " << mode;
    EXPECT_EQ(canvas.work.PixelAt(95, 80), ink);
  }
}

TEST(StrokeRender, FormerBlurIsABlurDiscFromTheLayer) {
  TCanvas canvas;
  canvas.layer.FillRect(0, 0, 0xFF000000u, 256, 128);  // left half black
  canvas.layer.CloneTo(canvas.work);
  canvas.layer.CloneTo(canvas.refWork);
  TStroke brush;
  Brush(brush, TBrushKind::Blur, 10.0f);
  brush.SetEFFECT(50.0f);
  SingleDab(brush, canvas, 128.0f, 100.0f);
  BlurDisc(canvas.refWork, canvas.layer, 5, 10.0f, 128.5f, 100.5f);
  EXPECT_TRUE(canvas.ImagesEqual(110, 85, 145, 115));
  EXPECT_NE(canvas.work.PixelAt(128, 100), canvas.layer.PixelAt(128, 100));
}

TEST(StrokeRender, DabRectangleIsReportedRoundedOut) {
  TCanvas canvas;
  TStroke brush;
  Brush(brush, TBrushKind::Eraser, 3.0f);
  SingleDab(brush, canvas, 10.0f, 10.0f);
  const TRectRegion& seg = brush.SegmentRegion();
  EXPECT_EQ(seg.MinX(), 5);
  EXPECT_EQ(seg.MaxX(), 15);
  EXPECT_EQ(brush.SegmentRect(), (TIntRect{2, 2, 14, 14}));
  // The stroke rectangle holds squares of WIDTH + 2 around both ends: (5, 5)-(15, 15).
  EXPECT_EQ(brush.StrokeRect(), (TIntRect{2, 2, 14, 14}));
}

TEST(StrokeRender, StrokeRectangleCoversTheWholeStrokeEvenForOversizedDabs) {
  TCanvas canvas;
  TStroke brush;
  Brush(brush, TBrushKind::Pen, 10.0f);
  brush.SetMIN(200.0f);  // a recorded stroke may carry a MIN above 100: dabs up to 20
  brush.SetifTRANSPARENCY(false);
  brush.StartStroke(canvas.layer, 0, 100.0f, 100.0f);
  brush.AddPoint(140.0f, 100.0f, 0.0f);
  brush.AddPoint(180.0f, 100.0f, 0.0f);
  brush.RenderSegment(canvas.work, canvas.mask, canvas.layer);
  brush.AddPoint(180.0f, 100.0f, 0.0f);
  brush.RenderSegment(canvas.work, canvas.mask, canvas.layer);
  const TIntRect stroke = brush.StrokeRect();
  for (std::int32_t y = 0; y < 256; ++y)
    for (std::int32_t x = 0; x < 256; ++x)
      if (canvas.mask.MaskAt(x, y) != 0) {
        ASSERT_GE(x, stroke.x);
        ASSERT_LT(x, stroke.x + stroke.w);
        ASSERT_GE(y, stroke.y);
        ASSERT_LT(y, stroke.y + stroke.h);
      }
  EXPECT_GT(canvas.mask.MaskAt(120, 100 - 18), 0);  // the first dab, at 120.5
}

// The colour a pixel of `base` takes after the blends, as the scratch pixel makes it.
std::uint32_t Mixed(std::uint32_t base, std::uint8_t opacity, std::uint32_t colour) {
  TPX px;
  px.SetSize(1, 1);
  px.SetPixel(0, 0, base | 0xFF000000u);
  px.BlendPixel(0, 0, opacity, colour);
  return px.PixelAt(0, 0) | 0xFF000000u;
}

void Watercolour(TStroke& brush, float speed, float env) {
  Brush(brush, TBrushKind::Watercolor, 16.0f);
  brush.SetColour(0xC01020);
  brush.SetEFFECT(65.0f);
  brush.SetSPEED(speed);
  brush.SetENV(env);
  brush.SetifSIZE(false);
  brush.SetifTRANSPARENCY(true);
  brush.SetifEDGE(false);
}

TEST(StrokeWatercolour, PicksTheCanvasColourLightenedOnTypeThree) {
  TCanvas canvas;
  canvas.layer.FillRect(0, 0, 0x00336699u, 256, 256);
  TStroke brush;
  Watercolour(brush, 30.0f, 40.0f);
  brush.StartStroke(canvas.layer, 0, 100.0f, 100.0f);
  EXPECT_EQ(brush.PickedColour(), 0x00336699u);
  // EFFECT 65: the paint is the picked colour moved 90/255 toward the brush colour.
  EXPECT_EQ(brush.PaintColour(), Mixed(0x336699u, 90, 0xC01020u));
  // A fourth byte of 0 lightens each channel by (255 - c) * 255 >> 8.
  brush.StartStroke(canvas.layer, 3, 100.0f, 100.0f);
  EXPECT_EQ(brush.PickedColour(), 0x00FEFEFEu);
  // The 11 x 11 mean, with samples clamped into the paper at a corner.
  TCanvas split;
  split.layer.FillRect(0, 0, 0x00000000u, 256, 5);  // columns 0..4 black, the rest white
  brush.StartStroke(split.layer, 0, 5.0f, 0.0f);    // columns 0..10: 5 black, 6 white
  EXPECT_EQ(brush.PickedColour() & 0xFFu, 6u * 255u * 11u / 121u);
}

TEST(StrokeWatercolour, DabColourFromExhaustionAndEnvironment) {
  struct Case {
    float speed, env;
    const char* what;
  };
  // SPEED 0: exhausted from the start, the pure brush colour. First dab with SPEED 30:
  // the paint colour. ENV 100 on a uniform canvas: the canvas colour itself.
  const Case cases[] = {{0.0f, 0.0f, "exhausted"}, {30.0f, 0.0f, "fresh"}, {30.0f, 100.0f, "environment"}};
  for (const Case& c : cases) {
    TCanvas canvas;
    canvas.layer.FillRect(0, 0, 0xFF336699u, 256, 256);
    canvas.layer.CloneTo(canvas.work);
    canvas.layer.CloneTo(canvas.refWork);
    TStroke brush;
    Watercolour(brush, c.speed, c.env);
    SingleDab(brush, canvas, 100.0f, 100.0f);
    const std::uint32_t expected = c.speed == 0.0f ? 0xFFC01020u
                                   : c.env == 0.0f ? brush.PaintColour() | 0xFF000000u
                                                   : 0xFF336699u;
    ColourDisc(canvas.refWork, expected, false, 0.35f, 16.0f, 100.5f, 100.5f);
    EXPECT_TRUE(canvas.ImagesEqual(80, 80, 120, 120)) << c.what;
  }
}

TEST(StrokeWatercolour, ExhaustionDistanceGrowsByFourPerPixelAtFullPressure) {
  TCanvas canvas;
  TStroke brush;
  Watercolour(brush, 30.0f, 0.0f);
  brush.StartStroke(canvas.layer, 0, 5.0f, 100.0f);
  brush.RenderLine(canvas.work, canvas.mask, canvas.layer, 245.0f, 100.0f);
  // SPEED 30 x WIDTH 16 x 2 = 960: reached after 240 pixels.
  EXPECT_NEAR(brush.StrokeDistance(), 960.0f, 0.05f);
  brush.StartStroke(canvas.layer, 0, 5.0f, 100.0f);
  EXPECT_EQ(brush.StrokeDistance(), 0.0f);
}

TEST(StrokeRender, HostileInputStaysBounded) {
  TCanvas canvas;
  for (TBrushKind kind :
       {TBrushKind::Pen, TBrushKind::Watercolor, TBrushKind::Blur, TBrushKind::Eraser, TBrushKind::NewBlur}) {
    TStroke brush;
    Brush(brush, kind, 200.0f);
    brush.SetMIN(-300.0f);  // a negative size must not make the dab interval 0
    brush.SetSPEED(-5.0f);
    brush.SetEFFECT(255.0f);
    brush.StartStroke(canvas.layer, 0, 128.0f, 128.0f);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    // Replayed coordinates reach 16 bits times 5: walked, drawn where on the paper.
    brush.AddPoint(-163840.0f, 163835.0f, 1.0f);
    brush.RenderSegment(canvas.work, canvas.mask, canvas.layer);
    brush.AddPoint(nan, 5.0f, 0.5f);
    brush.RenderSegment(canvas.work, canvas.mask, canvas.layer);
    brush.AddPoint(1e30f, -1e30f, inf);
    brush.RenderSegment(canvas.work, canvas.mask, canvas.layer);
    brush.AddPoint(10.0f, 10.0f, -40.0f);
    brush.RenderSegment(canvas.work, canvas.mask, canvas.layer);
    brush.AddPoint(12.0f, 10.0f, 40.0f);
    brush.RenderSegment(canvas.work, canvas.mask, canvas.layer);
    brush.StartStroke(canvas.layer, 0, 1e30f, nan);
    brush.RenderLine(canvas.work, canvas.mask, canvas.layer, 1e30f, 1e30f);
    EXPECT_GE(brush.StepCounter(), 0);
  }
}

}  // namespace
}  // namespace vt
