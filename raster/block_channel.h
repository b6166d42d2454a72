#pragma once

#include <cstdint>

#include "raster/block.h"
#include "raster/channel.h"
#include "raster/px.h"

namespace vt {

// How CombineMask merges a source mask into a destination mask.
enum class TMaskCombine : std::int32_t { Copy = 0, Add = 1, And = 2, Sub = 3 };

// A tiled 8-bit raster (stroke and selection masks): tiles are 64 x 64 TChannel, a
// missing tile reads as zeros.
class TBlockChannel : public TBlock {
 public:
  TBlockChannel() : TBlock(TTileKind::Channel) {}

  TChannel* TileAt(std::int32_t col, std::int32_t row) const {
    return static_cast<TChannel*>(TBlock::TileAt(col, row));
  }
  // Creates the tile of pixel (x, y), filled with 0, if it is in the grid and missing.
  bool EnsureTile(std::int32_t x, std::int32_t y);
  bool EnsureTileAt(std::int32_t col, std::int32_t row);

  // 0 where there is no tile or outside the grid.
  std::uint8_t MaskAt(std::int32_t x, std::int32_t y) const;
  // Opacity 255 stores the value, else lerps toward it.
  void BlendMask(std::int32_t x, std::int32_t y, std::uint8_t opacity, std::uint8_t value);

  // Over the whole paper, or the rectangle; creates every tile it touches. Filling with 0
  // creates none and drops the tiles it covers wholly (a missing tile reads as 0).
  void FillMask(std::uint8_t value);
  void FillMask(std::uint8_t value, std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h);

  // Merges the source rectangle (x, y, w, h) of this mask into the other at (dx, dy).
  // Where this mask has no tile it reads as 0: Copy and And clear the other's existing
  // tiles there, Add and Sub change nothing. Unknown kinds do nothing.
  void CombineMask(TBlockChannel& other, TMaskCombine kind, std::int32_t x, std::int32_t y, std::int32_t w,
                   std::int32_t h, std::int32_t dx, std::int32_t dy) const;
  // other(x, y) = 255 where this mask has 255 at (x, y) or any of its 8 neighbours, else 0.
  void GrowMask(TBlockChannel& other) const;
  // other(x, y) = 255 where this mask has 255 at (x, y) and all 8 neighbours, else 0.
  void ShrinkMask(TBlockChannel& other) const;
  // Box reduction of the whole mask into target columns x..x + w and rows y..y + h (both
  // ends included), written as opaque grey.
  void MaskPreview(TPX& target, std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h) const;

  void CloneTo(TBlockChannel& other) const;
  // Copies (sx, sy, w, h) to (dx, dy) of the other mask; missing source tiles write 0,
  // except onto a missing destination tile.
  void CopyBlockRect(TBlockChannel& other, std::int32_t sx, std::int32_t sy, std::int32_t w, std::int32_t h,
                     std::int32_t dx, std::int32_t dy) const;
  void CopyBlockRect(TBlockChannel& other, std::int32_t dx, std::int32_t dy) const;

 private:
  void ReadRow(std::int32_t x, std::int32_t y, std::int32_t n, std::uint8_t* out) const;
  void WriteRow(std::int32_t x, std::int32_t y, std::int32_t n, const std::uint8_t* in);
  template <typename Fn>
  void MorphMask(TBlockChannel& other, Fn&& pick) const;
};

}  // namespace vt
