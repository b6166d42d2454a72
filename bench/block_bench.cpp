// Tiled storage and dab primitives, each beside a baseline measured in the same run:
// - the 24-layer composite beside pixman compositing the same 24 images and beside the
//   time to stream the same bytes (24 layer reads plus the destination);
// - dab rates beside libmypaint's mypaint_surface_draw_dab on a fixed tiled surface.
// Run libmypaint single-threaded: OMP_NUM_THREADS=1 build/bin/block_bench
#include "raster/block_image.h"
#include "raster/block_channel.h"
#include "raster/composite.h"
#include "raster/dab.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include <benchmark/benchmark.h>

#ifdef VT_HAVE_PIXMAN
#include <pixman.h>
#endif
#ifdef VT_HAVE_MYPAINT
extern "C" {
#include <libmypaint/mypaint-fixed-tiled-surface.h>
}
#endif

namespace vt {
namespace {

constexpr std::int32_t kSide = 2048;
constexpr std::int32_t kLayers = 24;
constexpr std::int32_t kTiles = kSide / TBlock::TileSize;

// Light random pixels, so that multiplying 24 of them does not collapse to black.
void RandomLight(TPX& px, std::mt19937& rng) {
  for (std::int32_t y = 0; y < px.Height; ++y)
    for (std::int32_t x = 0; x < px.Width; ++x) px.Row(y)[x] = 0x00E0E0E0u | (rng() & 0x001F1F1Fu);
}

struct TLayers {
  std::vector<std::unique_ptr<TBlockImage>> blocks;
  std::vector<TCompositeLayer> list;
};

// Every layer fully painted (fraction 1) or with a random tenth of its tiles painted.
TLayers& Layers(bool sparse, std::uint8_t opacity) {
  static TLayers cache[2][2];
  TLayers& l = cache[sparse][opacity == 255];
  if (l.blocks.empty()) {
    std::mt19937 rng(sparse ? 2 : 1);
    TPX pattern;
    pattern.SetSize(TBlock::TileSize, TBlock::TileSize);
    for (std::int32_t i = 0; i < kLayers; ++i) {
      auto b = std::make_unique<TBlockImage>();
      b->SetSize(kSide, kSide);
      RandomLight(pattern, rng);
      for (std::int32_t row = 0; row < kTiles; ++row)
        for (std::int32_t col = 0; col < kTiles; ++col) {
          if (sparse && rng() % 10 != 0) continue;
          b->EnsureTileAt(col, row);
          pattern.CopyRect(*b->TileAt(col, row), ClipRect{64, 64, 0, 0, 0, 0});
        }
      l.list.push_back({b.get(), 0, opacity});
      l.blocks.push_back(std::move(b));
    }
  }
  return l;
}

TPX& Target() {
  static TPX target;
  target.SetSize(kSide, kSide);
  return target;
}

void BM_Composite24(benchmark::State& state) {
  const auto opacity = static_cast<std::uint8_t>(state.range(0));
  TLayers& l = Layers(state.range(1) != 0, opacity);
  TPX& target = Target();
  for (auto _ : state) {
    CompositeRect(target, 0xFFFFFFFF, l.list, {0, 0, kSide, kSide});
    benchmark::DoNotOptimize(target.Bits);
  }
}
BENCHMARK(BM_Composite24)
    ->ArgNames({"opacity", "sparse"})
    ->Args({255, 0})
    ->Args({128, 0})
    ->Args({255, 1})
    ->Args({128, 1})
    ->Unit(benchmark::kMillisecond);

// Reads every byte of the 24 fully painted layers once and writes the destination once.
void BM_Stream24(benchmark::State& state) {
  TLayers& l = Layers(false, 255);
  TPX& target = Target();
  for (auto _ : state) {
    std::uint64_t sum = 0;
    for (const auto& b : l.blocks)
      for (std::int32_t row = 0; row < kTiles; ++row)
        for (std::int32_t col = 0; col < kTiles; ++col) {
          const auto* p = reinterpret_cast<const std::uint64_t*>(b->TileAt(col, row)->Bits);
          for (std::int32_t i = 0; i < 64 * 64 / 2; ++i) sum += p[i];
        }
    std::memset(target.Bits, static_cast<int>(sum & 0x7F), static_cast<std::size_t>(kSide) * kSide * 4);
    benchmark::DoNotOptimize(sum);
    benchmark::DoNotOptimize(target.Bits);
  }
}
BENCHMARK(BM_Stream24)->Unit(benchmark::kMillisecond);

#ifdef VT_HAVE_PIXMAN
void BM_Pixman24(benchmark::State& state) {
  const auto opacity = static_cast<std::uint16_t>(state.range(0));
  static std::vector<std::vector<std::uint32_t>> pixels;
  static std::vector<pixman_image_t*> images;
  if (images.empty()) {
    std::mt19937 rng(1);
    for (std::int32_t i = 0; i < kLayers; ++i) {
      pixels.emplace_back(static_cast<std::size_t>(kSide) * kSide);
      for (auto& p : pixels.back()) p = 0xFFE0E0E0u | (rng() & 0x001F1F1Fu);
      images.push_back(
          pixman_image_create_bits(PIXMAN_a8r8g8b8, kSide, kSide, pixels.back().data(), kSide * 4));
    }
  }
  std::vector<std::uint32_t> dstPixels(static_cast<std::size_t>(kSide) * kSide);
  pixman_image_t* dst = pixman_image_create_bits(PIXMAN_a8r8g8b8, kSide, kSide, dstPixels.data(), kSide * 4);
  const pixman_color_t alpha{0, 0, 0, static_cast<std::uint16_t>(opacity * 257)};
  pixman_image_t* mask = opacity == 255 ? nullptr : pixman_image_create_solid_fill(&alpha);
  const pixman_color_t white{0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF};
  const pixman_rectangle16_t all{0, 0, kSide, kSide};
  for (auto _ : state) {
    pixman_image_fill_rectangles(PIXMAN_OP_SRC, dst, &white, 1, &all);
    for (pixman_image_t* src : images)
      pixman_image_composite32(PIXMAN_OP_MULTIPLY, src, mask, dst, 0, 0, 0, 0, 0, 0, kSide, kSide);
    benchmark::DoNotOptimize(dstPixels.data());
  }
  if (mask) pixman_image_unref(mask);
  pixman_image_unref(dst);
}
BENCHMARK(BM_Pixman24)->ArgName("opacity")->Arg(255)->Arg(128)->Unit(benchmark::kMillisecond);
#endif

// Dabs: a fixed list of centres over a 2048 x 2048 paper, 64 dabs per iteration.
constexpr int kBatch = 64;

const std::vector<std::pair<float, float>>& Centres() {
  static std::vector<std::pair<float, float>> centres = [] {
    std::mt19937 rng(3);
    std::uniform_real_distribution<float> pos(60.0f, kSide - 60.0f);
    std::vector<std::pair<float, float>> c(4096);
    for (auto& p : c) p = {pos(rng), pos(rng)};
    return c;
  }();
  return centres;
}

float Radius(const benchmark::State& state) { return static_cast<float>(state.range(0)) / 10.0f; }

void BM_MaskDisc(benchmark::State& state) {
  TBlockChannel mask;
  mask.SetSize(kSide, kSide);
  const auto& c = Centres();
  std::size_t i = 0;
  for (auto _ : state)
    for (int k = 0; k < kBatch; ++k, i = (i + 1) % c.size())
      MaskDisc(mask, 255, true, false, 1.0f, Radius(state), c[i].first, c[i].second);
  state.SetItemsProcessed(state.iterations() * kBatch);
}
BENCHMARK(BM_MaskDisc)->ArgName("radius_x10")->Arg(15)->Arg(40)->Arg(160)->Arg(400);

void BM_ColourDisc(benchmark::State& state) {
  TBlockImage image;
  image.SetSize(kSide, kSide);
  const auto& c = Centres();
  std::size_t i = 0;
  for (auto _ : state)
    for (int k = 0; k < kBatch; ++k, i = (i + 1) % c.size())
      ColourDisc(image, 0x336699, false, 1.0f, Radius(state), c[i].first, c[i].second);
  state.SetItemsProcessed(state.iterations() * kBatch);
}
BENCHMARK(BM_ColourDisc)->ArgName("radius_x10")->Arg(15)->Arg(40)->Arg(160)->Arg(400);

#ifdef VT_HAVE_MYPAINT
void BM_MyPaintDab(benchmark::State& state) {
  MyPaintFixedTiledSurface* fixed = mypaint_fixed_tiled_surface_new(kSide, kSide);
  MyPaintSurface* surface = reinterpret_cast<MyPaintSurface*>(fixed);
  const auto& c = Centres();
  std::size_t i = 0;
  for (auto _ : state) {
    mypaint_surface_begin_atomic(surface);
    for (int k = 0; k < kBatch; ++k, i = (i + 1) % c.size())
      mypaint_surface_draw_dab(surface, c[i].first, c[i].second, Radius(state), 0.2f, 0.4f, 0.6f, 1.0f, 1.0f,
                               1.0f, 1.0f, 0.0f, 0.0f, 0.0f);
    MyPaintRectangle roi;
    mypaint_surface_end_atomic(surface, &roi);
  }
  state.SetItemsProcessed(state.iterations() * kBatch);
  mypaint_surface_unref(surface);
}
BENCHMARK(BM_MyPaintDab)->ArgName("radius_x10")->Arg(15)->Arg(40)->Arg(160)->Arg(400);
#endif

void BM_EmptyBlockMemory(benchmark::State& state) {
  for (auto _ : state) {
    TBlockImage b;
    b.SetSize(5000, 5000);
    state.counters["bytes"] = static_cast<double>(b.MemoryBytes());
    b.SetPixel(4999, 4999, 0);
    state.counters["bytes_one_tile"] = static_cast<double>(b.MemoryBytes());
  }
}
BENCHMARK(BM_EmptyBlockMemory)->Iterations(1);

}  // namespace
}  // namespace vt

BENCHMARK_MAIN();
