#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "brush/rect_region.h"
#include "brush/settings_store.h"
#include "raster/block_channel.h"
#include "raster/block_image.h"
#include "raster/helpers.h"
#include "raster/px.h"

namespace vt {

// Brush kinds; the byte values are recorded in stroke events.
enum class TBrushKind : std::uint8_t { Pen = 0, Watercolor = 1, Blur = 2, Eraser = 3, NewBlur = 4 };

// The brush parameters, for the predicate that says which kinds use which.
enum class TBrushParam { MIN, WIDTH, GAMMA, EFFECT, ENV, SPEED, ifSIZE, ifTRANSPARENCY, ifEDGE };

// The numeric parameters and switches of a brush.
struct TBrushParams {
  float MIN = 75.0f;    // minimum size, percent of WIDTH
  float WIDTH = 1.5f;   // dab radius in paper pixels, 0.1..200
  float GAMMA = 1.0f;   // pressure exponent
  float EFFECT = 0.0f;  // percent
  float ENV = 0.0f;     // percent
  float SPEED = 0.0f;   // percent
  bool ifSIZE = true;
  bool ifTRANSPARENCY = true;
  bool ifEDGE = false;
};

// One input point of a stroke.
struct TStrokePoint {
  float x = 0.0f;
  float y = 0.0f;
  float pressure = 0.0f;
};

// A brush and its stroke renderer. The brush state (kind, colour, target layer and
// parameters) changes only through the setters; the renderer turns the points of one
// stroke at a time into dabs in a layer's working copy and stroke mask. The pixels it
// produces are replayed from recorded strokes on every copy of a drawing, so its
// arithmetic is fixed: named quantities are float32, products are formed in double, and
// every float-to-integer conversion truncates toward zero.
class TStroke {
 public:
  static constexpr std::int32_t HistorySize = 8;
  // A segment needing more unit steps than this is not drawn. Replayed coordinates stay
  // within 16 bits times a replay factor of at most 5, far below it.
  static constexpr std::int64_t MaxSegmentSteps = std::int64_t{1} << 22;

  TStroke();

  // --- Brush state ---------------------------------------------------------------

  TBrushKind Kind() const { return kind_; }
  std::uint32_t Colour() const { return colour_; }
  std::int32_t Layer() const { return layer_; }
  const TBrushParams& Params() const { return params_; }
  float MIN() const { return params_.MIN; }
  float WIDTH() const { return params_.WIDTH; }
  float GAMMA() const { return params_.GAMMA; }
  float EFFECT() const { return params_.EFFECT; }
  float ENV() const { return params_.ENV; }
  float SPEED() const { return params_.SPEED; }
  bool ifSIZE() const { return params_.ifSIZE; }
  bool ifTRANSPARENCY() const { return params_.ifTRANSPARENCY; }
  bool ifEDGE() const { return params_.ifEDGE; }

  // Raised by every setter that changes a value (not by the adders, not by SetLayer).
  bool Changed() const { return changed_; }
  void ClearChanged() { changed_ = false; }

  // A kind code outside 0..4 selects the pen.
  void SetKind(TBrushKind kind);
  void SetKind(std::int32_t code);
  // Only the low 24 bits (0x00RRGGBB) are kept.
  void SetColour(std::uint32_t colour);
  void SetLayer(std::int32_t layer) { layer_ = layer; }
  // Non-finite values are ignored by every numeric setter and adder.
  void SetMIN(float v);     // stored as given
  void SetWIDTH(float v);   // clamped to 0.1..200
  void SetGAMMA(float v);   // <= 0 becomes 0.01, > 6 becomes 6
  void SetEFFECT(float v);  // stored as given
  void SetENV(float v);     // stored as given
  void SetSPEED(float v);   // stored as given
  void SetifSIZE(bool v);
  void SetifTRANSPARENCY(bool v);
  void SetifEDGE(bool v);

  // Step buttons of the brush window: add, then clamp (WIDTH 0.1..200, the others 0..100).
  void AddMIN(float d);
  void AddWIDTH(float d);
  void AddEFFECT(float d);
  void AddENV(float d);
  void AddSPEED(float d);

  // Whether a kind reads the parameter (what the brush window shows).
  static bool Uses(TBrushKind kind, TBrushParam param);

  // The dab size for a pressure: for the pen and the watercolour with ifSIZE on,
  // m + pressure * (WIDTH - m) with m = WIDTH * MIN / 100; otherwise WIDTH.
  float EffectiveSize(float pressure) const;
  // pressure ^ GAMMA clamped to 0..1; a pressure of 0 (or GAMMA 0) is returned as is.
  float PressureCurve(float pressure) const;

  // Slider positions 0..80 map widths 0..40 one to one and 40..200 four to one.
  static float SliderToWidth(float s);
  static float WidthToSlider(float w);

  // Presets live under kSettingsRootKey + "\" + key word + number ("pen1", "wc5",
  // "blur2", "blur22"). Loading resets the parameters to the kind's defaults, then
  // applies the values the store holds; the kind and the colour are not part of a preset.
  static const char* KeyWord(TBrushKind kind);
  static std::string PresetKey(TBrushKind kind, std::int32_t number);
  void LoadPreset(TSettingsStore& store, TBrushKind kind, std::int32_t number);
  void SavePreset(TSettingsStore& store, TBrushKind kind, std::int32_t number) const;

  // --- Rendering -------------------------------------------------------------------

  // Begins a stroke (or a straight line) at (x, y): resets the step counter, the stroke
  // distance and the stroke rectangle and fills the history with (x, y) at pressure 0.
  // The watercolour picks its paint colour from the layer block around the point;
  // layerType is the layer's mode.
  void StartStroke(const TBlockImage& layerBlock, std::int32_t layerType, float x, float y);
  // Pushes a point into the history and smooths the previous one.
  void AddPoint(float x, float y, float pressure);
  // Renders from history point 2 to history point 1 into the working copy and the stroke
  // mask; the former blur reads the layer block, the eraser takes its BackColor.
  void RenderSegment(TBlockImage& workImage, TBlockChannel& mask, const TBlockImage& layerBlock);
  // A straight line after StartStroke: the segment from history point 0 (the start
  // point) to (x, y), pressure 1 at both ends, no pressure curve. (x, y) at pressure 1
  // then becomes the newest history point.
  void RenderLine(TBlockImage& workImage, TBlockChannel& mask, const TBlockImage& layerBlock, float x,
                  float y);

  // Dirty rectangles as x = left, y = top, w = right - left, h = bottom - top (see
  // TRectRegion::Reported): the last rendered segment and the whole stroke.
  TIntRect SegmentRect() const { return segmentRect_.Reported(); }
  TIntRect StrokeRect() const { return strokeRect_.Reported(); }
  const TRectRegion& SegmentRegion() const { return segmentRect_; }
  const TRectRegion& StrokeRegion() const { return strokeRect_; }

  // History entry i (0 newest, up to HistorySize - 1).
  TStrokePoint HistoryPoint(std::int32_t i) const;
  // Unit steps walked since the stroke start (the dab spacing runs on this count).
  std::int64_t StepCounter() const { return stepCounter_; }
  // Dabs drawn since construction.
  std::int64_t DabsDrawn() const { return dabsDrawn_; }
  // Watercolour state: pressure-weighted distance, canvas colour picked at the start
  // (0xAARRGGBB), paint colour (picked colour moved toward the brush colour).
  float StrokeDistance() const { return strokeDistance_; }
  std::uint32_t PickedColour() const { return pickedColour_; }
  std::uint32_t PaintColour() const { return scratch_.PixelAt(0, 0); }

 private:
  struct TWalk;
  struct TRenderTarget;

  bool ChangeFloat(float& field, float v);
  void ChangeBool(bool& field, bool v);

  void PickCanvasColour(const TBlockImage& layerBlock, std::int32_t layerType, float x, float y);
  void RenderBetween(const TRenderTarget& target, TStrokePoint s, TStrokePoint e);
  std::int32_t DabInterval(float pS, float pE) const;
  bool HalfSteps(float pS, float pE) const;
  void DrawDab(const TRenderTarget& target, const TWalk& walk, float& pressure);
  float PenDab(const TRenderTarget& target, const TWalk& walk, float p, float cx, float cy);
  float WatercolourDab(const TRenderTarget& target, float p, float cx, float cy);

  bool changed_ = false;
  std::uint32_t colour_ = 0;
  std::int32_t layer_ = 0;
  TBrushKind kind_ = TBrushKind::Pen;
  TBrushParams params_;

  TRectRegion segmentRect_;
  TRectRegion strokeRect_;
  std::array<TStrokePoint, HistorySize> history_{};
  std::uint32_t pickedColour_ = 0;
  std::int64_t stepCounter_ = 0;
  std::int64_t dabsDrawn_ = 0;
  float strokeDistance_ = 0.0f;
  // Pixel 0: the paint colour; pixel 1: the mixed colour of the current dab.
  TPX scratch_;
  std::array<float, 3> environment_{};  // red, green, blue
};

}  // namespace vt
