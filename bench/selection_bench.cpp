// Selections: polygon rasterization and growing, on a 2000 x 2000 paper.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "layers/select_mng.h"

namespace vt {
namespace {

constexpr int kSide = 2000;

// A star-shaped polygon of n vertices covering most of the paper.
std::vector<TPointI> Star(int n) {
  std::vector<TPointI> pts;
  for (int i = 0; i < n; ++i) {
    const double a = 2 * 3.14159265358979 * i / n;
    const double r = (i % 2 ? 0.8 : 1.0) * kSide / 2;
    pts.push_back({static_cast<int>(kSide / 2 + r * std::cos(a)), static_cast<int>(kSide / 2 + r * std::sin(a))});
  }
  return pts;
}

void BM_RasterizePolygon(benchmark::State& state) {
  const std::vector<TPointI> pts =
      state.range(0) == 4 ? std::vector<TPointI>{{0, 0}, {kSide, 0}, {kSide, kSide}, {0, kSide}} : Star(1000);
  for (auto _ : state) {
    TBlockChannel mask;
    mask.SetSize(kSide, kSide);
    TSelectMng::RasterizePolygon(mask, pts);
    benchmark::DoNotOptimize(mask.TileCount());
  }
}
BENCHMARK(BM_RasterizePolygon)->Arg(4)->Arg(1000)->Unit(benchmark::kMillisecond);

void BM_GrowSelection(benchmark::State& state) {
  TSelectMng sel(kSide, kSide);
  sel.SelectPolygon(0, Star(1000), 0);
  for (auto _ : state) sel.GrowSelection(0);
}
BENCHMARK(BM_GrowSelection)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vt

BENCHMARK_MAIN();
