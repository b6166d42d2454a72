#include "brush/stroke.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

namespace vt {

namespace {

constexpr float kMinWidth = 0.1f;
constexpr float kMaxWidth = 200.0f;

// Range of the percent parameters as the brush window sets them; preset values outside
// it (a hand-edited store) are pulled into it.
constexpr float kPercentMax = 100.0f;

bool Finite(float v) { return std::isfinite(v); }

// A preset number pulled into [lo, hi]; nothing when the value is missing or not finite
// (the store hands back the NaN default for a non-finite value).
std::optional<float> ReadPresetNumber(TSettingsStore& store, const std::string& key, const char* name,
                                      double lo, double hi) {
  if (!store.ValueExists(key, name)) return std::nullopt;
  const double v = store.ReadFloat(key, name, std::numeric_limits<double>::quiet_NaN());
  if (!std::isfinite(v)) return std::nullopt;
  return static_cast<float>(std::clamp(v, lo, hi));
}

float ClampWidth(float v) { return std::clamp(v, kMinWidth, kMaxWidth); }

}  // namespace

TStroke::TStroke() {
  scratch_.SetSize(2, 1);
  segmentRect_.Reset();
  strokeRect_.Reset();
}

// --- Setters ---------------------------------------------------------------------

bool TStroke::ChangeFloat(float& field, float v) {
  if (field == v) return false;
  field = v;
  changed_ = true;
  return true;
}

void TStroke::ChangeBool(bool& field, bool v) {
  if (field == v) return;
  field = v;
  changed_ = true;
}

void TStroke::SetKind(TBrushKind kind) { SetKind(static_cast<std::int32_t>(kind)); }

void TStroke::SetKind(std::int32_t code) {
  const auto kind = (code >= 0 && code <= 4) ? static_cast<TBrushKind>(code) : TBrushKind::Pen;
  if (kind == kind_) return;
  kind_ = kind;
  changed_ = true;
}

void TStroke::SetColour(std::uint32_t colour) {
  colour &= 0xFFFFFFu;
  if (colour == colour_) return;
  colour_ = colour;
  changed_ = true;
}

void TStroke::SetMIN(float v) {
  if (Finite(v)) ChangeFloat(params_.MIN, v);
}

void TStroke::SetWIDTH(float v) {
  if (Finite(v)) ChangeFloat(params_.WIDTH, ClampWidth(v));
}

void TStroke::SetGAMMA(float v) {
  if (!Finite(v)) return;
  if (v <= 0.0f) v = 0.01f;
  if (v > 6.0f) v = 6.0f;
  ChangeFloat(params_.GAMMA, v);
}

void TStroke::SetEFFECT(float v) {
  if (Finite(v)) ChangeFloat(params_.EFFECT, v);
}

void TStroke::SetENV(float v) {
  if (Finite(v)) ChangeFloat(params_.ENV, v);
}

void TStroke::SetSPEED(float v) {
  if (Finite(v)) ChangeFloat(params_.SPEED, v);
}

void TStroke::SetifSIZE(bool v) { ChangeBool(params_.ifSIZE, v); }
void TStroke::SetifTRANSPARENCY(bool v) { ChangeBool(params_.ifTRANSPARENCY, v); }
void TStroke::SetifEDGE(bool v) { ChangeBool(params_.ifEDGE, v); }

// --- Adders ------------------------------------------------------------------------

void TStroke::AddMIN(float d) {
  if (Finite(d)) params_.MIN = std::clamp(params_.MIN + d, 0.0f, kPercentMax);
}

void TStroke::AddWIDTH(float d) {
  if (Finite(d)) params_.WIDTH = ClampWidth(params_.WIDTH + d);
}

void TStroke::AddEFFECT(float d) {
  if (Finite(d)) params_.EFFECT = std::clamp(params_.EFFECT + d, 0.0f, kPercentMax);
}

void TStroke::AddENV(float d) {
  if (Finite(d)) params_.ENV = std::clamp(params_.ENV + d, 0.0f, kPercentMax);
}

void TStroke::AddSPEED(float d) {
  if (Finite(d)) params_.SPEED = std::clamp(params_.SPEED + d, 0.0f, kPercentMax);
}

// --- Derived values --------------------------------------------------------------

bool TStroke::Uses(TBrushKind kind, TBrushParam param) {
  const bool pen = kind == TBrushKind::Pen, wc = kind == TBrushKind::Watercolor;
  switch (param) {
    case TBrushParam::WIDTH:
    case TBrushParam::GAMMA:
      return true;
    case TBrushParam::MIN:
      return pen;
    case TBrushParam::ifSIZE:
      return pen || wc;
    case TBrushParam::ifTRANSPARENCY:
      return pen || wc || kind == TBrushKind::Eraser;
    case TBrushParam::ifEDGE:
      return wc || kind == TBrushKind::Eraser;
    case TBrushParam::EFFECT:
      return wc || kind == TBrushKind::Blur;
    case TBrushParam::ENV:
    case TBrushParam::SPEED:
      return wc;
  }
  return false;
}

float TStroke::EffectiveSize(float pressure) const {
  const bool varies = kind_ == TBrushKind::Pen || kind_ == TBrushKind::Watercolor;
  if (!varies || !params_.ifSIZE) return params_.WIDTH;
  const float m = static_cast<float>(double{params_.WIDTH} * params_.MIN / 100.0);
  return static_cast<float>(m + double{pressure} * (double{params_.WIDTH} - m));
}

float TStroke::PressureCurve(float pressure) const {
  if (pressure == 0.0f || params_.GAMMA == 0.0f) return pressure;
  const double r = std::pow(double{pressure}, double{params_.GAMMA});
  // A negative pressure with a fractional exponent has no real power: no pressure.
  if (std::isnan(r)) return 0.0f;
  return static_cast<float>(std::clamp(r, 0.0, 1.0));
}

float TStroke::SliderToWidth(float s) {
  if (s < 0.0f) return 0.1f;
  if (s < 40.0f) return s;
  return static_cast<float>((double{s} - 40.0) * 4.0 + 40.0);
}

float TStroke::WidthToSlider(float w) {
  if (w < 0.0f) return 0.1f;
  if (w < 40.0f) return w;
  return static_cast<float>((double{w} - 40.0) / 160.0 * 40.0 + 40.0);
}

// --- Presets -----------------------------------------------------------------------

const char* TStroke::KeyWord(TBrushKind kind) {
  switch (kind) {
    case TBrushKind::Pen:
      return "pen";
    case TBrushKind::Watercolor:
      return "wc";
    case TBrushKind::Blur:
      return "blur";
    case TBrushKind::Eraser:
      return "erase";
    case TBrushKind::NewBlur:
      return "blur2";
  }
  return "pen";
}

std::string TStroke::PresetKey(TBrushKind kind, std::int32_t number) {
  return std::string(kSettingsRootKey) + "\\" + KeyWord(kind) + std::to_string(number);
}

void TStroke::LoadPreset(TSettingsStore& store, TBrushKind kind, std::int32_t number) {
  SetMIN(0.0f);
  SetWIDTH(0.0f);
  SetEFFECT(0.0f);
  SetENV(0.0f);
  SetSPEED(0.0f);
  SetifSIZE(false);
  SetifTRANSPARENCY(false);
  SetifEDGE(false);
  SetGAMMA(1.0f);
  switch (kind) {
    case TBrushKind::Pen:
      SetMIN(75.0f);
      SetWIDTH(1.5f);
      SetifSIZE(true);
      SetifTRANSPARENCY(true);
      break;
    case TBrushKind::Watercolor:
      SetWIDTH(16.0f);
      SetEFFECT(65.0f);
      SetENV(40.0f);
      SetSPEED(30.0f);
      SetifSIZE(true);
      SetifTRANSPARENCY(true);
      break;
    case TBrushKind::Blur:
      SetEFFECT(5.0f);
      SetWIDTH(12.0f);
      break;
    case TBrushKind::Eraser:
      SetWIDTH(12.0f);
      SetifTRANSPARENCY(true);
      SetifEDGE(true);
      break;
    case TBrushKind::NewBlur:
      SetWIDTH(12.0f);
      break;
  }

  const std::string key = PresetKey(kind, number);
  // Percent values are kept to the range the brush window gives them and GAMMA to the
  // range its setter allows, so that a stroke recorded with a preset replays exactly
  // as it was drawn (a recorded parameter is a 16-bit word of value * 256).
  const auto readNumber = [&](const char* name, double lo, double hi, void (TStroke::*set)(float)) {
    if (const auto v = ReadPresetNumber(store, key, name, lo, hi)) (this->*set)(*v);
  };
  readNumber("MIN", 0.0, kPercentMax, &TStroke::SetMIN);
  readNumber("WIDTH", kMinWidth, kMaxWidth, &TStroke::SetWIDTH);
  readNumber("GAMMA", 0.0, 6.0, &TStroke::SetGAMMA);
  readNumber("EFFECT", 0.0, kPercentMax, &TStroke::SetEFFECT);
  readNumber("ENV", 0.0, kPercentMax, &TStroke::SetENV);
  readNumber("SPEED", 0.0, kPercentMax, &TStroke::SetSPEED);
  const auto readSwitch = [&](const char* name, void (TStroke::*set)(bool), bool current) {
    if (store.ValueExists(key, name)) (this->*set)(store.ReadInteger(key, name, current ? 1 : 0) != 0);
  };
  readSwitch("ifSIZE", &TStroke::SetifSIZE, params_.ifSIZE);
  readSwitch("ifTRANSPARENCY", &TStroke::SetifTRANSPARENCY, params_.ifTRANSPARENCY);
  readSwitch("ifEDGE", &TStroke::SetifEDGE, params_.ifEDGE);
}

void TStroke::SavePreset(TSettingsStore& store, TBrushKind kind, std::int32_t number) const {
  const std::string key = PresetKey(kind, number);
  store.WriteFloat(key, "MIN", params_.MIN);
  store.WriteFloat(key, "WIDTH", params_.WIDTH);
  store.WriteFloat(key, "GAMMA", params_.GAMMA);
  store.WriteFloat(key, "EFFECT", params_.EFFECT);
  store.WriteFloat(key, "ENV", params_.ENV);
  store.WriteFloat(key, "SPEED", params_.SPEED);
  store.WriteInteger(key, "ifSIZE", params_.ifSIZE ? 1 : 0);
  store.WriteInteger(key, "ifTRANSPARENCY", params_.ifTRANSPARENCY ? 1 : 0);
  store.WriteInteger(key, "ifEDGE", params_.ifEDGE ? 1 : 0);
}

}  // namespace vt
