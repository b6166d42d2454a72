#include "raster/px.h"

#include "raster/blend_tables.h"
#include "raster/bmp_codec.h"

#include <algorithm>
#include <cstring>

namespace vt {

namespace {

// Lerps B, G, R of d toward c with opacity a; A of d is kept.
inline std::uint32_t LerpRGB(std::uint32_t d, std::uint32_t c, std::uint8_t a) {
  const std::uint32_t b = Lerp(static_cast<std::uint8_t>(d), static_cast<std::uint8_t>(c), a);
  const std::uint32_t g = Lerp(static_cast<std::uint8_t>(d >> 8), static_cast<std::uint8_t>(c >> 8), a);
  const std::uint32_t r = Lerp(static_cast<std::uint8_t>(d >> 16), static_cast<std::uint8_t>(c >> 16), a);
  return (d & 0xFF000000u) | (r << 16) | (g << 8) | b;
}

}  // namespace

void TPX::SetSize(std::int32_t width, std::int32_t height) {
  if (width <= 0) width = 2;
  if (height <= 0) height = 2;
  if (Bits != nullptr && width == Width && height == Height) return;
  Allocate(width, height, 4);
  OrAll(0xFF000000u);
}

TPX::TPX(std::int32_t width, std::int32_t height, std::uint32_t fill) {
  Allocate(width > 0 ? width : 2, height > 0 ? height : 2, 4);
  Fill(fill);
}

void TPX::Fill(std::uint32_t colour) {
  std::uint32_t* p = reinterpret_cast<std::uint32_t*>(Bits);
  std::fill(p, p + static_cast<std::size_t>(Width) * static_cast<std::size_t>(Height), colour);
}

void TPX::FillRect(std::int32_t x, std::int32_t y, std::uint32_t colour, std::int32_t h, std::int32_t w) {
  if (!ClipFill(x, y, w, h)) return;
  for (std::int32_t j = 0; j < h; ++j) std::fill_n(Row(y + j) + x, w, colour);
}

void TPX::FillRectBlend(std::int32_t x, std::int32_t y, std::uint8_t opacity, std::uint32_t colour,
                        std::int32_t h, std::int32_t w) {
  if (opacity == 0) return;
  if (opacity == 255) {
    FillRect(x, y, colour, h, w);
    return;
  }
  if (!ClipFill(x, y, w, h)) return;
  for (std::int32_t j = 0; j < h; ++j) {
    std::uint32_t* row = Row(y + j) + x;
    for (std::int32_t i = 0; i < w; ++i) row[i] = LerpRGB(row[i], colour, opacity);
  }
}

void TPX::SetPixel(std::int32_t x, std::int32_t y, std::uint32_t colour) {
  if (x < 0 || y < 0 || x >= Width || y >= Height) return;
  Row(y)[x] = colour;
}

void TPX::BlendPixel(std::int32_t x, std::int32_t y, std::uint8_t opacity, std::uint32_t colour) {
  if (x < 0 || y < 0 || x >= Width || y >= Height) return;
  std::uint32_t& d = Row(y)[x];
  d = opacity == 255 ? colour : LerpRGB(d, colour, opacity);
}

std::uint32_t TPX::PixelAt(std::int32_t x, std::int32_t y) const {
  x = std::clamp(x, 0, Width - 1);
  y = std::clamp(y, 0, Height - 1);
  return Row(y)[x];
}

void TPX::SamplePixel(std::int32_t x, std::int32_t y, bool accumulate, std::int32_t& b, std::int32_t& g,
                      std::int32_t& r, std::int32_t& a) const {
  const std::uint32_t p = PixelAt(x, y);
  const std::int32_t pb = static_cast<std::int32_t>(p & 255);
  const std::int32_t pg = static_cast<std::int32_t>((p >> 8) & 255);
  const std::int32_t pr = static_cast<std::int32_t>((p >> 16) & 255);
  const std::int32_t pa = static_cast<std::int32_t>(p >> 24);
  if (accumulate) {
    b += pb;
    g += pg;
    r += pr;
    a += pa;
  } else {
    b = pb;
    g = pg;
    r = pr;
    a = pa;
  }
}

void TPX::OrAll(std::uint32_t mask) {
  std::uint32_t* p = reinterpret_cast<std::uint32_t*>(Bits);
  const std::size_t n = static_cast<std::size_t>(Width) * static_cast<std::size_t>(Height);
  for (std::size_t i = 0; i < n; ++i) p[i] |= mask;
}

bool TPX::IsUniform(std::uint32_t colour) const {
  const std::uint32_t* p = reinterpret_cast<const std::uint32_t*>(Bits);
  const std::size_t n = static_cast<std::size_t>(Width) * static_cast<std::size_t>(Height);
  const std::uint32_t c = colour & 0xFFFFFFu;
  for (std::size_t i = 0; i < n; ++i)
    if ((p[i] & 0xFFFFFFu) != c) return false;
  return true;
}

void TPX::CopyRect(TPX& dst, ClipRect r) const {
  if (!ClipCopy(dst, r)) return;
  for (std::int32_t j = 0; j < r.h; ++j)
    std::memmove(dst.Row(r.dstY + j) + r.dstX, Row(r.srcY + j) + r.srcX, static_cast<std::size_t>(r.w) * 4);
}

}  // namespace vt

namespace vt {

bool TPX::SaveBMP(const std::string& fileName) const { return WriteFileBytes(fileName, EncodeBMP(*this)); }

}  // namespace vt
