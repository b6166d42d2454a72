// Stroke renderer: input points and dabs per second for the pen at three widths and the
// watercolour, each stroke rendered into a working copy and mask; beside it, a reference
// brush library's default brush of radius about 4 stroking the same number of samples.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "brush/stroke.h"

#ifdef VT_HAVE_MYPAINT
extern "C" {
#include <mypaint-brush.h>
#include <mypaint-fixed-tiled-surface.h>
}
#endif

namespace vt {
namespace {

constexpr int kSide = 2048;
constexpr int kPoints = 2000;

// A Lissajous path sampled the way the pen input thins samples: a point once it is
// farther than 2 pixels from the last, or EffectiveSize / 4 + 2 for brushes above 5;
// pressure swings between 0.2 and 1.0.
std::vector<TStrokePoint> PenPath(const TStroke& brush) {
  std::vector<TStrokePoint> points;
  TStrokePoint last{kSide / 2.0f, kSide / 2.0f, 0.2f};
  double t = 0.0;
  while (static_cast<int>(points.size()) < kPoints) {
    t += 0.0005;
    const float x = static_cast<float>(kSide / 2 + 800 * std::sin(t));
    const float y = static_cast<float>(kSide / 2 + 800 * std::sin(1.7 * t + 0.5));
    const float p = static_cast<float>(0.6 + 0.4 * std::sin(9.0 * t));
    const float threshold = brush.WIDTH() > 5.0f ? brush.EffectiveSize(last.pressure) / 4.0f + 2.0f : 2.0f;
    if (std::hypot(x - last.x, y - last.y) <= threshold) continue;
    last = {std::trunc(x), std::trunc(y), p};
    points.push_back(last);
  }
  return points;
}

struct TBenchCanvas {
  TBenchCanvas() {
    layer.SetSize(kSide, kSide);
    layer.SetBackColor(0xFFFFFF);
    work.SetSize(kSide, kSide);
    mask.SetSize(kSide, kSide);
  }
  TBlockImage layer;
  TBlockImage work;
  TBlockChannel mask;
};

void RunStroke(benchmark::State& state, TBrushKind kind, float width) {
  TStroke brush;
  brush.SetKind(kind);
  brush.SetWIDTH(width);
  if (kind == TBrushKind::Watercolor) {
    brush.SetEFFECT(65.0f);
    brush.SetENV(40.0f);
    brush.SetSPEED(30.0f);
    brush.SetMIN(0.0f);
  }
  brush.SetColour(0x2040A0);
  const std::vector<TStrokePoint> path = PenPath(brush);
  TBenchCanvas canvas;
  std::int64_t dabs = 0;
  for (auto _ : state) {
    state.PauseTiming();
    canvas.layer.CloneTo(canvas.work);
    canvas.mask.FillMask(0);
    state.ResumeTiming();
    const std::int64_t before = brush.DabsDrawn();
    brush.StartStroke(canvas.layer, 0, path[0].x, path[0].y);
    for (const TStrokePoint& p : path) {
      brush.AddPoint(p.x, p.y, p.pressure);
      brush.RenderSegment(canvas.work, canvas.mask, canvas.layer);
    }
    dabs += brush.DabsDrawn() - before;
  }
  state.SetItemsProcessed(state.iterations() * kPoints);
  state.counters["dabs/s"] = benchmark::Counter(static_cast<double>(dabs), benchmark::Counter::kIsRate);
  state.counters["px/point"] = static_cast<double>(brush.StepCounter()) / kPoints;
}

void BM_PenStroke(benchmark::State& state) {
  RunStroke(state, TBrushKind::Pen, static_cast<float>(state.range(0)));
}
BENCHMARK(BM_PenStroke)->Arg(2)->Arg(8)->Arg(40)->Arg(200)->Unit(benchmark::kMillisecond);

void BM_WatercolourStroke(benchmark::State& state) {
  RunStroke(state, TBrushKind::Watercolor, static_cast<float>(state.range(0)));
}
BENCHMARK(BM_WatercolourStroke)->Arg(16)->Arg(200)->Unit(benchmark::kMillisecond);

#ifdef VT_HAVE_MYPAINT
// Baseline: the reference library's default brush at radius about 4 stroking the same
// number of samples along the path of the pen of WIDTH 8.
void BM_ReferenceBrushStroke(benchmark::State& state) {
  TStroke pen;
  pen.SetWIDTH(8.0f);
  const std::vector<TStrokePoint> path = PenPath(pen);
  MyPaintFixedTiledSurface* surface = mypaint_fixed_tiled_surface_new(kSide, kSide);
  MyPaintSurface* iface = mypaint_fixed_tiled_surface_interface(surface);
  MyPaintBrush* brush = mypaint_brush_new();
  mypaint_brush_from_defaults(brush);
  mypaint_brush_set_base_value(brush, MYPAINT_BRUSH_SETTING_RADIUS_LOGARITHMIC, std::log(4.0f));
  for (auto _ : state) {
    mypaint_brush_reset(brush);
    mypaint_brush_new_stroke(brush);
    mypaint_surface_begin_atomic(iface);
    for (const TStrokePoint& p : path)
      mypaint_brush_stroke_to(brush, iface, p.x, p.y, p.pressure, 0.0f, 0.0f, 0.001);
    MyPaintRectangle roi;
    mypaint_surface_end_atomic(iface, &roi);
  }
  state.SetItemsProcessed(state.iterations() * kPoints);
  mypaint_brush_unref(brush);
  mypaint_surface_unref(iface);
}
BENCHMARK(BM_ReferenceBrushStroke)->Unit(benchmark::kMillisecond);
#endif

}  // namespace
}  // namespace vt

BENCHMARK_MAIN();
