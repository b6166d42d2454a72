// Headless replay of a generated drawing: a 2000 x 2000 paper, 8 layers of mixed modes,
// 5,000 pen strokes of 60 points at widths 2 to 40, 500 watercolour strokes, rectangle
// and polygon fills and layer operations. Reports stroke points per second against the
// goal of 100,000 and the process's peak resident memory after the replay.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cmath>
#include <random>
#include <vector>

#include "document/draw_document.h"
#include "document/replay_driver.h"

namespace vt {
namespace {

constexpr int kSide = 2000;
constexpr int kPenStrokes = 5000;
constexpr int kWaterStrokes = 500;
constexpr int kPointsPerStroke = 60;
constexpr double kGoalPointsPerSecond = 100000.0;

void RecordStroke(TEventPacket& p, std::mt19937& rng, std::uint16_t kind, float width, std::uint8_t layer) {
  TStrokeParams params;
  params.layer = layer;
  params.colour = rng() & 0xFFFFFF;
  params.ifSIZE = params.ifTRANSPARENCY = true;
  params.MIN = 40;
  params.WIDTH = width;
  params.GAMMA = 1;
  params.EFFECT = 60;
  params.ENV = 40;
  params.SPEED = 30;
  float x = static_cast<float>(rng() % kSide), y = static_cast<float>(rng() % kSide);
  const float angle = static_cast<float>(rng() % 628) / 100.0f;
  p.RecordStrokeBegin(kind, params, static_cast<std::int32_t>(x), static_cast<std::int32_t>(y), 0.5f);
  for (int i = 1; i < kPointsPerStroke; ++i) {
    x += 4.0f * std::cos(angle + 0.05f * static_cast<float>(i));
    y += 4.0f * std::sin(angle + 0.05f * static_cast<float>(i));
    p.RecordStrokePoint(static_cast<std::int32_t>(x), static_cast<std::int32_t>(y),
                        i + 1 == kPointsPerStroke ? 0.0f : 0.3f + 0.7f * static_cast<float>(i % 10) / 10.0f);
  }
  p.RecordStrokeEnd();
}

std::vector<std::uint8_t> GenerateDrawing() {
  TEventPacket p;
  std::mt19937 rng(5);
  p.RecordPaperNew(kSide, kSide);
  for (std::uint8_t mode : {0, 1, 2, 0, 1, 0, 2}) p.RecordLayerNew(mode);
  for (int s = 0; s < kPenStrokes + kWaterStrokes; ++s) {
    const bool water = s % 11 == 10;
    const float width = 2.0f + static_cast<float>(rng() % 39);
    // A user keeps to one layer for a while: the layer changes every 50 strokes.
    RecordStroke(p, rng, water ? 1 : 0, width, static_cast<std::uint8_t>((s / 50) % 8));
    if (s % 250 == 0) {
      const auto x = static_cast<std::int32_t>(rng() % (kSide - 300)),
                 y = static_cast<std::int32_t>(rng() % (kSide - 300));
      p.RecordRectFill(static_cast<std::uint8_t>(rng() % 8), x, y, 300, 200, rng() & 0xFFFFFF);
      const std::vector<TPointI> poly{{x, y}, {x + 250, y + 40}, {x + 120, y + 280}};
      p.RecordPolygonFill(static_cast<std::uint8_t>(rng() % 8), rng() & 0xFFFFFF, poly);
      p.RecordLayerOpacity(static_cast<std::uint8_t>(rng() % 8),
                           static_cast<std::uint8_t>(128 + rng() % 128));
      p.RecordLayerOp(TEventKind::LayerUndo, static_cast<std::uint8_t>(rng() % 8));
      p.RecordLayerVisible(static_cast<std::uint8_t>(rng() % 8), true);
    }
  }
  p.WriteEnd();
  return {p.Stream().Memory(), p.Stream().Memory() + p.Stream().Size()};
}

void BM_ReplayHeadless(benchmark::State& state) {
  const std::vector<std::uint8_t> file = GenerateDrawing();
  for (auto _ : state) {
    TDrawDocument doc;
    if (!ReplayHeadless(doc, file.data(), file.size(), 1.0f)) state.SkipWithError("refused");
  }
  const double points = static_cast<double>(kPenStrokes + kWaterStrokes) * kPointsPerStroke;
  state.counters["points_per_s"] = benchmark::Counter(points, benchmark::Counter::kIsIterationInvariantRate);
  state.counters["goal_points_per_s"] = kGoalPointsPerSecond;
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  state.counters["peak_rss_MB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
}
BENCHMARK(BM_ReplayHeadless)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
}  // namespace vt

BENCHMARK_MAIN();
