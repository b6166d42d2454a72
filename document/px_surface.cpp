#include "document/px_surface.h"

#include <algorithm>

namespace vt {

namespace {

// The part [lo, hi) of a span of n pixels starting at start that lies inside 0..limit.
struct TSpan {
  std::int64_t lo;
  std::int64_t hi;
};

TSpan Clipped(std::int32_t start, std::int32_t n, std::int32_t limit) {
  return {std::max<std::int64_t>(start, 0), std::min<std::int64_t>(std::int64_t{start} + n, limit)};
}

}  // namespace

TPxSurface::TPxSurface(std::int32_t width, std::int32_t height) { image_.SetSize(width, height); }

void TPxSurface::Blit(const TPX& source, TIntRect from, TIntRect to) {
  if (from.w <= 0 || from.h <= 0 || to.w <= 0 || to.h <= 0) return;
  const TSpan xs = Clipped(to.x, to.w, image_.Width), ys = Clipped(to.y, to.h, image_.Height);
  if (xs.hi <= xs.lo) return;
  // Target pixel t shows source pixel from + (t - to) * from / to (floor, t - to >= 0);
  // the columns are worked out once, -1 marking those outside the source.
  columns_.resize(static_cast<std::size_t>(xs.hi - xs.lo));
  for (std::int64_t tx = xs.lo; tx < xs.hi; ++tx) {
    const std::int64_t sx = from.x + (tx - to.x) * from.w / to.w;
    columns_[static_cast<std::size_t>(tx - xs.lo)] =
        sx >= 0 && sx < source.Width ? static_cast<std::int32_t>(sx) : -1;
  }
  // Unstretched rows copy the run of valid columns in one piece.
  const auto valid = [](std::int32_t c) { return c >= 0; };
  const auto first = std::find_if(columns_.begin(), columns_.end(), valid);
  const auto last = std::find_if(columns_.rbegin(), columns_.rend(), valid).base();
  const bool straight = from.w == to.w && first != columns_.end();
  for (std::int64_t ty = ys.lo; ty < ys.hi; ++ty) {
    const std::int64_t sy = from.y + (ty - to.y) * from.h / to.h;
    if (sy < 0 || sy >= source.Height) continue;
    const std::uint32_t* in = source.Row(static_cast<std::int32_t>(sy));
    std::uint32_t* out = image_.Row(static_cast<std::int32_t>(ty)) + xs.lo;
    if (straight) {
      std::copy(in + *first, in + *(last - 1) + 1, out + (first - columns_.begin()));
      continue;
    }
    for (std::int32_t c : columns_) {
      if (c >= 0) *out = in[c];
      ++out;
    }
  }
}

void TPxSurface::FillRect(TIntRect r, std::uint32_t colour) {
  const TSpan xs = Clipped(r.x, r.w, image_.Width), ys = Clipped(r.y, r.h, image_.Height);
  for (std::int64_t y = ys.lo; y < ys.hi; ++y) {
    std::uint32_t* out = image_.Row(static_cast<std::int32_t>(y));
    std::fill(out + xs.lo, out + std::max(xs.lo, xs.hi), colour);
  }
}

}  // namespace vt
