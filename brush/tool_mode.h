#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "brush/key_state.h"
#include "raster/helpers.h"
#include "raster/px.h"

namespace vt {

// Tool types; the byte values are fixed (the tool window's list maps onto them).
enum class TToolType : std::uint8_t {
  ZoomIn = 0,
  ZoomOut = 1,
  Brush = 2,
  Rotate = 3,
  Hand = 4,
  Rect = 5,
  Line = 7,
  Polygon = 8,
  MagicWand = 9,
  Freehand = 10,
  Move = 11,
  Eyedropper = 12,
};

// Drag states of the view and layer tools.
enum class TDragState : std::uint8_t { Off = 0, Armed = 1, Dragging = 2 };

enum class TToolCursor { Plus, Minus, Point, Scroll, Shape, Move, Spoit };

// What a click in the tool box did.
enum class TToolBoxHit { None, Tool, ZoomIn, ZoomOut };

// What a release finished. Rect: rect holds the ordered corners (w, h the distances);
// Line: from and to; SelectPoint: a click that did not move, at from, handed to the
// selection; Outline: a freehand outline was closed and waits in Vertices().
struct TShapeResult {
  enum class TKind { None, Rect, Line, SelectPoint, Outline };
  TKind kind = TKind::None;
  bool fill = true;
  TIntRect rect;
  TPointI from;
  TPointI to;
};

// The current drawing tool: the tool chosen in the tool box, the temporary tools that
// held keys select, the shape being drawn and the drags of the view and layer tools. It
// draws the tool box image. Key and button state arrive as plain values; points are
// paper coordinates for shapes and screen coordinates for drags.
class TToolMode {
 public:
  static constexpr std::int32_t BoxWidth = 63;
  static constexpr std::int32_t BoxHeight = 151;
  static constexpr std::int32_t MaxVertices = 65535;
  // A polygon takes clicks while it holds at most 10,000 vertices.
  static constexpr std::int32_t MaxPolygonVertices = 10001;
  static constexpr float MaxPenWidth = 200.0f;

  TToolMode();

  TToolType Type() const { return type_; }
  bool FillMode() const { return fill_; }
  // Chooses a tool and drops the shape and every temporary and drag state.
  void SelectTool(TToolType type);
  TToolBoxHit HitToolBox(std::int32_t x, std::int32_t y);
  void ClearTemporary();
  void UpdateTemporaryTool(TKeyState keys);
  // The right button or Shift picks colours while it is held.
  void SetEyedropperTemporary(bool on) { eyedropper_ = on; }
  TToolCursor Cursor() const;

  bool ZoomInTemporary() const { return zoomIn_; }
  bool ZoomOutTemporary() const { return zoomOut_; }
  bool EyedropperTemporary() const { return eyedropper_; }
  TDragState HandState() const { return hand_; }
  TDragState RotateState() const { return rotate_; }
  TDragState MoveState() const { return move_; }
  TDragState PenWidthState() const { return penWidth_; }

  // --- Tool box ---------------------------------------------------------------------
  // The image with the chosen cell outlined, and the same without the outline. The
  // image follows every change of tool.
  const TPX& ToolBoxImage() const { return image_; }
  const TPX& ToolBoxBitmap() const { return bitmap_; }
  void DrawToolBox();
  // The client rectangle of a tool's cell; empty for tools without one.
  static TIntRect CellRect(TToolType type, bool fill);

  // --- Shapes -------------------------------------------------------------------------
  void ShapePress(TPointI p, TKeyState keys);
  // Mouse move with the button down (freehand outlines grow) or up (rubber band only).
  void ShapeMove(TPointI p, bool buttonDown);
  TShapeResult ShapeRelease(TPointI p);
  // Double click with the polygon tool: true when at least three vertices close it;
  // otherwise the polygon is discarded.
  bool ClosePolygon();
  void CancelShape();
  bool ShapeActive() const { return active_; }
  std::span<const TPointI> Vertices() const { return vertices_; }
  // The pointer's last position, the loose end of the rubber band.
  TPointI ShapeEnd() const { return end_; }
  // Modifier keys when the shape started: 0 none, 1 Shift, 2 Alt, 4 Shift and Alt.
  std::uint8_t StartModifiers() const { return startModifiers_; }

  // --- Drags --------------------------------------------------------------------------
  // A button press at a screen point starts every drag whose tool is chosen or armed.
  void StartDrags(TPointI screen, TKeyState keys, float penWidth);
  // Screen movement since the last move; zero while Alt or Ctrl is held.
  TPointI HandMove(TPointI screen, TKeyState keys);
  // The change of the view angle in radians.
  float RotateMove(TPointI screen);
  // The new pen width, when it lies in 0..MaxPenWidth; zoom is the view's factor.
  std::optional<float> PenWidthMove(TPointI screen, float zoom, TKeyState keys);
  // Each returns whether its drag was active; the state falls back to armed while its
  // tool stays chosen.
  bool EndHandDrag();
  bool EndRotateDrag();
  bool EndMoveDrag();
  bool EndPenWidthDrag();
  // The layer offset in paper pixels for the pointer at a screen point, in a view
  // turned by angle at zoom factor zoom.
  TPointI LayerMoveOffset(TPointI screen, float angle, float zoom) const;

 private:
  void DrawBitmap();
  bool IsShapeTool() const;
  TDragState EndState(TToolType tool) const;
  void AddVertex(TPointI p);

  std::uint8_t startModifiers_ = 0;
  TPX image_;
  TPX bitmap_;
  TToolType type_ = TToolType::Brush;
  bool active_ = false;
  TPointI first_;
  TPointI end_;
  bool fill_ = true;
  bool eyedropper_ = false;
  TDragState move_ = TDragState::Off;
  TDragState penWidth_ = TDragState::Off;
  TDragState hand_ = TDragState::Off;
  TDragState rotate_ = TDragState::Off;
  bool zoomIn_ = false;
  bool zoomOut_ = false;
  TPointI handLast_;
  TPointI rotateLast_;
  TPointI moveStart_;
  TPointI penWidthStart_;
  float penWidthAtStart_ = 0.0f;
  std::vector<TPointI> vertices_;
};

}  // namespace vt
