#include "raster/dab.h"

#include <algorithm>
#include <cmath>
#include <type_traits>
#include <utility>
#include <vector>

#include "raster/blend_tables.h"
#include "raster/dab_stamp.h"

namespace vt {

namespace {

constexpr std::int32_t kTile = TBlock::TileSize;

// Positions and radii beyond this are far outside any paper; they draw nothing, which
// also keeps every product below in 64-bit range.
constexpr double kMaxCoordinate = 1.0e6;

constexpr std::int32_t kMaxBoxRadius = 1024;

bool Usable(double v) { return std::isfinite(v) && std::fabs(v) <= kMaxCoordinate; }

std::int32_t Trunc(double v) { return static_cast<std::int32_t>(v); }

// trunc(value * opacity), kept in byte range.
std::int32_t ScaledValue(std::uint8_t value, float opacity) {
  if (!std::isfinite(opacity)) return 0;
  return std::clamp(Trunc(static_cast<double>(value) * opacity), 0, 255);
}

// Inclusive pixel range [lo, hi] cut to the grid's columns or rows [0, tiles * 64).
bool ClipToGrid(std::int32_t& lo, std::int32_t& hi, std::int32_t tiles) {
  lo = std::max(lo, 0);
  hi = std::min(hi, tiles * kTile - 1);
  return lo <= hi;
}

std::uint32_t LerpRGB(std::uint32_t d, std::uint32_t c, std::uint8_t a) {
  const std::uint32_t b = Lerp(static_cast<std::uint8_t>(d), static_cast<std::uint8_t>(c), a);
  const std::uint32_t g = Lerp(static_cast<std::uint8_t>(d >> 8), static_cast<std::uint8_t>(c >> 8), a);
  const std::uint32_t r = Lerp(static_cast<std::uint8_t>(d >> 16), static_cast<std::uint8_t>(c >> 16), a);
  return (d & 0xFF000000u) | (r << 16) | (g << 8) | b;
}

constexpr std::int64_t FloorDiv64(std::int64_t a, std::int64_t b) {
  const std::int64_t q = a / b;
  return (a % b != 0 && ((a < 0) != (b < 0))) ? q - 1 : q;
}

constexpr std::int64_t CeilDiv64(std::int64_t a, std::int64_t b) { return -FloorDiv64(-a, b); }

// The largest s >= 0 with s^2 < t, or -1 when t <= 0: the integers u with u^2 < t are
// exactly -s..s. Here t < 2^53 is exact in double and its square root is correctly
// rounded, so the truncated root is s or s + 1 (or 0 for t <= 0); the steps correct it
// without branches.
std::int64_t RootBelow(std::int64_t t) {
  auto s = static_cast<std::int64_t>(std::sqrt(static_cast<double>(std::max<std::int64_t>(t, 0))));
  s -= s * s >= t;
  s += (s + 1) * (s + 1) < t;
  return s;
}

// Pixel access to a block along one row or column (the runs of MaskSpan), keeping the
// tile last looked up.
// Coordinates lie inside the grid. Put creates a missing tile, so a tile appears exactly
// when some pixel of it is written, as with pixel-by-pixel writes.
template <typename Block>
class TTileCursor {
 public:
  using TTile = std::remove_pointer_t<decltype(std::declval<Block&>().TileAt(0, 0))>;
  using TPixel = std::remove_pointer_t<decltype(std::declval<TTile&>().Row(0))>;

  explicit TTileCursor(Block& block) : block_(block) {}

  // Null where the pixel's tile is missing.
  TPixel* Find(std::int32_t x, std::int32_t y) {
    const std::int32_t col = x / kTile, row = y / kTile;
    if (col != col_ || row != row_) {
      col_ = col;
      row_ = row;
      tile_ = block_.TileAt(col, row);
    }
    return tile_ ? tile_->Row(y % kTile) + x % kTile : nullptr;
  }

  TPixel& Put(std::int32_t x, std::int32_t y) {
    if (TPixel* p = Find(x, y)) return *p;
    block_.EnsureTileAt(col_, row_);
    tile_ = block_.TileAt(col_, row_);
    return tile_->Row(y % kTile)[x % kTile];
  }

 private:
  Block& block_;
  std::int32_t col_ = -1, row_ = -1;
  TTile* tile_ = nullptr;
};

using TMaskCursor = TTileCursor<TBlockChannel>;

// Stores v (BlendMask at 255); with largerOnly only where v exceeds the current value,
// so a pixel left alone creates no tile.
void StoreMask(TMaskCursor& cursor, std::int32_t x, std::int32_t y, std::uint8_t v, bool largerOnly) {
  if (!largerOnly) {
    cursor.Put(x, y) = v;
    return;
  }
  std::uint8_t* p = cursor.Find(x, y);
  if (p ? v > *p : v > 0) (p ? *p : cursor.Put(x, y)) = v;
}

// Raises (or sets) the columns [xa, xb] of row y to v, creating the tiles written.
void FillMaskRun(TBlockChannel& mask, std::int32_t y, std::int32_t xa, std::int32_t xb, std::uint8_t v,
                 bool largerOnly) {
  if (xa > xb || (largerOnly && v == 0)) return;
  const std::int32_t row = y / kTile, ty = y % kTile;
  TBlock::ForEachRowSegment(xa, xb - xa + 1,
                            [&](std::int32_t col, std::int32_t tx, std::int32_t, std::int32_t len) {
                              mask.EnsureTileAt(col, row);
                              std::uint8_t* line = mask.TileAt(col, row)->Row(ty) + tx;
                              if (largerOnly)
                                for (std::int32_t k = 0; k < len; ++k) line[k] = std::max(line[k], v);
                              else
                                std::fill_n(line, len, v);
                            });
}

// ---- Dab rows -------------------------------------------------------------------------
//
// Both discs work on a grid of `step` sub-pixels per pixel: pixel (x, y) spans the grid
// columns ex..ex + step and rows ey..ey + step (ex = step * x - X0, ey = step * y - Y0), a
// grid point is inside when ex^2 + ey^2 < R2, and the pixel's samples are (ex + i, ey + j)
// for i, j = 0..step - 1. On grid row u the points inside are those with
// |ex| <= RootBelow(R2 - u^2), which turns every test along a row into interval
// arithmetic.

// The roots of the grid rows ey + j, j = 0..step, of one pixel row: rows 0 and step are
// its corner rows, rows 0..step - 1 its sample rows. The top root is the bottom one of
// the row above; the sample roots are found on the first count, as many rows have no
// pixel left to sample.
template <std::int32_t step>
class TRowRoots {
 public:
  TRowRoots(std::int64_t R2, std::int64_t ey, std::int64_t top) : R2_(R2), ey_(ey) {
    s_[0] = top;
    s_[step] = RootBelow(R2 - (ey + step) * (ey + step));
  }

  std::int64_t Top() const { return s_[0]; }
  std::int64_t Bottom() const { return s_[step]; }

  // The samples of the pixel at column ex inside the circle: sample row j adds the
  // overlap of ex..ex + step - 1 with -s_j..s_j.
  std::int64_t Count(std::int64_t ex) {
    if (!sampled_) {
      for (std::int32_t j = 1; j < step; ++j) s_[j] = RootBelow(R2_ - (ey_ + j) * (ey_ + j));
      sampled_ = true;
    }
    std::int64_t count = 0;
    for (std::int32_t j = 0; j < step; ++j)
      count += std::max<std::int64_t>(0, std::min(ex + step - 1, s_[j]) - std::max(ex, -s_[j]) + 1);
    return count;
  }

 private:
  std::int64_t R2_, ey_;
  std::int64_t s_[step + 1];
  bool sampled_ = false;
};

// The columns of one pixel row, cut to [xa, xb]: [oa, ob] are the pixels some corner of
// which is inside the circle, [ia, ib] those with all four corners inside (a run with
// a > b is empty).
struct TRowRuns {
  std::int32_t oa, ob, ia, ib;
};

// The pixels whose left corner column lies in -s..s are CeilDiv(X0 - s, step) ..
// FloorDiv(X0 + s, step); a pixel's right corner column is the left one of the next.
// The nearer corner row reaches max(s_0, s_step), the farther one min(s_0, s_step).
template <std::int32_t step>
TRowRuns RowRuns(std::int64_t X0, const TRowRoots<step>& roots, std::int32_t xa, std::int32_t xb) {
  const auto clip = [&](std::int64_t lo, std::int64_t hi, std::int32_t& a, std::int32_t& b) {
    if (lo > hi || hi < xa || lo > xb) {
      a = xa;
      b = xa - 1;
      return;
    }
    a = static_cast<std::int32_t>(std::max<std::int64_t>(lo, xa));
    b = static_cast<std::int32_t>(std::min<std::int64_t>(hi, xb));
  };
  const std::int64_t near = std::max(roots.Top(), roots.Bottom()),
                     far = std::min(roots.Top(), roots.Bottom());
  TRowRuns r{};
  // Some corner inside: the left corner column of x or of x + 1 in reach.
  std::int64_t lo = CeilDiv64(X0 - near, step), hi = FloorDiv64(X0 + near, step);
  clip(lo <= hi ? lo - 1 : lo, hi, r.oa, r.ob);
  // All four inside: the left corner columns of x and x + 1 in reach of the farther row.
  lo = CeilDiv64(X0 - far, step);
  hi = FloorDiv64(X0 + far, step);
  clip(lo, hi - 1, r.ia, r.ib);
  return r;
}

// max(0, 255 - d2 * 255 / R2): the soft falloff at squared distance d2.
std::int64_t Falloff(std::int64_t d2, std::int64_t R2) {
  return std::max<std::int64_t>(0, 255 - d2 * 255 / R2);
}

// The part of a block row that lies in one tile: pixel x is line[x % 64]. While the tile
// is missing reads see 0 and Line() creates it, so a tile appears exactly when a pixel of
// it is written.
template <typename Block>
class TRowPart {
 public:
  using TTile = std::remove_pointer_t<decltype(std::declval<Block&>().TileAt(0, 0))>;
  using TPixel = std::remove_pointer_t<decltype(std::declval<TTile&>().Row(0))>;

  TRowPart(Block& block, std::int32_t col, std::int32_t y) : block_(block), col_(col), y_(y) {
    TTile* tile = block.TileAt(col, y / kTile);
    line_ = tile ? tile->Row(y % kTile) : nullptr;
  }

  TPixel At(std::int32_t x) const { return line_ ? line_[x & (kTile - 1)] : 0; }

  // The row while its tile exists, else null; nothing is created.
  TPixel* Existing() const { return line_; }

  TPixel* Line() {
    if (!line_) {
      block_.EnsureTileAt(col_, y_ / kTile);
      line_ = block_.TileAt(col_, y_ / kTile)->Row(y_ % kTile);
    }
    return line_;
  }

 private:
  Block& block_;
  std::int32_t col_, y_;
  TPixel* line_;
};

using TMaskRowPart = TRowPart<TBlockChannel>;
using TImageRowPart = TRowPart<TBlockImage>;

// Calls fn(part, x0, x1) for the pieces x0..x1 of the columns [xa, xb] of row y that lie in
// one tile each (all inside the grid).
template <typename Block, typename Fn>
void ForEachRowPart(Block& block, std::int32_t y, std::int32_t xa, std::int32_t xb, Fn&& fn) {
  for (std::int32_t x0 = xa; x0 <= xb;) {
    const std::int32_t col = x0 / kTile, x1 = std::min(xb, col * kTile + kTile - 1);
    TRowPart<Block> part(block, col, y);
    fn(part, x0, x1);
    x0 = x1 + 1;
  }
}

// Draws the touched columns r.oa..r.ob of a dab row in tile pieces: row.Rim for the partly
// covered pixels either side of the wholly inside run r.ia..r.ib, row.Inside for that run.
template <typename Block, typename Row>
void DrawRowRuns(Block& block, std::int32_t y, const TRowRuns& r, Row& row) {
  ForEachRowPart(block, y, r.oa, r.ob, [&](TRowPart<Block>& part, std::int32_t x0, std::int32_t x1) {
    if (r.ia > r.ib) {
      row.Rim(part, x0, x1);
      return;
    }
    row.Rim(part, x0, std::min(x1, r.ia - 1));
    row.Inside(part, std::max(x0, r.ia), std::min(x1, r.ib));
    row.Rim(part, std::max(x0, r.ib + 1), x1);
  });
}

// ---- MaskDisc -------------------------------------------------------------------------

struct TMaskDiscRule {
  std::int64_t R2;  // squared radius in fifths of a pixel
  std::int64_t X0, Y0;
  std::int32_t w;  // trunc(value * opacity)
  std::uint8_t value;
  bool largerOnly, soft, sampleAll;
};

// One dab row on the fifth-pixel grid.
class TMaskDiscRow {
 public:
  // top: the root of the row's top corner row.
  TMaskDiscRow(const TMaskDiscRule& rule, std::int32_t y, std::int64_t top)
      : rule_(rule), ey_(5 * std::int64_t{y} - rule.Y0), roots_(rule.R2, ey_, top) {}

  std::int64_t BottomRoot() const { return roots_.Bottom(); }

  // Small dabs sample every pixel; larger ones skip the pixels with all corners outside
  // and take the wholly inside ones without sampling.
  TRowRuns Runs(std::int32_t xa, std::int32_t xb) const {
    if (rule_.sampleAll) return {xa, xb, xa, xa - 1};
    return RowRuns(rule_.X0, roots_, xa, xb);
  }

  // Partly covered: raised to v, or blended toward the value byte at opacity v.
  void Rim(TMaskRowPart& part, std::int32_t xa, std::int32_t xb) {
    for (std::int32_t x = xa; x <= xb; ++x) {
      if (rule_.largerOnly) {
        // No pixel of the dab gets more than w, so one at w or above stays as it is.
        const std::uint8_t current = part.At(x);
        if (current >= rule_.w) continue;
        const std::uint8_t v = RimValue(x);
        if (v > current) part.Line()[x & (kTile - 1)] = v;
        continue;
      }
      const std::uint8_t v = RimValue(x);
      std::uint8_t& d = part.Line()[x & (kTile - 1)];
      d = v == 255 ? rule_.value : Lerp(d, rule_.value, v);
    }
  }

  // Wholly inside: w, or (w * g) >> 8 when soft. Stored as is, or with largerOnly only
  // where larger.
  void Inside(TMaskRowPart& part, std::int32_t xa, std::int32_t xb) {
    if (xa > xb) return;
    if (rule_.soft) {
      for (std::int32_t x = xa; x <= xb; ++x) {
        const std::int64_t ex = 5 * std::int64_t{x} - rule_.X0;
        const auto v = static_cast<std::uint8_t>((rule_.w * Falloff(ex * ex + ey_ * ey_, rule_.R2)) >> 8);
        if (!rule_.largerOnly || v > part.At(x)) part.Line()[x & (kTile - 1)] = v;
      }
      return;
    }
    const auto v = static_cast<std::uint8_t>(rule_.w);
    if (rule_.largerOnly && v == 0) return;
    std::uint8_t* line = part.Line() + (xa & (kTile - 1));
    const std::int32_t n = xb - xa + 1;
    if (rule_.largerOnly)
      for (std::int32_t k = 0; k < n; ++k) line[k] = std::max(line[k], v);
    else
      std::fill_n(line, n, v);
  }

 private:
  // s = count * w (times g >> 8 when soft), v = s div 25.
  std::uint8_t RimValue(std::int32_t x) {
    const std::int64_t ex = 5 * std::int64_t{x} - rule_.X0;
    std::int64_t s = roots_.Count(ex) * rule_.w;
    if (rule_.soft) s = (s * Falloff(ex * ex + ey_ * ey_, rule_.R2)) >> 8;
    return static_cast<std::uint8_t>(s / 25);
  }

  const TMaskDiscRule& rule_;
  std::int64_t ey_;
  TRowRoots<5> roots_;
};

// ---- MaskDisc from a stamp ------------------------------------------------------------

TDabStampCache& StampCache() {
  static TDabStampCache cache;
  return cache;
}

// A hard dab drawn from its stamp: each stamp code maps to one byte (vs[code]), so a rim
// pixel is a table lookup; the wholly inside run of a row takes w without looking at its
// codes.
struct TStampDab {
  const TDabStamp& stamp;
  std::uint8_t vs[TDabStamp::kCodes];  // count * w / 25 for the counted codes, w for kWhole
  std::uint8_t w;
  std::uint8_t value;
  bool largerOnly;

  // Columns x0..x1 of a row, codes[k] for x0 + k, none of them kWhole, all in one tile.
  void Rim(std::uint8_t* line, std::int32_t x0, std::int32_t x1, const std::uint8_t* codes) const {
    const std::int32_t n = x1 - x0 + 1;
    line += x0 & (kTile - 1);
    if (largerOnly) {
      // Code kNothing maps to 0, which never raises a pixel.
      for (std::int32_t k = 0; k < n; ++k) line[k] = std::max(line[k], vs[codes[k]]);
      return;
    }
    for (std::int32_t k = 0; k < n; ++k) {
      const std::uint8_t code = codes[k];
      if (code == TDabStamp::kNothing) continue;
      // Partly covered pixels blend toward the value byte (and are written even at 0).
      const std::uint8_t v = vs[code];
      line[k] = v == 255 ? value : Lerp(line[k], value, v);
    }
  }

  // Columns x0..x1 of a row, all kWhole, all in one tile: stored w, or raised to it.
  void Whole(std::uint8_t* line, std::int32_t x0, std::int32_t x1) const {
    line += x0 & (kTile - 1);
    const std::int32_t n = x1 - x0 + 1;
    if (largerOnly)
      for (std::int32_t k = 0; k < n; ++k) line[k] = std::max(line[k], w);
    else
      std::fill_n(line, n, w);
  }

  // One row of the stamp in paper columns: touched f..l, wholly inside wf..wl when
  // `whole`, and the rim codes (those of f..wf - 1, then of wl + 1..l; of f..l without a
  // whole run).
  struct TRow {
    std::int32_t f, l, wf, wl;
    bool whole;
    const std::uint8_t* rim;
  };

  // Whether columns a..b of the rim codes from `codes` change a pixel that reads 0.
  bool RimTouches(std::int32_t a, std::int32_t b, const std::uint8_t* codes) const {
    for (std::int32_t k = 0; k <= b - a; ++k)
      if (codes[k] != TDabStamp::kNothing && (!largerOnly || vs[codes[k]] > 0)) return true;
    return false;
  }

  // The columns x0..x1 (inside f..l) of a row, all in one tile. A missing tile is created
  // only when a pixel of it changes: every code but kNothing writes without largerOnly;
  // with it only a value above 0 does.
  void Piece(TMaskRowPart& part, std::int32_t x0, std::int32_t x1, const TRow& r) const {
    const std::int32_t la = x0, lb = std::min(x1, r.whole ? r.wf - 1 : r.l);
    const std::int32_t ia = r.whole ? std::max(x0, r.wf) : 1, ib = r.whole ? std::min(x1, r.wl) : 0;
    const std::int32_t ra = r.whole ? std::max(x0, r.wl + 1) : 1, rb = r.whole ? x1 : 0;
    const std::uint8_t* leftCodes = r.rim + (la - r.f);
    const std::uint8_t* rightCodes = r.whole ? r.rim + (r.wf - r.f) + (ra - r.wl - 1) : nullptr;
    std::uint8_t* line = part.Existing();
    if (!line) {
      const bool touched = (ia <= ib && (w > 0 || !largerOnly)) || (la <= lb && RimTouches(la, lb, leftCodes)) ||
                           (ra <= rb && RimTouches(ra, rb, rightCodes));
      if (!touched) return;
      line = part.Line();
    }
    if (la <= lb) Rim(line, la, lb, leftCodes);
    if (ia <= ib) Whole(line, ia, ib);
    if (ra <= rb) Rim(line, ra, rb, rightCodes);
  }
};

void StampMaskDisc(TBlockChannel& mask, const TMaskDiscRule& rule, std::int32_t r5, std::int32_t xa,
                   std::int32_t xb, std::int32_t ya, std::int32_t yb) {
  if (rule.largerOnly && rule.w == 0) return;
  const std::int64_t xc = FloorDiv64(rule.X0, 5), yc = FloorDiv64(rule.Y0, 5);
  const TDabStampKey key{r5, static_cast<std::int32_t>(rule.X0 - 5 * xc),
                         static_cast<std::int32_t>(rule.Y0 - 5 * yc), rule.sampleAll};
  TStampDab dab{StampCache().Get(key), {}, static_cast<std::uint8_t>(rule.w), rule.value, rule.largerOnly};
  dab.vs[TDabStamp::kNothing] = 0;
  for (std::int32_t count = 0; count <= 25; ++count)
    dab.vs[count + 1] = static_cast<std::uint8_t>(count * rule.w / 25);
  dab.vs[TDabStamp::kWhole] = static_cast<std::uint8_t>(rule.w);
  const TDabStamp& stamp = dab.stamp;
  // The stamp covers the whole pixel range of the dab; the cut keeps that an invariant
  // of this loop rather than of the arithmetic alone.
  const std::int64_t y0 = std::max<std::int64_t>(ya, yc - stamp.reach),
                     y1 = std::min<std::int64_t>(yb, yc + stamp.reach);
  // Paper columns of the stamp's column 0; the dab lies far inside 32-bit range.
  const auto left = static_cast<std::int32_t>(xc - stamp.reach);
  for (auto y = static_cast<std::int32_t>(y0); y <= y1; ++y) {
    const TDabStamp::TRowSpan& span = stamp.Span(static_cast<std::int32_t>(y - yc));
    const TStampDab::TRow row{left + span.first, left + span.last,      left + span.wholeFirst,
                              left + span.wholeLast, span.HasWhole(), stamp.rims.data() + span.rim};
    const std::int32_t a = std::max(xa, row.f), b = std::min(xb, row.l);
    if (a > b) continue;
    ForEachRowPart(mask, y, a, b, [&](TMaskRowPart& part, std::int32_t x0, std::int32_t x1) {
      dab.Piece(part, x0, x1, row);
    });
  }
}

// ---- ColourDisc -----------------------------------------------------------------------

struct TColourDiscRule {
  std::int64_t T;  // squared radius in quarter pixels
  std::int64_t X0, Y0;
  std::int32_t a0;
  std::uint32_t colour;
  bool falloff;
};

// Blends n pixels toward colour at one opacity (255 stores it). Neighbouring pixels are
// often equal, inside earlier dabs, so a repeated input reuses the last result.
void BlendRun(std::uint32_t* p, std::int32_t n, std::uint32_t colour, std::uint8_t opacity) {
  if (opacity == 255) {
    std::fill_n(p, n, colour);
    return;
  }
  if (opacity == 0 || n <= 0) return;
  std::uint32_t in = p[0], out = LerpRGB(in, colour, opacity);
  for (std::int32_t k = 0; k < n; ++k) {
    if (p[k] != in) {
      in = p[k];
      out = LerpRGB(in, colour, opacity);
    }
    p[k] = out;
  }
}

// One dab row on the quarter-pixel grid: the wholly inside pixels take a0 (scaled by the
// falloff when there is one), the partly covered ones count 16 samples.
class TColourDiscRow {
 public:
  TColourDiscRow(const TColourDiscRule& rule, std::int32_t y, std::int64_t top)
      : rule_(rule), ey_(4 * std::int64_t{y} - rule.Y0), roots_(rule.T, ey_, top) {}

  std::int64_t BottomRoot() const { return roots_.Bottom(); }

  TRowRuns Runs(std::int32_t xa, std::int32_t xb) const { return RowRuns(rule_.X0, roots_, xa, xb); }

  void Rim(TImageRowPart& part, std::int32_t xa, std::int32_t xb) {
    for (std::int32_t x = xa; x <= xb; ++x) {
      const std::int64_t ex = 4 * std::int64_t{x} - rule_.X0;
      const std::int64_t count = roots_.Count(ex);
      Blend(part, x,
            rule_.falloff ? ((rule_.a0 * count * Falloff(ex * ex + ey_ * ey_, rule_.T)) >> 8) / 16
                          : rule_.a0 * count / 16);
    }
  }

  // Opacity 0 leaves the pixels as they are, but their tile is still created, as a
  // pixel-by-pixel blend would.
  void Inside(TImageRowPart& part, std::int32_t xa, std::int32_t xb) {
    if (xa > xb) return;
    if (!rule_.falloff) {
      BlendRun(part.Line() + (xa & (kTile - 1)), xb - xa + 1, rule_.colour,
               static_cast<std::uint8_t>(rule_.a0));
      return;
    }
    for (std::int32_t x = xa; x <= xb; ++x) {
      const std::int64_t ex = 4 * std::int64_t{x} - rule_.X0;
      Blend(part, x, (rule_.a0 * Falloff(ex * ex + ey_ * ey_, rule_.T)) >> 8);
    }
  }

 private:
  void Blend(TImageRowPart& part, std::int32_t x, std::int64_t opacity) {
    std::uint32_t& d = part.Line()[x & (kTile - 1)];
    d = opacity == 255 ? rule_.colour : LerpRGB(d, rule_.colour, static_cast<std::uint8_t>(opacity));
  }

  const TColourDiscRule& rule_;
  std::int64_t ey_;
  TRowRoots<4> roots_;
};

// ---- MaskSpan -------------------------------------------------------------------------

// Coverage of pixel p (in 1/64 pixel: 64p .. 64p + 63) by the run |pos - centre| < half.
std::int64_t SpanValue(std::int64_t p, std::int64_t centre, std::int64_t half, std::int32_t t) {
  const std::int64_t left = 64 * p;
  if (std::llabs(centre - left) + 64 < half) return t;
  const std::int64_t lo = std::max<std::int64_t>(0, centre - half - left + 1);
  const std::int64_t hi = std::min<std::int64_t>(63, centre + half - left - 1);
  const std::int64_t count = std::max<std::int64_t>(0, hi - lo + 1);
  return count * t / 64;
}

// ---- BlurDisc -------------------------------------------------------------------------

// Sum of samples at positions lo..hi of a line clamped into 0..n-1, from prefix sums over
// positions first..first + size - 1 of that line (prefix[i] = sum of the first i).
struct TClampedLine {
  std::int64_t n, first;
  const std::vector<std::int64_t>* prefix;  // three channels interleaved
  std::int64_t Sum(std::int64_t lo, std::int64_t hi, std::int32_t ch) const {
    const auto& p = *prefix;
    auto at = [&](std::int64_t i) { return p[static_cast<std::size_t>(3 * (i - first) + ch)]; };
    std::int64_t s = 0;
    if (lo < 0) s += (std::min<std::int64_t>(hi, -1) - lo + 1) * (at(1) - at(0));  // clamped to 0
    if (hi > n - 1) {                                                              // clamped to n - 1
      const std::int64_t last = n - 1;
      s += (hi - std::max<std::int64_t>(lo, n) + 1) * (at(last + 1) - at(last));
    }
    const std::int64_t a = std::max<std::int64_t>(lo, 0), b = std::min<std::int64_t>(hi, n - 1);
    if (a <= b) s += at(b + 1) - at(a);
    return s;
  }
};

void AddPixel(std::vector<std::int64_t>& sums, std::size_t i, std::uint32_t p, std::int64_t times) {
  sums[3 * i] += times * static_cast<std::int64_t>(p & 255);
  sums[3 * i + 1] += times * static_cast<std::int64_t>((p >> 8) & 255);
  sums[3 * i + 2] += times * static_cast<std::int64_t>((p >> 16) & 255);
}

// Column sums over the source rows y - k .. y + k (clamped), for the clamped columns
// c0..c1, kept current as y advances by one.
class TColumnSums {
 public:
  TColumnSums(const TBlockImage& src, std::int32_t c0, std::int32_t c1, std::int32_t k)
      : src_(src), c0_(c0), c1_(c1), k_(k), sums_(3 * static_cast<std::size_t>(c1 - c0 + 1)) {}

  void Start(std::int32_t y) {
    std::fill(sums_.begin(), sums_.end(), 0);
    const std::int64_t lo = std::int64_t{y} - k_, hi = std::int64_t{y} + k_;
    const std::int32_t last = std::max(src_.Height - 1, 0);
    // Rows outside the paper repeat its edge rows: count them once with their multiplicity.
    for (std::int32_t r = static_cast<std::int32_t>(std::max<std::int64_t>(lo, 0));
         r <= std::min<std::int64_t>(hi, last); ++r)
      AddRow(r, 1);
    if (lo < 0) AddRow(0, std::min<std::int64_t>(hi, -1) - lo + 1);
    if (hi > last) AddRow(last, hi - std::max<std::int64_t>(lo, std::int64_t{last} + 1) + 1);
  }

  // From the window of y to that of y + 1.
  void Advance(std::int32_t y) {
    AddRow(Clamp(std::int64_t{y} + k_ + 1), 1);
    AddRow(Clamp(std::int64_t{y} - k_), -1);
  }

  const std::vector<std::int64_t>& Sums() const { return sums_; }

 private:
  std::int32_t Clamp(std::int64_t r) const {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(r, 0, std::max(src_.Height - 1, 0)));
  }
  void AddRow(std::int32_t r, std::int64_t times) {
    for (std::int32_t c = c0_; c <= c1_; ++c)
      AddPixel(sums_, static_cast<std::size_t>(c - c0_), src_.PixelAt(c, r), times);
  }

  const TBlockImage& src_;
  std::int32_t c0_, c1_, k_;
  std::vector<std::int64_t> sums_;
};

}  // namespace

void MaskDisc(TBlockChannel& mask, std::uint8_t value, bool largerOnly, bool soft, float opacity,
              float radius, float cx, float cy) {
  const double r = radius;
  if (!(r > 0) || !Usable(r) || !Usable(cx) || !Usable(cy)) return;
  const std::int64_t r5 = Trunc(5.0 * r);
  // Below a fifth of a pixel no sample point can fall inside the circle.
  if (r5 == 0) return;
  const TMaskDiscRule rule{
      r5 * r5, Trunc(5.0 * cx), Trunc(5.0 * cy), ScaledValue(value, opacity), value, largerOnly,
      soft,    r <= 3};
  std::int32_t xa = Trunc(cx - r), xb = Trunc(cx + r), ya = Trunc(cy - r), yb = Trunc(cy + r);
  if (!ClipToGrid(xa, xb, mask.GridCols()) || !ClipToGrid(ya, yb, mask.GridRows())) return;
  // Hard dabs of brush sizes come from a cached stamp; soft and larger ones go row by row.
  if (!soft && r5 <= TDabStampCache::kMaxR5) {
    StampMaskDisc(mask, rule, static_cast<std::int32_t>(r5), xa, xb, ya, yb);
    return;
  }
  const std::int64_t ey = 5 * std::int64_t{ya} - rule.Y0;
  std::int64_t top = RootBelow(rule.R2 - ey * ey);
  for (std::int32_t y = ya; y <= yb; ++y) {
    TMaskDiscRow row(rule, y, top);
    DrawRowRuns(mask, y, row.Runs(xa, xb), row);
    top = row.BottomRoot();
  }
}

void MaskSpan(TBlockChannel& mask, TSpanOrientation orientation, std::int32_t line, std::uint8_t value,
              bool largerOnly, float opacity, float from, float to) {
  const double l = from, r = to;
  if (!Usable(l) || !Usable(r)) return;
  const std::int32_t t = ScaledValue(value, opacity);
  // Half length and centre in 1/64 pixel.
  const std::int64_t half = Trunc((r - l) / 2 * 64), centre = Trunc((l + r) / 2 * 64);
  const bool horizontal = orientation == TSpanOrientation::Horizontal;
  std::int32_t a = Trunc(l - 1), b = Trunc(r + 1);
  std::int32_t lineLo = line, lineHi = line;
  if (!ClipToGrid(a, b, horizontal ? mask.GridCols() : mask.GridRows()) ||
      !ClipToGrid(lineLo, lineHi, horizontal ? mask.GridRows() : mask.GridCols()))
    return;
  // The pixels with |centre - 64p| + 64 < half take t whole: 64p lies strictly between
  // centre - half + 64 and centre + half - 64. Only the ends are counted.
  std::int64_t fullLo = std::max<std::int64_t>(a, FloorDiv64(centre - half + 64, 64) + 1);
  std::int64_t fullHi = std::min<std::int64_t>(b, CeilDiv64(centre + half - 64, 64) - 1);
  if (fullLo > fullHi) fullLo = std::int64_t{b} + 1, fullHi = b;
  TMaskCursor cursor(mask);
  const auto store = [&](std::int32_t p, std::int64_t v) {
    const auto byte = static_cast<std::uint8_t>(v);
    if (horizontal)
      StoreMask(cursor, p, line, byte, largerOnly);
    else
      StoreMask(cursor, line, p, byte, largerOnly);
  };
  for (std::int32_t p = a; p < fullLo; ++p) store(p, SpanValue(p, centre, half, t));
  if (horizontal)
    FillMaskRun(mask, line, static_cast<std::int32_t>(fullLo), static_cast<std::int32_t>(fullHi),
                static_cast<std::uint8_t>(t), largerOnly);
  else
    for (auto p = static_cast<std::int32_t>(fullLo); p <= fullHi; ++p) store(p, t);
  for (auto p = static_cast<std::int32_t>(fullHi + 1); p <= b; ++p) store(p, SpanValue(p, centre, half, t));
}

void ColourDisc(TBlockImage& image, std::uint32_t colour, bool soft, float opacity, float radius, float cx,
                float cy) {
  const double r = radius;
  if (!(r > 0) || !Usable(r) || !Usable(cx) || !Usable(cy) || !std::isfinite(opacity)) return;
  const std::int64_t r4 = Trunc(4.0 * r);
  // Below a quarter pixel every corner is outside.
  if (r4 == 0) return;
  const TColourDiscRule rule{r4 * r4,
                             Trunc(4.0 * cx),
                             Trunc(4.0 * cy),
                             std::clamp(Trunc(static_cast<double>(opacity) * 255), 0, 255),
                             colour | 0xFF000000u,
                             soft && r >= 3};
  std::int32_t xa = Trunc(cx - r), xb = Trunc(cx + r), ya = Trunc(cy - r), yb = Trunc(cy + r);
  if (!ClipToGrid(xa, xb, image.GridCols()) || !ClipToGrid(ya, yb, image.GridRows())) return;
  const std::int64_t ey = 4 * std::int64_t{ya} - rule.Y0;
  std::int64_t top = RootBelow(rule.T - ey * ey);
  for (std::int32_t y = ya; y <= yb; ++y) {
    TColourDiscRow row(rule, y, top);
    DrawRowRuns(image, y, row.Runs(xa, xb), row);
    top = row.BottomRoot();
  }
}

void BlurThroughMask(const TBlockImage& source, TBlockImage& destination, const TBlockChannel& mask,
                     const TBlockChannel* secondMask, std::int32_t x, std::int32_t y, std::int32_t w,
                     std::int32_t h) {
  if (w <= 0 || h <= 0) return;
  std::int32_t xa = x,
               xb = static_cast<std::int32_t>(std::min<std::int64_t>(std::int64_t{x} + w - 1, INT32_MAX));
  std::int32_t ya = y,
               yb = static_cast<std::int32_t>(std::min<std::int64_t>(std::int64_t{y} + h - 1, INT32_MAX));
  if (!ClipToGrid(xa, xb, destination.GridCols()) || !ClipToGrid(ya, yb, destination.GridRows())) return;
  for (std::int32_t py = ya; py <= yb; ++py)
    for (std::int32_t px = xa; px <= xb; ++px) {
      std::int32_t m = mask.MaskAt(px, py);
      if (secondMask) {
        const std::int32_t s = secondMask->MaskAt(px, py);
        if (s != 255) m = (m * s) >> 8;
      }
      if (m < 2) {
        destination.SetPixel(px, py, source.PixelAt(px, py));
        continue;
      }
      // Centre weight 32 - min(m, 31), each neighbour 1: a stronger mask blurs more.
      const std::int32_t centre = 32 - std::min(m, 31);
      std::int32_t b = 0, g = 0, r = 0, a = 0;
      for (std::int32_t j = -1; j <= 1; ++j)
        for (std::int32_t i = -1; i <= 1; ++i) source.SamplePixel(px + i, py + j, true, b, g, r, a);
      std::int32_t cb = 0, cg = 0, cr = 0, ca = 0;
      source.SamplePixel(px, py, false, cb, cg, cr, ca);
      const std::int32_t total = centre + 8;
      b += (centre - 1) * cb;
      g += (centre - 1) * cg;
      r += (centre - 1) * cr;
      destination.SetPixel(px, py,
                           0xFF000000u | static_cast<std::uint32_t>(r / total) << 16 |
                               static_cast<std::uint32_t>(g / total) << 8 |
                               static_cast<std::uint32_t>(b / total));
    }
}

void BlurDisc(TBlockImage& destination, const TBlockImage& source, std::int32_t boxRadius, float radius,
              float cx, float cy) {
  const double r = radius;
  if (!(r > 0) || !Usable(r) || !Usable(cx) || !Usable(cy)) return;
  // A box radius of 0 (or below) means 1. Brushes give at most 512; the cap bounds the
  // work of a hostile value.
  const std::int32_t k = std::clamp(boxRadius, 1, kMaxBoxRadius);
  const std::int64_t r4 = Trunc(4.0 * r), R2 = r4 * r4;
  const std::int64_t X0 = Trunc(4.0 * cx), Y0 = Trunc(4.0 * cy);
  std::int32_t xa = Trunc(cx - r), xb = Trunc(cx + r + 1), ya = Trunc(cy - r), yb = Trunc(cy + r + 1);
  if (!ClipToGrid(xa, xb, destination.GridCols()) || !ClipToGrid(ya, yb, destination.GridRows())) return;
  // Box sums of clamped source samples: column sums over the 2k + 1 rows, kept current
  // row by row, then clamped prefix sums along the row.
  const std::int64_t n = std::max(source.Width, 1);
  const auto c0 = static_cast<std::int32_t>(std::clamp<std::int64_t>(std::int64_t{xa} - k, 0, n - 1));
  const auto c1 = static_cast<std::int32_t>(std::clamp<std::int64_t>(std::int64_t{xb} + k, 0, n - 1));
  TColumnSums columns(source, c0, c1, k);
  std::vector<std::int64_t> prefix(3 * static_cast<std::size_t>(c1 - c0 + 2));
  const TClampedLine line{n, c0, &prefix};
  const std::int64_t count = (2 * std::int64_t{k} + 1) * (2 * std::int64_t{k} + 1);
  columns.Start(ya);
  for (std::int32_t y = ya; y <= yb; ++y) {
    if (y > ya) columns.Advance(y - 1);
    const auto& sums = columns.Sums();
    for (std::size_t i = 0; i + 1 < prefix.size() / 3; ++i)
      for (std::size_t ch = 0; ch < 3; ++ch) prefix[3 * (i + 1) + ch] = prefix[3 * i + ch] + sums[3 * i + ch];
    const std::int64_t ey = 4 * std::int64_t{y} - Y0;
    for (std::int32_t x = xa; x <= xb; ++x) {
      const std::int64_t ex = 4 * std::int64_t{x} - X0;
      // Only pixels whose four cell corners are all strictly inside are drawn.
      if (std::max(ex * ex, (ex + 4) * (ex + 4)) + std::max(ey * ey, (ey + 4) * (ey + 4)) >= R2) continue;
      const std::int64_t opacity = std::max<std::int64_t>(0, 255 - (ex * ex + ey * ey) * 255 / R2);
      const std::int64_t lo = std::int64_t{x} - k, hi = std::int64_t{x} + k;
      const auto b = static_cast<std::uint32_t>(line.Sum(lo, hi, 0) / count);
      const auto g = static_cast<std::uint32_t>(line.Sum(lo, hi, 1) / count);
      const auto rr = static_cast<std::uint32_t>(line.Sum(lo, hi, 2) / count);
      destination.BlendPixel(x, y, static_cast<std::uint8_t>(opacity), 0xFF000000u | rr << 16 | g << 8 | b);
    }
  }
}

}  // namespace vt
