// The tool box image of TToolMode.
#include "brush/tool_mode.h"

namespace vt {

namespace {

constexpr std::uint32_t kFace = 0xFFD4D0C8u;
constexpr std::uint32_t kLight = 0xFFFFFFFFu;
constexpr std::uint32_t kShadow = 0xFF808080u;
constexpr std::uint32_t kInk = 0xFF202020u;
constexpr std::uint32_t kAccent = 0xFF3060C0u;
constexpr std::uint32_t kFrame = 0xFFE02020u;

constexpr std::int32_t kCellW = 31;
constexpr std::int32_t kCellH = 24;

TIntRect Cell(std::int32_t column, std::int32_t row) {
  return {column == 0 ? 1 : 32, 25 * row + 1, kCellW, kCellH};
}

void Line(TPX& px, std::uint32_t c, float x1, float y1, float x2, float y2) {
  px.Line(c, false, x1, y1, x2, y2);
}

void Triangle(TPX& px, std::int32_t ox, std::int32_t oy, bool filled) {
  if (filled) {
    // Horizontal runs narrowing from the base to the apex.
    for (std::int32_t y = 0; y <= 12; ++y)
      Line(px, kAccent, ox + 15 - y, oy + 18 - y, ox + 15 + y, oy + 18 - y);
  }
  Line(px, kInk, ox + 3, oy + 18, ox + 27, oy + 18);
  Line(px, kInk, ox + 3, oy + 18, ox + 15, oy + 6);
  Line(px, kInk, ox + 15, oy + 6, ox + 27, oy + 18);
}

void Ring(TPX& px, float cx, float cy, float r) {
  px.Disc(kInk, false, 1.0f, r, cx, cy);
  px.Disc(kFace, false, 1.0f, r - 1.5f, cx, cy);
}

// The picture of cell (column, row), drawn in the cell at (ox, oy).
void Icon(TPX& px, std::int32_t column, std::int32_t row, std::int32_t ox, std::int32_t oy) {
  const float cx = static_cast<float>(ox) + 15.0f, cy = static_cast<float>(oy) + 12.0f;
  switch (row * 2 + column) {
    case 0:  // brush
      Line(px, kInk, cx + 8, cy - 8, cx - 4, cy + 4);
      px.Disc(kAccent, false, 1.0f, 3.0f, cx - 5, cy + 5);
      break;
    case 1:  // move layer
      Line(px, kInk, cx - 9, cy, cx + 9, cy);
      Line(px, kInk, cx, cy - 9, cx, cy + 9);
      for (float s : {-1.0f, 1.0f}) {
        Line(px, kInk, cx + 9 * s, cy, cx + 6 * s, cy - 3);
        Line(px, kInk, cx, cy + 9 * s, cx - 3, cy + 6 * s);
      }
      break;
    case 2:  // eyedropper
      Line(px, kInk, cx - 7, cy + 7, cx + 4, cy - 4);
      Line(px, kInk, cx - 6, cy + 7, cx + 5, cy - 4);
      px.Disc(kInk, false, 1.0f, 3.0f, cx + 6, cy - 6);
      break;
    case 3:  // straight line
      Line(px, kInk, cx - 10, cy + 7, cx + 10, cy - 7);
      break;
    case 4:  // rectangle fill
      px.FillRect(ox + 6, oy + 5, kAccent, 14, 19);
      px.Outline(ox + 6, oy + 5, 19, 14, kInk);
      break;
    case 5:  // rectangle cut
      px.Outline(ox + 6, oy + 5, 19, 14, kInk);
      Line(px, kInk, cx - 9, cy + 6, cx + 9, cy - 6);
      break;
    case 6:
      Triangle(px, ox, oy, true);
      break;
    case 7:
      Triangle(px, ox, oy, false);
      break;
    case 8:  // hand
      px.FillRect(ox + 9, oy + 11, kInk, 9, 12);
      for (std::int32_t f = 0; f < 4; ++f)
        px.FillRect(ox + 9 + 3 * f, oy + 4 + (f == 0 || f == 3 ? 2 : 0), kInk, 8, 2);
      break;
    case 9:  // rotate view
      Ring(px, cx, cy, 8.0f);
      Line(px, kInk, cx + 8, cy, cx + 5, cy - 4);
      Line(px, kInk, cx + 8, cy, cx + 11, cy - 4);
      break;
    case 10:  // zoom in
    case 11:  // zoom out
      Ring(px, cx - 2, cy - 2, 7.0f);
      Line(px, kInk, cx + 3, cy + 3, cx + 9, cy + 9);
      Line(px, kInk, cx - 5, cy - 2, cx + 1, cy - 2);
      if (column == 0) Line(px, kInk, cx - 2, cy - 5, cx - 2, cy + 1);
      break;
    default:
      break;
  }
}

void DrawCell(TPX& px, std::int32_t column, std::int32_t row) {
  const TIntRect r = Cell(column, row);
  px.FillRect(r.x, r.y, kFace, r.h, r.w);
  Line(px, kLight, r.x, r.y, r.x + r.w - 1, r.y);
  Line(px, kLight, r.x, r.y, r.x, r.y + r.h - 1);
  Line(px, kShadow, r.x, r.y + r.h - 1, r.x + r.w - 1, r.y + r.h - 1);
  Line(px, kShadow, r.x + r.w - 1, r.y, r.x + r.w - 1, r.y + r.h - 1);
  Icon(px, column, row, r.x, r.y);
}

}  // namespace

TIntRect TToolMode::CellRect(TToolType type, bool fill) {
  const std::int32_t side = fill ? 0 : 1;
  switch (type) {
    case TToolType::Brush:
      return Cell(0, 0);
    case TToolType::Move:
      return Cell(1, 0);
    case TToolType::Eyedropper:
      return Cell(0, 1);
    case TToolType::Line:
      return Cell(1, 1);
    case TToolType::Rect:
      return Cell(side, 2);
    case TToolType::Polygon:
      return Cell(side, 3);
    case TToolType::Hand:
      return Cell(0, 4);
    case TToolType::Rotate:
      return Cell(1, 4);
    default:
      return {};
  }
}

void TToolMode::DrawBitmap() {
  bitmap_.Fill(kShadow);
  for (std::int32_t row = 0; row < 6; ++row)
    for (std::int32_t column = 0; column < 2; ++column) DrawCell(bitmap_, column, row);
}

void TToolMode::DrawToolBox() {
  bitmap_.CopyRect(image_, {BoxWidth, BoxHeight, 0, 0, 0, 0});
  const TIntRect r = CellRect(type_, fill_);
  if (r.w > 0) {
    image_.Outline(r.x, r.y, r.w, r.h, kFrame);
    image_.Outline(r.x + 1, r.y + 1, r.w - 2, r.h - 2, kFrame);
  }
}

}  // namespace vt
