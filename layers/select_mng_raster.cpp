// Polygon rasterization and stair smoothing of the selection manager.
#include "layers/select_mng.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "raster/dab.h"

namespace vt {

namespace {

// One polygon edge seen by a scan pass: s is the scan axis (y in the horizontal pass,
// x in the vertical one), t the axis along which runs are drawn.
struct TScanEdge {
  double s0, t0, s1, t1;  // s already lowered by 0.01 at its larger end
  double slope;           // |dt / ds|
  bool flat;              // |x1 - x0| >= |y1 - y0| in paper axes, whatever the pass
  std::int64_t first;     // first scan line that may cross it
  std::int64_t last;      // last scan line that may cross it
};

struct TCrossing {
  double t;
  std::int32_t edge;
  bool flat;
  double slope;
};

// Builds the edges for a pass. Edges parallel to the scan lines never cross them.
std::vector<TScanEdge> ScanEdges(const std::vector<TPointI>& pts, bool vertical) {
  std::vector<TScanEdge> edges;
  edges.reserve(pts.size());
  for (std::size_t i = 0; i + 1 < pts.size(); ++i) {
    const TPointI a = pts[i], b = pts[i + 1];
    double s0 = vertical ? a.x : a.y, t0 = vertical ? a.y : a.x;
    double s1 = vertical ? b.x : b.y, t1 = vertical ? b.y : b.x;
    if (s0 == s1) continue;
    if (s0 > s1)
      s0 -= 0.01;
    else
      s1 -= 0.01;
    TScanEdge e{};
    e.s0 = s0;
    e.t0 = t0;
    e.s1 = s1;
    e.t1 = t1;
    e.slope = std::fabs((t1 - t0) / (s1 - s0));
    const double ds = std::fabs(s1 - s0), dt = std::fabs(t1 - t0);
    e.flat = vertical ? ds >= dt : dt >= ds;
    // Line v = line + q / 4 (q = 0..3) crosses when min(s) <= v <= max(s); one line of
    // margin on each side keeps the bucketing conservative, the exact test is per line.
    e.first = static_cast<std::int64_t>(std::floor(std::min(s0, s1) - 0.75)) - 1;
    e.last = static_cast<std::int64_t>(std::floor(std::max(s0, s1))) + 1;
    edges.push_back(e);
  }
  return edges;
}

// The mean crossing of the edge with the four quarter lines of scan line `line`, or false.
bool CrossLine(const TScanEdge& e, std::int64_t line, double& t) {
  const double lo = std::min(e.s0, e.s1), hi = std::max(e.s0, e.s1);
  double sum = 0;
  int count = 0;
  for (int q = 0; q < 4; ++q) {
    const double v = static_cast<double>(line) + q * 0.25;
    if (v < lo || v > hi) continue;
    sum += e.t0 + (v - e.s0) * (e.t1 - e.t0) / (e.s1 - e.s0);
    ++count;
  }
  if (count == 0) return false;
  t = sum / count;
  return true;
}

// One scan pass over lines [from, to] (clamped to the paper), drawing runs whose ends
// are clamped to 0..limit.
void ScanPass(TBlockChannel& mask, const std::vector<TPointI>& pts, bool vertical, std::int64_t from,
              std::int64_t to, double limit) {
  if (from > to) return;
  const std::vector<TScanEdge> edges = ScanEdges(pts, vertical);
  // Edges bucketed by the first line they may cross, so each line only looks at the edges
  // that span it: the work grows with the crossings, not with edges times lines.
  std::vector<std::vector<std::int32_t>> starts(static_cast<std::size_t>(to - from + 1));
  for (std::size_t i = 0; i < edges.size(); ++i) {
    if (edges[i].last < from || edges[i].first > to) continue;
    const std::int64_t first = std::max(edges[i].first, from);
    starts[static_cast<std::size_t>(first - from)].push_back(static_cast<std::int32_t>(i));
  }
  std::vector<std::int32_t> active;
  std::vector<TCrossing> crossings;
  for (std::int64_t line = from; line <= to; ++line) {
    const auto& fresh = starts[static_cast<std::size_t>(line - from)];
    active.insert(active.end(), fresh.begin(), fresh.end());
    std::erase_if(active, [&](std::int32_t i) { return edges[static_cast<std::size_t>(i)].last < line; });
    crossings.clear();
    for (std::int32_t i : active) {
      const TScanEdge& e = edges[static_cast<std::size_t>(i)];
      double t = 0;
      if (CrossLine(e, line, t)) crossings.push_back({t, i, e.flat, e.slope});
    }
    // Ordered by position, equal positions in edge order (a stable sort of the edges).
    std::sort(crossings.begin(), crossings.end(), [](const TCrossing& a, const TCrossing& b) {
      return a.t < b.t || (a.t == b.t && a.edge < b.edge);
    });
    for (std::size_t k = 0; k + 1 < crossings.size(); k += 2) {
      const TCrossing& lo = crossings[k];
      const TCrossing& hi = crossings[k + 1];
      double l = std::max(lo.t, 0.0);
      double r = std::min(hi.t, limit);
      if (lo.flat) l += lo.slope / 2;
      if (hi.flat) r -= hi.slope / 2;
      if (r > l)
        MaskSpan(mask, vertical ? TSpanOrientation::Vertical : TSpanOrientation::Horizontal,
                 static_cast<std::int32_t>(line), 255, true, 1.0f, static_cast<float>(l), static_cast<float>(r));
    }
  }
}

}  // namespace

void TSelectMng::RasterizePolygon(TBlockChannel& mask, std::span<const TPointI> points) {
  if (points.empty()) return;
  std::vector<TPointI> pts(points.begin(), points.end());
  pts.push_back(points.front());
  pts.erase(std::unique(pts.begin(), pts.end()), pts.end());
  if (pts.size() < 4) return;

  std::int64_t minX = pts[0].x, maxX = pts[0].x, minY = pts[0].y, maxY = pts[0].y;
  for (const TPointI& p : pts) {
    minX = std::min<std::int64_t>(minX, p.x);
    maxX = std::max<std::int64_t>(maxX, p.x);
    minY = std::min<std::int64_t>(minY, p.y);
    maxY = std::max<std::int64_t>(maxY, p.y);
  }
  const std::int64_t w = mask.Width, h = mask.Height;
  minX = std::clamp<std::int64_t>(minX, 0, w);
  maxX = std::clamp<std::int64_t>(maxX, 0, w);
  minY = std::clamp<std::int64_t>(minY, 0, h);
  maxY = std::clamp<std::int64_t>(maxY, 0, h);
  ScanPass(mask, pts, false, minY, maxY, static_cast<double>(w));
  ScanPass(mask, pts, true, minX, maxX, static_cast<double>(h));
}

namespace {

// A 0/255 source copied into a flat array over its live area, read as 0 elsewhere.
class TFlatMask {
 public:
  TFlatMask(const TBlockChannel& m, TIntRect area) : area_(area) {
    data_.assign(static_cast<std::size_t>(area.w) * static_cast<std::size_t>(area.h), 0);
    for (std::int32_t y = 0; y < area.h; ++y)
      for (std::int32_t x = 0; x < area.w; ++x)
        data_[static_cast<std::size_t>(y) * static_cast<std::size_t>(area.w) + static_cast<std::size_t>(x)] =
            m.MaskAt(area.x + x, area.y + y);
  }
  std::uint8_t At(std::int32_t x, std::int32_t y) const {
    x -= area_.x;
    y -= area_.y;
    if (x < 0 || y < 0 || x >= area_.w || y >= area_.h) return 0;
    return data_[static_cast<std::size_t>(y) * static_cast<std::size_t>(area_.w) + static_cast<std::size_t>(x)];
  }
  // Tight bounds of the non-zero pixels; false when there are none.
  bool Bounds(TIntRect& r) const {
    std::int32_t x0 = area_.w, y0 = area_.h, x1 = -1, y1 = -1;
    for (std::int32_t y = 0; y < area_.h; ++y)
      for (std::int32_t x = 0; x < area_.w; ++x)
        if (data_[static_cast<std::size_t>(y) * static_cast<std::size_t>(area_.w) + static_cast<std::size_t>(x)]) {
          x0 = std::min(x0, x);
          x1 = std::max(x1, x);
          y0 = std::min(y0, y);
          y1 = std::max(y1, y);
        }
    if (x1 < 0) return false;
    r = {area_.x + x0, area_.y + y0, x1 - x0 + 1, y1 - y0 + 1};
    return true;
  }

 private:
  TIntRect area_;
  std::vector<std::uint8_t> data_;
};

// Ramps the staircase steps between lines v and v + 1 along an axis of `length` pixels.
// S(u, v) reads the source with u along the lines; Plot(u, v, opacity) blends the target.
template <typename Source, typename Plot>
void SmoothLinePair(std::int32_t v, std::int32_t length, Source S, Plot plot) {
  const auto ramp = [&](std::int32_t from, std::int32_t to, std::int32_t step, std::int32_t row) {
    const std::int32_t n = std::abs(to - from) + 1;
    const std::int32_t c = 255 / n;
    std::int32_t o = 255 - c;
    for (std::int32_t u = from;; u += step) {
      plot(u, row, o);
      o -= c;
      if (u == to) break;
    }
  };
  for (std::int32_t i = 0; i < length;) {
    const std::uint8_t tl = S(i - 1, v), tr = S(i, v), bl = S(i - 1, v + 1), br = S(i, v + 1);
    const bool stepA = tl == 255 && tr == 0 && bl == 255 && br == 255;
    const bool stepB = tl == 255 && tr == 255 && bl == 255 && br == 0;
    if (!stepA && !stepB) {
      ++i;
      continue;
    }
    std::int32_t k = i;
    while (S(k, v) == tr && S(k, v + 1) == br) ++k;
    ramp(i, k, 1, br == 255 ? v : v + 1);
    i = k;
  }
  for (std::int32_t j = length - 2; j >= 1;) {
    const std::uint8_t tl = S(j, v), tr = S(j + 1, v), bl = S(j, v + 1), br = S(j + 1, v + 1);
    const bool step = br == 255 && ((tl == 0 && tr == 255 && bl == 255) || (tl == 255 && tr == 255 && bl == 0));
    if (!step) {
      --j;
      continue;
    }
    std::int32_t b = j;
    while (b > 0 && S(b, v) == tl && S(b, v + 1) == bl) --b;
    ramp(j, b, -1, bl == 255 ? v : v + 1);
    j = b;
  }
}

}  // namespace

void TSelectMng::SmoothStairs(const TBlockChannel& source, TBlockChannel& target) {
  source.CombineMask(target, TMaskCombine::Copy, 0, 0, source.Width, source.Height, 0, 0);
  TIntRect live = source.UsedBounds();
  const std::int32_t x0 = std::max(live.x, 0), y0 = std::max(live.y, 0);
  const std::int32_t x1 = std::min(live.x + live.w, source.Width), y1 = std::min(live.y + live.h, source.Height);
  if (x1 <= x0 || y1 <= y0) return;
  const TFlatMask flat(source, {x0, y0, x1 - x0, y1 - y0});
  TIntRect b;
  if (!flat.Bounds(b)) return;

  for (std::int32_t y = b.y; y < b.y + b.h; ++y)
    SmoothLinePair(
        y, source.Width, [&](std::int32_t u, std::int32_t v) { return flat.At(u, v); },
        [&](std::int32_t u, std::int32_t v, std::int32_t o) {
          target.BlendMask(u, v, static_cast<std::uint8_t>(o), 255);
        });
  for (std::int32_t x = b.x; x < b.x + b.w; ++x)
    SmoothLinePair(
        x, source.Height, [&](std::int32_t u, std::int32_t v) { return flat.At(v, u); },
        [&](std::int32_t u, std::int32_t v, std::int32_t o) {
          target.BlendMask(v, u, static_cast<std::uint8_t>(o), 255);
        });
}

}  // namespace vt
