#include "raster/px.h"

#include "raster/blend_kernels.h"

namespace vt {

namespace {

template <typename Fn>
void BlendRows(const TPX& src, TPX& dst, ClipRect r, std::uint8_t opacity, Fn fn) {
  if (opacity == 0 || !src.ClipCopy(dst, r)) return;
  for (std::int32_t j = 0; j < r.h; ++j)
    fn(dst.Row(r.dstY + j) + r.dstX, src.Row(r.srcY + j) + r.srcX, r.w, opacity);
}

std::uint32_t Byte(std::uint32_t p, int shift) { return (p >> shift) & 255u; }

// Source over a destination whose A byte is 0xFF: c = opacity x source alpha (16 bits).
std::uint32_t KeyedOverOpaque(std::uint32_t d, std::uint32_t s, std::uint32_t a) {
  if (a == 255) return s;
  const std::int32_t c = static_cast<std::int32_t>(a * (s >> 24));
  if (c == 0) return d;
  if (c == 65025) return s | 0xFF000000u;
  std::uint32_t out = 0xFF000000u;
  for (int shift = 0; shift < 24; shift += 8) {
    const std::int32_t dv = static_cast<std::int32_t>(Byte(d, shift));
    const std::int32_t sv = static_cast<std::int32_t>(Byte(s, shift));
    out |= (static_cast<std::uint32_t>(dv + ((c * (sv - dv)) >> 16)) & 255u) << shift;
  }
  return out;
}

// Source over a partly transparent destination: the two alphas are combined, u is the
// resulting alpha in 16 bits and each colour channel the alpha-weighted mean. u > 0
// whenever dA > 0, and the mean never exceeds 255.
std::uint32_t KeyedOverTranslucent(std::uint32_t d, std::uint32_t s, std::uint32_t a) {
  const std::uint32_t sA = s >> 24;
  const std::uint32_t dA = d >> 24;
  const std::uint32_t f = a * sA;
  if (sA == 0) return d;
  if (sA == 255 && a == 255) return s;
  if (dA == 0) return (s & 0xFFFFFFu) | ((f >> 8) << 24);
  const std::uint32_t t = ((65535u - f) * dA) >> 8;
  const std::uint32_t u = (dA << 8) + f - ((f * dA) >> 8);
  std::uint32_t out = (u >> 8) << 24;
  for (int shift = 0; shift < 24; shift += 8)
    out |= (((Byte(d, shift) * t + Byte(s, shift) * f) / u) & 255u) << shift;
  return out;
}

}  // namespace

void TPX::DrawRect(TPX& dst, ClipRect r, std::uint8_t opacity) const {
  BlendRows(*this, dst, r, opacity, ActiveBlendKernels().Draw);
}

void TPX::DrawRect(TPX& dst, std::int32_t x, std::int32_t y, std::uint8_t opacity) const {
  DrawRect(dst, ClipRect{Width, Height, 0, 0, x, y}, opacity);
}

void TPX::AddRect(TPX& dst, ClipRect r, std::uint8_t opacity) const {
  BlendRows(*this, dst, r, opacity, ActiveBlendKernels().Add);
}

void TPX::SubRect(TPX& dst, ClipRect r, std::uint8_t opacity) const {
  BlendRows(*this, dst, r, opacity, ActiveBlendKernels().Sub);
}

void TPX::MultiplyRect(TPX& dst, ClipRect r, std::uint8_t opacity) const {
  BlendRows(*this, dst, r, opacity, ActiveBlendKernels().Multiply);
}

void TPX::MaskFillRect(const TChannel& mask, ClipRect r, std::uint32_t colour) {
  // Clipped against this buffer on both sides, then also against the mask, so a mask
  // smaller than the rectangle is never read past its end.
  if (!ClipCopyRect(Width, Height, Width, Height, r)) return;
  if (!ClipCopyRect(mask.Width, mask.Height, Width, Height, r)) return;
  const TMaskFillRowFn fn = ActiveBlendKernels().MaskFill;
  for (std::int32_t j = 0; j < r.h; ++j)
    fn(Row(r.dstY + j) + r.dstX, mask.Row(r.srcY + j) + r.srcX, r.w, colour);
}

void TPX::CompositeKeyed(TPX& dst, std::int32_t x, std::int32_t y, std::uint8_t opacity,
                         std::uint32_t key) const {
  ClipRect r{Width, Height, 0, 0, x, y};
  if (opacity == 0 || !ClipCopy(dst, r)) return;
  const std::uint32_t skip = key | 0xFF000000u;
  for (std::int32_t j = 0; j < r.h; ++j) {
    std::uint32_t* d = dst.Row(r.dstY + j) + r.dstX;
    const std::uint32_t* s = Row(r.srcY + j) + r.srcX;
    for (std::int32_t i = r.w - 1; i >= 0; --i) {
      if (s[i] == skip) continue;
      d[i] = (d[i] >> 24) == 255 ? KeyedOverOpaque(d[i], s[i], opacity)
                                 : KeyedOverTranslucent(d[i], s[i], opacity);
    }
  }
}

}  // namespace vt
