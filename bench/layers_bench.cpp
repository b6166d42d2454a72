// Layer stack: compositing overhead over the bare tile composite, merges, reordering and
// the memory an empty stack costs.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <random>
#include <vector>

#include "layers/layer_mng.h"
#include "raster/composite.h"

namespace vt {
namespace {

constexpr int kSide = 2048;

// Resident set of this process in bytes.
std::int64_t ResidentBytes() {
  std::ifstream statm("/proc/self/statm");
  std::int64_t pages = 0, resident = 0;
  statm >> pages >> resident;
  return resident * 4096;
}

// Paints every layer fully with a noisy pattern so that every tile exists.
void PaintAll(TLayerMng& m) {
  std::mt19937 rng(1);
  for (int i = 0; i <= m.TopIndex; ++i) {
    TBlockImage& b = m.LayerAt(i).Block();
    b.AllocateAll();
    for (int y = 0; y < kSide; y += 7)
      for (int x = 0; x < kSide; x += 5) b.SetPixel(x, y, rng() | 0xFF000000u);
  }
}

TLayerMng* PaintedStack(int mode) {
  static TLayerMng* stacks[3] = {};
  if (!stacks[mode]) {
    auto* m = new TLayerMng(kSide, kSide);
    m->SetMode(0, mode);
    for (int i = 1; i < 24; ++i) m->AddLayer(mode);
    PaintAll(*m);
    stacks[mode] = m;
  }
  return stacks[mode];
}

// The stack's CompositeRect against the same 24 blocks composited directly.
void BM_StackComposite(benchmark::State& state) {
  TLayerMng& m = *PaintedStack(0);
  for (int i = 0; i < 24; ++i) m.SetOpacity(i, static_cast<std::uint8_t>(state.range(0)));
  TPX out;
  out.SetSize(kSide, kSide);
  for (auto _ : state) m.CompositeRect(out, {0, 0, kSide, kSide});
  state.SetItemsProcessed(state.iterations() * kSide * kSide);
}
BENCHMARK(BM_StackComposite)->Arg(255)->Arg(128)->Unit(benchmark::kMillisecond);

void BM_BareTileComposite(benchmark::State& state) {
  TLayerMng& m = *PaintedStack(0);
  std::vector<TCompositeLayer> list;
  for (int i = 0; i < 24; ++i)
    list.push_back({&m.LayerAt(i).Block(), 0, static_cast<std::uint8_t>(state.range(0))});
  TPX out;
  out.SetSize(kSide, kSide);
  for (auto _ : state) CompositeRect(out, 0xFFFFFFFFu, list, {0, 0, kSide, kSide});
  state.SetItemsProcessed(state.iterations() * kSide * kSide);
}
BENCHMARK(BM_BareTileComposite)->Arg(255)->Arg(128)->Unit(benchmark::kMillisecond);

void BM_MergeVisible24(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    TLayerMng m(kSide, kSide);
    for (int i = 1; i < 24; ++i) m.AddLayer(1);
    m.SetMode(0, 1);
    PaintAll(m);
    state.ResumeTiming();
    benchmark::DoNotOptimize(m.MergeVisible());
  }
}
BENCHMARK(BM_MergeVisible24)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_MoveLayerAcross24(benchmark::State& state) {
  TLayerMng& m = *PaintedStack(0);
  bool up = true;
  for (auto _ : state) {
    m.MoveLayer(up ? 0 : 23, up ? 23 : 0);
    up = !up;
  }
}
BENCHMARK(BM_MoveLayerAcross24)->Unit(benchmark::kMillisecond);

// An empty 5000 x 5000 stack of 24 layers: reported bytes and resident-set growth.
void BM_EmptyStackMemory(benchmark::State& state) {
  for (auto _ : state) {
    const std::int64_t before = ResidentBytes();
    auto* m = new TLayerMng(5000, 5000);
    for (int i = 1; i < 24; ++i) m->AddLayer(0);
    const std::int64_t after = ResidentBytes();
    state.counters["reported_KB"] = static_cast<double>(m->PaperBytes() + m->PaperUndoBytes()) / 1024;
    state.counters["rss_growth_KB"] = static_cast<double>(after - before) / 1024;
    delete m;
  }
}
BENCHMARK(BM_EmptyStackMemory)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vt

BENCHMARK_MAIN();
