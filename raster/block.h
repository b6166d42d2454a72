#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <type_traits>
#include <vector>

#include "raster/clip_rect.h"
#include "raster/helpers.h"
#include "raster/raster_buffer.h"

namespace vt {

// Floored division and remainder: FloorDiv(-1, 64) = -1, FloorMod(-1, 64) = 63.
constexpr std::int32_t FloorDiv(std::int32_t a, std::int32_t b) {
  const std::int32_t q = a / b;
  return (a % b != 0 && ((a < 0) != (b < 0))) ? q - 1 : q;
}
constexpr std::int32_t FloorMod(std::int32_t a, std::int32_t b) { return a - FloorDiv(a, b) * b; }

// One step of a rectangle walk over the tile grid: the part (x, y, w, h) of tile
// (col, row) that the rectangle covers, and where that part starts inside the rectangle
// (offX, offY).
struct TTilePart {
  std::int32_t col = 0;
  std::int32_t row = 0;
  std::int32_t x = 0;
  std::int32_t y = 0;
  std::int32_t w = 0;
  std::int32_t h = 0;
  std::int32_t offX = 0;
  std::int32_t offY = 0;
};

// A raster kept as a fixed 100 x 100 grid of 64 x 64 tiles that exist only where the
// content may differ from the uniform background. A missing image tile stands for a tile
// of BackColor, a missing channel tile for a tile of zeros.
//
// The grid is fixed, so a block covers at most 6400 x 6400 pixels whatever Width and
// Height say: every cell test bounds columns and rows by the grid as well as by the size.
// Reads outside the grid give the background, writes there are dropped.
//
// TBlockImage and TBlockChannel add only the operations for their tile kind; the common
// operations here never need to know which kind a tile is, except Compact.
class TBlock {
 public:
  static constexpr std::int32_t TileSize = 64;
  static constexpr std::int32_t GridSize = 100;
  // Reported per live tile for image and channel blocks alike.
  static constexpr std::int64_t TileBytes = 64 * 64 * 4;

  TBlock(const TBlock&) = delete;
  TBlock& operator=(const TBlock&) = delete;

  // Stores the size and destroys all tiles.
  void SetSize(std::int32_t width, std::int32_t height);
  // Tiles are not touched.
  void SetBackColor(std::uint32_t colour) { BackColor = colour; }
  void FreeTiles();

  // 0 <= col <= Width div 64 and 0 <= row <= Height div 64 (upper bounds inclusive: a
  // width that is a multiple of 64 has one extra, never visible column), inside the grid.
  bool InGrid(std::int32_t col, std::int32_t row) const;
  // None outside the grid or where the tile is missing.
  TRasterBuffer* TileAt(std::int32_t col, std::int32_t row) const;
  // True when the pixel's tile is in the grid and exists.
  bool HasTile(std::int32_t x, std::int32_t y) const;

  // Destroys every tile that equals a missing one: image tiles uniform in BackColor's low
  // 24 bits, channel tiles of zeros.
  void Compact();
  // The same for tile columns x div 64 - 1 .. x div 64 + w div 64 and the matching rows.
  void CompactRect(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h);
  // TileBytes per live tile.
  std::int64_t MemoryBytes() const;
  std::int32_t TileCount() const;
  // Tile-aligned bounds of the live tiles; (0, 0, 64, 64) when there are none.
  TIntRect UsedBounds() const;
  // Calls fn(x, y) with the top-left pixel of each live tile in the grid, row-major.
  template <typename Fn>
  void ForEachLiveTile(Fn&& fn) const {
    for (std::int32_t row = 0; row < GridRows(); ++row)
      for (std::int32_t col = 0; col < GridCols(); ++col)
        if (Tiles[static_cast<std::size_t>(row * GridSize + col)]) fn(col * TileSize, row * TileSize);
  }

  // The walk of the rectangle (x, y, w, h) over the tiles, row-major: NumTileSteps steps,
  // TileRect gives step k. Steps may lie outside the grid.
  static std::int64_t NumTileSteps(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h);
  static TTilePart TileRect(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h, std::int64_t k);

  // Calls fn(const TTilePart&) for each step of the walk whose tile lies in this block's
  // grid, in walk order. Only those steps are visited, so a huge or far-away rectangle
  // costs nothing.
  template <typename Fn>
  void ForEachTilePart(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h, Fn&& fn) const;

  // Splits the run of n pixels that starts at column x into pieces lying in one tile
  // column each: fn(col, column inside the tile, index of the piece in the run, length).
  // Columns of any sign are split; callers test the grid.
  template <typename Fn>
  static void ForEachRowSegment(std::int32_t x, std::int32_t n, Fn&& fn);

  // Columns and rows of tiles in the grid: min(Width div 64 + 1, 100), never negative.
  std::int32_t GridCols() const;
  std::int32_t GridRows() const;

  std::uint32_t BackColor = 0xFFFFFF;
  std::int32_t Width = 0;
  std::int32_t Height = 0;

 protected:
  enum class TTileKind { Image, Channel };
  explicit TBlock(TTileKind kind);
  ~TBlock() = default;

  std::unique_ptr<TRasterBuffer>& Slot(std::int32_t col, std::int32_t row) {
    return Tiles[static_cast<std::size_t>(row * GridSize + col)];
  }
  bool IsEmptyTile(const TRasterBuffer& tile) const;
  // One box of the 22.10 fixed-point reduction of this paper onto a smaller picture:
  // target pixel (tx, ty) averages the (boxW + 1) x (boxH + 1) samples from (sx, sy).
  struct TBox {
    std::int32_t tx, ty, sx, sy, boxW, boxH, count;
  };
  // Calls fn(const TBox&) for the target columns x..x + w and rows y..y + h (both ends
  // included, cut to the dw x dh target).
  template <typename Fn>
  void ForEachBox(std::int32_t dw, std::int32_t dh, std::int32_t x, std::int32_t y, std::int32_t w,
                  std::int32_t h, Fn&& fn) const {
    if (dw <= 0 || dh <= 0 || Width <= 0 || Height <= 0) return;
    const std::int64_t stepX = static_cast<std::int64_t>(static_cast<double>(Width) / dw * 1024.0);
    const std::int64_t stepY = static_cast<std::int64_t>(static_cast<double>(Height) / dh * 1024.0);
    TBox box{0, 0, 0, 0, Width / dw, Height / dh, 0};
    box.count = (box.boxW + 1) * (box.boxH + 1);
    const std::int32_t cx0 = std::max(x, 0),
                       cx1 = static_cast<std::int32_t>(std::min<std::int64_t>(std::int64_t{x} + w, dw - 1));
    const std::int32_t cy0 = std::max(y, 0),
                       cy1 = static_cast<std::int32_t>(std::min<std::int64_t>(std::int64_t{y} + h, dh - 1));
    for (box.ty = cy0; box.ty <= cy1; ++box.ty) {
      box.sy = static_cast<std::int32_t>((stepY * box.ty) >> 10);
      for (box.tx = cx0; box.tx <= cx1; ++box.tx) {
        box.sx = static_cast<std::int32_t>((stepX * box.tx) >> 10);
        fn(static_cast<const TBox&>(box));
      }
    }
  }

  // Gives `to` the background of `from` and a copy of every live tile of `from` that
  // falls in its grid; `to` keeps its size (the caller sets it).
  template <typename Block>
  static void CloneTiles(const Block& from, Block& to) {
    if (&to == &from) return;
    to.FreeTiles();
    to.BackColor = from.BackColor;
    for (std::int32_t row = 0; row < GridSize; ++row)
      for (std::int32_t col = 0; col < GridSize; ++col) {
        const auto* tile = from.TileAt(col, row);
        if (tile && to.InGrid(col, row))
          to.Slot(col, row) = std::remove_const_t<std::remove_pointer_t<decltype(tile)>>::CopyOf(*tile);
      }
  }
  // The walk of a block copy: each source part of the rectangle (sx, sy, w, h) that lies
  // in this grid lands at (dx, dy) + its offset in the other block, straddling up to 2 x 2
  // destination tiles (exactly one when the position does not change). Calls
  // fn(source part, destination col, row, r) for each destination tile in the other grid
  // that receives pixels, r clipped to the two tiles.
  template <typename Fn>
  void ForEachCopyPart(const TBlock& other, std::int32_t sx, std::int32_t sy, std::int32_t w, std::int32_t h,
                       std::int32_t dx, std::int32_t dy, Fn&& fn) const;
  void CompactCells(std::int32_t c0, std::int32_t r0, std::int32_t c1, std::int32_t r1);

  // Row-major, Tiles[row * 100 + col]; null where missing.
  std::vector<std::unique_ptr<TRasterBuffer>> Tiles;

 private:
  TTileKind kind_;
};

// The cell accessors are inline: the dab and fill loops ask for a tile per row.
inline std::int32_t TBlock::GridCols() const {
  return std::clamp(FloorDiv(Width, TileSize) + 1, 0, GridSize);
}

inline std::int32_t TBlock::GridRows() const {
  return std::clamp(FloorDiv(Height, TileSize) + 1, 0, GridSize);
}

inline bool TBlock::InGrid(std::int32_t col, std::int32_t row) const {
  return col >= 0 && row >= 0 && col < GridCols() && row < GridRows();
}

inline TRasterBuffer* TBlock::TileAt(std::int32_t col, std::int32_t row) const {
  if (!InGrid(col, row)) return nullptr;
  return Tiles[static_cast<std::size_t>(row * GridSize + col)].get();
}

template <typename Fn>
void TBlock::ForEachTilePart(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h, Fn&& fn) const {
  if (w <= 0 || h <= 0) return;
  // Clip the rectangle to the grid's pixels first (in 64 bits, so x + w cannot overflow);
  // the parts and offsets are those of the unclipped walk.
  const std::int64_t gx1 = static_cast<std::int64_t>(GridCols()) * TileSize;
  const std::int64_t gy1 = static_cast<std::int64_t>(GridRows()) * TileSize;
  const std::int64_t x0 = std::max<std::int64_t>(x, 0), x1 = std::min<std::int64_t>(std::int64_t{x} + w, gx1);
  const std::int64_t y0 = std::max<std::int64_t>(y, 0), y1 = std::min<std::int64_t>(std::int64_t{y} + h, gy1);
  if (x0 >= x1 || y0 >= y1) return;
  const std::int32_t c0 = static_cast<std::int32_t>(x0 / TileSize),
                     c1 = static_cast<std::int32_t>((x1 - 1) / TileSize);
  const std::int32_t r0 = static_cast<std::int32_t>(y0 / TileSize),
                     r1 = static_cast<std::int32_t>((y1 - 1) / TileSize);
  for (std::int32_t row = r0; row <= r1; ++row) {
    const std::int64_t top = std::max<std::int64_t>(y, std::int64_t{row} * TileSize);
    const std::int64_t bottom = std::min<std::int64_t>(std::int64_t{y} + h, std::int64_t{row + 1} * TileSize);
    for (std::int32_t col = c0; col <= c1; ++col) {
      const std::int64_t left = std::max<std::int64_t>(x, std::int64_t{col} * TileSize);
      const std::int64_t right =
          std::min<std::int64_t>(std::int64_t{x} + w, std::int64_t{col + 1} * TileSize);
      TTilePart p;
      p.col = col;
      p.row = row;
      p.x = static_cast<std::int32_t>(left - std::int64_t{col} * TileSize);
      p.y = static_cast<std::int32_t>(top - std::int64_t{row} * TileSize);
      p.w = static_cast<std::int32_t>(right - left);
      p.h = static_cast<std::int32_t>(bottom - top);
      p.offX = static_cast<std::int32_t>(left - x);
      p.offY = static_cast<std::int32_t>(top - y);
      fn(p);
    }
  }
}

template <typename Fn>
void TBlock::ForEachCopyPart(const TBlock& other, std::int32_t sx, std::int32_t sy, std::int32_t w,
                             std::int32_t h, std::int32_t dx, std::int32_t dy, Fn&& fn) const {
  const std::int32_t spread = (dx != sx || dy != sy) ? 2 : 1;
  ForEachTilePart(sx, sy, w, h, [&](const TTilePart& p) {
    const std::int64_t px = std::int64_t{dx} + p.offX, py = std::int64_t{dy} + p.offY;
    const std::int64_t baseCol = px >= 0 ? px / TileSize : -((-px + TileSize - 1) / TileSize);
    const std::int64_t baseRow = py >= 0 ? py / TileSize : -((-py + TileSize - 1) / TileSize);
    for (std::int32_t j = 0; j < spread; ++j)
      for (std::int32_t i = 0; i < spread; ++i) {
        const std::int64_t col = baseCol + i, row = baseRow + j;
        if (col < 0 || row < 0 || col >= other.GridCols() || row >= other.GridRows()) continue;
        ClipRect r{p.w,
                   p.h,
                   p.x,
                   p.y,
                   static_cast<std::int32_t>(px - col * TileSize),
                   static_cast<std::int32_t>(py - row * TileSize)};
        if (!ClipCopyRect(TileSize, TileSize, TileSize, TileSize, r)) continue;
        fn(p, static_cast<std::int32_t>(col), static_cast<std::int32_t>(row), r);
      }
  });
}

template <typename Fn>
void TBlock::ForEachRowSegment(std::int32_t x, std::int32_t n, Fn&& fn) {
  std::int32_t i = 0;
  while (i < n) {
    const std::int32_t px = x + i;
    const std::int32_t tx = FloorMod(px, TileSize);
    const std::int32_t len = std::min(TileSize - tx, n - i);
    fn(FloorDiv(px, TileSize), tx, i, len);
    i += len;
  }
}

}  // namespace vt
