#pragma once

#include <cstdint>

#include "raster/helpers.h"

namespace vt {

// Bounding box of the pixels a stroke touched. Bounds are inclusive integer corners;
// the first point after Reset sets all four, later points only widen them.
class TRectRegion {
 public:
  void Reset() { empty_ = true; }
  void AddPoint(std::int32_t x, std::int32_t y);
  // The square of half-side `half` around (cx, cy), its corners truncated toward zero.
  void AddSquare(float cx, float cy, float half);
  // Widens this region by another one (nothing when the other is empty).
  void Add(const TRectRegion& other);

  bool Empty() const { return empty_; }
  std::int32_t MinX() const { return minX_; }
  std::int32_t MinY() const { return minY_; }
  std::int32_t MaxX() const { return maxX_; }
  std::int32_t MaxY() const { return maxY_; }

  // The rectangle handed to the paper: the bounds rounded down to even coordinates and
  // widened by 2 on every side (left = (minX div 2) * 2 - 2, right = (maxX div 2) * 2 + 2,
  // div truncating toward zero), given as x = left, y = top, w = right - left,
  // h = bottom - top. An empty region gives (0, 0, 0, 0).
  TIntRect Reported() const;

 private:
  bool empty_ = true;
  std::int32_t minX_ = 0;
  std::int32_t minY_ = 0;
  std::int32_t maxX_ = 0;
  std::int32_t maxY_ = 0;
};

}  // namespace vt
