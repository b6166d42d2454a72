#pragma once

#include <cstdint>
#include <vector>

#include "document/draw_surface.h"
#include "raster/px.h"

namespace vt {

// A drawing surface that renders into a pixel buffer of the client's size: headless
// views, and the reference for what a window adapter must show.
class TPxSurface : public TDrawSurface {
 public:
  TPxSurface(std::int32_t width, std::int32_t height);

  void Blit(const TPX& source, TIntRect from, TIntRect to) override;
  void FillRect(TIntRect r, std::uint32_t colour) override;

  const TPX& Image() const { return image_; }
  TPX& Image() { return image_; }

 private:
  TPX image_;
  std::vector<std::int32_t> columns_;  // source column of each target column of a blit
};

}  // namespace vt
