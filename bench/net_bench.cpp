// Session socket over real loopback TCP in one process. Each figure has its baseline
// beside it: the same bytes over the bare transport, without framing or relaying.
#include "bench/support/qt_benchmark_main.h"
#include "net/my_socket.h"
#include "platform/qt_clock.h"
#include "platform/qt_transport.h"
#include "tests/support/session_harness.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <vector>

namespace vt {
namespace {

constexpr std::int64_t kStreamBytes = 16 << 20;
constexpr int kLatencySamples = 200;

void PumpEvents() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// A bare transport pair: the listening side counts what arrives.
class TBarePair : public TTransportEvents {
 public:
  TBarePair() : server_(true), client_(true) {
    server_.SetEvents(this);
    client_.SetEvents(this);
    server_.Listen(0);
    out_ = client_.Connect("127.0.0.1", server_.ListenPort());
    while (in_ < 0 || !up_) PumpEvents();
  }
  ~TBarePair() override {
    server_.SetEvents(nullptr);
    client_.SetEvents(nullptr);
  }
  std::int32_t Send(const std::uint8_t* data, std::int32_t n) { return client_.Send(out_, data, n); }
  std::int64_t Received() const { return received_; }

  void TransportAccepted(TConnection c) override { in_ = c; }
  void TransportConnected(TConnection) override { up_ = true; }
  void TransportReadable(TConnection c) override {
    std::uint8_t sink[65536];
    for (std::int32_t n; (n = server_.Read(c, sink, sizeof sink)) > 0;) received_ += n;
  }
  void TransportDisconnected(TConnection) override {}
  void TransportFailed(TConnection) override {}

 private:
  TQtTransport server_;
  TQtTransport client_;
  TConnection in_ = -1;
  TConnection out_ = -1;
  bool up_ = false;
  std::int64_t received_ = 0;
};

// Baseline: 16 MB through one bare loopback connection in 4096-byte writes.
void BM_BareLoopbackThroughput(benchmark::State& state) {
  for (auto _ : state) {
    TBarePair pair;
    const std::vector<std::uint8_t> block(4096, 1);
    const auto start = std::chrono::steady_clock::now();
    std::int64_t sent = 0;
    while (pair.Received() < kStreamBytes) {
      while (sent < kStreamBytes) {
        const std::int32_t taken = pair.Send(
            block.data(), static_cast<std::int32_t>(std::min<std::int64_t>(4096, kStreamBytes - sent)));
        if (taken <= 0) break;
        sent += taken;
      }
      PumpEvents();
    }
    const double seconds = Seconds(start);
    state.SetIterationTime(seconds);
    state.counters["MB/s"] = kStreamBytes / 1048576.0 / seconds;
  }
}

// Host and three clients; each client streams 16 MB to all, as fast as the host relays
// (a client queues more only while the host holds less than 1 MB unsent). MB/s is what
// every receiving client gets (32 MB each, from the other two) per second.
void BM_RelayThroughput(benchmark::State& state) {
  for (auto _ : state) {
    TQtClock clock;
    TSessionHarness session([] { return std::make_unique<TQtTransport>(true); }, PumpEvents, clock);
    session.StartHost();
    for (const char* name : {"A", "B", "C"}) session.Join(name);
    std::vector<std::uint8_t> block(TMySocket::kMaxPayload, 2);
    std::vector<std::int64_t> queued(3, 0), received(3, 0);
    std::vector<std::uint8_t> sink(1 << 20);
    const std::int64_t expected = 2 * kStreamBytes;
    const auto start = std::chrono::steady_clock::now();
    auto done = [&] {
      return std::all_of(received.begin(), received.end(), [&](std::int64_t n) { return n >= expected; });
    };
    while (!done()) {
      for (std::size_t i = 0; i < 3; ++i) {
        TMySocket& client = session.Client(i);
        while (queued[i] < kStreamBytes && client.SendQueueSize() < (1 << 16) &&
               session.Host().SendQueueSize() < (1 << 20)) {
          queued[i] += client.SendData(-1, block.data(),
                                       static_cast<std::int32_t>(std::min<std::int64_t>(
                                           TMySocket::kMaxPayload, kStreamBytes - queued[i])));
        }
        for (std::int32_t slot = 1; slot <= 3; ++slot) {
          const std::int32_t n =
              std::min<std::int32_t>(client.DataAvailable(slot), static_cast<std::int32_t>(sink.size()));
          if (n > 0) received[i] += client.ReadData(slot, sink.data(), n);
        }
      }
      for (std::int32_t slot = 1; slot <= 3; ++slot) {
        const std::int32_t n = std::min<std::int32_t>(session.Host().DataAvailable(slot),
                                                      static_cast<std::int32_t>(sink.size()));
        if (n > 0) session.Host().ReadData(slot, sink.data(), n);
      }
      session.Step();
    }
    const double seconds = Seconds(start);
    state.SetIterationTime(seconds);
    state.counters["MB/s"] = expected / 1048576.0 / seconds;
  }
}

double Median(std::vector<double> samples) {
  std::sort(samples.begin(), samples.end());
  return samples[samples.size() / 2];
}

// Baseline: 100 bytes through a bare loopback connection, send to arrival.
void BM_BareLoopbackLatency(benchmark::State& state) {
  for (auto _ : state) {
    TBarePair pair;
    const std::vector<std::uint8_t> message(100, 3);
    std::vector<double> samples;
    for (int i = 0; i < kLatencySamples; ++i) {
      const std::int64_t target = pair.Received() + 100;
      const auto start = std::chrono::steady_clock::now();
      pair.Send(message.data(), 100);
      while (pair.Received() < target) PumpEvents();
      samples.push_back(Seconds(start));
    }
    state.SetIterationTime(Median(samples));
    state.counters["median_us"] = Median(samples) * 1e6;
  }
}

// 100 bytes from client A to client B through the host, send to arrival.
void BM_RelayLatency(benchmark::State& state) {
  for (auto _ : state) {
    TQtClock clock;
    TSessionHarness session([] { return std::make_unique<TQtTransport>(true); }, PumpEvents, clock);
    session.StartHost();
    for (const char* name : {"A", "B", "C"}) session.Join(name);
    TMySocket& a = session.Client(0);
    TMySocket& b = session.Client(1);
    const std::vector<std::uint8_t> message(100, 4);
    std::vector<std::uint8_t> sink(100);
    std::vector<double> samples;
    for (int i = 0; i < kLatencySamples; ++i) {
      const auto start = std::chrono::steady_clock::now();
      a.SendData(-1, message.data(), 100);
      session.RunUntil([&] { return b.DataAvailable(a.OwnId()) >= 100; });
      samples.push_back(Seconds(start));
      b.ReadData(a.OwnId(), sink.data(), 100);
    }
    state.SetIterationTime(Median(samples));
    state.counters["median_us"] = Median(samples) * 1e6;
  }
}

BENCHMARK(BM_BareLoopbackThroughput)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RelayThroughput)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareLoopbackLatency)->UseManualTime()->Iterations(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RelayLatency)->UseManualTime()->Iterations(1)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace vt

VT_QT_BENCHMARK_MAIN()
