#pragma once

#include <cstddef>
#include <cstdint>

namespace vt {

// The record kinds of an event stream. A record is a 16-bit code followed by its payload.
enum class TEventKind : std::uint16_t {
  StrokePen = 0,
  StrokeWatercolour = 1,
  StrokeBlur = 2,
  StrokeEraser = 3,
  StrokeNewBlur = 4,
  LayerNew = 0x0100,
  LayerDelete = 0x0101,
  LayerCombineVisible = 0x0102,
  LayerDuplicate = 0x0103,
  LayerMove = 0x0104,
  LayerMergeDown = 0x0105,
  LayerUndo = 0x0110,
  LayerSelect = 0x0111,
  LayerVisible = 0x0112,
  LayerOpacity = 0x0113,
  LayerType = 0x0114,
  LayerSolo = 0x0115,
  LayerFlipVertical = 0x0120,
  LayerFlipHorizontal = 0x0121,
  LayerRotate180 = 0x0122,
  LayerNegative = 0x0123,
  SelectionClear = 0x0124,
  SelectionFill = 0x0125,
  LayerOffset = 0x0126,
  RectClear = 0x0127,
  RectFill = 0x0128,
  PolygonClear = 0x0129,
  PolygonFill = 0x0130,
  StraightLine = 0x0131,
  PaperNew = 0x0200,
  PaperColour = 0x0201,
  PaperResize = 0x0202,
  PaperResolution = 0x0203,
  ImageRotateRight = 0x0204,
  ImageRotateLeft = 0x0205,
  UndoClearAll = 0x0206,
  UndoClearLayer = 0x0207,
  PaperNewAlt = 0x0208,
  VisibleFlipVertical = 0x0210,
  VisibleFlipHorizontal = 0x0211,
  VisibleRotate180 = 0x0212,
  VisibleNegative = 0x0213,
  EndOfEvents = 0xFFFF,
};

// The byte size of each kind. Variable records carry a 16-bit count at countOffset (from
// the start of the record) followed by count items of itemSize bytes; their length is
// fixedSize + itemSize * count. This one table is the only place that knows record
// sizes: completeness, validation, export and replay all walk streams through it.
struct TRecordShape {
  bool known = false;
  std::uint16_t fixedSize = 0;    // whole record with the code and the count word
  std::uint16_t countOffset = 0;  // 0: no count
  std::uint16_t itemSize = 0;
};

constexpr TRecordShape ShapeOf(std::uint16_t code) {
  switch (code) {
    case 0:
    case 1:
    case 2:
    case 3:
    case 4:
      return {true, 27, 25, 6};
    case 0x0102:
    case 0x0204:
    case 0x0205:
    case 0x0206:
    case 0x0210:
    case 0x0211:
    case 0x0212:
    case 0x0213:
    case 0xFFFF:
      return {true, 2, 0, 0};
    case 0x0100:
    case 0x0101:
    case 0x0103:
    case 0x0105:
    case 0x0110:
    case 0x0111:
    case 0x0115:
    case 0x0120:
    case 0x0121:
    case 0x0122:
    case 0x0123:
    case 0x0124:
    case 0x0207:
      return {true, 3, 0, 0};
    case 0x0104:
    case 0x0112:
    case 0x0113:
    case 0x0114:
      return {true, 4, 0, 0};
    case 0x0201:
      return {true, 5, 0, 0};
    case 0x0125:
      return {true, 6, 0, 0};
    case 0x0126:
      return {true, 7, 0, 0};
    case 0x0127:
      return {true, 11, 0, 0};
    case 0x0128:
      return {true, 14, 0, 0};
    case 0x0129:
      return {true, 5, 3, 4};
    case 0x0130:
      return {true, 8, 6, 4};
    case 0x0131:
      return {true, 29, 0, 0};
    case 0x0200:
    case 0x0203:
    case 0x0208:
      return {true, 6, 0, 0};
    case 0x0202:
      return {true, 7, 0, 0};
    default:
      return {};
  }
}

inline bool IsStrokeCode(std::uint16_t code) { return code <= 4; }

// What the bytes at the front of a stream hold.
enum class TRecordCheck {
  Complete,    // a whole record of `length` bytes
  Incomplete,  // the start of a known record whose bytes have not all arrived
  Unknown,     // a code outside the table (or fewer than two bytes: see `length` 0)
};

struct TRecordSpan {
  TRecordCheck check = TRecordCheck::Incomplete;
  std::uint16_t code = 0;
  std::size_t length = 0;
};

// Examines the record starting at p with `remaining` bytes available. Never reads past
// p + remaining; the length never exceeds what a 16-bit count allows.
inline TRecordSpan CheckRecord(const std::uint8_t* p, std::size_t remaining) {
  TRecordSpan s;
  if (remaining < 2) return s;
  s.code = static_cast<std::uint16_t>(p[0] | (p[1] << 8));
  const TRecordShape shape = ShapeOf(s.code);
  if (!shape.known) {
    s.check = TRecordCheck::Unknown;
    return s;
  }
  if (remaining < shape.fixedSize) return s;
  std::size_t length = shape.fixedSize;
  if (shape.countOffset != 0) {
    const std::size_t n = static_cast<std::size_t>(p[shape.countOffset] | (p[shape.countOffset + 1] << 8));
    length += n * shape.itemSize;
  }
  s.length = length;
  if (remaining >= length) s.check = TRecordCheck::Complete;
  return s;
}

}  // namespace vt
