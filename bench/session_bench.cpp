// Four headless members of one shared drawing over loopback TCP in one process, each
// drawing 500 strokes. The clock is stepped by hand (2 ms per round), so the replay
// interval paces the replay in simulated time while the wall time shows the cost of
// the work itself. Baseline: the same streams replayed offline on one paper.
#include "bench/support/qt_benchmark_main.h"
#include "net/net_session.h"
#include "platform/qt_transport.h"
#include "tests/support/drawing.h"
#include "tests/support/net_world.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>

namespace vt {
namespace {

constexpr std::int32_t kMembers = 4;
constexpr std::int32_t kStrokes = 500;
constexpr std::int32_t kPoints = 8;

double Ms(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - since).count();
}

// Bytes this copy has received from others but not yet replayed.
std::int64_t Backlog(TNetMember& member) {
  TDrawDocument* document = member.Document();
  TMySocket* socket = member.Session.Socket();
  if (document == nullptr || socket == nullptr) return 0;
  std::int64_t bytes = 0;
  for (std::int32_t i = 0; i < TDrawDocument::Slots; ++i) {
    if (i == document->OwnSlot()) continue;
    bytes += socket->DataAvailable(i) + member.Session.Exchange().Pending(i) +
             document->StrokeStreams[static_cast<std::size_t>(i)].Stream().Remaining();
  }
  return bytes;
}

// The members' own streams replayed one after another on a fresh paper.
double OfflineReplayMs(TNetWorld& world) {
  const auto start = std::chrono::steady_clock::now();
  TPaper paper;
  paper.SetDeferDisplay(true);
  TStroke brush;
  TEventPacket head;
  head.RecordPaperNew(600, 600);
  for (std::int32_t i = 1; i < kMembers * 2; ++i) head.RecordLayerNew(0);
  head.WriteEnd();
  test::ReplayAll(paper, head, brush);
  for (auto& member : world.Members) {
    const TMyMemory& own = member->Document()->OwnStream().Stream();
    TEventPacket copy;
    copy.Stream().WriteBytes(own.Memory(), own.Size());
    copy.WriteEnd();
    test::ReplayAll(paper, copy, brush);
  }
  return Ms(start);
}

void BM_FourMembersDraw500StrokesEach(benchmark::State& state) {
  for (auto _ : state) {
    TNetWorld world([] { return std::make_unique<TQtTransport>(true); },
                    [] { QCoreApplication::processEvents(QEventLoop::AllEvents); });
    THostParams params;
    params.Port = 0;
    params.MaxMembers = kMembers;
    params.LayersPerMember = 2;
    TNetMember& host = world.Host(params);
    const std::uint16_t port = host.Session.Socket()->ListenPort();
    for (std::int32_t i = 1; i < kMembers; ++i) {
      world.Client(port, std::string("M").append(std::to_string(i)), "");
      if (!world.RunUntil([&] { return world.Joined(); }, std::chrono::seconds(30))) {
        state.SkipWithError("join timed out");
        return;
      }
    }
    std::uint32_t seed = 11;
    for (auto& member : world.Members)
      member->Artist = std::make_unique<THeadlessArtist>(TArtistParams{kStrokes, kPoints, 2, 2, seed++});
    const std::uint32_t simStart = world.Clock.NowMs();
    const auto start = std::chrono::steady_clock::now();
    std::int64_t backlog = 0;
    const bool drained = world.RunUntil(
        [&] {
          for (auto& member : world.Members) backlog = std::max(backlog, Backlog(*member));
          return world.Drained();
        },
        std::chrono::seconds(600));
    const double wallMs = Ms(start);
    if (!drained) {
      state.SkipWithError("did not drain");
      return;
    }
    const double baselineMs = OfflineReplayMs(world);
    state.counters["wall_ms"] = wallMs;
    state.counters["sim_ms"] = world.Clock.NowMs() - simStart;
    state.counters["offline_replay_ms"] = baselineMs;
    state.counters["wall_vs_offline"] = wallMs / baselineMs;
    state.counters["max_backlog_bytes"] = static_cast<double>(backlog);
    for (std::size_t i = 0; i < world.Members.size(); ++i) {
      state.counters[std::string("sent_bytes_m").append(std::to_string(i))] =
          static_cast<double>(world.Members[i]->Session.Socket()->BytesSent());
      state.counters[std::string("own_stream_bytes_m").append(std::to_string(i))] =
          static_cast<double>(world.Members[i]->Document()->OwnStream().Stream().Size());
    }
  }
}
BENCHMARK(BM_FourMembersDraw500StrokesEach)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vt

VT_QT_BENCHMARK_MAIN()
