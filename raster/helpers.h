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

template <typename T>
inline void Swap(T& a, T& b) {
  std::swap(a, b);
}

// Bounding box of a point list with a two-pixel margin on every side: left = minX - 2,
// top = minY - 2, width = maxX - minX + 4, height = maxY - minY + 4. An empty list gives
// an empty rectangle.
TIntRect PointListBounds(std::span<const TPointI> points);

}  // namespace vt
