#include "raster/block.h"

#include <algorithm>

#include "raster/channel.h"
#include "raster/px.h"

namespace vt {

TBlock::TBlock(TTileKind kind) : Tiles(static_cast<std::size_t>(GridSize * GridSize)), kind_(kind) {}

void TBlock::SetSize(std::int32_t width, std::int32_t height) {
  Width = width;
  Height = height;
  FreeTiles();
}

void TBlock::FreeTiles() {
  // Most slots are empty: a group of 16 empty slots is passed over after one look, and
  // an empty slot is never written.
  constexpr std::size_t kGroup = 16;
  for (std::size_t i = 0; i < Tiles.size(); i += kGroup) {
    const std::size_t end = std::min(i + kGroup, Tiles.size());
    bool any = false;
    for (std::size_t k = i; k < end; ++k) any |= Tiles[k] != nullptr;
    if (!any) continue;
    for (std::size_t k = i; k < end; ++k)
      if (Tiles[k]) Tiles[k].reset();
  }
}

bool TBlock::HasTile(std::int32_t x, std::int32_t y) const {
  if (x < 0 || y < 0) return false;
  return TileAt(x / TileSize, y / TileSize) != nullptr;
}

bool TBlock::IsEmptyTile(const TRasterBuffer& tile) const {
  if (kind_ == TTileKind::Image) return static_cast<const TPX&>(tile).IsUniform(BackColor);
  const std::size_t n = static_cast<std::size_t>(tile.Width) * static_cast<std::size_t>(tile.Height);
  return std::all_of(tile.Bits, tile.Bits + n, [](std::uint8_t v) { return v == 0; });
}

void TBlock::CompactCells(std::int32_t c0, std::int32_t r0, std::int32_t c1, std::int32_t r1) {
  c0 = std::max(c0, 0);
  r0 = std::max(r0, 0);
  c1 = std::min(c1, GridSize - 1);
  r1 = std::min(r1, GridSize - 1);
  for (std::int32_t row = r0; row <= r1; ++row)
    for (std::int32_t col = c0; col <= c1; ++col) {
      auto& tile = Slot(col, row);
      if (tile && IsEmptyTile(*tile)) tile.reset();
    }
}

void TBlock::Compact() { CompactCells(0, 0, GridSize - 1, GridSize - 1); }

void TBlock::CompactRect(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h) {
  const std::int32_t c = FloorDiv(x, TileSize), r = FloorDiv(y, TileSize);
  // Clamp before adding so that a huge width cannot overflow.
  const std::int32_t cw = std::clamp(FloorDiv(w, TileSize), -GridSize, GridSize);
  const std::int32_t rh = std::clamp(FloorDiv(h, TileSize), -GridSize, GridSize);
  if (c > GridSize || r > GridSize || c < -2 * GridSize || r < -2 * GridSize) return;
  CompactCells(c - 1, r - 1, c + cw, r + rh);
}

std::int32_t TBlock::TileCount() const {
  return static_cast<std::int32_t>(
      std::count_if(Tiles.begin(), Tiles.end(), [](const auto& tile) { return tile != nullptr; }));
}

std::int64_t TBlock::MemoryBytes() const { return TileCount() * TileBytes; }

TIntRect TBlock::UsedBounds() const {
  std::int32_t minCol = GridSize, minRow = GridSize, maxCol = -1, maxRow = -1;
  for (std::int32_t row = 0; row < GridSize; ++row)
    for (std::int32_t col = 0; col < GridSize; ++col) {
      if (!Tiles[static_cast<std::size_t>(row * GridSize + col)]) continue;
      minCol = std::min(minCol, col);
      maxCol = std::max(maxCol, col);
      minRow = std::min(minRow, row);
      maxRow = std::max(maxRow, row);
    }
  if (maxCol < 0) return {0, 0, TileSize, TileSize};
  return {minCol * TileSize, minRow * TileSize, (maxCol - minCol + 1) * TileSize,
          (maxRow - minRow + 1) * TileSize};
}

std::int64_t TBlock::NumTileSteps(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h) {
  if (w <= 0 || h <= 0) return 0;
  auto across = [](std::int32_t a, std::int32_t n) {
    const std::int64_t last = std::int64_t{a} + n - 1;
    const std::int64_t first = FloorDiv(a, TileSize);
    const std::int64_t lastTile = last >= 0 ? last / TileSize : -((-last + TileSize - 1) / TileSize);
    return lastTile - first + 1;
  };
  return across(x, w) * across(y, h);
}

TTilePart TBlock::TileRect(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h, std::int64_t k) {
  const std::int64_t nx = NumTileSteps(x, 0, w, 1);
  const std::int64_t i = k % nx, j = k / nx;
  auto axis = [](std::int32_t a, std::int32_t n, std::int64_t step, std::int32_t& tile, std::int32_t& start,
                 std::int32_t& len, std::int32_t& off) {
    const std::int64_t first = FloorDiv(a, TileSize);
    tile = static_cast<std::int32_t>(first + step);
    const std::int64_t lo = std::max<std::int64_t>(a, std::int64_t{tile} * TileSize);
    const std::int64_t hi = std::min<std::int64_t>(std::int64_t{a} + n, std::int64_t{tile + 1} * TileSize);
    start = static_cast<std::int32_t>(lo - std::int64_t{tile} * TileSize);
    len = static_cast<std::int32_t>(hi - lo);
    off = static_cast<std::int32_t>(lo - a);
  };
  TTilePart p;
  axis(x, w, i, p.col, p.x, p.w, p.offX);
  axis(y, h, j, p.row, p.y, p.h, p.offY);
  return p;
}

}  // namespace vt
