#include "raster/px.h"

#include "raster/helpers.h"

#include <algorithm>
#include <cmath>

namespace vt {

namespace {

// A line walk along its major axis. The minor coordinate is 16.16 fixed point in a
// 32-bit word that wraps like the integer arithmetic it reproduces; the pixel row (or
// column) is its arithmetic shift by 16, the anti-aliasing weight bits 8..15.
struct TLineWalk {
  bool xMajor = true;
  std::int64_t first = 0;  // major coordinate of the first pixel
  std::int64_t last = 0;   // major coordinate of the last pixel, inclusive
  std::uint32_t t = 0;     // minor coordinate, 16.16
  std::uint32_t m = 0;     // minor step per pixel, 16.16
  double length = 0;       // major-axis difference
  bool reversed = false;   // the walk starts at the second endpoint

  std::int32_t Minor() const { return static_cast<std::int32_t>(t) >> 16; }
  std::uint8_t Weight() const { return static_cast<std::uint8_t>((t >> 8) & 255u); }
  void Plot(TPX& px, std::int32_t minorOffset, std::uint8_t opacity, std::uint32_t colour,
            std::int64_t major) const {
    const std::int32_t a = static_cast<std::int32_t>(major);
    const std::int32_t b = Minor() + minorOffset;
    if (xMajor)
      px.BlendPixel(a, b, opacity, colour);
    else
      px.BlendPixel(b, a, opacity, colour);
  }
};

// Sets up the walk: x-major when |x2 - x1| > |y2 - y1|, starting at the endpoint with the
// smaller major coordinate (the second one on a tie). The minor step divides by
// length + 1 unless plainStep is set for this orientation.
TLineWalk MakeWalk(float x1, float y1, float x2, float y2, bool plainStepWhenReversedYMajor) {
  TLineWalk w;
  const double dx = std::fabs(static_cast<double>(x2) - x1);
  const double dy = std::fabs(static_cast<double>(y2) - y1);
  w.xMajor = dx > dy;
  double a1 = w.xMajor ? x1 : y1, b1 = w.xMajor ? y1 : x1;
  double a2 = w.xMajor ? x2 : y2, b2 = w.xMajor ? y2 : x2;
  w.reversed = w.xMajor ? a1 > a2 : a1 >= a2;
  if (w.reversed) {
    std::swap(a1, a2);
    std::swap(b1, b2);
  }
  w.length = a2 - a1;
  double slope;
  if (!w.xMajor && w.reversed && plainStepWhenReversedYMajor)
    slope = w.length > 0 ? (b2 - b1) / w.length : 0.0;
  else
    slope = (b2 - b1) / (w.length + 1);
  w.t = static_cast<std::uint32_t>(TruncToInt(b1 * 65536));
  w.m = static_cast<std::uint32_t>(TruncToInt(slope * 65536));
  w.first = TruncToInt(a1);
  w.last = TruncToInt(a2);
  return w;
}

// Major coordinates past this never touch the buffer.
std::int64_t MajorEnd(const TPX& px, const TLineWalk& w) { return w.xMajor ? px.Width : px.Height; }

}  // namespace

void TPX::Line(std::uint32_t colour, bool antiAlias, float x1, float y1, float x2, float y2) {
  TLineWalk w = MakeWalk(x1, y1, x2, y2, false);
  // Pixels before the buffer's edge only advance the walk; skip them in one step.
  const std::int64_t start = std::max<std::int64_t>(w.first, -1);
  w.t += w.m * static_cast<std::uint32_t>(start - w.first);
  const std::int64_t last = std::min(w.last, MajorEnd(*this, w));
  for (std::int64_t a = start; a <= last; ++a, w.t += w.m) {
    if (!antiAlias) {
      w.Plot(*this, 0, 255, colour, a);
      continue;
    }
    const std::uint8_t f = w.Weight();
    w.Plot(*this, 0, static_cast<std::uint8_t>(255 - f), colour, a);
    w.Plot(*this, 1, f, colour, a);
  }
}

void TPX::LineFaded(std::uint32_t colour, bool antiAlias, float x1, float y1, float opacity1, float x2,
                    float y2, float opacity2) {
  // The y-major walk from the second endpoint divides its x step by the plain length;
  // the other orientations by length + 1. Replayed strokes depend on this.
  TLineWalk w = MakeWalk(x1, y1, x2, y2, true);
  const double oStart = w.reversed ? opacity2 : opacity1;
  const double oEnd = w.reversed ? opacity1 : opacity2;
  const double oStep = (oEnd - oStart) / (w.length + 1);
  double o = oStart;
  // Opacities outside 0..1 are clamped to a byte instead of wrapping.
  auto toByte = [](double v) { return static_cast<std::uint8_t>(std::clamp(TruncToInt(v), 0, 255)); };
  std::int64_t a = w.first;
  // A walk starting absurdly far outside is advanced in one step; ordinary coordinates
  // (16-bit in event records) are walked pixel by pixel so the opacity sum is exact.
  constexpr std::int64_t kFar = -(std::int64_t{1} << 20);
  if (a < kFar) {
    o += oStep * static_cast<double>(kFar - a);
    w.t += w.m * static_cast<std::uint32_t>(kFar - a);
    a = kFar;
  }
  const std::int64_t last = std::min(w.last, MajorEnd(*this, w));
  for (; a <= last; ++a, w.t += w.m, o += oStep) {
    if (!antiAlias) {
      w.Plot(*this, 0, toByte(o * 255), colour, a);
      continue;
    }
    const std::uint8_t f = w.Weight();
    w.Plot(*this, 0, toByte(o * (255 - f)), colour, a);
    w.Plot(*this, 1, toByte(o * f), colour, a);
  }
}

void TPX::Outline(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h, std::uint32_t colour) {
  const float l = static_cast<float>(x), t = static_cast<float>(y);
  const float r = static_cast<float>(x + w - 1), b = static_cast<float>(y + h - 1);
  Line(colour, false, r, t, l, t);
  Line(colour, false, r, b, l, b);
  Line(colour, false, l, b, l, t);
  Line(colour, false, r, b, r, t);
}

namespace {

// The disc in quarter pixels: radius R, squared radius T, centre (X0, Y0).
struct TDiscGeometry {
  std::int64_t T = 0;
  std::int64_t X0 = 0;
  std::int64_t Y0 = 0;
  bool falloff = false;
  std::int32_t a0 = 0;

  bool Outside(std::int64_t dx, std::int64_t dy) const { return dx * dx + dy * dy >= T; }

  // Opacity of the pixel whose top-left corner lies at (ex, ey) from the centre.
  std::int32_t Opacity(std::int64_t ex, std::int64_t ey) const {
    const int outside = Outside(ex, ey) + Outside(ex + 4, ey) + Outside(ex, ey + 4) + Outside(ex + 4, ey + 4);
    if (outside == 4) return -1;
    std::int64_t m = 255;
    if (falloff) m = std::max<std::int64_t>(0, 255 - (ex * ex + ey * ey) * 255 / T);
    if (outside == 0) return static_cast<std::int32_t>(falloff ? (a0 * m) >> 8 : a0);
    std::int64_t count = 0;
    for (int j = 0; j < 4; ++j)
      for (int i = 0; i < 4; ++i) count += !Outside(ex + i, ey + j);
    return static_cast<std::int32_t>(falloff ? ((a0 * count * m) >> 8) / 16 : a0 * count / 16);
  }
};

}  // namespace

void TPX::Disc(std::uint32_t colour, bool soft, float opacity, float radius, float cx, float cy) {
  TDiscGeometry g;
  const std::int64_t R = TruncToInt(4.0 * radius);
  g.T = R * R;
  g.X0 = TruncToInt(4.0 * cx);
  g.Y0 = TruncToInt(4.0 * cy);
  g.falloff = soft && radius >= 3;
  g.a0 = std::clamp(TruncToInt(static_cast<double>(opacity) * 255), 0, 255);
  const std::int32_t x0 = std::max(TruncToInt(static_cast<double>(cx) - radius), 0);
  const std::int32_t x1 = std::min(TruncToInt(static_cast<double>(cx) + radius), Width - 1);
  const std::int32_t y0 = std::max(TruncToInt(static_cast<double>(cy) - radius), 0);
  const std::int32_t y1 = std::min(TruncToInt(static_cast<double>(cy) + radius), Height - 1);
  const std::uint32_t c = colour | 0xFF000000u;
  for (std::int32_t y = y0; y <= y1; ++y)
    for (std::int32_t x = x0; x <= x1; ++x) {
      const std::int32_t a = g.Opacity(4 * std::int64_t{x} - g.X0, 4 * std::int64_t{y} - g.Y0);
      if (a >= 0) BlendPixel(x, y, static_cast<std::uint8_t>(a), c);
    }
}

}  // namespace vt
