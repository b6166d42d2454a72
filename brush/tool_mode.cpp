#include "brush/tool_mode.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace vt {

namespace {

constexpr TKeyState kModifiers{TKey::Shift, TKey::Ctrl, TKey::Alt, TKey::Space};
constexpr TKeyState kTemporaryKeys{TKey::Space, TKey::Ctrl, TKey::Alt, TKey::Shift, TKey::X, TKey::M};

void Arm(TDragState& state) {
  if (state == TDragState::Off) state = TDragState::Armed;
}

bool Dragging(TDragState state) { return state == TDragState::Dragging; }

std::uint8_t ModifierCode(TKeyState keys) {
  const bool shift = keys.Has(TKey::Shift), alt = keys.Has(TKey::Alt);
  return shift && alt ? 4 : alt ? 2 : shift ? 1 : 0;
}

}  // namespace

TToolMode::TToolMode() {
  bitmap_.SetSize(BoxWidth, BoxHeight);
  image_.SetSize(BoxWidth, BoxHeight);
  DrawBitmap();
  DrawToolBox();
}

void TToolMode::SelectTool(TToolType type) {
  type_ = type;
  CancelShape();
  ClearTemporary();
  DrawToolBox();
}

void TToolMode::ClearTemporary() {
  eyedropper_ = false;
  move_ = penWidth_ = hand_ = rotate_ = TDragState::Off;
  zoomIn_ = zoomOut_ = false;
}

TToolBoxHit TToolMode::HitToolBox(std::int32_t x, std::int32_t y) {
  // Two columns (x 1..31 and 32..62) of six 25-pixel rows, each row's cell at y
  // 25r + 1 .. 25r + 24.
  if (x < 1 || x > 62 || y < 1 || y > 149 || y % 25 == 0) return TToolBoxHit::None;
  const bool left = x <= 31;
  const std::int32_t row = y / 25;
  if (row == 5) {
    ClearTemporary();
    return left ? TToolBoxHit::ZoomIn : TToolBoxHit::ZoomOut;
  }
  constexpr TToolType cells[5][2] = {{TToolType::Brush, TToolType::Move},
                                     {TToolType::Eyedropper, TToolType::Line},
                                     {TToolType::Rect, TToolType::Rect},
                                     {TToolType::Polygon, TToolType::Polygon},
                                     {TToolType::Hand, TToolType::Rotate}};
  SelectTool(cells[row][left ? 0 : 1]);
  if (type_ == TToolType::Rect || type_ == TToolType::Polygon) fill_ = left;
  DrawToolBox();
  return TToolBoxHit::Tool;
}

void TToolMode::UpdateTemporaryTool(TKeyState keys) {
  if (!keys.Any(kTemporaryKeys)) {
    penWidth_ = TDragState::Off;
    if (type_ != TToolType::Hand) hand_ = TDragState::Off;
    if (type_ != TToolType::Rotate) rotate_ = TDragState::Off;
    if (type_ != TToolType::Eyedropper) eyedropper_ = false;
    if (type_ != TToolType::Move) move_ = TDragState::Off;
    if (type_ != TToolType::ZoomIn) zoomIn_ = false;
    if (type_ != TToolType::ZoomOut) zoomOut_ = false;
    return;
  }
  const bool ctrl = keys.Has(TKey::Ctrl), alt = keys.Has(TKey::Alt), space = keys.Has(TKey::Space);
  if (ctrl && space) {
    zoomIn_ = true;
    if (alt) zoomOut_ = true;
  } else if (ctrl && alt) {
    Arm(penWidth_);
  } else if (alt) {
    Arm(rotate_);
  } else if (space) {
    Arm(hand_);
  }
}

TToolCursor TToolMode::Cursor() const {
  if (zoomOut_) return TToolCursor::Minus;
  if (zoomIn_) return TToolCursor::Plus;
  if (eyedropper_) return TToolCursor::Spoit;
  if (hand_ != TDragState::Off || rotate_ != TDragState::Off || penWidth_ != TDragState::Off)
    return TToolCursor::Scroll;
  switch (type_) {
    case TToolType::ZoomIn:
      return TToolCursor::Plus;
    case TToolType::ZoomOut:
      return TToolCursor::Minus;
    case TToolType::Brush:
      return TToolCursor::Point;
    case TToolType::Rotate:
    case TToolType::Hand:
      return TToolCursor::Scroll;
    case TToolType::Move:
      return TToolCursor::Move;
    case TToolType::Eyedropper:
      return TToolCursor::Spoit;
    default:
      return TToolCursor::Shape;
  }
}

// ---- Shapes -----------------------------------------------------------------------------

bool TToolMode::IsShapeTool() const { return type_ == TToolType::Rect || type_ == TToolType::Line; }

void TToolMode::AddVertex(TPointI p) {
  if (static_cast<std::int32_t>(vertices_.size()) < MaxVertices) vertices_.push_back(p);
}

void TToolMode::ShapePress(TPointI p, TKeyState keys) {
  end_ = p;
  if (IsShapeTool() || type_ == TToolType::Freehand) {
    startModifiers_ = ModifierCode(keys);
    vertices_.assign(1, p);
    first_ = p;
    active_ = IsShapeTool();
  } else if (type_ == TToolType::Polygon && !active_) {
    if (vertices_.empty()) {
      first_ = p;
      startModifiers_ = ModifierCode(keys);
    }
    if (static_cast<std::int32_t>(vertices_.size()) < MaxPolygonVertices) AddVertex(p);
  }
}

void TToolMode::ShapeMove(TPointI p, bool buttonDown) {
  end_ = p;
  // The outline grows only between its press and its release (it is not active then).
  if (type_ == TToolType::Freehand && buttonDown && !vertices_.empty() && !active_) AddVertex(p);
}

TShapeResult TToolMode::ShapeRelease(TPointI p) {
  TShapeResult r;
  end_ = p;
  const bool freehand = type_ == TToolType::Freehand && !vertices_.empty() && !active_;
  if (!(IsShapeTool() && active_) && !freehand) return r;
  if (vertices_.size() == 1 && p == first_) {
    r.kind = TShapeResult::TKind::SelectPoint;
    r.from = p;
    CancelShape();
    return r;
  }
  if (freehand) {
    // An outline needs three corners to enclose anything.
    if (vertices_.size() < 3) {
      CancelShape();
      return r;
    }
    active_ = true;
    r.kind = TShapeResult::TKind::Outline;
    return r;
  }
  r.fill = fill_;
  r.from = first_;
  r.to = p;
  if (type_ == TToolType::Rect) {
    r.kind = TShapeResult::TKind::Rect;
    r.rect = {std::min(p.x, first_.x), std::min(p.y, first_.y), std::abs(p.x - first_.x),
              std::abs(p.y - first_.y)};
  } else {
    r.kind = TShapeResult::TKind::Line;
  }
  CancelShape();
  return r;
}

bool TToolMode::ClosePolygon() {
  if (type_ != TToolType::Polygon || vertices_.size() < 3) {
    CancelShape();
    return false;
  }
  active_ = true;
  return true;
}

void TToolMode::CancelShape() {
  active_ = false;
  vertices_.clear();
}

// ---- Drags ------------------------------------------------------------------------------

void TToolMode::StartDrags(TPointI screen, TKeyState keys, float penWidth) {
  if ((type_ == TToolType::Hand || hand_ == TDragState::Armed) && !keys.Has(TKey::Alt)) {
    hand_ = TDragState::Dragging;
    handLast_ = screen;
  }
  if ((type_ == TToolType::Rotate || rotate_ == TDragState::Armed) && !keys.Has(TKey::Ctrl) &&
      !keys.Has(TKey::Space)) {
    rotate_ = TDragState::Dragging;
    rotateLast_ = screen;
  }
  if ((type_ == TToolType::Move || move_ == TDragState::Armed) && !keys.Any(kModifiers) && !Dragging(hand_) &&
      !Dragging(rotate_)) {
    move_ = TDragState::Dragging;
    moveStart_ = screen;
  }
  if (penWidth_ == TDragState::Armed) {
    penWidth_ = TDragState::Dragging;
    penWidthStart_ = screen;
    penWidthAtStart_ = penWidth;
  }
}

TPointI TToolMode::HandMove(TPointI screen, TKeyState keys) {
  if (!Dragging(hand_)) return {};
  const TPointI d{screen.x - handLast_.x, screen.y - handLast_.y};
  // The pointer is followed even while the drag pauses, so it resumes without a jump.
  handLast_ = screen;
  if (keys.Has(TKey::Alt) || keys.Has(TKey::Ctrl)) return {};
  return d;
}

float TToolMode::RotateMove(TPointI screen) {
  if (!Dragging(rotate_)) return 0.0f;
  const double dx = screen.x - rotateLast_.x, dy = screen.y - rotateLast_.y;
  rotateLast_ = screen;
  // The distance moved turns the view; moving right turns it back.
  std::int32_t d = TruncToInt(std::sqrt(dx * dx + dy * dy));
  if (dx > 0) d = -d;
  return static_cast<float>(d) / 150.0f;
}

std::optional<float> TToolMode::PenWidthMove(TPointI screen, float zoom, TKeyState keys) {
  if (!Dragging(penWidth_) || keys.Has(TKey::Space) || !(zoom > 0.0f)) return std::nullopt;
  // Two screen pixels of drag per window pixel of width.
  const float w = static_cast<float>(screen.x - penWidthStart_.x) / zoom / 2.0f + penWidthAtStart_;
  if (!(w >= 0.0f && w <= MaxPenWidth)) return std::nullopt;
  return w;
}

TDragState TToolMode::EndState(TToolType tool) const {
  return type_ == tool ? TDragState::Armed : TDragState::Off;
}

bool TToolMode::EndHandDrag() {
  const bool was = Dragging(hand_);
  if (was) hand_ = EndState(TToolType::Hand);
  return was;
}

bool TToolMode::EndRotateDrag() {
  const bool was = Dragging(rotate_);
  if (was) rotate_ = EndState(TToolType::Rotate);
  return was;
}

bool TToolMode::EndMoveDrag() {
  const bool was = Dragging(move_);
  if (was) move_ = EndState(TToolType::Move);
  return was;
}

bool TToolMode::EndPenWidthDrag() {
  const bool was = Dragging(penWidth_);
  if (was) penWidth_ = TDragState::Off;
  return was;
}

TPointI TToolMode::LayerMoveOffset(TPointI screen, float angle, float zoom) const {
  if (!(zoom > 0.0f)) return {};
  const double dx = screen.x - moveStart_.x, dy = screen.y - moveStart_.y;
  // Cosine and sine in float precision, like the angle: at a quarter turn the sine is
  // exactly 1, so a straight drag moves the layer along one axis by its full length.
  const double c = std::cos(angle), s = std::sin(angle);
  return {TruncToInt((c * dx - s * dy) / zoom), TruncToInt((s * dx + c * dy) / zoom)};
}

}  // namespace vt
