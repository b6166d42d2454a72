#include "document/pen_pipeline.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/drawing.h"
#include "tests/support/fake_clock.h"
#include "tests/support/fake_pressure_source.h"

namespace vt {
namespace {

const TViewSize kClient{200, 150};

// A recorded 200 x 150 paper with one layer, shown at 100% with paper pixel (0, 0) at
// the client's top-left, and a pipeline driving a pen into it.
class PenPipelineTest : public ::testing::Test {
 protected:
  PenPipelineTest() : pipe(brush, clock) {}

  void SetUp() override {
    TEventArgs a;
    a.w = kClient.w;
    a.h = kClient.h;
    paper.Command(rec, brush, TEventKind::PaperNew, a);
    a = {};
    paper.Command(rec, brush, TEventKind::LayerNew, a);
    SetZoom(0);
    target.paper = &paper;
    target.recorder = &rec;
    target.client = kClient;
    target.penDown = true;
    brush.SetKind(TBrushKind::Pen);
    brush.SetColour(0x224488u);
    brush.SetWIDTH(1.0f);
  }

  void SetZoom(std::int32_t zoom) {
    paper.Display.Zoom = zoom;
    paper.Display.MarginX = paper.Display.MarginY = 0;
    paper.Display.ScrollX = paper.Display.ScrollY = 0;
  }

  void Move(std::int32_t x, std::int32_t y, float pressure = 1.0f) {
    pipe.PenMove(target, {x, y, false, 1.0f, pressure}, gate);
  }

  TPaper paper;
  TEventPacket rec;
  TStroke brush;
  TFakeClock clock{1000};
  TPenPipeline pipe;
  TPenTarget target;
  TPenGate gate;
};

TEST_F(PenPipelineTest, ARecordedStrokeReplaysToTheSamePixels) {
  // Values that the records round: widths and pressures off the 1/256 and 1/1024 grids.
  struct Brush {
    TBrushKind kind;
    float width;
  } brushes[] = {{TBrushKind::Pen, 7.3f}, {TBrushKind::Watercolor, 11.7f}, {TBrushKind::NewBlur, 5.55f}};
  std::int32_t row = 0;
  for (const Brush& b : brushes) {
    brush.SetKind(b.kind);
    brush.SetWIDTH(b.width);
    brush.SetMIN(33.3f);
    brush.SetGAMMA(1.37f);
    brush.SetEFFECT(41.1f);
    for (const test::TSample& s : test::Wave(10, 30 + row * 40, 50, 3)) Move(s.x, s.y, s.pressure * 0.987f);
    pipe.PenUp(target, {170, 40 + row * 40, false, 1.0f, 0.0f});
    ++row;
  }
  // A stroke that runs far off the paper, beyond the records' 16-bit coordinates.
  brush.SetKind(TBrushKind::Pen);
  Move(150, 140);
  Move(160, 145);
  Move(100000, 60000);
  pipe.PenUp(target, {-100000, 145, false, 1.0f, 0.0f});
  EXPECT_EQ(target.strokeCount, 4);
  EXPECT_EQ(brush.WIDTH(), 5.546875f) << "the live brush draws with the recorded width of 5.55";

  rec.WriteEnd();
  TPaper replay;
  TStroke replayBrush;
  test::ReplayAll(replay, rec, replayBrush);
  const std::vector<std::uint32_t> live = test::Pixels(paper.Composite);
  EXPECT_EQ(live, test::Pixels(replay.Composite));
  EXPECT_FALSE(paper.Composite.IsUniform(0xFFFFFFu));
}

TEST_F(PenPipelineTest, SamplesThatMustNotDrawRecordNothing) {
  struct Case {
    std::string what;
    void (*apply)(TPenTarget&, TPenGate&);
    bool timeStored;
  } cases[] = {
      {"no paper", [](TPenTarget& t, TPenGate&) { t.paper = nullptr; }, false},
      {"main window inactive", [](TPenTarget&, TPenGate& g) { g.mainActive = false; }, false},
      {"replaying", [](TPenTarget& t, TPenGate&) { t.playing = true; }, false},
      {"another tool", [](TPenTarget&, TPenGate& g) { g.brushTool = false; }, false},
      {"Shift held", [](TPenTarget&, TPenGate& g) { g.keys = {TKey::Shift}; }, false},
      {"R held", [](TPenTarget&, TPenGate& g) { g.keys = {TKey::R}; }, false},
      {"Space held", [](TPenTarget&, TPenGate& g) { g.keys = {TKey::Space}; }, false},
      {"no button down", [](TPenTarget& t, TPenGate&) { t.penDown = false; }, true},
  };
  for (const Case& c : cases) {
    TPenTarget t = target;
    TPenGate g;
    c.apply(t, g);
    const std::int32_t events = rec.EventCount();
    clock.Advance(5);
    pipe.PenMove(t, {20, 20, false, 1.0f, 1.0f}, g);
    pipe.PenMove(t, {30, 20, false, 1.0f, 1.0f}, g);
    EXPECT_EQ(rec.EventCount(), events) << c.what;
    EXPECT_FALSE(rec.InStroke()) << c.what;
    EXPECT_EQ(t.lastSample == clock.NowMs(), c.timeStored) << c.what;
  }
  // A lift while replaying leaves an open stroke alone.
  Move(20, 20);
  TPenTarget t = target;
  t.playing = true;
  pipe.PenUp(t, {30, 30, false, 1.0f, 0.0f});
  EXPECT_TRUE(rec.InStroke());
}

TEST_F(PenPipelineTest, PointSpacingFollowsZoomAndWidth) {
  struct Case {
    std::int32_t zoom;
    std::vector<std::int32_t> xs;  // window columns along one row
    std::int32_t points;           // points recorded after the first
  } cases[] = {
      // 100%: step 2.0; the first two points always pass.
      {0, {10, 11, 12, 13, 14, 16}, 3},
      // 25%: paper 40, 44, 48, 52, 56, 64; step 4.0 drops only 52.
      {-2, {10, 11, 12, 13, 14, 16}, 4},
      // 50%: paper 20, 22, 24, 26, 30; step 3.0 drops 26.
      {-1, {10, 11, 12, 13, 15}, 3},
  };
  for (const Case& c : cases) {
    SetZoom(c.zoom);
    EXPECT_EQ(pipe.SpacingThreshold(paper.Display), c.zoom == 0 ? 2.0f : c.zoom == -2 ? 4.0f : 3.0f);
    for (std::int32_t x : c.xs) Move(x, 20);
    EXPECT_EQ(rec.Points(), c.points) << "zoom " << c.zoom;
    pipe.PenUp(target, {c.xs.back(), 20, false, 1.0f, 0.0f});
  }

  // Wide brushes space their points by their size: 20 / 4 + 2 = 7 at full pressure.
  SetZoom(0);
  brush.SetWIDTH(20);
  brush.SetMIN(0);
  brush.SetifSIZE(true);
  for (std::int32_t x : {50, 51, 52, 58, 59, 60, 66, 67}) Move(x, 50);
  EXPECT_EQ(pipe.SpacingThreshold(paper.Display), 7.0f);
  EXPECT_EQ(rec.Points(), 3) << "51 and 52 pass, 58 and 59 lie within 7 of 52, 60 passes, 66 and 67 within 7";
  EXPECT_EQ(brush.HistoryPoint(0).x, 67.0f - 7.0f);
}

TEST_F(PenPipelineTest, LongStrokesSplitAfter60001Points) {
  paper.SetDeferDisplay(true);
  Move(10, 10);
  for (std::int32_t i = 0; i <= TPenPipeline::MaxStrokePoints; ++i) Move(i % 2 ? 20 : 10, 10);
  ASSERT_TRUE(rec.InStroke());
  EXPECT_EQ(rec.Points(), 60001);
  const std::int32_t events = rec.EventCount();
  Move(20, 10);
  EXPECT_FALSE(rec.InStroke()) << "the next sample closes the stroke";
  Move(10, 10);
  EXPECT_TRUE(rec.InStroke()) << "and the one after starts a new one";
  EXPECT_EQ(rec.EventCount(), events + 1);
  EXPECT_EQ(rec.Points(), 0);
  pipe.PenUp(target, {20, 10, false, 1.0f, 0.0f});
  EXPECT_EQ(target.strokeCount, 1) << "only a pen lift counts a stroke";

  rec.WriteEnd();
  std::size_t length = 0;
  std::int32_t count = 0;
  const TMyMemory& m = rec.Stream();
  EXPECT_TRUE(TEventPacket::ValidateEvents(m.Memory(), static_cast<std::size_t>(m.Size()), length, count));
}

TEST_F(PenPipelineTest, TabletPacketsDrawAtTheirPressureAndTheEraserEndSwitchesTheBrush) {
  TFakePressureSource tablet;
  target.clientOrigin = {300, 200};
  brush.SetKind(TBrushKind::Watercolor);

  // Hovering with the pen turned round.
  tablet.altitude = -450;
  tablet.Packet(350.7f, 260.2f, 0);
  pipe.TabletMessage(target, tablet, true, gate);
  EXPECT_TRUE(pipe.EraserSwitchActive());
  EXPECT_EQ(brush.Kind(), TBrushKind::Eraser);
  EXPECT_FALSE(rec.InStroke());

  // Touching down at full pressure draws from the client point under the pen.
  tablet.Packet(350.7f, 260.2f, 1023);
  pipe.TabletMessage(target, tablet, true, gate);
  ASSERT_TRUE(rec.InStroke());
  EXPECT_EQ(brush.HistoryPoint(0).x, 50.0f);
  EXPECT_EQ(brush.HistoryPoint(0).y, 60.0f);
  tablet.Packet(354, 260, 1023);
  pipe.TabletMessage(target, tablet, true, gate);
  EXPECT_EQ(brush.HistoryPoint(0).pressure, 1.0f);

  // Mouse samples are ignored while the pen is near.
  const std::int32_t points = rec.Points();
  pipe.MouseMove(target, {90, 90}, &tablet, gate);
  EXPECT_EQ(rec.Points(), points);

  // Pressure 0 lifts the pen.
  tablet.Packet(356, 260, 0);
  pipe.TabletMessage(target, tablet, true, gate);
  EXPECT_FALSE(rec.InStroke());
  EXPECT_EQ(target.strokeCount, 1);

  // Leaving the tablet restores the brush the switch replaced.
  tablet.inProximity = false;
  pipe.TabletMessage(target, tablet, false, gate);
  EXPECT_FALSE(pipe.EraserSwitchActive());
  EXPECT_EQ(brush.Kind(), TBrushKind::Watercolor);

  // Without a pen near, the mouse draws at full pressure.
  pipe.MouseMove(target, {40, 40}, &tablet, gate);
  pipe.MouseMove(target, {45, 40}, &tablet, gate);
  EXPECT_EQ(brush.HistoryPoint(0).pressure, 1.0f);
  pipe.MouseUp(target, {45, 40});
  EXPECT_EQ(target.strokeCount, 2);
}

TEST(PressureSource, DeviceValuesAreNormalisedWithinRange) {
  TFakePressureSource t;
  struct Case {
    std::int32_t value, maximum;
    float pressure, altitude;
  } cases[] = {{1023, 1023, 1.0f, 1.0f}, {0, 1023, 0.0f, 0.0f},    {512, 1024, 0.5f, 0.5f},
               {5000, 1023, 1.0f, 1.0f}, {-300, 600, 0.0f, -0.5f}, {-9000, 600, 0.0f, -1.0f},
               {700, 0, 0.0f, 0.0f},     {700, -5, 0.0f, 0.0f}};
  for (const Case& c : cases) {
    t.pressure = t.altitude = c.value;
    t.maxPressure = t.maxAltitude = c.maximum;
    EXPECT_EQ(t.NormalPressure(), c.pressure) << c.value << "/" << c.maximum;
    EXPECT_EQ(t.NormalAltitude(), c.altitude) << c.value << "/" << c.maximum;
  }
}

}  // namespace
}  // namespace vt
