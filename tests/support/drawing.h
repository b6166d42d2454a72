#pragma once

#include <cstdint>
#include <vector>

#include "brush/event_packet.h"
#include "brush/stroke.h"
#include "document/paper.h"

namespace vt::test {

struct TSample {
  std::int32_t x;
  std::int32_t y;
  float pressure;
};

// Draws a stroke live on the paper and records it, the way the pen pipeline does: the
// brush draws with the values its record carries, the last point is lifted to pressure 0.
inline void DrawRecordedStroke(TPaper& paper, TEventPacket& recorder, TStroke& brush,
                               const std::vector<TSample>& samples) {
  TEventPacket::ApplyParams(TEventPacket::Quantized(TEventPacket::ParamsOf(brush)), brush);
  const TSample& first = samples.front();
  const float p0 = TEventPacket::QuantizedPressure(first.pressure);
  recorder.RecordStrokeBegin(brush, first.x, first.y, p0);
  paper.BeginStroke(brush, p0, static_cast<float>(first.x), static_cast<float>(first.y));
  for (std::size_t i = 1; i < samples.size(); ++i) {
    const TSample& s = samples[i];
    const float p = i + 1 == samples.size() ? 0.0f : TEventPacket::QuantizedPressure(s.pressure);
    recorder.RecordStrokePoint(s.x, s.y, p);
    paper.StrokeTo(brush, p, static_cast<float>(s.x), static_cast<float>(s.y));
  }
  recorder.RecordStrokeEnd();
  paper.EndStroke(brush);
}

// A wavy line of n samples from (x, y) with pressure rising and falling.
inline std::vector<TSample> Wave(std::int32_t x, std::int32_t y, std::int32_t n, std::int32_t step = 3) {
  std::vector<TSample> v;
  for (std::int32_t i = 0; i < n; ++i)
    v.push_back({x + i * step, y + (i % 7) * 2 - 6, 0.2f + 0.8f * static_cast<float>((i * 37) % 100) / 100.0f});
  return v;
}

// Replays a whole stream step by step on the paper, then recomposites once.
inline std::int32_t ReplayAll(TPaper& paper, TEventPacket& stream, TStroke& brush) {
  std::int32_t steps = 0;
  while (true) {
    const TApplyResult r = paper.ApplyEvent(stream, brush);
    ++steps;
    if (!r.continues) break;
    if (!stream.InStroke() && stream.PeekRecord().check == TRecordCheck::Incomplete) break;
  }
  paper.RecompositeAll();
  return steps;
}

inline std::vector<std::uint32_t> Pixels(const TPX& px) {
  std::vector<std::uint32_t> v;
  for (std::int32_t y = 0; y < px.Height; ++y)
    for (std::int32_t x = 0; x < px.Width; ++x) v.push_back(px.PixelAt(x, y) & 0xFFFFFFu);
  return v;
}

}  // namespace vt::test
