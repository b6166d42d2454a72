#include "brush/stroke.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "raster/dab.h"

namespace vt {

// The walk of one segment: the current position along the major and minor axes and the
// pressure, each moved by its own float32 increment per step.
struct TStroke::TWalk {
  bool majorX = false;
  float major = 0.0f;
  float minor = 0.0f;
  float X() const { return majorX ? major : minor; }
  float Y() const { return majorX ? minor : major; }
};

struct TStroke::TRenderTarget {
  TBlockImage& work;
  TBlockChannel& mask;
  const TBlockImage& layer;
};

namespace {

// Dab radii beyond any a recorded brush can give (WIDTH 200 at a MIN of 256 %) are cut
// here, and NaN draws nothing, so a hostile parameter cannot make a dab unbounded.
constexpr float kMaxDabRadius = 1024.0f;

float SafeSize(float size) {
  if (!(size == size)) return 0.0f;
  return std::clamp(size, -kMaxDabRadius, kMaxDabRadius);
}

// trunc(v) + 1, at least 1, so that the modulo of the dab spacing is always defined.
std::int32_t Interval(double v) {
  const std::int64_t n = std::int64_t{TruncToInt(v)} + 1;
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(n, 1, std::numeric_limits<std::int32_t>::max()));
}

// A blend opacity from a product that may leave the byte range.
std::uint8_t OpacityByte(double v) { return static_cast<std::uint8_t>(std::clamp(TruncToInt(v), 0, 255)); }

std::uint32_t Channel(float v) { return static_cast<std::uint32_t>(std::clamp(TruncToInt(v), 0, 255)); }

bool Finite(const TStrokePoint& p) {
  return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.pressure);
}

}  // namespace

// --- Stroke start and history ----------------------------------------------------------

void TStroke::StartStroke(const TBlockImage& layerBlock, std::int32_t layerType, float x, float y) {
  stepCounter_ = 0;
  strokeDistance_ = 0.0f;
  strokeRect_.Reset();
  segmentRect_.Reset();
  history_.fill(TStrokePoint{x, y, 0.0f});
  if (kind_ == TBrushKind::Watercolor) PickCanvasColour(layerBlock, layerType, x, y);
}

void TStroke::PickCanvasColour(const TBlockImage& layerBlock, std::int32_t layerType, float x, float y) {
  // The sample coordinates are clamped into the paper, so limiting the centre first only
  // keeps the +-5 offsets from overflowing.
  constexpr std::int32_t kFar = 1 << 24;
  const std::int32_t cx = std::clamp(TruncToInt(x), -kFar, kFar);
  const std::int32_t cy = std::clamp(TruncToInt(y), -kFar, kFar);
  std::int32_t b = 0, g = 0, r = 0, a = 0;
  for (std::int32_t j = cy - 5; j <= cy + 5; ++j)
    for (std::int32_t i = cx - 5; i <= cx + 5; ++i) layerBlock.SamplePixel(i, j, true, b, g, r, a);
  b /= 121;
  g /= 121;
  r /= 121;
  a /= 121;
  if (layerType == 3) {
    // A layer of type 3 shows its colours lightened by their transparency.
    r += ((255 - r) * (255 - a)) >> 8;
    g += ((255 - g) * (255 - a)) >> 8;
    b += ((255 - b) * (255 - a)) >> 8;
  }
  pickedColour_ = static_cast<std::uint32_t>(a) << 24 | static_cast<std::uint32_t>(r) << 16 |
                  static_cast<std::uint32_t>(g) << 8 | static_cast<std::uint32_t>(b);
  environment_ = {static_cast<float>(r), static_cast<float>(g), static_cast<float>(b)};
  scratch_.BlendPixel(0, 0, 255, pickedColour_ | 0xFF000000u);
  scratch_.SetPixel(0, 0, scratch_.PixelAt(0, 0) | 0xFF000000u);
  // The higher EFFECT, the more of the canvas colour the paint keeps.
  scratch_.BlendPixel(0, 0, OpacityByte(255.0 - TruncToInt(params_.EFFECT / 100.0 * 255.0)), colour_);
}

void TStroke::AddPoint(float x, float y, float pressure) {
  std::copy_backward(history_.begin(), history_.end() - 1, history_.end());
  history_[0] = {x, y, pressure};
  TStrokePoint& mid = history_[1];
  const TStrokePoint& older = history_[2];
  mid.x = static_cast<float>((double{x} + older.x) / 2.0);
  mid.y = static_cast<float>((double{y} + older.y) / 2.0);
  mid.pressure = static_cast<float>((double{pressure} + older.pressure) / 2.0);
}

TStrokePoint TStroke::HistoryPoint(std::int32_t i) const {
  return history_[static_cast<std::size_t>(std::clamp(i, 0, HistorySize - 1))];
}

// --- Segments ------------------------------------------------------------------------

void TStroke::RenderSegment(TBlockImage& workImage, TBlockChannel& mask, const TBlockImage& layerBlock) {
  TStrokePoint s = history_[2], e = history_[1];
  s.pressure = PressureCurve(s.pressure);
  e.pressure = PressureCurve(e.pressure);
  RenderBetween({workImage, mask, layerBlock}, s, e);
}

void TStroke::RenderLine(TBlockImage& workImage, TBlockChannel& mask, const TBlockImage& layerBlock, float x,
                         float y) {
  const TStrokePoint s{history_[0].x, history_[0].y, 1.0f}, e{x, y, 1.0f};
  RenderBetween({workImage, mask, layerBlock}, s, e);
  std::copy_backward(history_.begin(), history_.end() - 1, history_.end());
  history_[0] = e;
}

std::int32_t TStroke::DabInterval(float pS, float pE) const {
  switch (kind_) {
    case TBrushKind::Pen:
      return std::min(Interval(EffectiveSize(pS) / 8.0), Interval(EffectiveSize(pE) / 8.0));
    case TBrushKind::Watercolor:
      return Interval(params_.WIDTH / 12.0);
    case TBrushKind::Blur:
    case TBrushKind::NewBlur:
    case TBrushKind::Eraser:
      return Interval(params_.WIDTH / 4.0);
  }
  return 1;
}

bool TStroke::HalfSteps(float pS, float pE) const {
  if (kind_ == TBrushKind::Eraser) return params_.WIDTH < 3.0f;
  if (kind_ != TBrushKind::Pen) return false;
  if (params_.ifSIZE) return EffectiveSize(pS) < 2.0f || EffectiveSize(pE) < 2.0f;
  return params_.WIDTH < 2.0f;
}

// Walks from s to e one unit (or half unit) along the major axis; every n-th step of the
// whole stroke draws a dab, so the spacing runs on across segments.
void TStroke::RenderBetween(const TRenderTarget& target, TStrokePoint s, TStrokePoint e) {
  segmentRect_.Reset();
  if (!Finite(s) || !Finite(e)) return;
  const bool majorX = std::fabs(double{e.x} - s.x) > std::fabs(double{e.y} - s.y);
  const float majorS = majorX ? s.x : s.y, majorE = majorX ? e.x : e.y;
  const float minorS = majorX ? s.y : s.x, minorE = majorX ? e.y : e.x;
  const double d = std::fabs(double{majorE} - majorS);
  if (!(d < static_cast<double>(MaxSegmentSteps))) return;

  const double half = params_.WIDTH + 2.0;
  strokeRect_.AddSquare(s.x, s.y, static_cast<float>(half));
  strokeRect_.AddSquare(e.x, e.y, static_cast<float>(half));

  const std::int32_t n = DabInterval(s.pressure, e.pressure);
  const std::int64_t units = std::int64_t{TruncToInt(d)} + 1;
  float majorStep = majorS <= majorE ? 1.0f : -1.0f;
  const float slope =
      majorE == majorS ? 0.0f : static_cast<float>((double{minorE} - minorS) / (double{majorE} - majorS));
  float minorStep = majorStep < 0.0f ? -slope : slope;
  float pressureStep = d == 0.0 ? 0.0f : static_cast<float>((double{e.pressure} - s.pressure) / d);
  std::int64_t steps = units;
  if (HalfSteps(s.pressure, e.pressure)) {
    steps *= 2;
    majorStep *= 0.5f;
    minorStep *= 0.5f;
    pressureStep *= 0.5f;
  }
  const double dx = double{e.x} - s.x, dy = double{e.y} - s.y;
  const float length = static_cast<float>(std::sqrt(dx * dx + dy * dy));
  const double distancePerStep = double{length} / static_cast<double>(units) * 4.0;

  TWalk walk{majorX, majorS, minorS};
  float pressure = s.pressure;
  for (std::int64_t i = 0; i < steps; ++i) {
    if (stepCounter_ % n == 0) DrawDab(target, walk, pressure);
    walk.minor += minorStep;
    pressure += pressureStep;
    walk.major += majorStep;
    ++stepCounter_;
    strokeDistance_ = static_cast<float>(strokeDistance_ + distancePerStep * pressure);
  }
  // A dab larger than WIDTH (MIN above 100 %) still lies inside the merged rectangle.
  strokeRect_.Add(segmentRect_);
}

// --- Dabs ----------------------------------------------------------------------------

void TStroke::DrawDab(const TRenderTarget& target, const TWalk& walk, float& pressure) {
  // The clamped pressure carries on to the following steps.
  pressure = pressure == pressure ? std::clamp(pressure, 0.0f, 1.0f) : 0.0f;
  const float p = pressure;
  const float cx = walk.X() + 0.5f, cy = walk.Y() + 0.5f;
  const float width = params_.WIDTH;
  float size = width;
  switch (kind_) {
    case TBrushKind::Pen:
      size = PenDab(target, walk, p, cx, cy);
      break;
    case TBrushKind::Watercolor:
      size = WatercolourDab(target, p, cx, cy);
      break;
    case TBrushKind::Blur:
      BlurDisc(target.work, target.layer, TruncToInt(double{width} * params_.EFFECT / 100.0), width, cx, cy);
      break;
    case TBrushKind::Eraser:
      ColourDisc(target.work, target.layer.BackColor, params_.ifEDGE, params_.ifTRANSPARENCY ? p : 1.0f,
                 width, cx, cy);
      break;
    case TBrushKind::NewBlur:
      MaskDisc(target.mask, static_cast<std::uint8_t>(TruncToInt(32.0 * p)), true, true, 1.0f, width, cx, cy);
      break;
  }
  segmentRect_.AddSquare(cx, cy, static_cast<float>(double{size} + 2.0));
  ++dabsDrawn_;
}

// A disc for sizes above 1 and, below 8, a span across the direction of travel, so that
// thin pens stay continuous without needing anti-aliased discs below one pixel.
float TStroke::PenDab(const TRenderTarget& target, const TWalk& walk, float p, float cx, float cy) {
  const float opacity = params_.ifTRANSPARENCY ? p : 1.0f;
  const float size = SafeSize(EffectiveSize(p));
  if (size > 1.0f) MaskDisc(target.mask, 255, true, false, opacity, size, cx, cy);
  if (size < 8.0f) {
    if (walk.majorX)
      MaskSpan(target.mask, TSpanOrientation::Vertical, TruncToInt(cx), 255, true, opacity,
               static_cast<float>(double{cy} - size), static_cast<float>(double{cy} + size));
    else
      MaskSpan(target.mask, TSpanOrientation::Horizontal, TruncToInt(cy), 255, true, opacity,
               static_cast<float>(double{cx} - size), static_cast<float>(double{cx} + size));
  }
  return size;
}

// The paint colour drifts toward the pure brush colour as the stroke runs on (relative
// to SPEED and WIDTH), and toward the canvas around the dab by ENV.
float TStroke::WatercolourDab(const TRenderTarget& target, float p, float cx, float cy) {
  const double width = params_.WIDTH;
  const float size =
      SafeSize(params_.ifSIZE ? static_cast<float>(width / 3.0 + width / 3.0 * 2.0 * p) : params_.WIDTH);
  const float opacity = params_.ifTRANSPARENCY ? static_cast<float>(0.35 * p) : 0.35f;
  const double reach = double{params_.SPEED} * width * 2.0;
  const double exhaustion = reach == 0.0 ? 1.0 : std::clamp(strokeDistance_ / reach, 0.0, 1.0);
  scratch_.BlendPixel(1, 0, 255, scratch_.PixelAt(0, 0));
  scratch_.BlendPixel(1, 0, OpacityByte(255.0 * static_cast<float>(exhaustion)), colour_);

  std::int32_t b = 0, g = 0, r = 0, a = 0;
  const double far = double{size} + 1.0;
  const std::int32_t ix = TruncToInt(cx), iy = TruncToInt(cy);
  target.work.SamplePixel(ix, TruncToInt(cy + far), false, b, g, r, a);
  target.work.SamplePixel(ix, TruncToInt(cy - far), true, b, g, r, a);
  target.work.SamplePixel(TruncToInt(cx + far), iy, true, b, g, r, a);
  target.work.SamplePixel(TruncToInt(cx - far), iy, true, b, g, r, a);
  const std::array<std::int32_t, 3> sample{r >> 2, g >> 2, b >> 2};

  const float step = static_cast<float>(params_.ENV / 10.0);
  for (std::size_t c = 0; c < 3; ++c) {
    float& env = environment_[c];
    const auto seen = static_cast<float>(sample[c]);
    if (std::fabs(double{seen} - env) < step)
      env = seen;
    else
      env = static_cast<float>(env + (seen > env ? double{step} : -double{step}));
  }
  const std::uint32_t envColour =
      0xFF000000u | Channel(environment_[0]) << 16 | Channel(environment_[1]) << 8 | Channel(environment_[2]);
  scratch_.BlendPixel(1, 0, OpacityByte(params_.ENV / 100.0 * 255.0), envColour);
  ColourDisc(target.work, scratch_.PixelAt(1, 0) | 0xFF000000u, params_.ifEDGE, opacity, size, cx, cy);
  return size;
}

}  // namespace vt
