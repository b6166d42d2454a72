#include "raster/px.h"

#include "raster/helpers.h"

#include <algorithm>
#include <cmath>

namespace vt {

namespace {

// Reduction steps in 22.10 fixed point: step = trunc(ratio x 1024), box = trunc(ratio).
struct TShrinkAxis {
  std::int64_t step = 0;
  std::int32_t box = 0;
  std::int64_t sub = 0;  // Shrink4x4 sample spacing: trunc(ratio / 4 x 1024)
};

TShrinkAxis MakeAxis(std::int32_t source, std::int32_t dest) {
  const double ratio = static_cast<double>(source) / dest;
  return {TruncToInt(ratio * 1024), TruncToInt(ratio), TruncToInt(ratio / 4 * 1024)};
}

// Sums of the four bytes of clamped samples; 64-bit so a box over a whole large image
// cannot overflow.
struct TSampleSum {
  std::int64_t b = 0, g = 0, r = 0, a = 0;
  void Add(const TPX& px, std::int32_t x, std::int32_t y) {
    const std::uint32_t p = px.PixelAt(x, y);
    b += p & 255u;
    g += (p >> 8) & 255u;
    r += (p >> 16) & 255u;
    a += p >> 24;
  }
  // Per-channel integer mean of all four bytes over n samples.
  std::uint32_t Mean(std::int64_t n) const {
    return static_cast<std::uint32_t>(b / n) | static_cast<std::uint32_t>(g / n) << 8 |
           static_cast<std::uint32_t>(r / n) << 16 | static_cast<std::uint32_t>(a / n) << 24;
  }
};

std::uint32_t BoxPixel(const TPX& src, const TShrinkAxis& ax, const TShrinkAxis& ay, std::int32_t x,
                       std::int32_t y) {
  const std::int32_t sx = static_cast<std::int32_t>((ax.step * x) >> 10);
  const std::int32_t sy = static_cast<std::int32_t>((ay.step * y) >> 10);
  TSampleSum sum;
  for (std::int32_t j = 0; j <= ay.box; ++j)
    for (std::int32_t i = 0; i <= ax.box; ++i) sum.Add(src, sx + i, sy + j);
  return sum.Mean(std::int64_t{ax.box + 1} * (ay.box + 1));
}

void ShrinkBoxArea(const TPX& src, TPX& dst, std::int32_t x0, std::int32_t y0, std::int32_t x1,
                   std::int32_t y1) {
  const TShrinkAxis ax = MakeAxis(src.Width, dst.Width);
  const TShrinkAxis ay = MakeAxis(src.Height, dst.Height);
  x0 = std::max(x0, 0);
  y0 = std::max(y0, 0);
  x1 = std::min(x1, dst.Width - 1);
  y1 = std::min(y1, dst.Height - 1);
  for (std::int32_t y = y0; y <= y1; ++y) {
    std::uint32_t* row = dst.Row(y);
    for (std::int32_t x = x0; x <= x1; ++x) row[x] = BoxPixel(src, ax, ay, x, y);
  }
}

}  // namespace

void TPX::ShrinkBox(TPX& dst) const { ShrinkBoxArea(*this, dst, 0, 0, dst.Width - 1, dst.Height - 1); }

void TPX::ShrinkBoxRect(TPX& dst, std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h) const {
  // Both ends are included: columns x..x+w and rows y..y+h.
  const std::int64_t x1 = std::min<std::int64_t>(std::int64_t{x} + w, dst.Width - 1);
  const std::int64_t y1 = std::min<std::int64_t>(std::int64_t{y} + h, dst.Height - 1);
  ShrinkBoxArea(*this, dst, x, y, static_cast<std::int32_t>(x1), static_cast<std::int32_t>(y1));
}

void TPX::Shrink4x4(TPX& dst) const {
  const TShrinkAxis ax = MakeAxis(Width, dst.Width);
  const TShrinkAxis ay = MakeAxis(Height, dst.Height);
  for (std::int32_t y = 0; y < dst.Height; ++y) {
    std::uint32_t* row = dst.Row(y);
    for (std::int32_t x = 0; x < dst.Width; ++x) {
      TSampleSum sum;
      for (std::int32_t j = 0; j < 4; ++j)
        for (std::int32_t i = 0; i < 4; ++i)
          sum.Add(*this, static_cast<std::int32_t>((ax.step * x + ax.sub * i) >> 10),
                  static_cast<std::int32_t>((ay.step * y + ay.sub * j) >> 10));
      row[x] = sum.Mean(16);
    }
  }
}

void TPX::RotateCW(TPX& dst) const {
  // dst (x, y) = src (y, H - 1 - x); dst is Height x Width.
  const std::int32_t w = std::min(dst.Width, Height), h = std::min(dst.Height, Width);
  for (std::int32_t y = 0; y < h; ++y) {
    std::uint32_t* row = dst.Row(y);
    for (std::int32_t x = 0; x < w; ++x) row[x] = Row(Height - 1 - x)[y];
  }
}

void TPX::RotateCCW(TPX& dst) const {
  // dst (x, y) = src (W - 1 - y, x).
  const std::int32_t w = std::min(dst.Width, Height), h = std::min(dst.Height, Width);
  for (std::int32_t y = 0; y < h; ++y) {
    std::uint32_t* row = dst.Row(y);
    for (std::int32_t x = 0; x < w; ++x) row[x] = Row(x)[Width - 1 - y];
  }
}

namespace {

constexpr std::uint32_t kOutsideGrey = 0x606060u;

// Nearest-neighbour walk in 16.16 fixed point. X and Y are 32-bit words that wrap like
// the integer arithmetic they reproduce; compared unsigned, negatives fall outside.
struct TAffineWalk {
  double ox, oy, s, cosA, sinA;
  std::int32_t dw, dh;
  std::uint32_t dX, dY;

  TAffineWalk(const TPX& dst, double originX, double originY, double scale, double angle)
      : ox(originX),
        oy(originY),
        s(scale),
        cosA(std::cos(angle)),
        sinA(std::sin(angle)),
        dw(dst.Width),
        dh(dst.Height) {
    dX = static_cast<std::uint32_t>(TruncToInt(s * cosA * 65536));
    dY = static_cast<std::uint32_t>(TruncToInt(s * sinA * 65536));
  }

  void RowStart(std::int32_t i, std::uint32_t& X, std::uint32_t& Y) const {
    const double u = -s * (dw / 2);
    const double v = s * (i - dh / 2);
    X = static_cast<std::uint32_t>(TruncToInt((cosA * u - sinA * v + ox) * 65536));
    Y = static_cast<std::uint32_t>(TruncToInt((sinA * u + cosA * v + oy) * 65536));
  }
};

void ResampleRows(const TPX& src, TPX& dst, const TAffineWalk& walk, std::int32_t x0, std::int32_t y0,
                  std::int32_t x1, std::int32_t y1) {
  const std::uint64_t limX = static_cast<std::uint64_t>(src.Width) << 16;
  const std::uint64_t limY = static_cast<std::uint64_t>(src.Height) << 16;
  for (std::int32_t i = y0; i < y1; ++i) {
    std::uint32_t X, Y;
    walk.RowStart(i, X, Y);
    X += walk.dX * static_cast<std::uint32_t>(x0);
    Y += walk.dY * static_cast<std::uint32_t>(x0);
    std::uint32_t* row = dst.Row(i);
    for (std::int32_t c = x0; c < x1; ++c, X += walk.dX, Y += walk.dY)
      row[c] = X < limX && Y < limY ? src.Row(static_cast<std::int32_t>(Y >> 16))[X >> 16] : kOutsideGrey;
  }
}

}  // namespace

void TPX::AffineResample(TPX& dst, double originX, double originY, double scale, double angle) const {
  ResampleRows(*this, dst, TAffineWalk(dst, originX, originY, scale, angle), 0, 0, dst.Width, dst.Height);
}

void TPX::AffineResampleRect(TPX& dst, double originX, double originY, double scale, double angle,
                             std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h) const {
  // Every written pixel equals the one the whole-image walk gives at the same place.
  const std::int64_t x1 = std::min<std::int64_t>(std::int64_t{x} + w, dst.Width);
  const std::int64_t y1 = std::min<std::int64_t>(std::int64_t{y} + h, dst.Height);
  ResampleRows(*this, dst, TAffineWalk(dst, originX, originY, scale, angle), std::max(x, 0), std::max(y, 0),
               static_cast<std::int32_t>(x1), static_cast<std::int32_t>(y1));
}

}  // namespace vt
