#include "raster/block_channel.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace vt {

namespace {

constexpr std::int32_t kTile = TBlock::TileSize;

std::int32_t CoveredLength(std::int32_t side, std::int32_t gridTiles) {
  return std::clamp(side, 0, gridTiles * kTile);
}

}  // namespace

bool TBlockChannel::EnsureTileAt(std::int32_t col, std::int32_t row) {
  if (!InGrid(col, row)) return false;
  auto& slot = Slot(col, row);
  if (!slot) {
    auto tile = std::make_unique<TChannel>();
    tile->SetSize(kTile, kTile);
    tile->Fill(0);
    slot = std::move(tile);
  }
  return true;
}

bool TBlockChannel::EnsureTile(std::int32_t x, std::int32_t y) {
  return EnsureTileAt(FloorDiv(x, kTile), FloorDiv(y, kTile));
}

std::uint8_t TBlockChannel::MaskAt(std::int32_t x, std::int32_t y) const {
  const TChannel* tile = TileAt(FloorDiv(x, kTile), FloorDiv(y, kTile));
  return tile ? tile->Row(FloorMod(y, kTile))[FloorMod(x, kTile)] : 0;
}

void TBlockChannel::BlendMask(std::int32_t x, std::int32_t y, std::uint8_t opacity, std::uint8_t value) {
  if (!EnsureTile(x, y)) return;
  TileAt(FloorDiv(x, kTile), FloorDiv(y, kTile))
      ->BlendPixel(FloorMod(x, kTile), FloorMod(y, kTile), opacity, value);
}

void TBlockChannel::FillMask(std::uint8_t value) { FillMask(value, 0, 0, Width, Height); }

void TBlockChannel::FillMask(std::uint8_t value, std::int32_t x, std::int32_t y, std::int32_t w,
                             std::int32_t h) {
  ForEachTilePart(x, y, w, h, [&](const TTilePart& p) {
    // A missing tile already reads as zeros, and a wholly cleared tile is dropped, so
    // clearing a mask never grows it.
    if (value == 0) {
      if (p.w == kTile && p.h == kTile)
        Slot(p.col, p.row).reset();
      else if (TChannel* tile = TileAt(p.col, p.row))
        tile->FillRect(p.x, p.y, 0, p.h, p.w);
      return;
    }
    EnsureTileAt(p.col, p.row);
    TileAt(p.col, p.row)->FillRect(p.x, p.y, value, p.h, p.w);
  });
}

void TBlockChannel::CombineMask(TBlockChannel& other, TMaskCombine kind, std::int32_t x, std::int32_t y,
                                std::int32_t w, std::int32_t h, std::int32_t dx, std::int32_t dy) const {
  if (kind != TMaskCombine::Copy && kind != TMaskCombine::Add && kind != TMaskCombine::And &&
      kind != TMaskCombine::Sub)
    return;
  if (&other == this && x == dx && y == dy) return;
  ForEachCopyPart(other, x, y, w, h, dx, dy,
                  [&](const TTilePart& p, std::int32_t dc, std::int32_t dr, const ClipRect& r) {
                    const TChannel* src = TileAt(p.col, p.row);
                    if (!src) {
                      // A missing source reads as 0: copying it or and-ing with it clears.
                      TChannel* dst = other.TileAt(dc, dr);
                      if (dst && (kind == TMaskCombine::Copy || kind == TMaskCombine::And))
                        dst->FillRect(r.dstX, r.dstY, 0, r.h, r.w);
                      return;
                    }
                    other.EnsureTileAt(dc, dr);
                    TChannel& dst = *other.TileAt(dc, dr);
                    switch (kind) {
                      case TMaskCombine::Copy:
                        src->CopyRect(dst, r);
                        break;
                      case TMaskCombine::Add:
                        src->AddRect(dst, r, 255);
                        break;
                      case TMaskCombine::And:
                        src->AndRect(dst, r);
                        break;
                      case TMaskCombine::Sub:
                        src->SubRect(dst, r, 255);
                        break;
                    }
                  });
}

void TBlockChannel::ReadRow(std::int32_t x, std::int32_t y, std::int32_t n, std::uint8_t* out) const {
  const std::int32_t row = FloorDiv(y, kTile);
  ForEachRowSegment(x, n, [&](std::int32_t col, std::int32_t tx, std::int32_t i, std::int32_t len) {
    if (const TChannel* tile = TileAt(col, row))
      std::memcpy(out + i, tile->Row(FloorMod(y, kTile)) + tx, static_cast<std::size_t>(len));
    else
      std::memset(out + i, 0, static_cast<std::size_t>(len));
  });
}

void TBlockChannel::WriteRow(std::int32_t x, std::int32_t y, std::int32_t n, const std::uint8_t* in) {
  const std::int32_t row = FloorDiv(y, kTile);
  ForEachRowSegment(x, n, [&](std::int32_t col, std::int32_t tx, std::int32_t i, std::int32_t len) {
    if (EnsureTileAt(col, row))
      std::memcpy(TileAt(col, row)->Row(FloorMod(y, kTile)) + tx, in + i, static_cast<std::size_t>(len));
  });
}

// Writes other(x, y) = pick(the 3 x 3 neighbourhood of this mask) over the other's paper,
// creating every tile it covers. pick gets the three rows around (x, y), each starting one
// column left of x.
template <typename Fn>
void TBlockChannel::MorphMask(TBlockChannel& other, Fn&& pick) const {
  const std::int32_t w = CoveredLength(other.Width, other.GridCols());
  const std::int32_t rows = CoveredLength(other.Height, other.GridRows());
  if (w == 0) return;
  std::vector<std::uint8_t> above(static_cast<std::size_t>(w) + 2), at(above.size()), below(above.size());
  std::vector<std::uint8_t> out(static_cast<std::size_t>(w));
  for (std::int32_t y = 0; y < rows; ++y) {
    ReadRow(-1, y - 1, w + 2, above.data());
    ReadRow(-1, y, w + 2, at.data());
    ReadRow(-1, y + 1, w + 2, below.data());
    for (std::int32_t x = 0; x < w; ++x)
      out[static_cast<std::size_t>(x)] = pick(&above[x], &at[x], &below[x]);
    other.WriteRow(0, y, w, out.data());
  }
}

void TBlockChannel::GrowMask(TBlockChannel& other) const {
  MorphMask(other, [](const std::uint8_t* a, const std::uint8_t* m, const std::uint8_t* b) -> std::uint8_t {
    for (std::int32_t i = 0; i < 3; ++i)
      if (a[i] == 255 || m[i] == 255 || b[i] == 255) return 255;
    return 0;
  });
}

void TBlockChannel::ShrinkMask(TBlockChannel& other) const {
  MorphMask(other, [](const std::uint8_t* a, const std::uint8_t* m, const std::uint8_t* b) -> std::uint8_t {
    for (std::int32_t i = 0; i < 3; ++i)
      if (a[i] != 255 || m[i] != 255 || b[i] != 255) return 0;
    return 255;
  });
}

void TBlockChannel::MaskPreview(TPX& target, std::int32_t x, std::int32_t y, std::int32_t w,
                                std::int32_t h) const {
  // The same box reduction as the image thumbnails, samples clamped into the paper.
  ForEachBox(target.Width, target.Height, x, y, w, h, [&](const TBox& b) {
    std::int32_t sum = 0;
    for (std::int32_t j = 0; j <= b.boxH; ++j)
      for (std::int32_t i = 0; i <= b.boxW; ++i)
        sum += MaskAt(std::min(b.sx + i, Width - 1), std::min(b.sy + j, Height - 1));
    const auto v = static_cast<std::uint32_t>(sum / b.count);
    target.SetPixel(b.tx, b.ty, 0xFF000000u | v << 16 | v << 8 | v);
  });
}

void TBlockChannel::CloneTo(TBlockChannel& other) const { CloneTiles(*this, other); }

void TBlockChannel::CopyBlockRect(TBlockChannel& other, std::int32_t sx, std::int32_t sy, std::int32_t w,
                                  std::int32_t h, std::int32_t dx, std::int32_t dy) const {
  if (&other == this && sx == dx && sy == dy) return;
  ForEachCopyPart(other, sx, sy, w, h, dx, dy,
                  [&](const TTilePart& p, std::int32_t dc, std::int32_t dr, const ClipRect& r) {
                    if (const TChannel* src = TileAt(p.col, p.row)) {
                      other.EnsureTileAt(dc, dr);
                      src->CopyRect(*other.TileAt(dc, dr), r);
                    } else if (TChannel* dst = other.TileAt(dc, dr)) {
                      dst->FillRect(r.dstX, r.dstY, 0, r.h, r.w);
                    }
                  });
}

void TBlockChannel::CopyBlockRect(TBlockChannel& other, std::int32_t dx, std::int32_t dy) const {
  CopyBlockRect(other, 0, 0, Width, Height, dx, dy);
}

}  // namespace vt
