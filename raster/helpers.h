#pragma once

#include <cstdint>
#include <span>
#include <utility>

namespace vt {

struct TIntRect {
  std::int32_t x = 0;
  std::int32_t y = 0;
  std::int32_t w = 0;
  std::int32_t h = 0;
  friend bool operator==(const TIntRect&, const TIntRect&) = default;
};

struct TPointI {
  std::int32_t x = 0;
  std::int32_t y = 0;
  friend bool operator==(const TPointI&, const TPointI&) = default;
};

// Truncates toward zero like a plain conversion, but saturates at the int32 range and
// maps NaN to 0, so coordinates from untrusted input never cause undefined behaviour.
inline std::int32_t TruncToInt(double v) {
  if (!(v == v)) return 0;
  if (v >= 2147483647.0) return 2147483647;
  if (v <= -2147483648.0) return -2147483647 - 1;
  return static_cast<std::int32_t>(v);
}

// Swap of two integers, two floats or two bytes.
template <typename T>
inline void Swap(T& a, T& b) {
  std::swap(a, b);
}

// Bounding box of a point list with a two-pixel margin on every side: left = minX - 2,
// top = minY - 2, width = maxX - minX + 4, height = maxY - minY + 4. An empty list gives
// an empty rectangle.
TIntRect PointListBounds(std::span<const TPointI> points);

}  // namespace vt
