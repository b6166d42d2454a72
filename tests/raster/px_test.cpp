#include "raster/px.h"

#include "raster/blend_tables.h"

#include <gtest/gtest.h>

namespace vt {
namespace {

void Prepare(TPX& px, std::int32_t w, std::int32_t h, std::uint32_t colour) {
  px.SetSize(w, h);
  px.Fill(colour);
}

std::uint32_t LerpWord(std::uint32_t d, std::uint32_t s, std::uint8_t a) {
  std::uint32_t out = d & 0xFF000000u;
  for (int sh = 0; sh < 24; sh += 8)
    out |= std::uint32_t{Lerp(static_cast<std::uint8_t>(d >> sh), static_cast<std::uint8_t>(s >> sh), a)}
           << sh;
  return out;
}

TEST(TPX, SetSizeKeepsPixelsOfAnUnchangedSize) {
  TPX px;
  EXPECT_EQ(px.Width, 4);
  px.SetSize(0, -5);
  EXPECT_EQ(px.Width, 2);
  EXPECT_EQ(px.Height, 2);
  EXPECT_EQ(px.PixelAt(1, 1) >> 24, 0xFFu);  // a new allocation is opaque
  px.SetPixel(1, 0, 0x00123456);
  px.SetSize(2, 2);
  EXPECT_EQ(px.PixelAt(1, 0), 0x00123456u);
  px.SetSize(3, 2);
  EXPECT_EQ(px.Rows.size(), 2u);
}

TEST(TPX, BlendPixelStoresAOnlyAtFullOpacity) {
  TPX px;
  Prepare(px, 2, 2, 0x10000000);
  px.BlendPixel(0, 0, 255, 0x80FFFFFF);
  EXPECT_EQ(px.PixelAt(0, 0), 0x80FFFFFFu);
  px.BlendPixel(1, 0, 254, 0x80FFFFFF);
  EXPECT_EQ(px.PixelAt(1, 0), 0x10FDFDFDu);  // 0 + trunc(2 * 254 * 127 / 255) = 253
  px.BlendPixel(2, 0, 255, 0);               // outside: ignored
  px.BlendPixel(-1, 0, 255, 0);
  EXPECT_EQ(px.PixelAt(1, 1), 0x10000000u);
}

TEST(TPX, FillRectBlendAndUniform) {
  TPX px;
  Prepare(px, 4, 3, 0xFF204060);
  px.FillRectBlend(-1, 1, 128, 0x00FFFFFF, 5, 3);  // x 0..1, rows 1..2
  EXPECT_EQ(px.PixelAt(1, 2), LerpWord(0xFF204060, 0x00FFFFFF, 128));
  EXPECT_EQ(px.PixelAt(2, 2), 0xFF204060u);
  EXPECT_FALSE(px.IsUniform(0x204060));
  px.FillRect(0, 0, 0x00204060, 10, 10);
  px.SetPixel(3, 2, 0x7F204060);
  EXPECT_TRUE(px.IsUniform(0xAB204060));  // the A byte is ignored
  px.FillRectBlend(0, 0, 0, 0, 4, 4);
  EXPECT_TRUE(px.IsUniform(0x204060));
}

TEST(TPX, SamplePixelStoresOrAccumulates) {
  TPX px;
  Prepare(px, 2, 2, 0x04030201);
  std::int32_t b = 9, g = 9, r = 9, a = 9;
  px.SamplePixel(-5, 7, false, b, g, r, a);
  EXPECT_EQ((std::array{b, g, r, a}), (std::array{1, 2, 3, 4}));
  px.SamplePixel(0, 0, true, b, g, r, a);
  EXPECT_EQ((std::array{b, g, r, a}), (std::array{2, 4, 6, 8}));
}

TEST(TPX, RectangleBlendsKeepTheDestinationA) {
  struct Case {
    const char* what;
    std::uint32_t d, s;
    std::uint8_t opacity;
    std::uint32_t expected;
    void (TPX::*op)(TPX&, ClipRect, std::uint8_t) const;
  };
  const Case cases[] = {
      {"draw at 255 copies the word", 0x11223344, 0x80AABBCC, 255, 0x80AABBCC, &TPX::DrawRect},
      {"draw at 128 lerps", 0x11000000, 0x80FF80FE, 128, LerpWord(0x11000000, 0x80FF80FE, 128),
       &TPX::DrawRect},
      {"draw at 0", 0x11223344, 0x80AABBCC, 0, 0x11223344, &TPX::DrawRect},
      {"multiply by white", 0x11223344, 0x00FFFFFF, 255, 0x11223344, &TPX::MultiplyRect},
      {"multiply by black", 0x11223344, 0xFF000000, 255, 0x11000000, &TPX::MultiplyRect},
      {"multiply floors", 0x00FF8001, 0x00808080, 255, 0x00804000, &TPX::MultiplyRect},
      // s' = InvMulTable[128][0] = 127; d = floor(255 * 127 / 255)
      {"multiply at 128 lifts the source", 0x00FFFFFF, 0x00000000, 128, 0x007F7F7F, &TPX::MultiplyRect},
      {"add saturates per channel", 0x22F01020, 0x99202020, 255, 0x22FF3040, &TPX::AddRect},
      {"add at 128", 0x22000000, 0x00FFFFFF, 128, 0x22808080, &TPX::AddRect},
      {"sub clamps per channel", 0x22F01020, 0x99202020, 255, 0x22D00000, &TPX::SubRect},
      {"sub at 64", 0x22FFFFFF, 0x00FFFFFF, 64, 0x22BFBFBF, &TPX::SubRect},
  };
  for (const Case& c : cases) {
    TPX src, dst;
    Prepare(src, 2, 2, c.s);
    Prepare(dst, 3, 3, c.d);
    (src.*c.op)(dst, ClipRect{2, 2, 0, 0, 1, 1}, c.opacity);
    EXPECT_EQ(dst.PixelAt(2, 2), c.expected) << c.what;
    EXPECT_EQ(dst.PixelAt(0, 2), c.d) << c.what << " outside the rectangle";
  }
}

TEST(TPX, DrawWholeSourceAtAPoint) {
  TPX src, dst;
  Prepare(src, 2, 2, 0x00ABCDEF);
  Prepare(dst, 4, 4, 0);
  src.DrawRect(dst, 3, -1, 255);
  EXPECT_EQ(dst.PixelAt(3, 0), 0x00ABCDEFu);
  EXPECT_EQ(dst.PixelAt(3, 1), 0u);
  EXPECT_EQ(dst.PixelAt(2, 0), 0u);
}

TEST(TPX, MaskFillLerpsByMaskValue) {
  TPX px;
  Prepare(px, 4, 2, 0x40000000);
  TChannel mask;
  mask.SetSize(4, 2);
  mask.Fill(0);
  mask.BlendPixel(1, 0, 255, 255);
  mask.BlendPixel(2, 1, 255, 100);
  px.MaskFillRect(mask, ClipRect{4, 2, 0, 0, 0, 0}, 0xFFFFFFFF);
  EXPECT_EQ(px.PixelAt(0, 0), 0x40000000u);
  EXPECT_EQ(px.PixelAt(1, 0), 0x40FEFEFEu);  // a lerp even at 255, A kept
  EXPECT_EQ(px.PixelAt(2, 1), LerpWord(0x40000000, 0xFFFFFF, 100));
}

TEST(TPX, MaskFillNeverReadsPastASmallMask) {
  TPX px;
  Prepare(px, 8, 8, 0);
  TChannel mask;
  mask.SetSize(2, 2);
  mask.Fill(255);
  px.MaskFillRect(mask, ClipRect{8, 8, 0, 0, 0, 0}, 0xFFFFFF);
  EXPECT_EQ(px.PixelAt(1, 1), 0x00FEFEFEu);
  EXPECT_EQ(px.PixelAt(2, 1), 0u);
  EXPECT_EQ(px.PixelAt(1, 2), 0u);
}

TEST(TPX, CompositeKeyedBranches) {
  struct Case {
    const char* what;
    std::uint32_t d, s, key;
    std::uint8_t opacity;
    std::uint32_t expected;
  };
  const Case cases[] = {
      {"key colour skipped", 0xFF000000, 0xFF00FF00, 0x0000FF00, 255, 0xFF000000},
      {"key needs A 0xFF", 0xFF000000, 0x8000FF00, 0x0000FF00, 255, 0x8000FF00},
      {"opaque destination, full opacity copies", 0xFF101010, 0x40ABCDEF, 1, 255, 0x40ABCDEF},
      {"opaque destination, transparent source", 0xFF101010, 0x00ABCDEF, 1, 128, 0xFF101010},
      // c = 128 * 255 = 32640; 0 + (32640 * 200) >> 16 = 99; 200 + (32640 * -200) >> 16 = 100 (floor)
      {"opaque destination, half opacity", 0xFF00C8C8, 0xFFC80000, 1, 128, 0xFF636464},
      {"clear destination takes the colour", 0x00123456, 0x80ABCDEF, 1, 255, 0x7FABCDEF},
      {"translucent destination, opaque source", 0x40123456, 0xFFABCDEF, 1, 255, 0xFFABCDEF},
      {"translucent destination, transparent source", 0x40123456, 0x00ABCDEF, 1, 255, 0x40123456},
      // f = 255 * 128 = 32640, t = (32895 * 128) >> 8 = 16447, u = 32768 + 32640 - 16320 = 49088;
      // 255 * 16447 / 49088 = 85, 255 * 32640 / 49088 = 169.
      {"translucent over translucent", 0x80FF0000, 0x8000FF00, 1, 255, 0xBF55A900},
  };
  for (const Case& c : cases) {
    TPX src, dst;
    Prepare(src, 1, 1, c.s);
    Prepare(dst, 3, 3, c.d);
    src.SetSize(1, 1);
    src.Fill(c.s);
    src.CompositeKeyed(dst, 2, 2, c.opacity, c.key);
    EXPECT_EQ(dst.PixelAt(2, 2), c.expected) << c.what << std::hex << " got " << dst.PixelAt(2, 2);
  }
}

TEST(TPX, CompositeKeyedClipsAndIgnoresZeroOpacity) {
  TPX src, dst;
  Prepare(src, 3, 3, 0xFF0000FF);
  Prepare(dst, 2, 2, 0xFF000000);
  src.CompositeKeyed(dst, 1, -1, 0, 0);
  EXPECT_TRUE(dst.IsUniform(0));
  src.CompositeKeyed(dst, 1, -1, 255, 0);
  EXPECT_EQ(dst.PixelAt(1, 0), 0xFF0000FFu);
  EXPECT_EQ(dst.PixelAt(1, 1), 0xFF0000FFu);
  EXPECT_EQ(dst.PixelAt(0, 1), 0xFF000000u);
}

}  // namespace
}  // namespace vt
