// Blend kernels of the pixel buffers on 2048 x 2048 images, beside two baselines from
// the same run: a plain streaming loop that reads two images and writes one (the memory
// ceiling for any two-input blend) and, when available, pixman's multiply and add.
// Every benchmark reports Mpx/s and its ratio to the streaming ceiling (x_ceiling).
#include <chrono>
#include <cstdint>
#include <random>
#include <vector>

#include <benchmark/benchmark.h>

#include "raster/blend_kernels.h"
#include "raster/channel.h"
#include "raster/px.h"

#if defined(VT_HAVE_PIXMAN)
#include <pixman.h>
#endif

namespace vt {
namespace {

constexpr std::int32_t kSide = 2048;
constexpr double kPixels = double{kSide} * kSide;
double gCeilingMpx = 0;

void Randomise(TPX& px, std::uint32_t seed) {
  px.SetSize(kSide, kSide);
  std::mt19937 rng(seed);
  for (std::int32_t y = 0; y < kSide; ++y)
    for (std::int32_t x = 0; x < kSide; ++x) px.Row(y)[x] = rng();
}

struct TImages {
  TPX src, dst;
  TImages() {
    Randomise(src, 1);
    Randomise(dst, 2);
  }
};

TImages& Images() {
  static TImages images;
  return images;
}

// Times the loop itself so the ratio uses the same clock for every entry.
template <typename Body>
void Measure(benchmark::State& state, Body body, bool isCeiling = false) {
  const auto start = std::chrono::steady_clock::now();
  for (auto _ : state) {
    body();
    benchmark::ClobberMemory();
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const double mpx = kPixels * static_cast<double>(state.iterations()) / seconds / 1e6;
  if (isCeiling) gCeilingMpx = mpx;
  state.counters["Mpx/s"] = mpx;
  if (gCeilingMpx > 0) state.counters["x_ceiling"] = mpx / gCeilingMpx;
}

void BM_StreamingCeiling(benchmark::State& state) {
  TImages& im = Images();
  std::vector<std::uint32_t> out(static_cast<std::size_t>(kPixels));
  const auto* a = reinterpret_cast<const std::uint32_t*>(im.src.Bits);
  const auto* b = reinterpret_cast<const std::uint32_t*>(im.dst.Bits);
  Measure(
      state,
      [&] {
        std::uint32_t* o = out.data();
        for (std::size_t i = 0; i < out.size(); ++i) o[i] = a[i] ^ b[i];
        benchmark::DoNotOptimize(o);
      },
      true);
}
BENCHMARK(BM_StreamingCeiling)->Unit(benchmark::kMillisecond);

using TRectOp = void (TPX::*)(TPX&, ClipRect, std::uint8_t) const;

template <TRectOp op>
void BM_Rect(benchmark::State& state) {
  TImages& im = Images();
  const auto opacity = static_cast<std::uint8_t>(state.range(0));
  Measure(state, [&] { (im.src.*op)(im.dst, ClipRect{kSide, kSide, 0, 0, 0, 0}, opacity); });
  state.SetLabel(ActiveBlendKernels().Name);
}
BENCHMARK(BM_Rect<&TPX::DrawRect>)->Name("DrawRect")->Arg(255)->Arg(128)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Rect<&TPX::MultiplyRect>)
    ->Name("MultiplyRect")
    ->Arg(255)
    ->Arg(128)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Rect<&TPX::AddRect>)->Name("AddRect")->Arg(255)->Arg(128)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Rect<&TPX::SubRect>)->Name("SubRect")->Arg(255)->Arg(128)->Unit(benchmark::kMillisecond);

// The mask holds one value everywhere: the opacity of the fill.
void BM_MaskFillRect(benchmark::State& state) {
  TImages& im = Images();
  TChannel mask;
  mask.SetSize(kSide, kSide);
  mask.Fill(static_cast<std::uint8_t>(state.range(0)));
  Measure(state, [&] { im.dst.MaskFillRect(mask, ClipRect{kSide, kSide, 0, 0, 0, 0}, 0x00336699); });
  state.SetLabel(ActiveBlendKernels().Name);
}
BENCHMARK(BM_MaskFillRect)->Name("MaskFillRect")->Arg(255)->Arg(128)->Unit(benchmark::kMillisecond);

// The plain scalar kernels, to show what the vector paths gain.
template <TBlendRowFn TBlendKernels::*fn>
void BM_Reference(benchmark::State& state) {
  TImages& im = Images();
  const auto opacity = static_cast<std::uint8_t>(state.range(0));
  Measure(state, [&] {
    for (std::int32_t y = 0; y < kSide; ++y)
      (ReferenceBlendKernels().*fn)(im.dst.Row(y), im.src.Row(y), kSide, opacity);
  });
}
BENCHMARK(BM_Reference<&TBlendKernels::Draw>)->Name("ReferenceDraw")->Arg(128)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Reference<&TBlendKernels::Multiply>)
    ->Name("ReferenceMultiply")
    ->Arg(255)
    ->Arg(128)
    ->Unit(benchmark::kMillisecond);

#if defined(VT_HAVE_PIXMAN)
void BM_Pixman(benchmark::State& state) {
  TImages& im = Images();
  const auto pixmanOp = static_cast<pixman_op_t>(state.range(0));
  pixman_image_t* src = pixman_image_create_bits(PIXMAN_a8r8g8b8, kSide, kSide,
                                                 reinterpret_cast<std::uint32_t*>(im.src.Bits), kSide * 4);
  pixman_image_t* dst = pixman_image_create_bits(PIXMAN_a8r8g8b8, kSide, kSide,
                                                 reinterpret_cast<std::uint32_t*>(im.dst.Bits), kSide * 4);
  Measure(state,
          [&] { pixman_image_composite32(pixmanOp, src, nullptr, dst, 0, 0, 0, 0, 0, 0, kSide, kSide); });
  pixman_image_unref(src);
  pixman_image_unref(dst);
}
BENCHMARK(BM_Pixman)->Name("PixmanMultiply")->Arg(PIXMAN_OP_MULTIPLY)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Pixman)->Name("PixmanAdd")->Arg(PIXMAN_OP_ADD)->Unit(benchmark::kMillisecond);
#endif

}  // namespace
}  // namespace vt

BENCHMARK_MAIN();
