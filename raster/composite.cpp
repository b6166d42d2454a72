#include "raster/composite.h"

#include <algorithm>

#include "raster/block.h"

namespace vt {

namespace {

void BlendLayerPart(const TCompositeLayer& layer, TPX& target, std::int32_t col, std::int32_t row,
                    const ClipRect& r) {
  if (layer.block == nullptr) return;
  const TPX* tile = layer.block->TileAt(col, row);
  if (tile == nullptr) return;
  switch (static_cast<TBlendMode>(layer.mode)) {
    case TBlendMode::Multiply:
      tile->MultiplyRect(target, r, layer.opacity);
      break;
    case TBlendMode::Add:
      tile->AddRect(target, r, layer.opacity);
      break;
    case TBlendMode::Subtract:
      tile->SubRect(target, r, layer.opacity);
      break;
  }
}

}  // namespace

// Works one tile of the rectangle at a time through all layers, so the target part stays
// in cache; per pixel the order of the blends is the layer order, as layer by layer.
void CompositeRect(TPX& target, std::uint32_t paperColour, std::span<const TCompositeLayer> layers,
                   TIntRect rect) {
  if (rect.w <= 0 || rect.h <= 0) return;
  constexpr std::int32_t kTile = TBlock::TileSize, kGrid = TBlock::GridSize * TBlock::TileSize;
  const std::int64_t x1 = std::int64_t{rect.x} + rect.w, y1 = std::int64_t{rect.y} + rect.h;
  // Pixels beyond the grid have no tiles in any layer: they only show the paper.
  if (rect.x < 0 || rect.y < 0 || x1 > kGrid || y1 > kGrid)
    target.FillRect(rect.x, rect.y, paperColour, rect.h, rect.w);
  const std::int32_t gx0 = std::max(rect.x, 0), gy0 = std::max(rect.y, 0);
  const auto gx1 = static_cast<std::int32_t>(std::min<std::int64_t>(x1, kGrid));
  const auto gy1 = static_cast<std::int32_t>(std::min<std::int64_t>(y1, kGrid));
  for (std::int32_t top = gy0; top < gy1; top = (top / kTile + 1) * kTile) {
    const std::int32_t row = top / kTile, h = std::min(gy1, (row + 1) * kTile) - top;
    for (std::int32_t left = gx0; left < gx1; left = (left / kTile + 1) * kTile) {
      const std::int32_t col = left / kTile, w = std::min(gx1, (col + 1) * kTile) - left;
      target.FillRect(left, top, paperColour, h, w);
      const ClipRect r{w, h, left - col * kTile, top - row * kTile, left, top};
      for (const TCompositeLayer& layer : layers) BlendLayerPart(layer, target, col, row, r);
    }
  }
}

}  // namespace vt
