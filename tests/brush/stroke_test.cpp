#include "brush/stroke.h"

#include "brush/memory_settings_store.h"

#include <cmath>
#include <limits>
#include <string>

#include <gtest/gtest.h>

namespace vt {
namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

TEST(StrokeState, SettersClampWidthAndGammaAndStoreTheRestAsGiven) {
  struct Case {
    void (TStroke::*set)(float);
    float (TStroke::*get)() const;
    float in;
    float out;
  };
  const Case cases[] = {
      {&TStroke::SetWIDTH, &TStroke::WIDTH, 0.0f, 0.1f},
      {&TStroke::SetWIDTH, &TStroke::WIDTH, 1000.0f, 200.0f},
      {&TStroke::SetWIDTH, &TStroke::WIDTH, -4.0f, 0.1f},
      {&TStroke::SetWIDTH, &TStroke::WIDTH, 37.5f, 37.5f},
      {&TStroke::SetGAMMA, &TStroke::GAMMA, 0.0f, 0.01f},
      {&TStroke::SetGAMMA, &TStroke::GAMMA, -3.0f, 0.01f},
      {&TStroke::SetGAMMA, &TStroke::GAMMA, 7.5f, 6.0f},
      {&TStroke::SetGAMMA, &TStroke::GAMMA, 6.0f, 6.0f},
      {&TStroke::SetMIN, &TStroke::MIN, 150.0f, 150.0f},
      {&TStroke::SetMIN, &TStroke::MIN, -5.0f, -5.0f},
      {&TStroke::SetEFFECT, &TStroke::EFFECT, 250.0f, 250.0f},
      {&TStroke::SetENV, &TStroke::ENV, 101.0f, 101.0f},
      {&TStroke::SetSPEED, &TStroke::SPEED, 0.5f, 0.5f},
  };
  for (const Case& c : cases) {
    TStroke brush;
    (brush.*c.set)(c.in);
    EXPECT_FLOAT_EQ((brush.*c.get)(), c.out) << "input " << c.in;
    // Non-finite input leaves the value alone.
    (brush.*c.set)(kNaN);
    (brush.*c.set)(kInf);
    EXPECT_FLOAT_EQ((brush.*c.get)(), c.out) << "input " << c.in;
  }
}

TEST(StrokeState, ChangedFlagFollowsSettersOnly) {
  TStroke brush;
  brush.ClearChanged();
  brush.SetWIDTH(brush.WIDTH());
  brush.SetifSIZE(brush.ifSIZE());
  brush.SetKind(brush.Kind());
  brush.SetLayer(7);
  brush.AddWIDTH(3.0f);
  brush.AddMIN(-10.0f);
  EXPECT_FALSE(brush.Changed());
  EXPECT_EQ(brush.Layer(), 7);

  for (auto change :
       {+[](TStroke& b) { b.SetWIDTH(33.0f); }, +[](TStroke& b) { b.SetColour(0x123456); },
        +[](TStroke& b) { b.SetKind(TBrushKind::Eraser); }, +[](TStroke& b) { b.SetifEDGE(true); },
        +[](TStroke& b) { b.SetGAMMA(2.0f); }, +[](TStroke& b) { b.SetSPEED(9.0f); }}) {
    brush.ClearChanged();
    change(brush);
    EXPECT_TRUE(brush.Changed());
  }
}

TEST(StrokeState, AddersClamp) {
  TStroke brush;
  brush.AddMIN(500.0f);
  EXPECT_FLOAT_EQ(brush.MIN(), 100.0f);
  brush.AddMIN(-500.0f);
  EXPECT_FLOAT_EQ(brush.MIN(), 0.0f);
  brush.AddWIDTH(-50.0f);
  EXPECT_FLOAT_EQ(brush.WIDTH(), 0.1f);
  brush.AddWIDTH(500.0f);
  EXPECT_FLOAT_EQ(brush.WIDTH(), 200.0f);
  brush.AddEFFECT(-1.0f);
  brush.AddENV(120.0f);
  brush.AddSPEED(30.0f);
  EXPECT_FLOAT_EQ(brush.EFFECT(), 0.0f);
  EXPECT_FLOAT_EQ(brush.ENV(), 100.0f);
  EXPECT_FLOAT_EQ(brush.SPEED(), 30.0f);
}

TEST(StrokeState, KindCodesOutsideTheTableSelectThePen) {
  TStroke brush;
  brush.SetKind(4);
  EXPECT_EQ(brush.Kind(), TBrushKind::NewBlur);
  brush.SetKind(9);
  EXPECT_EQ(brush.Kind(), TBrushKind::Pen);
  brush.SetKind(-1);
  EXPECT_EQ(brush.Kind(), TBrushKind::Pen);
  brush.SetColour(0xFFABCDEF);
  EXPECT_EQ(brush.Colour(), 0xABCDEFu);
}

TEST(StrokeState, EffectiveSizeFollowsPressureOnlyForPenAndWatercolourWithSize) {
  TStroke brush;
  brush.SetMIN(75.0f);
  brush.SetWIDTH(10.0f);
  brush.SetifSIZE(true);
  EXPECT_FLOAT_EQ(brush.EffectiveSize(0.0f), 7.5f);
  EXPECT_FLOAT_EQ(brush.EffectiveSize(0.5f), 8.75f);
  EXPECT_FLOAT_EQ(brush.EffectiveSize(1.0f), 10.0f);
  brush.SetKind(TBrushKind::Watercolor);
  EXPECT_FLOAT_EQ(brush.EffectiveSize(0.0f), 7.5f);
  for (TBrushKind kind : {TBrushKind::Blur, TBrushKind::Eraser, TBrushKind::NewBlur}) {
    brush.SetKind(kind);
    EXPECT_FLOAT_EQ(brush.EffectiveSize(0.0f), 10.0f);
  }
  brush.SetKind(TBrushKind::Pen);
  brush.SetifSIZE(false);
  EXPECT_FLOAT_EQ(brush.EffectiveSize(0.0f), 10.0f);
  EXPECT_FLOAT_EQ(brush.EffectiveSize(0.5f), 10.0f);
}

TEST(StrokeState, PressureCurve) {
  struct Case {
    float gamma, in, out;
  };
  const Case cases[] = {
      {2.0f, 0.5f, 0.25f},
      {0.5f, 0.5f, 0.70710678f},
      {1.0f, 0.3f, 0.3f},
      {2.0f, 0.0f, 0.0f},
      {6.0f, 0.0f, 0.0f},
      {1.0f, 1.5f, 1.0f},
      {2.0f, -0.5f, 0.25f},
      // No real power of a negative pressure: no pressure rather than NaN.
      {0.5f, -0.5f, 0.0f},
  };
  for (const Case& c : cases) {
    TStroke brush;
    brush.SetGAMMA(c.gamma);
    EXPECT_NEAR(brush.PressureCurve(c.in), c.out, 1e-6) << c.gamma << " " << c.in;
  }
  TStroke brush;
  EXPECT_EQ(brush.PressureCurve(kNaN), 0.0f);
}

TEST(StrokeState, SliderMapping) {
  EXPECT_FLOAT_EQ(TStroke::SliderToWidth(60.0f), 120.0f);
  EXPECT_FLOAT_EQ(TStroke::SliderToWidth(80.0f), 200.0f);
  EXPECT_FLOAT_EQ(TStroke::SliderToWidth(25.0f), 25.0f);
  EXPECT_FLOAT_EQ(TStroke::SliderToWidth(-1.0f), 0.1f);
  EXPECT_FLOAT_EQ(TStroke::WidthToSlider(120.0f), 60.0f);
  EXPECT_FLOAT_EQ(TStroke::WidthToSlider(200.0f), 80.0f);
  EXPECT_FLOAT_EQ(TStroke::WidthToSlider(12.5f), 12.5f);
  EXPECT_FLOAT_EQ(TStroke::WidthToSlider(-3.0f), 0.1f);
}

TEST(StrokeState, WhichKindsUseWhichParameters) {
  // Rows: MIN, WIDTH, GAMMA, EFFECT, ENV, SPEED, ifSIZE, ifTRANSPARENCY, ifEDGE; columns:
  // the kinds 0..4.
  const char* table[] = {"10000", "11111", "11111", "01100", "01000", "01000", "11000", "11010", "01010"};
  for (int param = 0; param < 9; ++param)
    for (int kind = 0; kind < 5; ++kind)
      EXPECT_EQ(TStroke::Uses(static_cast<TBrushKind>(kind), static_cast<TBrushParam>(param)),
                table[param][kind] == '1')
          << "param " << param << " kind " << kind;
}

TEST(StrokePreset, KeyNames) {
  const std::string root = "Software\\lanternworks\\vellumTide\\";
  EXPECT_EQ(TStroke::PresetKey(TBrushKind::Pen, 1), root + "pen1");
  EXPECT_EQ(TStroke::PresetKey(TBrushKind::Watercolor, 5), root + "wc5");
  EXPECT_EQ(TStroke::PresetKey(TBrushKind::Blur, 2), root + "blur2");
  EXPECT_EQ(TStroke::PresetKey(TBrushKind::Eraser, 3), root + "erase3");
  EXPECT_EQ(TStroke::PresetKey(TBrushKind::NewBlur, 2), root + "blur22");
}

struct TPresetDefaults {
  TBrushKind kind;
  TBrushParams params;
};

TEST(StrokePreset, EmptyStoreGivesTheKindDefaults) {
  const TPresetDefaults cases[] = {
      {TBrushKind::Pen, {75.0f, 1.5f, 1.0f, 0.0f, 0.0f, 0.0f, true, true, false}},
      {TBrushKind::Watercolor, {0.0f, 16.0f, 1.0f, 65.0f, 40.0f, 30.0f, true, true, false}},
      {TBrushKind::Blur, {0.0f, 12.0f, 1.0f, 5.0f, 0.0f, 0.0f, false, false, false}},
      {TBrushKind::Eraser, {0.0f, 12.0f, 1.0f, 0.0f, 0.0f, 0.0f, false, true, true}},
      {TBrushKind::NewBlur, {0.0f, 12.0f, 1.0f, 0.0f, 0.0f, 0.0f, false, false, false}},
  };
  for (const TPresetDefaults& c : cases) {
    TMemorySettingsStore store;
    TStroke brush;
    // Start from something unlike every default.
    brush.SetMIN(33.0f);
    brush.SetWIDTH(99.0f);
    brush.SetGAMMA(3.0f);
    brush.SetEFFECT(1.0f);
    brush.SetENV(2.0f);
    brush.SetSPEED(3.0f);
    brush.SetifEDGE(true);
    brush.SetColour(0x102030);
    brush.SetKind(TBrushKind::Blur);
    brush.LoadPreset(store, c.kind, 3);
    const TBrushParams& p = brush.Params();
    EXPECT_FLOAT_EQ(p.MIN, c.params.MIN);
    EXPECT_FLOAT_EQ(p.WIDTH, c.params.WIDTH);
    EXPECT_FLOAT_EQ(p.GAMMA, c.params.GAMMA);
    EXPECT_FLOAT_EQ(p.EFFECT, c.params.EFFECT);
    EXPECT_FLOAT_EQ(p.ENV, c.params.ENV);
    EXPECT_FLOAT_EQ(p.SPEED, c.params.SPEED);
    EXPECT_EQ(p.ifSIZE, c.params.ifSIZE);
    EXPECT_EQ(p.ifTRANSPARENCY, c.params.ifTRANSPARENCY);
    EXPECT_EQ(p.ifEDGE, c.params.ifEDGE);
    // Neither the kind nor the colour belongs to a preset.
    EXPECT_EQ(brush.Kind(), TBrushKind::Blur);
    EXPECT_EQ(brush.Colour(), 0x102030u);
  }
}

TEST(StrokePreset, SaveWritesDoublesAndIntegersThatLoadBack) {
  TMemorySettingsStore store;
  TStroke brush;
  brush.SetMIN(40.0f);
  brush.SetWIDTH(22.25f);
  brush.SetGAMMA(2.5f);
  brush.SetEFFECT(70.0f);
  brush.SetENV(12.0f);
  brush.SetSPEED(55.0f);
  brush.SetifSIZE(false);
  brush.SetifTRANSPARENCY(true);
  brush.SetifEDGE(true);
  brush.SavePreset(store, TBrushKind::Watercolor, 2);

  const std::string key = TStroke::PresetKey(TBrushKind::Watercolor, 2);
  EXPECT_EQ(store.ValueCount(key), 9u);
  EXPECT_DOUBLE_EQ(store.ReadFloat(key, "WIDTH", 0.0), 22.25);
  EXPECT_EQ(store.ReadInteger(key, "ifEDGE", -1), 1);
  EXPECT_EQ(store.ReadInteger(key, "ifSIZE", -1), 0);

  TStroke loaded;
  loaded.LoadPreset(store, TBrushKind::Watercolor, 2);
  const TBrushParams& p = loaded.Params();
  EXPECT_FLOAT_EQ(p.MIN, 40.0f);
  EXPECT_FLOAT_EQ(p.WIDTH, 22.25f);
  EXPECT_FLOAT_EQ(p.GAMMA, 2.5f);
  EXPECT_FLOAT_EQ(p.EFFECT, 70.0f);
  EXPECT_FLOAT_EQ(p.ENV, 12.0f);
  EXPECT_FLOAT_EQ(p.SPEED, 55.0f);
  EXPECT_FALSE(p.ifSIZE);
  EXPECT_TRUE(p.ifTRANSPARENCY);
  EXPECT_TRUE(p.ifEDGE);
}

TEST(StrokePreset, HostileStoreValuesKeepDefaultsOrAreClamped) {
  TMemorySettingsStore store;
  const std::string key = TStroke::PresetKey(TBrushKind::Pen, 4);
  store.WriteFloat(key, "WIDTH", std::numeric_limits<double>::quiet_NaN());
  store.WriteFloat(key, "MIN", 1e300);
  store.WriteFloat(key, "GAMMA", 50.0);
  store.WriteFloat(key, "EFFECT", -std::numeric_limits<double>::infinity());
  store.WriteString(key, "ENV", "forty");
  store.WriteFloat(key, "SPEED", -20.0);
  store.WriteInteger(key, "ifSIZE", 0);
  store.WriteInteger(key, "ifEDGE", 7);
  TStroke brush;
  brush.LoadPreset(store, TBrushKind::Pen, 4);
  const TBrushParams& p = brush.Params();
  EXPECT_FLOAT_EQ(p.WIDTH, 1.5f);  // NaN: kept
  EXPECT_FLOAT_EQ(p.MIN, 100.0f);
  EXPECT_FLOAT_EQ(p.GAMMA, 6.0f);
  EXPECT_FLOAT_EQ(p.EFFECT, 0.0f);  // infinite: kept
  EXPECT_FLOAT_EQ(p.ENV, 0.0f);     // a string: kept
  EXPECT_FLOAT_EQ(p.SPEED, 0.0f);
  EXPECT_FALSE(p.ifSIZE);
  EXPECT_TRUE(p.ifTRANSPARENCY);  // missing: the pen default
  EXPECT_TRUE(p.ifEDGE);

  store.WriteFloat(key, "GAMMA", -2.0);
  store.WriteFloat(key, "WIDTH", 5000.0);
  brush.LoadPreset(store, TBrushKind::Pen, 4);
  EXPECT_FLOAT_EQ(brush.GAMMA(), 0.01f);
  EXPECT_FLOAT_EQ(brush.WIDTH(), 200.0f);
}

}  // namespace
}  // namespace vt
