#include "raster/helpers.h"

#include <algorithm>

namespace vt {

TIntRect PointListBounds(std::span<const TPointI> points) {
  if (points.empty()) return {};
  std::int32_t minX = points[0].x, maxX = points[0].x, minY = points[0].y, maxY = points[0].y;
  for (const TPointI& p : points) {
    minX = std::min(minX, p.x);
    maxX = std::max(maxX, p.x);
    minY = std::min(minY, p.y);
    maxY = std::max(maxY, p.y);
  }
  return {minX - 2, minY - 2, maxX - minX + 4, maxY - minY + 4};
}

}  // namespace vt
