#include "raster/dab.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "raster/blend_tables.h"

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

// Walks row y from column xa to xb (inclusive, inside the grid) one tile at a time.
// fn(x, pixel pointer getter) is called per pixel; the getter creates the tile on first
// use, so a tile appears exactly when some pixel of it is written, as with per-pixel
// writes, and reads of a missing tile see `empty`.
template <typename Block, typename Pixel, typename Fn>
void WalkRow(Block& block, std::int32_t y, std::int32_t xa, std::int32_t xb, Fn&& fn) {
  const std::int32_t row = y / kTile, ty = y % kTile;
  TBlock::ForEachRowSegment(xa, xb - xa + 1,
                            [&](std::int32_t col, std::int32_t tx, std::int32_t i, std::int32_t len) {
                              auto* tile = block.TileAt(col, row);
                              Pixel* line = tile ? tile->Row(ty) : nullptr;
                              auto get = [&]() -> Pixel* {
                                if (!line) {
                                  block.EnsureTileAt(col, row);
                                  line = block.TileAt(col, row)->Row(ty);
                                }
                                return line;
                              };
                              for (std::int32_t k = 0; k < len; ++k) fn(xa + i + k, tx + k, line, get);
                            });
}

// ---- MaskDisc -------------------------------------------------------------------------

constexpr std::int64_t FloorDiv64(std::int64_t a, std::int64_t b) {
  const std::int64_t q = a / b;
  return (a % b != 0 && ((a < 0) != (b < 0))) ? q - 1 : q;
}

struct TMaskDiscRule {
  std::int64_t R2;  // squared radius in fifths of a pixel
  std::int64_t X0, Y0;
  std::int32_t w;  // trunc(value * opacity)
  std::uint8_t value;
  bool largerOnly, soft, sampleAll;
};

// Sample points (ex + i, ey + j), i, j = 0..n-1, strictly inside the circle, given the
// row thresholds t[j] = R2 - (ey + j)^2 of the pixel's row.
template <std::int32_t n>
std::int32_t CountSamples(std::int64_t ex, const std::int64_t* t) {
  std::int64_t sq[n];
  for (std::int32_t i = 0; i < n; ++i) sq[i] = (ex + i) * (ex + i);
  std::int32_t count = 0;
  for (std::int32_t j = 0; j < n; ++j)
    for (std::int32_t i = 0; i < n; ++i) count += sq[i] < t[j];
  return count;
}

void MaskDiscPixels(TBlockChannel& mask, const TMaskDiscRule& rule, std::int32_t y, std::int32_t xa,
                    std::int32_t xb);

// The first x in [lo, hi] for which pred holds, pred being false then true along the
// range; hi + 1 when it never holds.
template <typename Pred>
std::int32_t FirstTrue(std::int32_t lo, std::int32_t hi, Pred&& pred) {
  while (lo <= hi) {
    const std::int32_t mid = lo + (hi - lo) / 2;
    if (pred(mid))
      hi = mid - 1;
    else
      lo = mid + 1;
  }
  return lo;
}

// Raises (or sets) the columns [xa, xb] of row y to v, creating the tiles written.
void FillMaskRun(TBlockChannel& mask, std::int32_t y, std::int32_t xa, std::int32_t xb, std::uint8_t v,
                 bool largerOnly) {
  if (largerOnly && v == 0) return;
  const std::int32_t row = y / kTile, ty = y % kTile;
  TBlock::ForEachRowSegment(xa, xb - xa + 1, [&](std::int32_t col, std::int32_t tx, std::int32_t, std::int32_t len) {
    mask.EnsureTileAt(col, row);
    std::uint8_t* line = mask.TileAt(col, row)->Row(ty) + tx;
    if (largerOnly)
      for (std::int32_t k = 0; k < len; ++k) line[k] = std::max(line[k], v);
    else
      std::fill_n(line, len, v);
  });
}

// The columns of one dab row on a sub-pixel grid of `step` per pixel: [oa, ob] are the
// pixels some corner of which lies inside the circle, [ia, ib] those wholly inside (an
// empty run has ia > ib). Both corner tests grow monotonically away from the centre
// column, which the binary searches rely on; the centre column is the nearest to the
// circle, so when it is untouched nothing of the row is.
struct TRowRuns {
  bool touched = false;
  std::int32_t oa = 0, ob = -1, ia = 0, ib = -1;
};

TRowRuns RowRuns(std::int64_t X0, std::int64_t step, std::int64_t R2, std::int64_t bMin, std::int64_t bMax,
                 std::int32_t xa, std::int32_t xb) {
  const auto corners = [&](std::int32_t x, bool far) {
    const std::int64_t ex = step * std::int64_t{x} - X0;
    const std::int64_t a0 = ex * ex, a1 = (ex + step) * (ex + step);
    return far ? std::max(a0, a1) : std::min(a0, a1);
  };
  const auto touched = [&](std::int32_t x) { return corners(x, false) + bMin < R2; };
  const auto inside = [&](std::int32_t x) { return corners(x, true) + bMax < R2; };
  TRowRuns r;
  const std::int32_t xc = std::clamp<std::int32_t>(static_cast<std::int32_t>(FloorDiv64(X0, step)), xa, xb);
  if (!touched(xc)) {
    // With the centre column outside [xa, xb] the nearest pixel in range decides.
    r.oa = xa;
    r.ob = xb;
    r.touched = xc != FloorDiv64(X0, step);
    return r;
  }
  r.touched = true;
  r.oa = FirstTrue(xa, xc, touched);
  r.ob = FirstTrue(xc, xb, [&](std::int32_t x) { return !touched(x); }) - 1;
  if (inside(xc)) {
    r.ia = FirstTrue(r.oa, xc, inside);
    r.ib = FirstTrue(xc, r.ob, [&](std::int32_t x) { return !inside(x); }) - 1;
  } else {
    r.ia = xc + 1;
    r.ib = xc;
  }
  return r;
}

// A hard dab row: the pixels wholly inside the circle take one value and are filled in
// one pass; only the rim pixels on either side are tested and supersampled one by one.
void MaskDiscRow(TBlockChannel& mask, const TMaskDiscRule& rule, std::int32_t y, std::int32_t xa,
                 std::int32_t xb) {
  if (rule.sampleAll || rule.soft) {
    MaskDiscPixels(mask, rule, y, xa, xb);
    return;
  }
  const std::int64_t ey = 5 * std::int64_t{y} - rule.Y0;
  const std::int64_t b0 = ey * ey, b1 = (ey + 5) * (ey + 5);
  const TRowRuns r = RowRuns(rule.X0, 5, rule.R2, std::min(b0, b1), std::max(b0, b1), xa, xb);
  if (!r.touched) return;
  if (r.ia > r.ib) {
    MaskDiscPixels(mask, rule, y, r.oa, r.ob);
    return;
  }
  MaskDiscPixels(mask, rule, y, r.oa, r.ia - 1);
  FillMaskRun(mask, y, r.ia, r.ib, static_cast<std::uint8_t>(rule.w), rule.largerOnly);
  MaskDiscPixels(mask, rule, y, r.ib + 1, r.ob);
}

void MaskDiscPixels(TBlockChannel& mask, const TMaskDiscRule& rule, std::int32_t y, std::int32_t xa,
                    std::int32_t xb) {
  if (xa > xb) return;
  const std::int64_t ey = 5 * std::int64_t{y} - rule.Y0;
  const std::int64_t b0 = ey * ey, b1 = (ey + 5) * (ey + 5);
  const std::int64_t bMin = std::min(b0, b1), bMax = std::max(b0, b1);
  std::int64_t t[5];
  for (std::int32_t j = 0; j < 5; ++j) t[j] = rule.R2 - (ey + j) * (ey + j);
  WalkRow<TBlockChannel, std::uint8_t>(
      mask, y, xa, xb, [&](std::int32_t x, std::int32_t tx, std::uint8_t* line, auto& get) {
        const std::int64_t ex = 5 * std::int64_t{x} - rule.X0;
        bool inside = false;
        if (!rule.sampleAll) {
          const std::int64_t a0 = ex * ex, a1 = (ex + 5) * (ex + 5);
          if (std::min(a0, a1) + bMin >= rule.R2) return;  // all four corners outside
          inside = std::max(a0, a1) + bMax < rule.R2;
        }
        std::int64_t g = 255;
        if (rule.soft) g = std::max<std::int64_t>(0, 255 - (ex * ex + ey * ey) * 255 / rule.R2);
        const std::uint8_t current = line ? line[tx] : 0;
        if (inside) {
          const auto v = static_cast<std::uint8_t>(rule.soft ? (rule.w * g) >> 8 : rule.w);
          if (!rule.largerOnly || v > current) get()[tx] = v;
          return;
        }
        const std::int64_t count = CountSamples<5>(ex, t);
        const std::int64_t s = rule.soft ? (count * rule.w * g) >> 8 : count * rule.w;
        const auto v = static_cast<std::uint8_t>(s / 25);
        if (rule.largerOnly) {
          if (v > current) get()[tx] = v;
          return;
        }
        std::uint8_t& d = get()[tx];
        d = v == 255 ? rule.value : Lerp(d, rule.value, v);
      });
}

// ---- ColourDisc -----------------------------------------------------------------------

struct TColourDiscRule {
  std::int64_t T;  // squared radius in quarter pixels
  std::int64_t X0, Y0;
  std::int32_t a0;
  std::uint32_t colour;
  bool falloff;
};

void ColourDiscPixels(TBlockImage& image, const TColourDiscRule& rule, std::int32_t y, std::int32_t xa,
                      std::int32_t xb);

// Lays the colour over the columns [xa, xb] of row y at one opacity, creating the tiles.
void FillColourRun(TBlockImage& image, std::int32_t y, std::int32_t xa, std::int32_t xb, std::uint32_t colour,
                   std::uint8_t opacity) {
  const std::int32_t row = y / kTile, ty = y % kTile;
  TBlock::ForEachRowSegment(xa, xb - xa + 1, [&](std::int32_t col, std::int32_t tx, std::int32_t, std::int32_t len) {
    image.EnsureTileAt(col, row);
    image.TileAt(col, row)->FillRectBlend(tx, ty, opacity, colour, 1, len);
  });
}

// As MaskDiscRow: one blended run for the wholly inside pixels of a dab without falloff.
void ColourDiscRow(TBlockImage& image, const TColourDiscRule& rule, std::int32_t y, std::int32_t xa,
                   std::int32_t xb) {
  if (rule.falloff) {
    ColourDiscPixels(image, rule, y, xa, xb);
    return;
  }
  const std::int64_t ey = 4 * std::int64_t{y} - rule.Y0;
  const std::int64_t b0 = ey * ey, b1 = (ey + 4) * (ey + 4);
  const TRowRuns r = RowRuns(rule.X0, 4, rule.T, std::min(b0, b1), std::max(b0, b1), xa, xb);
  if (!r.touched) return;
  if (r.ia > r.ib) {
    ColourDiscPixels(image, rule, y, r.oa, r.ob);
    return;
  }
  ColourDiscPixels(image, rule, y, r.oa, r.ia - 1);
  // Opacity 0 writes nothing, but a tile the pixels fall on is still created, as the
  // pixel-by-pixel blend would.
  FillColourRun(image, y, r.ia, r.ib, rule.colour, static_cast<std::uint8_t>(rule.a0));
  ColourDiscPixels(image, rule, y, r.ib + 1, r.ob);
}

void ColourDiscPixels(TBlockImage& image, const TColourDiscRule& rule, std::int32_t y, std::int32_t xa,
                      std::int32_t xb) {
  if (xa > xb) return;
  const std::int64_t ey = 4 * std::int64_t{y} - rule.Y0;
  const std::int64_t b0 = ey * ey, b1 = (ey + 4) * (ey + 4);
  const std::int64_t bMin = std::min(b0, b1), bMax = std::max(b0, b1);
  std::int64_t t[4];
  for (std::int32_t j = 0; j < 4; ++j) t[j] = rule.T - (ey + j) * (ey + j);
  WalkRow<TBlockImage, std::uint32_t>(
      image, y, xa, xb, [&](std::int32_t x, std::int32_t tx, std::uint32_t*, auto& get) {
        const std::int64_t ex = 4 * std::int64_t{x} - rule.X0;
        const std::int64_t a0 = ex * ex, a1 = (ex + 4) * (ex + 4);
        if (std::min(a0, a1) + bMin >= rule.T) return;  // all four corners outside
        std::int64_t m = 255;
        if (rule.falloff) m = std::max<std::int64_t>(0, 255 - (ex * ex + ey * ey) * 255 / rule.T);
        std::int64_t opacity;
        if (std::max(a0, a1) + bMax < rule.T) {
          opacity = rule.falloff ? (rule.a0 * m) >> 8 : rule.a0;
        } else {
          const std::int64_t count = CountSamples<4>(ex, t);
          opacity = rule.falloff ? ((rule.a0 * count * m) >> 8) / 16 : rule.a0 * count / 16;
        }
        std::uint32_t& d = get()[tx];
        d = opacity == 255 ? rule.colour : LerpRGB(d, rule.colour, static_cast<std::uint8_t>(opacity));
      });
}

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

void StoreMask(TBlockChannel& mask, std::int32_t x, std::int32_t y, std::uint8_t v, bool largerOnly) {
  if (largerOnly && v <= mask.MaskAt(x, y)) return;
  mask.BlendMask(x, y, 255, v);
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
  for (std::int32_t y = ya; y <= yb; ++y) MaskDiscRow(mask, rule, y, xa, xb);
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
  if (!ClipToGrid(a, b, horizontal ? mask.GridCols() : mask.GridRows())) return;
  for (std::int32_t p = a; p <= b; ++p) {
    const auto v = static_cast<std::uint8_t>(SpanValue(p, centre, half, t));
    if (horizontal)
      StoreMask(mask, p, line, v, largerOnly);
    else
      StoreMask(mask, line, p, v, largerOnly);
  }
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
  for (std::int32_t y = ya; y <= yb; ++y) ColourDiscRow(image, rule, y, xa, xb);
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
