#include "document/paper.h"

#include <gtest/gtest.h>

#include "tests/support/drawing.h"
#include "tests/support/sample_drawing.h"

namespace vt {
namespace {

using test::DrawRecordedStroke;
using test::Pixels;
using test::ReplayAll;
using test::Wave;

void SetBrush(TStroke& b, TBrushKind kind, std::uint32_t colour, float width, int layer = 0) {
  test::SetSampleBrush(b, kind, colour, width, layer);
}

// Starts a recorded paper the way a new document does.
void NewPaper(TPaper& paper, TEventPacket& rec, TStroke& brush, int w, int h) {
  TEventArgs a;
  a.w = w;
  a.h = h;
  paper.Command(rec, brush, TEventKind::PaperNew, a);
}

TEST(Paper, ARecordedDrawingReplaysToTheSamePixels) {
  TPaper live;
  TEventPacket rec;
  TStroke brush;
  NewPaper(live, rec, brush, 240, 180);
  TEventArgs a;

  a = {};
  a.layer = 1;  // an add layer
  live.Command(rec, brush, TEventKind::LayerNew, a);
  a = {};
  a.layer = 0;
  live.Command(rec, brush, TEventKind::LayerNew, a);

  const TBrushKind kinds[] = {TBrushKind::Pen, TBrushKind::Watercolor, TBrushKind::Blur, TBrushKind::Eraser,
                              TBrushKind::NewBlur};
  int row = 0;
  for (TBrushKind k : kinds) {
    for (int layer : {0, 2}) {
      TStroke b;
      SetBrush(b, k, 0x3060C0u + static_cast<std::uint32_t>(row) * 0x101010u, 3.0f + row, layer);
      DrawRecordedStroke(live, rec, b, Wave(10, 20 + row * 15, 40, 5));
      ++row;
    }
  }
  a = {};
  a.layer = 2;
  a.x = 30;
  a.y = 40;
  a.w = 50;
  a.h = 30;
  a.colour = 0x884422;
  live.Command(rec, brush, TEventKind::RectFill, a);
  a.layer = 0;
  live.Command(rec, brush, TEventKind::RectClear, a);
  a = {};
  a.layer = 1;
  a.colour = 0x202020;
  a.points = {{100, 10}, {200, 40}, {150, 150}, {90, 120}};
  live.Command(rec, brush, TEventKind::PolygonFill, a);
  a = {};
  a.layer = 2;
  a.points = {{0, 0}, {60, 10}, {20, 70}};
  live.Command(rec, brush, TEventKind::PolygonClear, a);
  live.UndoCommand(rec, brush, 2);
  a = {};
  a.layer = 1;
  a.value = 128;
  live.Command(rec, brush, TEventKind::LayerOpacity, a);
  a = {};
  a.layer = 0;
  a.x = 7;
  a.y = -5;
  live.Command(rec, brush, TEventKind::LayerOffset, a);
  a = {};
  a.layer = 2;
  live.Command(rec, brush, TEventKind::LayerFlipHorizontal, a);
  a = {};
  live.PaperCommand(rec, brush, TEventKind::ImageRotateRight, a);
  a = {};
  a.w = 200;
  a.h = 260;
  a.value = 4;
  live.PaperCommand(rec, brush, TEventKind::PaperResize, a);
  {
    TStroke line;
    SetBrush(line, TBrushKind::Pen, 0x0000FF, 2.5f, 0);
    a = {};
    a.params = TEventPacket::Quantized(TEventPacket::ParamsOf(line));
    a.brushKind = 0;
    a.x = 5;
    a.y = 5;
    a.w = 190;
    a.h = 250;
    live.Command(rec, line, TEventKind::StraightLine, a);
  }
  live.PaperCommand(rec, brush, TEventKind::VisibleNegative, {});
  live.RecompositeAll();
  rec.WriteEnd();

  TPaper replay;
  TStroke replayBrush;
  ReplayAll(replay, rec, replayBrush);
  ASSERT_EQ(replay.Width(), live.Width());
  ASSERT_EQ(replay.Height(), live.Height());
  EXPECT_EQ(replay.LayerManager->TopIndex, 2);
  EXPECT_EQ(Pixels(replay.Composite), Pixels(live.Composite));
  // The picture is not blank: the strokes and fills left their marks.
  const auto px = Pixels(live.Composite);
  EXPECT_GT(std::count_if(px.begin(), px.end(), [&](std::uint32_t p) { return p != px[0]; }), 1000);
}

TEST(Paper, AStrokeOfNPointsTakesNPlusOneSteps) {
  TPaper live;
  TEventPacket rec;
  TStroke brush;
  SetBrush(brush, TBrushKind::Pen, 0, 4);
  NewPaper(live, rec, brush, 100, 100);
  DrawRecordedStroke(live, rec, brush, Wave(10, 50, 6));  // first point + 5
  TPaper replay;
  TStroke b2;
  EXPECT_TRUE(replay.ApplyEvent(rec, b2).continues);  // PaperNew
  int steps = 0;
  do {
    replay.ApplyEvent(rec, b2);
    ++steps;
  } while (rec.InStroke());
  EXPECT_EQ(steps, 6);
  EXPECT_EQ(rec.Stream().Remaining(), 0);
}

TEST(Paper, AnIncompleteEventWaitsForItsBytes) {
  TEventPacket whole;
  whole.RecordPaperNew(64, 64);
  whole.RecordRectFill(0, 1, 1, 10, 10, 0xFF0000);
  const std::uint8_t* bytes = whole.Stream().Memory();
  TEventPacket net;
  net.Stream().WriteBytes(bytes, 6 + 9);
  TPaper paper;
  TStroke b;
  EXPECT_TRUE(paper.ApplyEvent(net, b).kindRead);
  for (int i = 0; i < 3; ++i) {
    const TApplyResult r = paper.ApplyEvent(net, b);
    EXPECT_TRUE(r.continues);
    EXPECT_FALSE(r.kindRead);
    EXPECT_EQ(net.Stream().ReadPosition(), 6);
  }
  net.Stream().WriteBytes(bytes + 15, 5);
  const TApplyResult r = paper.ApplyEvent(net, b);
  EXPECT_EQ(r.kind, 0x0128);
  EXPECT_EQ(paper.LayerManager->LayerAt(0).Block().PixelAt(5, 5) & 0xFFFFFF, 0xFF0000u);
}

TEST(Paper, NetworkModeConsumesOfflineOnlyKinds) {
  TPaper paper;
  paper.Init("x", 64, 64);
  paper.LayerManager->AddLayer(0);
  paper.LayerManager->SetActive(0);
  paper.NetMode = 1;
  TEventPacket s;
  s.RecordLayerNew(0);
  s.RecordLayerOp(TEventKind::LayerDelete, 1);
  s.RecordBare(TEventKind::LayerCombineVisible);
  s.RecordPaperNew(10, 10);
  s.RecordBare(TEventKind::VisibleNegative);
  s.RecordLayerOp(TEventKind::LayerSelect, 1);
  TStroke b;
  while (s.Stream().Remaining() > 0) paper.ApplyEvent(s, b);
  EXPECT_EQ(paper.LayerManager->TopIndex, 1);
  EXPECT_EQ(paper.Width(), 64);
  EXPECT_EQ(paper.LayerManager->ActiveIndex, 0);
  EXPECT_EQ(paper.LayerManager->LayerAt(0).Block().TileCount(), 0);
}

TEST(Paper, ReplayScaleMultipliesCoordinates) {
  TEventPacket s;
  s.RecordPaperNew(50, 40);
  s.RecordRectFill(0, 10, 20, 5, 5, 0x00FF00);
  s.WriteEnd();
  s.SetScale(2.0f);
  TPaper paper;
  TStroke b;
  ReplayAll(paper, s, b);
  EXPECT_EQ(paper.Width(), 100);
  EXPECT_EQ(paper.Height(), 80);
  const TBlockImage& l = paper.LayerManager->LayerAt(0).Block();
  EXPECT_EQ(l.PixelAt(20, 40) & 0xFFFFFF, 0x00FF00u);
  EXPECT_EQ(l.PixelAt(29, 49) & 0xFFFFFF, 0x00FF00u);
  EXPECT_EQ(l.PixelAt(30, 40) & 0xFFFFFF, 0xFFFFFFu);
}

TEST(Paper, ANinthUndoDoesNothing) {
  TPaper paper;
  TEventPacket rec;
  TStroke b;
  NewPaper(paper, rec, b, 64, 64);
  for (int i = 0; i < 10; ++i) {
    TEventArgs a;
    a.w = a.h = 8;
    a.x = i;
    a.colour = 0x010101u * static_cast<std::uint32_t>(i + 1);
    paper.Command(rec, b, TEventKind::RectFill, a);
  }
  for (int i = 0; i < 8; ++i) paper.UndoCommand(rec, b, 0);
  const auto before = Pixels(paper.Composite);
  paper.UndoCommand(rec, b, 0);
  EXPECT_EQ(Pixels(paper.Composite), before);
  EXPECT_EQ(paper.LayerManager->LayerAt(0).Block().PixelAt(2, 2) & 0xFFFFFF, 0x020202u);
}

TEST(Paper, AStrokeWithoutPointsBeginsAndEnds) {
  TEventPacket s;
  s.RecordPaperNew(32, 32);
  TStroke rec;
  SetBrush(rec, TBrushKind::Pen, 0, 3);
  s.RecordStrokeBegin(rec, 10, 10, 0.5f);
  s.RecordStrokeEnd();
  s.RecordRectFill(0, 0, 0, 2, 2, 0x123456);
  s.WriteEnd();
  TPaper paper;
  TStroke b;
  ReplayAll(paper, s, b);
  EXPECT_FALSE(paper.LayerManager->Flow.SlotLocked(0));
  EXPECT_EQ(paper.LayerManager->LayerAt(0).Block().PixelAt(1, 1) & 0xFFFFFF, 0x123456u);
}

TEST(Paper, ResizeAnchors) {
  struct Case {
    int oldSide, newSide, anchor, keptFrom;
  };
  for (const Case& c :
       {Case{100, 50, 4, 25}, Case{100, 50, 8, 50}, Case{100, 50, 0, 0}, Case{100, 50, 99, 0}}) {
    TPaper paper;
    paper.Init("x", c.oldSide, c.oldSide);
    for (int y = 0; y < c.oldSide; ++y)
      for (int x = 0; x < c.oldSide; ++x)
        paper.LayerManager->LayerAt(0).Block().SetPixel(x, y, static_cast<std::uint32_t>(y * 256 + x));
    paper.ResizeCanvas(c.newSide, c.newSide, c.anchor);
    const TBlockImage& b = paper.LayerManager->LayerAt(0).Block();
    EXPECT_EQ(b.PixelAt(0, 0) & 0xFFFFFF, static_cast<std::uint32_t>(c.keptFrom * 257)) << c.anchor;
    EXPECT_EQ(b.PixelAt(49, 49) & 0xFFFFFF, static_cast<std::uint32_t>((c.keptFrom + 49) * 257)) << c.anchor;
  }
  TPaper grow;
  grow.Init("x", 101, 101);
  grow.LayerManager->LayerAt(0).Block().SetPixel(0, 0, 0x123456);
  grow.ResizeCanvas(200, 200, 4);
  EXPECT_EQ(grow.LayerManager->LayerAt(0).Block().PixelAt(50, 50) & 0xFFFFFF, 0x123456u);
  EXPECT_EQ(grow.LayerManager->LayerAt(0).Block().PixelAt(49, 49) & 0xFFFFFF, 0xFFFFFFu);
}

TEST(Paper, FourQuarterTurnsRestoreThePicture) {
  TPaper paper;
  paper.Init("x", 300, 200);
  TBlockImage& b = paper.LayerManager->LayerAt(0).Block();
  for (int i = 0; i < 200; ++i) b.SetPixel(i, i / 2, 0x102030u + static_cast<std::uint32_t>(i));
  paper.RecompositeAll();
  const auto before = Pixels(paper.Composite);
  paper.Rotate90(true);
  EXPECT_EQ(paper.Width(), 200);
  EXPECT_EQ(paper.Height(), 300);
  for (int i = 0; i < 3; ++i) paper.Rotate90(true);
  paper.RecompositeAll();
  EXPECT_EQ(Pixels(paper.Composite), before);
}

TEST(Paper, HiddenLayersKeepTheirPixelsThroughAFlip) {
  TPaper paper;
  TEventPacket rec;
  TStroke b;
  NewPaper(paper, rec, b, 64, 64);
  paper.LayerManager->AddLayer(0);
  paper.LayerManager->FillRect(0, 0, 0, 10, 10, 0x111111);
  paper.LayerManager->FillRect(1, 0, 0, 10, 10, 0x222222);
  paper.LayerManager->SetVisible(1, false);
  paper.PaperCommand(rec, b, TEventKind::VisibleFlipVertical, {});
  EXPECT_EQ(paper.LayerManager->LayerAt(1).Block().PixelAt(5, 5) & 0xFFFFFF, 0x222222u);
  EXPECT_EQ(paper.LayerManager->LayerAt(0).Block().PixelAt(5, 60) & 0xFFFFFF, 0x111111u);
  EXPECT_FALSE(paper.LayerManager->CanUndo(0));
}

TEST(Paper, SizesFromEventsStayWithinTheProgramLimits) {
  TEventPacket s;
  s.RecordPaperNew(60000, 0);
  s.WriteEnd();
  TPaper paper;
  TStroke b;
  ReplayAll(paper, s, b);
  EXPECT_EQ(paper.Width(), TPaper::MaxSide);
  EXPECT_EQ(paper.Height(), 1);
}

TEST(Paper, CaptionText) {
  TPaper paper;
  paper.Init("NONAME", 640, 480);
  EXPECT_EQ(paper.CaptionText(), "<OFFLINE>  \"NONAME\" 640*480 : 100%");
  paper.NetMode = 1;
  paper.Display.Zoom = -2;
  EXPECT_EQ(paper.CaptionText(), "<NETWORKING>  \"NONAME\" 640*480 :  25%");
}

}  // namespace
}  // namespace vt
