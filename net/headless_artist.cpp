#include "net/headless_artist.h"

#include "brush/event_packet.h"

#include <algorithm>

namespace vt {

THeadlessArtist::THeadlessArtist(const TArtistParams& params)
    : params_(params), state_(params.Seed * 2654435761u + 1) {
  params_.PointsPerStroke = std::max(params_.PointsPerStroke, 2);
}

// A small linear congruential generator: the same seed draws the same strokes anywhere.
std::uint32_t THeadlessArtist::Next() {
  state_ = state_ * 1664525u + 1013904223u;
  return state_ >> 8;
}

void THeadlessArtist::Step(TDrawDocument& document, std::int32_t firstLayer, std::int32_t layers,
                           std::uint32_t now) {
  if (document.Paper.LayerManager == nullptr) return;
  if (point_ > 0) {
    if (now - last_ < params_.PointMs) return;
    last_ = now;
    AddPoint(document, point_ + 1 >= params_.PointsPerStroke);
    return;
  }
  if (drawn_ >= params_.Strokes || (started_ && now - last_ < params_.PauseMs)) return;
  started_ = true;
  last_ = now;
  Begin(document, firstLayer, layers);
}

void THeadlessArtist::Finish(TDrawDocument& document) {
  if (point_ > 0) AddPoint(document, true);
}

void THeadlessArtist::Begin(TDrawDocument& document, std::int32_t firstLayer, std::int32_t layers) {
  TPaper& paper = document.Paper;
  brush_.SetKind(TBrushKind::Pen);
  brush_.SetColour(Next() & 0xFFFFFFu);
  brush_.SetWIDTH(1.0f + static_cast<float>(Next() % 8));
  brush_.SetLayer(firstLayer +
                  static_cast<std::int32_t>(Next() % static_cast<std::uint32_t>(std::max(layers, 1))));
  TEventPacket::ApplyParams(TEventPacket::Quantized(TEventPacket::ParamsOf(brush_)), brush_);
  x_ = static_cast<std::int32_t>(Next() % static_cast<std::uint32_t>(paper.Width()));
  y_ = static_cast<std::int32_t>(Next() % static_cast<std::uint32_t>(paper.Height()));
  const float pressure = TEventPacket::QuantizedPressure(0.3f + static_cast<float>(Next() % 70) / 100.0f);
  document.OwnStream().RecordStrokeBegin(brush_, x_, y_, pressure);
  paper.BeginStroke(brush_, pressure, static_cast<float>(x_), static_cast<float>(y_));
  point_ = 1;
}

void THeadlessArtist::AddPoint(TDrawDocument& document, bool last) {
  TPaper& paper = document.Paper;
  x_ = std::clamp(x_ + static_cast<std::int32_t>(Next() % 13) - 6, 0, paper.Width() - 1);
  y_ = std::clamp(y_ + static_cast<std::int32_t>(Next() % 13) - 6, 0, paper.Height() - 1);
  // The pen lifts at the last sample: pressure 0.
  const float pressure =
      last ? 0.0f : TEventPacket::QuantizedPressure(0.2f + static_cast<float>(Next() % 80) / 100.0f);
  TEventPacket& own = document.OwnStream();
  own.RecordStrokePoint(x_, y_, pressure);
  paper.StrokeTo(brush_, pressure, static_cast<float>(x_), static_cast<float>(y_));
  ++point_;
  if (!last) return;
  own.RecordStrokeEnd();
  paper.EndStroke(brush_);
  ++document.StrokeCounter;
  ++drawn_;
  point_ = 0;
}

}  // namespace vt
