#include "raster/block_image.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "raster/block_channel.h"

namespace vt {

namespace {

constexpr std::int32_t kTile = TBlock::TileSize;

std::uint32_t* TilePixel(TPX& tile, std::int32_t x, std::int32_t y) {
  return tile.Row(FloorMod(y, kTile)) + FloorMod(x, kTile);
}

// Pixels that exist in the grid along one axis of a paper side: writes beyond are dropped.
std::int32_t CoveredLength(std::int32_t side, std::int32_t gridTiles) {
  return std::clamp(side, 0, gridTiles * kTile);
}

}  // namespace

bool TBlockImage::EnsureTileAt(std::int32_t col, std::int32_t row) {
  if (!InGrid(col, row)) return false;
  auto& slot = Slot(col, row);
  if (!slot) {
    slot = std::make_unique<TPX>(kTile, kTile, BackColor);
  }
  return true;
}

bool TBlockImage::EnsureTile(std::int32_t x, std::int32_t y) {
  return EnsureTileAt(FloorDiv(x, kTile), FloorDiv(y, kTile));
}

void TBlockImage::AllocateAll() {
  for (std::int32_t row = 0; row < GridRows(); ++row)
    for (std::int32_t col = 0; col < GridCols(); ++col) EnsureTileAt(col, row);
}

std::uint32_t TBlockImage::PixelAt(std::int32_t x, std::int32_t y) const {
  TPX* tile = TileAt(FloorDiv(x, kTile), FloorDiv(y, kTile));
  return tile ? *TilePixel(*tile, x, y) : BackColor;
}

void TBlockImage::SamplePixel(std::int32_t x, std::int32_t y, bool accumulate, std::int32_t& b,
                              std::int32_t& g, std::int32_t& r, std::int32_t& a) const {
  x = std::max(std::min(x, Width - 1), 0);
  y = std::max(std::min(y, Height - 1), 0);
  const std::uint32_t p = PixelAt(x, y);
  const std::int32_t pb = static_cast<std::int32_t>(p & 255), pg = static_cast<std::int32_t>((p >> 8) & 255);
  const std::int32_t pr = static_cast<std::int32_t>((p >> 16) & 255), pa = static_cast<std::int32_t>(p >> 24);
  if (!accumulate) b = g = r = a = 0;
  b += pb;
  g += pg;
  r += pr;
  a += pa;
}

void TBlockImage::SetPixel(std::int32_t x, std::int32_t y, std::uint32_t colour) {
  if (EnsureTile(x, y)) *TilePixel(*TileAt(FloorDiv(x, kTile), FloorDiv(y, kTile)), x, y) = colour;
}

void TBlockImage::BlendPixel(std::int32_t x, std::int32_t y, std::uint8_t opacity, std::uint32_t colour) {
  if (!EnsureTile(x, y)) return;
  TileAt(FloorDiv(x, kTile), FloorDiv(y, kTile))
      ->BlendPixel(FloorMod(x, kTile), FloorMod(y, kTile), opacity, colour);
}

void TBlockImage::Fill(std::uint32_t colour) { FillRect(0, 0, colour, Height, Width); }

void TBlockImage::FillRect(std::int32_t x, std::int32_t y, std::uint32_t colour, std::int32_t h,
                           std::int32_t w) {
  ForEachTilePart(x, y, w, h, [&](const TTilePart& p) {
    EnsureTileAt(p.col, p.row);
    TileAt(p.col, p.row)->FillRect(p.x, p.y, colour, p.h, p.w);
  });
}

void TBlockImage::CopyToImage(TPX& target, std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h,
                              std::int32_t tx, std::int32_t ty) const {
  ForEachTilePart(x, y, w, h, [&](const TTilePart& p) {
    if (const TPX* tile = TileAt(p.col, p.row))
      tile->CopyRect(target, ClipRect{p.w, p.h, p.x, p.y, tx + p.offX, ty + p.offY});
    else
      target.FillRect(tx + p.offX, ty + p.offY, BackColor, p.h, p.w);
  });
}

void TBlockImage::BlendOnto(TBlend kind, TPX& target, std::uint8_t opacity, std::int32_t x, std::int32_t y,
                            std::int32_t w, std::int32_t h, std::int32_t tx, std::int32_t ty) const {
  if (opacity == 0) return;
  ForEachTilePart(x, y, w, h, [&](const TTilePart& p) {
    const TPX* tile = TileAt(p.col, p.row);
    if (!tile) return;
    const ClipRect r{p.w, p.h, p.x, p.y, tx + p.offX, ty + p.offY};
    switch (kind) {
      case TBlend::Multiply:
        tile->MultiplyRect(target, r, opacity);
        break;
      case TBlend::Add:
        tile->AddRect(target, r, opacity);
        break;
      case TBlend::Sub:
        tile->SubRect(target, r, opacity);
        break;
    }
  });
}

void TBlockImage::MultiplyOnto(TPX& target, std::uint8_t opacity, std::int32_t x, std::int32_t y,
                               std::int32_t w, std::int32_t h, std::int32_t tx, std::int32_t ty) const {
  BlendOnto(TBlend::Multiply, target, opacity, x, y, w, h, tx, ty);
}

void TBlockImage::AddOnto(TPX& target, std::uint8_t opacity, std::int32_t x, std::int32_t y, std::int32_t w,
                          std::int32_t h, std::int32_t tx, std::int32_t ty) const {
  BlendOnto(TBlend::Add, target, opacity, x, y, w, h, tx, ty);
}

void TBlockImage::SubOnto(TPX& target, std::uint8_t opacity, std::int32_t x, std::int32_t y, std::int32_t w,
                          std::int32_t h, std::int32_t tx, std::int32_t ty) const {
  BlendOnto(TBlend::Sub, target, opacity, x, y, w, h, tx, ty);
}

void TBlockImage::MaskFill(const TBlockChannel& mask, std::uint32_t colour, std::int32_t x, std::int32_t y,
                           std::int32_t w, std::int32_t h) {
  ForEachTilePart(x, y, w, h, [&](const TTilePart& p) {
    const TChannel* m = mask.TileAt(p.col, p.row);
    if (!m) return;
    EnsureTileAt(p.col, p.row);
    TileAt(p.col, p.row)->MaskFillRect(*m, ClipRect{p.w, p.h, p.x, p.y, p.x, p.y}, colour);
  });
}

void TBlockImage::LoadFromImage(const TPX& image) {
  FreeTiles();
  for (std::int32_t row = 0; row < GridRows(); ++row)
    for (std::int32_t col = 0; col < GridCols(); ++col) {
      EnsureTileAt(col, row);
      image.CopyRect(*TileAt(col, row), ClipRect{kTile, kTile, col * kTile, row * kTile, 0, 0});
    }
}

void TBlockImage::StoreTile(std::int32_t col, std::int32_t row, const TPX& source, std::int32_t x, std::int32_t y,
                            std::int32_t w, std::int32_t h) {
  if (!InGrid(col, row) || x < 0 || y < 0) return;
  w = std::clamp(std::min(w, source.Width - x), 0, kTile);
  h = std::clamp(std::min(h, source.Height - y), 0, kTile);
  auto tile = TPX::ForOverwrite(kTile, kTile);
  for (std::int32_t j = 0; j < kTile; ++j) {
    std::uint32_t* out = tile->Row(j);
    std::int32_t done = 0;
    if (j < h) {
      std::copy_n(source.Row(y + j) + x, w, out);
      done = w;
    }
    std::fill(out + done, out + kTile, BackColor);
  }
  Slot(col, row) = std::move(tile);
}

void TBlockImage::ReadRow(std::int32_t x, std::int32_t y, std::int32_t n, std::uint32_t* out) const {
  const std::int32_t row = FloorDiv(y, kTile);
  ForEachRowSegment(x, n, [&](std::int32_t col, std::int32_t tx, std::int32_t i, std::int32_t len) {
    if (const TPX* tile = TileAt(col, row))
      std::memcpy(out + i, tile->Row(FloorMod(y, kTile)) + tx, static_cast<std::size_t>(len) * 4);
    else
      std::fill_n(out + i, len, BackColor);
  });
}

void TBlockImage::WriteRow(std::int32_t x, std::int32_t y, std::int32_t n, const std::uint32_t* in) {
  const std::int32_t row = FloorDiv(y, kTile);
  ForEachRowSegment(x, n, [&](std::int32_t col, std::int32_t tx, std::int32_t i, std::int32_t len) {
    if (EnsureTileAt(col, row))
      std::memcpy(TileAt(col, row)->Row(FloorMod(y, kTile)) + tx, in + i, static_cast<std::size_t>(len) * 4);
  });
}

void TBlockImage::StoreRect(const TPX& source, std::int32_t sx, std::int32_t sy, std::int32_t w,
                            std::int32_t h, std::int32_t dx, std::int32_t dy) {
  // Only destination pixels inside the grid can change; clip to them in 64 bits.
  const std::int64_t i0 = std::max<std::int64_t>(0, -std::int64_t{dx});
  const std::int64_t i1 = std::min<std::int64_t>(w, std::int64_t{GridCols()} * kTile - dx);
  const std::int64_t j0 = std::max<std::int64_t>(0, -std::int64_t{dy});
  const std::int64_t j1 = std::min<std::int64_t>(h, std::int64_t{GridRows()} * kTile - dy);
  if (i0 >= i1 || j0 >= j1) return;
  std::vector<std::uint32_t> line(static_cast<std::size_t>(i1 - i0));
  for (std::int64_t j = j0; j < j1; ++j) {
    for (std::int64_t i = i0; i < i1; ++i)
      line[static_cast<std::size_t>(i - i0)] =
          source.PixelAt(static_cast<std::int32_t>(sx + i), static_cast<std::int32_t>(sy + j));
    WriteRow(static_cast<std::int32_t>(dx + i0), static_cast<std::int32_t>(dy + j),
             static_cast<std::int32_t>(i1 - i0), line.data());
  }
}

void TBlockImage::FlipVertical() {
  const std::int32_t w = CoveredLength(Width, GridCols()), rows = CoveredLength(Height, GridRows());
  std::vector<std::uint32_t> a(static_cast<std::size_t>(w)), b(static_cast<std::size_t>(w));
  for (std::int32_t y = 0; y < rows; ++y) {
    const std::int32_t partner = Height - 1 - y;
    if (partner < y) continue;  // swapped together with its partner already
    ReadRow(0, y, w, a.data());
    ReadRow(0, partner, w, b.data());
    WriteRow(0, y, w, b.data());
    if (partner != y) WriteRow(0, partner, w, a.data());
  }
}

void TBlockImage::FlipHorizontal() {
  const std::int32_t w = CoveredLength(Width, GridCols()), rows = CoveredLength(Height, GridRows());
  std::vector<std::uint32_t> line(static_cast<std::size_t>(w));
  for (std::int32_t y = 0; y < rows; ++y) {
    // New column x is old column Width - 1 - x; the old columns Width - w .. Width - 1
    // may lie beyond the grid and then read as BackColor.
    ReadRow(Width - w, y, w, line.data());
    std::reverse(line.begin(), line.end());
    WriteRow(0, y, w, line.data());
  }
}

void TBlockImage::Invert() {
  const std::int32_t w = CoveredLength(Width, GridCols()), rows = CoveredLength(Height, GridRows());
  std::vector<std::uint32_t> line(static_cast<std::size_t>(w));
  for (std::int32_t y = 0; y < rows; ++y) {
    ReadRow(0, y, w, line.data());
    for (std::uint32_t& p : line) p = ~p;
    WriteRow(0, y, w, line.data());
  }
}

void TBlockImage::Rotate180To(TBlockImage& other) const {
  const std::int32_t w = CoveredLength(other.Width, other.GridCols());
  const std::int32_t rows = CoveredLength(other.Height, other.GridRows());
  std::vector<std::uint32_t> line(static_cast<std::size_t>(w));
  for (std::int32_t y = 0; y < rows; ++y) {
    ReadRow(Width - w, Height - 1 - y, w, line.data());
    std::reverse(line.begin(), line.end());
    other.WriteRow(0, y, w, line.data());
  }
}

void TBlockImage::ShrinkTo(TPX& target) const { ShrinkTo(target, 0, 0, target.Width - 1, target.Height - 1); }

void TBlockImage::ShrinkTo(TPX& target, std::int32_t x, std::int32_t y, std::int32_t w,
                           std::int32_t h) const {
  // Each box row is read as runs of tile rows (a missing tile adds BackColor per pixel);
  // samples past the right or bottom edge repeat the last column or row.
  std::int64_t sum[4];
  const auto add = [&](std::uint32_t p, std::int64_t times) {
    for (std::int32_t c = 0; c < 4; ++c) sum[c] += times * ((p >> (8 * c)) & 255);
  };
  ForEachBox(target.Width, target.Height, x, y, w, h, [&](const TBox& box) {
    sum[0] = sum[1] = sum[2] = sum[3] = 0;
    const std::int32_t sx = std::min(box.sx, Width - 1);
    const std::int32_t xLast = std::min(sx + box.boxW, Width - 1);
    const std::int32_t repeats = sx + box.boxW - xLast;
    for (std::int32_t j = 0; j <= box.boxH; ++j) {
      const std::int32_t sy = std::min(box.sy + j, Height - 1);
      const std::int32_t row = FloorDiv(sy, kTile), ty = FloorMod(sy, kTile);
      ForEachRowSegment(sx, xLast - sx + 1, [&](std::int32_t col, std::int32_t tx, std::int32_t, std::int32_t len) {
        const TPX* tile = TileAt(col, row);
        if (!tile) {
          add(BackColor, len);
          return;
        }
        const std::uint32_t* p = tile->Row(ty) + tx;
        std::uint32_t b = 0, g = 0, r = 0, a = 0;  // at most 64 pixels: no overflow
        for (std::int32_t k = 0; k < len; ++k) {
          b += p[k] & 255;
          g += (p[k] >> 8) & 255;
          r += (p[k] >> 16) & 255;
          a += p[k] >> 24;
        }
        sum[0] += b;
        sum[1] += g;
        sum[2] += r;
        sum[3] += a;
      });
      if (repeats > 0) add(PixelAt(Width - 1, sy), repeats);
    }
    const std::int64_t count = box.count;
    target.SetPixel(box.tx, box.ty,
                    static_cast<std::uint32_t>(sum[0] / count) | static_cast<std::uint32_t>(sum[1] / count) << 8 |
                        static_cast<std::uint32_t>(sum[2] / count) << 16 |
                        static_cast<std::uint32_t>(sum[3] / count) << 24);
  });
}

void TBlockImage::CloneTo(TBlockImage& other) const { CloneTiles(*this, other); }

void TBlockImage::CopyBlockRect(TBlockImage& other, std::int32_t sx, std::int32_t sy, std::int32_t w,
                                std::int32_t h, std::int32_t dx, std::int32_t dy) const {
  if (&other == this && sx == dx && sy == dy) return;
  ForEachCopyPart(other, sx, sy, w, h, dx, dy,
                  [&](const TTilePart& p, std::int32_t dc, std::int32_t dr, const ClipRect& r) {
                    if (const TPX* src = TileAt(p.col, p.row)) {
                      // A whole tile onto a missing one is cloned in one pass.
                      if (r.w == kTile && r.h == kTile && !other.TileAt(dc, dr)) {
                        other.Slot(dc, dr) = TPX::CopyOf(*src);
                        return;
                      }
                      other.EnsureTileAt(dc, dr);
                      src->CopyRect(*other.TileAt(dc, dr), r);
                      return;
                    }
                    if (!other.TileAt(dc, dr) && other.BackColor == BackColor) return;
                    other.EnsureTileAt(dc, dr);
                    other.TileAt(dc, dr)->FillRect(r.dstX, r.dstY, BackColor, r.h, r.w);
                  });
}

void TBlockImage::CopyBlockRect(TBlockImage& other, std::int32_t dx, std::int32_t dy) const {
  CopyBlockRect(other, 0, 0, Width, Height, dx, dy);
}

}  // namespace vt
