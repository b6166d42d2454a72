// Native layered files: save and load of a 2048 x 2048 paper with 8 painted layers (seven
// of smooth strokes, one of noise). Beside them, libpng writing and reading the same 8
// layers as PNGs at its default settings: the baseline the native coder is measured against.
#include <benchmark/benchmark.h>

#include <malloc.h>

#include <cmath>
#include <memory>
#include <random>
#include <vector>

#include "document/draw_document.h"
#include "document/native_file.h"
#include "raster/tile_pool.h"
#include "tests/support/drawing.h"

#ifdef VT_HAVE_PNG
#include <png.h>
#endif

namespace vt {
namespace {

constexpr int kSide = 2048;
constexpr int kLayers = 8;

void SmoothLayer(TDrawDocument& doc, int layer) {
  TStroke brush;
  brush.SetKind(TBrushKind::Pen);
  brush.SetLayer(layer);
  brush.SetWIDTH(6.0f + 5.0f * static_cast<float>(layer));
  brush.SetMIN(40);
  for (int s = 0; s < 12; ++s) {
    brush.SetColour(0x203040u * static_cast<std::uint32_t>(layer + 1) +
                    0x0A1B2Cu * static_cast<std::uint32_t>(s));
    std::vector<test::TSample> samples;
    for (int i = 0; i < 200; ++i) {
      const double t = i / 200.0 * 6.28 + s;
      samples.push_back({static_cast<std::int32_t>(kSide / 2 + 900 * std::sin(t * (1 + layer * 0.1))),
                         static_cast<std::int32_t>(kSide / 2 + 900 * std::cos(1.3 * t + s)),
                         static_cast<float>(0.5 + 0.5 * std::sin(t))});
    }
    test::DrawRecordedStroke(doc.Paper, doc.StrokeStreams[0], brush, samples);
  }
}

void NoisyLayer(TDrawDocument& doc, int layer) {
  TPX noise;
  noise.SetSize(kSide, kSide);
  std::mt19937 rng(11);
  for (int y = 0; y < kSide; ++y)
    for (int x = 0; x < kSide; ++x) noise.Row(y)[x] = 0xFF000000u | (rng() & 0xFFFFFFu);
  doc.Paper.LayerManager->LoadLayerFromImage(layer, noise);
}

// The bench drawing, made once.
TDrawDocument& Drawing() {
  static std::unique_ptr<TDrawDocument> doc = [] {
    auto d = std::make_unique<TDrawDocument>();
    d->Paper.SetDeferDisplay(true);
    TEventArgs a;
    a.w = kSide;
    a.h = kSide;
    d->Paper.Command(d->StrokeStreams[0], d->StrokeEngines[0], TEventKind::PaperNew, a);
    for (int i = 1; i < kLayers; ++i) {
      a = {};
      a.layer = static_cast<std::uint8_t>(i % 3);
      d->Paper.Command(d->StrokeStreams[0], d->StrokeEngines[0], TEventKind::LayerNew, a);
    }
    for (int i = 0; i < kLayers - 1; ++i) SmoothLayer(*d, i);
    NoisyLayer(*d, kLayers - 1);
    return d;
  }();
  return *doc;
}

const std::vector<std::uint8_t>& Saved() {
  static const std::vector<std::uint8_t> bytes = [] {
    std::vector<std::uint8_t> out;
    EncodeNative(Drawing().Paper, Drawing().StrokeStreams[0], out);
    return out;
  }();
  return bytes;
}

void BM_NativeSave(benchmark::State& state) {
  TDrawDocument& doc = Drawing();
  std::vector<std::uint8_t> out;
  for (auto _ : state) {
    EncodeNative(doc.Paper, doc.StrokeStreams[0], out);
    benchmark::DoNotOptimize(out.data());
  }
  state.counters["MB"] = static_cast<double>(out.size()) / 1e6;
  state.counters["layers"] = kLayers;
}
BENCHMARK(BM_NativeSave)->Unit(benchmark::kMillisecond);

// Argument 0: a program that has been working a while, its tile pool holding memory from
// earlier documents. Argument 1 (cold): the pool emptied and the freed memory handed back
// to the system before each load, so every tile costs fresh pages, as in a program that
// opens a file first thing.
void BM_NativeLoad(benchmark::State& state) {
  const std::vector<std::uint8_t>& bytes = Saved();
  const bool cold = state.range(0) == 1;
  for (auto _ : state) {
    if (cold) {
      state.PauseTiming();
      tile_pool::Release();
      malloc_trim(0);
      state.ResumeTiming();
    }
    auto doc = std::make_unique<TDrawDocument>();
    if (DecodeNative(bytes, doc->Paper, doc->StrokeStreams[0], "bench") != TLoadOutcome::Ok)
      state.SkipWithError("load failed");
    benchmark::ClobberMemory();
    // The document is dropped outside the timing, as the loads compared hold their layers.
    state.PauseTiming();
    doc.reset();
    state.ResumeTiming();
  }
  state.counters["layers"] = kLayers;
}
BENCHMARK(BM_NativeLoad)->Arg(0)->Arg(1)->MinTime(2.0)->Unit(benchmark::kMillisecond);

#ifdef VT_HAVE_PNG

// The layers flattened to full images, as both coders see them.
const std::vector<std::unique_ptr<TPX>>& Flat() {
  static const std::vector<std::unique_ptr<TPX>> layers = [] {
    std::vector<std::unique_ptr<TPX>> v;
    const TLayerMng& m = *Drawing().Paper.LayerManager;
    for (int i = 0; i <= m.TopIndex; ++i) {
      auto px = std::make_unique<TPX>();
      px->SetSize(kSide, kSide);
      m.LayerAt(i).Block().CopyToImage(*px, 0, 0, kSide, kSide, 0, 0);
      v.push_back(std::move(px));
    }
    return v;
  }();
  return layers;
}

void WriteToVector(png_structp png, png_bytep data, png_size_t n) {
  auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + n);
}

// One layer as an 8-bit RGB PNG at libpng's default compression and filters.
std::vector<std::uint8_t> PngEncode(const TPX& px) {
  std::vector<std::uint8_t> out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_set_write_fn(png, &out, WriteToVector, nullptr);
  png_set_IHDR(png, info, static_cast<png_uint_32>(px.Width), static_cast<png_uint_32>(px.Height), 8,
               PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  png_set_bgr(png);
  png_set_filler(png, 0, PNG_FILLER_AFTER);
  for (int y = 0; y < px.Height; ++y) png_write_row(png, reinterpret_cast<png_const_bytep>(px.Row(y)));
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return out;
}

struct TPngReader {
  const std::vector<std::uint8_t>* bytes;
  std::size_t at;
};

void ReadFromVector(png_structp png, png_bytep data, png_size_t n) {
  auto* r = static_cast<TPngReader*>(png_get_io_ptr(png));
  std::copy_n(r->bytes->data() + r->at, n, data);
  r->at += n;
}

void PngDecode(const std::vector<std::uint8_t>& bytes, TPX& px) {
  TPngReader reader{&bytes, 0};
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_set_read_fn(png, &reader, ReadFromVector);
  png_read_info(png, info);
  png_set_bgr(png);
  png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
  for (int y = 0; y < px.Height; ++y) png_read_row(png, reinterpret_cast<png_bytep>(px.Row(y)), nullptr);
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
}

void BM_PngWriteLayers_Baseline(benchmark::State& state) {
  const auto& layers = Flat();
  std::size_t bytes = 0;
  for (auto _ : state) {
    bytes = 0;
    for (const auto& px : layers) bytes += PngEncode(*px).size();
  }
  state.counters["MB"] = static_cast<double>(bytes) / 1e6;
}
BENCHMARK(BM_PngWriteLayers_Baseline)->Unit(benchmark::kMillisecond);

// Argument 0: every layer decoded into one reused image (decoding alone). Argument 1: each
// layer into an image of its own, allocated for the load and held as a document holds its
// layers (the freed memory handed back to the system between loads, as for the cold native
// load).
void BM_PngReadLayers_Baseline(benchmark::State& state) {
  std::vector<std::vector<std::uint8_t>> pngs;
  for (const auto& px : Flat()) pngs.push_back(PngEncode(*px));
  const bool held = state.range(0) == 1;
  TPX reused;
  reused.SetSize(kSide, kSide);
  for (auto _ : state) {
    if (!held) {
      for (const auto& png : pngs) PngDecode(png, reused);
      benchmark::ClobberMemory();
      continue;
    }
    state.PauseTiming();
    malloc_trim(0);
    state.ResumeTiming();
    std::vector<std::unique_ptr<TPX>> layers;
    for (const auto& png : pngs) {
      layers.push_back(TPX::ForOverwrite(kSide, kSide));
      PngDecode(png, *layers.back());
    }
    benchmark::ClobberMemory();
    state.PauseTiming();
    layers.clear();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_PngReadLayers_Baseline)->Arg(0)->Arg(1)->MinTime(2.0)->Unit(benchmark::kMillisecond);

#endif

}  // namespace
}  // namespace vt

BENCHMARK_MAIN();
