#include "document/pen_pipeline.h"

#include <algorithm>
#include <cmath>

namespace vt {

namespace {

// Keys that turn pointer samples into tool or shortcut input instead of drawing.
constexpr TKeyState kBlockingKeys{TKey::Shift, TKey::Space, TKey::Ctrl, TKey::Alt, TKey::M, TKey::X,
                                  TKey::A,     TKey::S,     TKey::D,    TKey::F,   TKey::E, TKey::R};

// Records hold signed 16-bit coordinates; a point beyond them is drawn where the record
// pins it, so the live stroke and its replay agree.
std::int32_t RecordRange(std::int32_t v) { return std::clamp<std::int32_t>(v, -32768, 32767); }

// Pressure 0..1 as the record carries it; NaN counts as 0.
float RecordPressure(float pressure) {
  const float p = pressure >= 0.0f ? std::min(pressure, 1.0f) : 0.0f;
  return TEventPacket::QuantizedPressure(p);
}

}  // namespace

TPenPipeline::TPenPipeline(TStroke& brush, TMsClock& clock)
    : SelectKind([&brush](TBrushKind kind) { brush.SetKind(kind); }), brush_(brush), clock_(clock) {}

TPointI TPenPipeline::PaperPoint(const TPenTarget& target, const TPenSample& sample) const {
  TPointI w{sample.x, sample.y};
  if (sample.screen) w = {sample.x - target.clientOrigin.x, sample.y - target.clientOrigin.y};
  const TPointI p = target.paper->Display.WindowToPaper(target.client, w);
  return {RecordRange(p.x), RecordRange(p.y)};
}

float TPenPipeline::SpacingThreshold(const TDisplay& display) const {
  if (brush_.WIDTH() > 5.0f) return brush_.EffectiveSize(brush_.HistoryPoint(0).pressure) / 4.0f + 2.0f;
  // Zoomed out, a window pixel covers more paper, so points are thinned further.
  if (display.Zoom == -2) return 4.0f;
  if (display.Zoom == -1) return 3.0f;
  return 2.0f;
}

void TPenPipeline::PenMove(TPenTarget& target, const TPenSample& sample, const TPenGate& gate) {
  if (!target.paper || !target.recorder || !gate.mainActive || gate.keys.Any(kBlockingKeys) ||
      target.playing || !gate.brushTool)
    return;
  const TPointI p = PaperPoint(target, sample);
  target.lastSample = clock_.NowMs();
  if (!target.penDown) return;
  const float pressure = RecordPressure(sample.pressure);
  TEventPacket& rec = *target.recorder;
  if (!rec.InStroke()) {
    StartStroke(target, p, pressure);
  } else if (rec.Points() <= MaxStrokePoints) {
    ContinueStroke(target, p, pressure);
  } else {
    rec.RecordStrokeEnd();
    target.paper->EndStroke(brush_);
  }
}

void TPenPipeline::StartStroke(TPenTarget& target, TPointI p, float pressure) {
  TPaper& paper = *target.paper;
  if (paper.LayerManager) brush_.SetLayer(paper.LayerManager->ActiveIndex);
  TEventPacket::ApplyParams(TEventPacket::Quantized(TEventPacket::ParamsOf(brush_)), brush_);
  paper.BeginStroke(brush_, pressure, static_cast<float>(p.x), static_cast<float>(p.y));
  target.recorder->RecordStrokeBegin(brush_, p.x, p.y, pressure);
}

void TPenPipeline::ContinueStroke(TPenTarget& target, TPointI p, float pressure) {
  const TStrokePoint last = brush_.HistoryPoint(0);
  const double dx = p.x - double{last.x}, dy = p.y - double{last.y};
  const bool early = target.recorder->Points() < 2;
  if (!early && std::sqrt(dx * dx + dy * dy) <= SpacingThreshold(target.paper->Display)) return;
  target.paper->StrokeTo(brush_, pressure, static_cast<float>(p.x), static_cast<float>(p.y));
  target.recorder->RecordStrokePoint(p.x, p.y, pressure);
}

void TPenPipeline::PenUp(TPenTarget& target, const TPenSample& sample) {
  if (!target.paper || !target.recorder || target.playing) return;
  if (sample.altitude < 0.0f && brush_.Kind() != TBrushKind::Eraser && !eraserSwitch_) {
    kindBeforeEraser_ = brush_.Kind();
    eraserSwitch_ = true;
    SelectKind(TBrushKind::Eraser);
  }
  if (!target.recorder->InStroke()) return;
  const TPointI p = PaperPoint(target, sample);
  target.paper->StrokeTo(brush_, 0.0f, static_cast<float>(p.x), static_cast<float>(p.y));
  target.recorder->RecordStrokePoint(p.x, p.y, 0.0f);
  CloseStroke(target);
}

void TPenPipeline::CloseStroke(TPenTarget& target) {
  target.recorder->RecordStrokeEnd();
  target.paper->EndStroke(brush_);
  target.lastSample = clock_.NowMs();
  target.strokeCount += 1;
}

void TPenPipeline::TabletMessage(TPenTarget& target, const TPressureSource& tablet, bool packetRead,
                                 const TPenGate& gate) {
  if (!tablet.InProximity() && eraserSwitch_) {
    eraserSwitch_ = false;
    SelectKind(kindBeforeEraser_);
  }
  if (!packetRead) return;
  TPenSample s{TruncToInt(tablet.X()), TruncToInt(tablet.Y()), true, tablet.NormalAltitude(),
               tablet.NormalPressure()};
  if (s.pressure != 0.0f)
    PenMove(target, s, gate);
  else
    PenUp(target, s);
}

void TPenPipeline::MouseMove(TPenTarget& target, TPointI client, const TPressureSource* tablet,
                             const TPenGate& gate) {
  if (tablet && tablet->Available() && tablet->InProximity()) return;
  const TPenSample s{client.x, client.y, false, 1.0f, 1.0f};
  if (target.penDown)
    PenMove(target, s, gate);
  else
    PenUp(target, s);
}

void TPenPipeline::MouseUp(TPenTarget& target, TPointI client) {
  PenUp(target, {client.x, client.y, false, 0.0f, 0.0f});
}

}  // namespace vt
