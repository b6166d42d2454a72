#pragma once

#include "brush/stroke.h"
#include "document/draw_document.h"

#include <cstdint>

namespace vt {

struct TArtistParams {
  std::int32_t Strokes = 0;
  std::int32_t PointsPerStroke = 16;
  std::uint32_t PointMs = 10;   // between two samples of a stroke
  std::uint32_t PauseMs = 150;  // between two strokes
  std::uint32_t Seed = 1;
};

// A member without a user: draws generated pen strokes on its own block of layers, one
// sample per call when one is due, the way the pen pipeline draws and records them (the
// brush draws with exactly what its record carries, so every replay gives its pixels).
class THeadlessArtist {
 public:
  explicit THeadlessArtist(const TArtistParams& params);

  // Draws what is due at `now` into the document's own stream and own layers
  // firstLayer .. firstLayer + layers - 1.
  void Step(TDrawDocument& document, std::int32_t firstLayer, std::int32_t layers, std::uint32_t now);
  // Ends an open stroke at once.
  void Finish(TDrawDocument& document);
  bool Done() const { return drawn_ >= params_.Strokes && point_ == 0; }
  bool InStroke() const { return point_ > 0; }
  std::int32_t StrokesDrawn() const { return drawn_; }

 private:
  std::uint32_t Next();
  void Begin(TDrawDocument& document, std::int32_t firstLayer, std::int32_t layers);
  void AddPoint(TDrawDocument& document, bool last);

  TArtistParams params_;
  TStroke brush_;
  std::uint32_t state_;
  std::int32_t drawn_ = 0;
  std::int32_t point_ = 0;  // samples drawn of the open stroke; 0 when none is open
  std::int32_t x_ = 0, y_ = 0;
  std::uint32_t last_ = 0;
  bool started_ = false;
};

}  // namespace vt
