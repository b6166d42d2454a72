#pragma once

#include <cstdint>

#include "raster/helpers.h"
#include "raster/px.h"

namespace vt {

// Where a view draws: a window's client area. Rectangles are clipped by the surface to
// its own area; a rectangle with no area draws nothing.
class TDrawSurface {
 public:
  virtual ~TDrawSurface() = default;
  // Puts the from rectangle of source onto the to rectangle of the surface, replicating
  // pixels when to is larger (nearest neighbour, no filtering). The parts of from that lie
  // outside source are not drawn.
  virtual void Blit(const TPX& source, TIntRect from, TIntRect to) = 0;
  virtual void FillRect(TIntRect r, std::uint32_t colour) = 0;
};

}  // namespace vt
