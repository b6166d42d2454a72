#include "raster/channel.h"

#include "raster/blend_tables.h"

#include <gtest/gtest.h>

namespace vt {
namespace {

void Prepare(TChannel& c, std::int32_t w, std::int32_t h, std::uint8_t v) {
  c.SetSize(w, h);
  c.Fill(v);
}

TEST(TChannel, SizeFillAndClampedRead) {
  TChannel c;
  EXPECT_EQ(c.Width, 4);
  EXPECT_EQ(c.Height, 4);
  c.SetSize(5, 3);
  c.Fill(7);
  c.FillRect(-2, 1, 9, 5, 4);  // clipped to x 0..1, rows 1..2
  EXPECT_EQ(c.PixelAt(0, 1), 9);
  EXPECT_EQ(c.PixelAt(1, 2), 9);
  EXPECT_EQ(c.PixelAt(2, 1), 7);
  EXPECT_EQ(c.PixelAt(0, 0), 7);
  EXPECT_EQ(c.PixelAt(-10, 100), 9);  // clamps to (0, 2)
  c.BlendPixel(4, 0, 255, 200);
  c.BlendPixel(5, 0, 255, 1);  // outside: ignored
  EXPECT_EQ(c.PixelAt(4, 0), 200);
  c.BlendPixel(4, 0, 128, 0);
  EXPECT_EQ(c.PixelAt(4, 0), Lerp(200, 0, 128));
}

TEST(TChannel, RectangleOperationsAtFullAndPartialOpacity) {
  struct Case {
    const char* what;
    std::uint8_t d, s, opacity, expected;
    void (TChannel::*op)(TChannel&, ClipRect, std::uint8_t) const;
  };
  const Case cases[] = {
      {"add saturates", 200, 100, 255, 255, &TChannel::AddRect},
      {"add at 128 scales the source", 10, 255, 128, 10 + 128, &TChannel::AddRect},
      {"add at 128 floors", 0, 3, 128, 1, &TChannel::AddRect},  // floor(128 * 3 / 255)
      {"sub clamps at zero", 50, 100, 255, 0, &TChannel::SubRect},
      {"sub at 128", 200, 255, 128, 72, &TChannel::SubRect},
      {"add at 0", 10, 255, 0, 10, &TChannel::AddRect},
  };
  for (const Case& c : cases) {
    TChannel src, dst;
    Prepare(src, 3, 3, c.s);
    Prepare(dst, 3, 3, c.d);
    (src.*c.op)(dst, ClipRect{2, 2, 0, 0, 1, 1}, c.opacity);
    EXPECT_EQ(dst.PixelAt(2, 2), c.expected) << c.what;
    EXPECT_EQ(dst.PixelAt(0, 0), c.d) << c.what << " outside the rectangle";
  }
}

TEST(TChannel, AndAndCopy) {
  TChannel src, dst;
  Prepare(src, 2, 2, 0x0F);
  Prepare(dst, 3, 2, 0x3C);
  src.AndRect(dst, ClipRect{2, 2, 0, 0, 1, 0});
  EXPECT_EQ(dst.PixelAt(1, 1), 0x0C);
  EXPECT_EQ(dst.PixelAt(0, 1), 0x3C);
  src.FillRect(1, 0, 0xAA, 1, 1);
  src.CopyRect(dst, ClipRect{5, 5, 0, 0, 0, 0});  // shortened to the source
  EXPECT_EQ(dst.PixelAt(1, 0), 0xAA);
  EXPECT_EQ(dst.PixelAt(2, 0), 0x0C);
}

}  // namespace
}  // namespace vt
