#include "brush/tool_mode.h"

#include <gtest/gtest.h>

#include <numbers>

namespace vt {
namespace {

using TKind = TShapeResult::TKind;

TEST(ToolMode, ToolBoxClicksChooseTheCellsToolOrZoom) {
  struct Case {
    std::int32_t x, y;
    TToolBoxHit hit;
    TToolType type;
    bool fill;
  } cases[] = {
      {40, 60, TToolBoxHit::Tool, TToolType::Rect, false},
      {10, 60, TToolBoxHit::Tool, TToolType::Rect, true},
      {10, 90, TToolBoxHit::Tool, TToolType::Polygon, true},
      {62, 99, TToolBoxHit::Tool, TToolType::Polygon, false},
      {1, 1, TToolBoxHit::Tool, TToolType::Brush, true},
      {32, 24, TToolBoxHit::Tool, TToolType::Move, true},
      {31, 26, TToolBoxHit::Tool, TToolType::Eyedropper, true},
      {40, 40, TToolBoxHit::Tool, TToolType::Line, true},
      {10, 110, TToolBoxHit::Tool, TToolType::Hand, true},
      {50, 120, TToolBoxHit::Tool, TToolType::Rotate, true},
  };
  for (const Case& c : cases) {
    TToolMode t;
    EXPECT_EQ(t.HitToolBox(c.x, c.y), c.hit) << c.x << "," << c.y;
    EXPECT_EQ(t.Type(), c.type) << c.x << "," << c.y;
    EXPECT_EQ(t.FillMode(), c.fill) << c.x << "," << c.y;
  }

  // The zoom buttons act on the view and clear the temporary tools, but keep the tool.
  TToolMode t;
  t.HitToolBox(40, 60);
  t.UpdateTemporaryTool({TKey::Space});
  EXPECT_EQ(t.HitToolBox(10, 140), TToolBoxHit::ZoomIn);
  EXPECT_EQ(t.HitToolBox(40, 149), TToolBoxHit::ZoomOut);
  EXPECT_EQ(t.Type(), TToolType::Rect);
  EXPECT_FALSE(t.FillMode());
  EXPECT_EQ(t.HandState(), TDragState::Off);

  // Between and beside the cells nothing changes.
  t.UpdateTemporaryTool({TKey::Space});
  for (auto [x, y] :
       {std::pair{0, 10}, {63, 10}, {10, 0}, {10, 25}, {40, 50}, {10, 150}, {-5, -5}, {10, 900}}) {
    EXPECT_EQ(t.HitToolBox(x, y), TToolBoxHit::None) << x << "," << y;
    EXPECT_EQ(t.Type(), TToolType::Rect);
    EXPECT_EQ(t.HandState(), TDragState::Armed);
  }
}

TEST(ToolMode, TheToolBoxImageOutlinesOnlyTheChosenCell) {
  TToolMode t;
  ASSERT_EQ(t.ToolBoxImage().Width, TToolMode::BoxWidth);
  ASSERT_EQ(t.ToolBoxImage().Height, TToolMode::BoxHeight);
  const std::pair<std::int32_t, std::int32_t> clicks[] = {{10, 10}, {40, 10}, {10, 35}, {40, 35},  {10, 60},
                                                          {40, 60}, {10, 85}, {40, 85}, {10, 110}, {40, 110}};
  for (auto [x, y] : clicks) {
    t.HitToolBox(x, y);
    const TIntRect cell = TToolMode::CellRect(t.Type(), t.FillMode());
    ASSERT_GT(cell.w, 0);
    EXPECT_GE(x, cell.x);
    EXPECT_LT(x, cell.x + cell.w);
    EXPECT_GE(y, cell.y);
    EXPECT_LT(y, cell.y + cell.h);
    std::int32_t changed = 0;
    for (std::int32_t py = 0; py < TToolMode::BoxHeight; ++py) {
      for (std::int32_t px = 0; px < TToolMode::BoxWidth; ++px) {
        if (t.ToolBoxImage().PixelAt(px, py) == t.ToolBoxBitmap().PixelAt(px, py)) continue;
        ++changed;
        ASSERT_TRUE(px >= cell.x && px < cell.x + cell.w && py >= cell.y && py < cell.y + cell.h)
            << "outline pixel " << px << "," << py << " outside the cell of click " << x << "," << y;
      }
    }
    EXPECT_GT(changed, 2 * (cell.w + cell.h)) << "click " << x << "," << y;
  }
  t.SelectTool(TToolType::Freehand);  // chosen from the hidden list: no cell
  EXPECT_EQ(TToolMode::CellRect(TToolType::Freehand, true).w, 0);
  for (std::int32_t py = 0; py < TToolMode::BoxHeight; ++py)
    for (std::int32_t px = 0; px < TToolMode::BoxWidth; ++px)
      ASSERT_EQ(t.ToolBoxImage().PixelAt(px, py), t.ToolBoxBitmap().PixelAt(px, py));
}

TEST(ToolMode, HeldKeysArmTemporaryTools) {
  struct Case {
    TKeyState keys;
    bool zoomIn, zoomOut;
    TDragState penWidth, rotate, hand;
    TToolCursor cursor;
  } cases[] = {
      {{TKey::Ctrl, TKey::Space},
       true,
       false,
       TDragState::Off,
       TDragState::Off,
       TDragState::Off,
       TToolCursor::Plus},
      {{TKey::Ctrl, TKey::Space, TKey::Alt},
       true,
       true,
       TDragState::Off,
       TDragState::Off,
       TDragState::Off,
       TToolCursor::Minus},
      {{TKey::Ctrl, TKey::Alt},
       false,
       false,
       TDragState::Armed,
       TDragState::Off,
       TDragState::Off,
       TToolCursor::Scroll},
      {{TKey::Alt}, false, false, TDragState::Off, TDragState::Armed, TDragState::Off, TToolCursor::Scroll},
      {{TKey::Alt, TKey::Space},
       false,
       false,
       TDragState::Off,
       TDragState::Armed,
       TDragState::Off,
       TToolCursor::Scroll},
      {{TKey::Space}, false, false, TDragState::Off, TDragState::Off, TDragState::Armed, TToolCursor::Scroll},
      {{TKey::X}, false, false, TDragState::Off, TDragState::Off, TDragState::Off, TToolCursor::Point},
  };
  for (const Case& c : cases) {
    TToolMode t;
    t.UpdateTemporaryTool(c.keys);
    EXPECT_EQ(t.ZoomInTemporary(), c.zoomIn) << c.keys.held;
    EXPECT_EQ(t.ZoomOutTemporary(), c.zoomOut) << c.keys.held;
    EXPECT_EQ(t.PenWidthState(), c.penWidth) << c.keys.held;
    EXPECT_EQ(t.RotateState(), c.rotate) << c.keys.held;
    EXPECT_EQ(t.HandState(), c.hand) << c.keys.held;
    EXPECT_EQ(t.Cursor(), c.cursor) << c.keys.held;
    t.UpdateTemporaryTool({});
    EXPECT_FALSE(t.ZoomInTemporary());
    EXPECT_EQ(t.RotateState(), TDragState::Off);
    EXPECT_EQ(t.HandState(), TDragState::Off);
    EXPECT_EQ(t.Cursor(), TToolCursor::Point);
  }
  // Releasing the keys keeps the state of the chosen tool itself.
  TToolMode t;
  t.SelectTool(TToolType::Hand);
  t.UpdateTemporaryTool({TKey::Space});
  t.UpdateTemporaryTool({TKey::Alt});
  t.UpdateTemporaryTool({});
  EXPECT_EQ(t.HandState(), TDragState::Armed);
  EXPECT_EQ(t.RotateState(), TDragState::Off);
}

TEST(ToolMode, RectanglesAndLinesRunFromPressToRelease) {
  TToolMode t;
  t.HitToolBox(40, 60);  // cut rectangle
  t.ShapePress({10, 20}, {TKey::Shift});
  EXPECT_TRUE(t.ShapeActive());
  EXPECT_EQ(t.StartModifiers(), 1);
  t.ShapeMove({6, 25}, true);
  EXPECT_EQ(t.ShapeEnd(), (TPointI{6, 25}));
  TShapeResult r = t.ShapeRelease({4, 30});
  EXPECT_EQ(r.kind, TKind::Rect);
  EXPECT_FALSE(r.fill);
  EXPECT_EQ(r.rect, (TIntRect{4, 20, 6, 10}));
  EXPECT_FALSE(t.ShapeActive());
  EXPECT_TRUE(t.Vertices().empty());

  t.SelectTool(TToolType::Line);
  t.ShapePress({50, 50}, {TKey::Shift, TKey::Alt});
  EXPECT_EQ(t.StartModifiers(), 4);
  r = t.ShapeRelease({70, 40});
  EXPECT_EQ(r.kind, TKind::Line);
  EXPECT_EQ(r.from, (TPointI{50, 50}));
  EXPECT_EQ(r.to, (TPointI{70, 40}));

  // A click that does not move goes to the selection and leaves no shape.
  for (TToolType type : {TToolType::Rect, TToolType::Line, TToolType::Freehand}) {
    t.SelectTool(type);
    t.ShapePress({8, 9}, {});
    r = t.ShapeRelease({8, 9});
    EXPECT_EQ(r.kind, TKind::SelectPoint);
    EXPECT_EQ(r.from, (TPointI{8, 9}));
    EXPECT_FALSE(t.ShapeActive());
    EXPECT_TRUE(t.Vertices().empty());
  }
  // A release without a press finishes nothing.
  EXPECT_EQ(t.ShapeRelease({1, 1}).kind, TKind::None);
}

TEST(ToolMode, PolygonsTakeAtMost10001VerticesAndNeedThreeToClose) {
  TToolMode t;
  t.HitToolBox(10, 90);
  for (std::int32_t i = 0; i < 10002; ++i) t.ShapePress({i % 100, i / 100}, {});
  ASSERT_EQ(t.Vertices().size(), 10001u) << "the 10,002nd click adds nothing";
  EXPECT_EQ(t.Vertices().back(), (TPointI{0, 100}));
  EXPECT_EQ(t.ShapeRelease({5, 5}).kind, TKind::None) << "releases do not end a polygon";
  EXPECT_TRUE(t.ClosePolygon());
  EXPECT_TRUE(t.ShapeActive());

  t.CancelShape();
  t.ShapePress({1, 1}, {});
  t.ShapePress({5, 1}, {});
  EXPECT_FALSE(t.ClosePolygon());
  EXPECT_TRUE(t.Vertices().empty());
  EXPECT_FALSE(t.ShapeActive());
}

TEST(ToolMode, AFreehandOutlineStopsGrowingWhenItsArrayIsFull) {
  TToolMode t;
  t.SelectTool(TToolType::Freehand);
  t.ShapeMove({3, 3}, true);
  EXPECT_TRUE(t.Vertices().empty()) << "no outline before a press";
  t.ShapePress({0, 0}, {});
  for (std::int32_t i = 1; i < 70000; ++i) t.ShapeMove({i % 300, i / 300}, true);
  EXPECT_EQ(t.Vertices().size(), static_cast<std::size_t>(TToolMode::MaxVertices));
  t.ShapeMove({7, 7}, false);
  EXPECT_EQ(t.Vertices().size(), static_cast<std::size_t>(TToolMode::MaxVertices));
  const TShapeResult r = t.ShapeRelease({9, 9});
  EXPECT_EQ(r.kind, TKind::Outline);
  EXPECT_TRUE(t.ShapeActive());

  t.SelectTool(TToolType::Freehand);
  t.ShapePress({0, 0}, {});
  t.ShapeMove({4, 0}, true);
  EXPECT_EQ(t.ShapeRelease({4, 0}).kind, TKind::None) << "two points enclose nothing";
  EXPECT_TRUE(t.Vertices().empty());
}

TEST(ToolMode, PenWidthDragScalesWithZoomAndStaysInRange) {
  TToolMode t;
  t.UpdateTemporaryTool({TKey::Ctrl, TKey::Alt});
  t.StartDrags({500, 300}, {TKey::Ctrl, TKey::Alt}, 10.0f);
  ASSERT_EQ(t.PenWidthState(), TDragState::Dragging);
  EXPECT_EQ(t.PenWidthMove({600, 320}, 2.0f, {TKey::Ctrl, TKey::Alt}), 35.0f);
  EXPECT_EQ(t.PenWidthMove({480, 300}, 1.0f, {}), 0.0f) << "0 is still a width";
  EXPECT_EQ(t.PenWidthMove({1300, 300}, 2.0f, {}), std::nullopt) << "210 is above 200";
  EXPECT_EQ(t.PenWidthMove({400, 300}, 2.0f, {}), std::nullopt) << "-15 is below 0";
  EXPECT_EQ(t.PenWidthMove({600, 300}, 2.0f, {TKey::Space}), std::nullopt);
  EXPECT_TRUE(t.EndPenWidthDrag());
  EXPECT_FALSE(t.EndPenWidthDrag());
  EXPECT_EQ(t.PenWidthState(), TDragState::Off);
  EXPECT_EQ(t.PenWidthMove({600, 320}, 2.0f, {}), std::nullopt);
}

TEST(ToolMode, HandAndRotateDragsReportPointerMovement) {
  TToolMode t;
  t.UpdateTemporaryTool({TKey::Space});
  t.StartDrags({100, 100}, {TKey::Space}, 1.0f);
  ASSERT_EQ(t.HandState(), TDragState::Dragging);
  EXPECT_EQ(t.HandMove({110, 95}, {TKey::Space}), (TPointI{10, -5}));
  EXPECT_EQ(t.HandMove({130, 95}, {TKey::Ctrl}), (TPointI{})) << "ignored while Ctrl is held";
  EXPECT_EQ(t.HandMove({131, 97}, {}), (TPointI{1, 2})) << "and resumes without a jump";
  EXPECT_TRUE(t.EndHandDrag());
  EXPECT_EQ(t.HandState(), TDragState::Off) << "the brush is still the chosen tool";

  t.SelectTool(TToolType::Hand);
  t.StartDrags({0, 0}, {TKey::Alt}, 1.0f);
  EXPECT_EQ(t.HandState(), TDragState::Off) << "Alt stops a hand drag from starting";
  t.StartDrags({0, 0}, {}, 1.0f);
  EXPECT_TRUE(t.EndHandDrag());
  EXPECT_EQ(t.HandState(), TDragState::Armed);

  t.SelectTool(TToolType::Rotate);
  t.StartDrags({0, 0}, {TKey::Ctrl}, 1.0f);
  EXPECT_EQ(t.RotateState(), TDragState::Off);
  t.StartDrags({0, 0}, {}, 1.0f);
  EXPECT_FLOAT_EQ(t.RotateMove({30, 40}), -50.0f / 150.0f);
  EXPECT_FLOAT_EQ(t.RotateMove({0, 0}), 50.0f / 150.0f);
  EXPECT_FLOAT_EQ(t.RotateMove({0, 10}), 10.0f / 150.0f);
  EXPECT_TRUE(t.EndRotateDrag());
  EXPECT_EQ(t.RotateMove({50, 50}), 0.0f);
}

TEST(ToolMode, MoveDragsTurnScreenMovementIntoALayerOffset) {
  TToolMode t;
  t.SelectTool(TToolType::Move);
  t.StartDrags({200, 200}, {TKey::Shift}, 1.0f);
  EXPECT_EQ(t.MoveState(), TDragState::Off) << "no move with a modifier held";
  t.StartDrags({200, 200}, {}, 1.0f);
  ASSERT_EQ(t.MoveState(), TDragState::Dragging);
  const float quarter = static_cast<float>(std::numbers::pi / 2);
  EXPECT_EQ(t.LayerMoveOffset({230, 200}, quarter, 1.0f), (TPointI{0, 30}));
  EXPECT_EQ(t.LayerMoveOffset({230, 211}, 0.0f, 2.0f), (TPointI{15, 5}));
  EXPECT_EQ(t.LayerMoveOffset({170, 200}, 0.0f, 4.0f), (TPointI{-7, 0})) << "truncated toward zero";
  EXPECT_TRUE(t.EndMoveDrag());
  EXPECT_EQ(t.MoveState(), TDragState::Armed);

  // A hand drag that starts on the same press keeps the layer still.
  t.UpdateTemporaryTool({TKey::Space});
  t.StartDrags({0, 0}, {}, 1.0f);
  EXPECT_EQ(t.HandState(), TDragState::Dragging);
  EXPECT_EQ(t.MoveState(), TDragState::Armed);
}

}  // namespace
}  // namespace vt
