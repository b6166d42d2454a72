// The view: showing a 2000 x 1500 paper in a 1600 x 1000 window. Baseline: a plain copy
// of a client-sized block of pixels, the least any repaint costs.
#include <benchmark/benchmark.h>

#include "document/px_surface.h"
#include "document/view_painter.h"

namespace vt {
namespace {

constexpr TViewSize kClient{1600, 1000};

struct TView {
  TPaper paper;
  TPxSurface surface{kClient.w, kClient.h};
  TViewPainter painter{paper, &surface, kClient};

  TView(std::int32_t zoom, float angle) {
    paper.Init("bench", 2000, 1500);
    paper.Display.Zoom = zoom;
    paper.Display.LayoutScrollBars({kClient, {2000, 1500}, 960, 1000, 1000});
    paper.Display.SetAngle(angle);
    paper.Display.SetCentre(1000, 750);
  }
};

void BM_BaselineCopy(benchmark::State& state) {
  TView v(0, 0);
  for (auto _ : state) v.paper.Composite.CopyRect(v.surface.Image(), {kClient.w, kClient.h, 0, 0, 0, 0});
}
BENCHMARK(BM_BaselineCopy)->Unit(benchmark::kMicrosecond);

// Arguments: zoom level, angle in hundredths of a radian.
void BM_PaintWindow(benchmark::State& state) {
  TView v(static_cast<std::int32_t>(state.range(0)), static_cast<float>(state.range(1)) / 100.0f);
  for (auto _ : state) v.painter.PaintWindow();
}
BENCHMARK(BM_PaintWindow)
    ->Args({0, 0})
    ->Args({2, 0})
    ->Args({-2, 0})
    ->Args({0, 50})
    ->Unit(benchmark::kMicrosecond);

// A stroke segment's rectangle: the rotated view re-renders only the square around it.
void BM_PaintRectRotated(benchmark::State& state) {
  TView v(0, 0.5f);
  v.painter.PaintWindow();
  for (auto _ : state) v.painter.PaintRect(990, 740, 20, 20);
}
BENCHMARK(BM_PaintRectRotated)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace vt

BENCHMARK_MAIN();
