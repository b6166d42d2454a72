// Event streams: recording stroke points and validating a large event file.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "brush/event_packet.h"

namespace vt {
namespace {

TStrokeParams PenParams() {
  TStrokeParams p;
  p.WIDTH = 8;
  p.MIN = 75;
  p.GAMMA = 1;
  p.ifSIZE = p.ifTRANSPARENCY = true;
  return p;
}

// One million stroke points in strokes of 60 points, as a recorder takes them.
void BM_RecordStrokePoints(benchmark::State& state) {
  const TStrokeParams params = PenParams();
  for (auto _ : state) {
    TEventPacket p;
    p.RecordPaperNew(2000, 2000);
    for (int s = 0; s < 1000000 / 60; ++s) {
      p.RecordStrokeBegin(0, params, s % 2000, s % 1500, 0.2f);
      for (int i = 0; i < 59; ++i) p.RecordStrokePoint((s + i) % 2000, (s * 3 + i) % 2000, 0.5f);
      p.RecordStrokeEnd();
    }
    benchmark::DoNotOptimize(p.Stream().Memory());
    state.SetBytesProcessed(state.bytes_processed() + p.Stream().Size());
  }
  state.counters["points/s"] = benchmark::Counter(1000000.0 / 60 * 60, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_RecordStrokePoints)->Unit(benchmark::kMillisecond);

// A 50 MB event file of strokes and fills, validated as a load does.
const std::vector<std::uint8_t>& FiftyMegabytes() {
  static std::vector<std::uint8_t> bytes = [] {
    TEventPacket p;
    p.RecordPaperNew(2000, 2000);
    const TStrokeParams params = PenParams();
    int s = 0;
    while (p.Stream().Size() < 50 * 1000 * 1000) {
      p.RecordStrokeBegin(s % 5, params, 10, 10, 0.2f);
      for (int i = 0; i < 59; ++i) p.RecordStrokePoint(i, i, 0.5f);
      p.RecordStrokeEnd();
      p.RecordRectFill(0, 1, 2, 30, 40, 0x112233);
      p.RecordLayerOp(TEventKind::LayerSelect, 1);
      ++s;
    }
    p.WriteEnd();
    return std::vector<std::uint8_t>(p.Stream().Memory(), p.Stream().Memory() + p.Stream().Size());
  }();
  return bytes;
}

void BM_ValidateEventFile(benchmark::State& state) {
  const std::vector<std::uint8_t>& bytes = FiftyMegabytes();
  for (auto _ : state) {
    std::size_t length = 0;
    std::int32_t count = 0;
    benchmark::DoNotOptimize(TEventPacket::ValidateEvents(bytes.data(), bytes.size(), length, count));
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(bytes.size()));
}
BENCHMARK(BM_ValidateEventFile)->Unit(benchmark::kMillisecond);

// Baseline: one pass of memchr over the same bytes (a read-only scan of the memory).
void BM_ScanBaseline(benchmark::State& state) {
  const std::vector<std::uint8_t>& bytes = FiftyMegabytes();
  for (auto _ : state) benchmark::DoNotOptimize(std::memchr(bytes.data(), 0xEE, bytes.size()));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(bytes.size()));
}
BENCHMARK(BM_ScanBaseline)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vt

BENCHMARK_MAIN();
