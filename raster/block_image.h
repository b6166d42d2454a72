#pragma once

#include <cstdint>

#include "raster/block.h"
#include "raster/px.h"

namespace vt {

class TBlockChannel;

// A tiled colour raster: tiles are 64 x 64 TPX, a missing tile reads as BackColor.
// Every write creates the tile it needs (filled with BackColor); Compact returns uniform
// tiles to the missing state.
class TBlockImage : public TBlock {
 public:
  TBlockImage() : TBlock(TTileKind::Image) {}

  TPX* TileAt(std::int32_t col, std::int32_t row) const {
    return static_cast<TPX*>(TBlock::TileAt(col, row));
  }
  // Creates the tile of pixel (x, y) if it is in the grid and missing. Returns whether
  // the tile is available.
  bool EnsureTile(std::int32_t x, std::int32_t y);
  // The same by tile column and row.
  bool EnsureTileAt(std::int32_t col, std::int32_t row);
  void AllocateAll();

  // BackColor where there is no tile or outside the grid.
  std::uint32_t PixelAt(std::int32_t x, std::int32_t y) const;
  // Coordinates clamped into the paper, then as TPX::SamplePixel on PixelAt.
  void SamplePixel(std::int32_t x, std::int32_t y, bool accumulate, std::int32_t& b, std::int32_t& g,
                   std::int32_t& r, std::int32_t& a) const;
  void SetPixel(std::int32_t x, std::int32_t y, std::uint32_t colour);
  void BlendPixel(std::int32_t x, std::int32_t y, std::uint8_t opacity, std::uint32_t colour);

  // FillRect over the whole paper.
  void Fill(std::uint32_t colour);
  // Creates every tile the rectangle touches, even when the colour equals BackColor.
  void FillRect(std::int32_t x, std::int32_t y, std::uint32_t colour, std::int32_t h, std::int32_t w);

  // Copies the rectangle (x, y, w, h) to (tx, ty) of the target; missing tiles in the grid
  // are written as BackColor.
  void CopyToImage(TPX& target, std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h,
                   std::int32_t tx, std::int32_t ty) const;
  // Blend the rectangle onto the target at the opacity. Missing tiles are skipped: the
  // layer's mode makes BackColor neutral (white for multiply, black for add and subtract).
  void MultiplyOnto(TPX& target, std::uint8_t opacity, std::int32_t x, std::int32_t y, std::int32_t w,
                    std::int32_t h, std::int32_t tx, std::int32_t ty) const;
  void AddOnto(TPX& target, std::uint8_t opacity, std::int32_t x, std::int32_t y, std::int32_t w,
               std::int32_t h, std::int32_t tx, std::int32_t ty) const;
  void SubOnto(TPX& target, std::uint8_t opacity, std::int32_t x, std::int32_t y, std::int32_t w,
               std::int32_t h, std::int32_t tx, std::int32_t ty) const;

  // Lerps the colour in through the mask over the rectangle, only where the mask has tiles.
  void MaskFill(const TBlockChannel& mask, std::uint32_t colour, std::int32_t x, std::int32_t y,
                std::int32_t w, std::int32_t h);
  // Rebuilds every grid tile from the image at the same paper position (callers Compact).
  void LoadFromImage(const TPX& image);
  // Makes tile (col, row) anew from the w x h pixels of the source at (x, y), placed at
  // the tile's top-left, the rest of the tile BackColor; each pixel is written once.
  // Nothing outside the grid; w and h are cut to the tile and the source.
  void StoreTile(std::int32_t col, std::int32_t row, const TPX& source, std::int32_t x, std::int32_t y,
                 std::int32_t w, std::int32_t h);
  // SetPixel(dx + i, dy + j, source.PixelAt(sx + i, sy + j)) over the w x h rectangle.
  void StoreRect(const TPX& source, std::int32_t sx, std::int32_t sy, std::int32_t w, std::int32_t h,
                 std::int32_t dx, std::int32_t dy);

  // Mirror the paper; every tile of the paper gets created.
  void FlipVertical();
  void FlipHorizontal();
  // Every paper pixel becomes its bitwise complement (all 32 bits).
  void Invert();
  // other(x, y) = this(W - 1 - x, H - 1 - y) over the other block's paper.
  void Rotate180To(TBlockImage& other) const;

  // Box reduction of the whole paper into the target.
  void ShrinkTo(TPX& target) const;
  // The same for target columns x..x + w and rows y..y + h, both ends included.
  void ShrinkTo(TPX& target, std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h) const;

  // Destroys the other block's tiles, gives it this BackColor and copies every live tile
  // that falls in its grid. The other block's size is set by the caller.
  void CloneTo(TBlockImage& other) const;
  // Copies (sx, sy, w, h) to (dx, dy) of the other block. Missing source tiles write the
  // source BackColor, except onto a missing destination tile of the same BackColor.
  void CopyBlockRect(TBlockImage& other, std::int32_t sx, std::int32_t sy, std::int32_t w, std::int32_t h,
                     std::int32_t dx, std::int32_t dy) const;
  // The whole block to (dx, dy).
  void CopyBlockRect(TBlockImage& other, std::int32_t dx, std::int32_t dy) const;

 private:
  // Reads / writes n pixels of row y from column x; columns outside the grid read
  // BackColor and are not written.
  void ReadRow(std::int32_t x, std::int32_t y, std::int32_t n, std::uint32_t* out) const;
  void WriteRow(std::int32_t x, std::int32_t y, std::int32_t n, const std::uint32_t* in);
  enum class TBlend { Multiply, Add, Sub };
  void BlendOnto(TBlend kind, TPX& target, std::uint8_t opacity, std::int32_t x, std::int32_t y,
                 std::int32_t w, std::int32_t h, std::int32_t tx, std::int32_t ty) const;
};

}  // namespace vt
