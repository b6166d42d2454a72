#pragma once

#include <algorithm>
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

// The common part of two rectangles; empty (w or h <= 0) when they do not meet. Formed
// in 64 bits, so huge rectangles cannot overflow.
inline TIntRect Intersect(const TIntRect& a, const TIntRect& b) {
  const std::int64_t x0 = std::max<std::int64_t>(a.x, b.x), y0 = std::max<std::int64_t>(a.y, b.y);
  const std::int64_t x1 = std::min<std::int64_t>(std::int64_t{a.x} + a.w, std::int64_t{b.x} + b.w);
  const std::int64_t y1 = std::min<std::int64_t>(std::int64_t{a.y} + a.h, std::int64_t{b.y} + b.h);
  if (x1 <= x0 || y1 <= y0) return {static_cast<std::int32_t>(x0), static_cast<std::int32_t>(y0), 0, 0};
  return {static_cast<std::int32_t>(x0), static_cast<std::int32_t>(y0), static_cast<std::int32_t>(x1 - x0),
          static_cast<std::int32_t>(y1 - y0)};
}

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
