#include "raster/channel.h"

#include "raster/blend_tables.h"

#include <algorithm>
#include <cstring>

namespace vt {

void TChannel::SetSize(std::int32_t width, std::int32_t height) {
  Allocate(std::max(width, 0), std::max(height, 0), 1);
}

void TChannel::Fill(std::uint8_t value) {
  std::memset(Bits, value, static_cast<std::size_t>(Width) * static_cast<std::size_t>(Height));
}

void TChannel::FillRect(std::int32_t x, std::int32_t y, std::uint8_t value, std::int32_t h, std::int32_t w) {
  if (!ClipFill(x, y, w, h)) return;
  for (std::int32_t j = 0; j < h; ++j) std::memset(Row(y + j) + x, value, static_cast<std::size_t>(w));
}

void TChannel::BlendPixel(std::int32_t x, std::int32_t y, std::uint8_t opacity, std::uint8_t value) {
  if (x < 0 || y < 0 || x >= Width || y >= Height) return;
  std::uint8_t& d = Row(y)[x];
  d = opacity == 255 ? value : Lerp(d, value, opacity);
}

std::uint8_t TChannel::PixelAt(std::int32_t x, std::int32_t y) const {
  x = std::clamp(x, 0, Width - 1);
  y = std::clamp(y, 0, Height - 1);
  return Row(y)[x];
}

}  // namespace vt

namespace vt {

namespace {

// Visits the clipped rectangle row by row; op(dstRow, srcRow, w).
template <typename Op>
void ForEachRow(const TChannel& src, TChannel& dst, ClipRect r, Op op) {
  if (!src.ClipCopy(dst, r)) return;
  for (std::int32_t j = 0; j < r.h; ++j) op(dst.Row(r.dstY + j) + r.dstX, src.Row(r.srcY + j) + r.srcX, r.w);
}

}  // namespace

void TChannel::AddRect(TChannel& dst, ClipRect r, std::uint8_t opacity) const {
  const std::uint8_t* mul = &MulTable[opacity * 256];
  ForEachRow(*this, dst, r, [&](std::uint8_t* d, const std::uint8_t* s, std::int32_t w) {
    for (std::int32_t i = w - 1; i >= 0; --i) {
      const int v = d[i] + (opacity == 255 ? s[i] : mul[s[i]]);
      d[i] = static_cast<std::uint8_t>(std::min(v, 255));
    }
  });
}

void TChannel::SubRect(TChannel& dst, ClipRect r, std::uint8_t opacity) const {
  const std::uint8_t* mul = &MulTable[opacity * 256];
  ForEachRow(*this, dst, r, [&](std::uint8_t* d, const std::uint8_t* s, std::int32_t w) {
    for (std::int32_t i = w - 1; i >= 0; --i) {
      const int v = d[i] - (opacity == 255 ? s[i] : mul[s[i]]);
      d[i] = static_cast<std::uint8_t>(std::max(v, 0));
    }
  });
}

void TChannel::AndRect(TChannel& dst, ClipRect r) const {
  ForEachRow(*this, dst, r, [](std::uint8_t* d, const std::uint8_t* s, std::int32_t w) {
    for (std::int32_t i = w - 1; i >= 0; --i) d[i] &= s[i];
  });
}

void TChannel::CopyRect(TChannel& dst, ClipRect r) const {
  // memmove: the source and destination may be the same buffer.
  ForEachRow(*this, dst, r, [](std::uint8_t* d, const std::uint8_t* s, std::int32_t w) {
    std::memmove(d, s, static_cast<std::size_t>(w));
  });
}

}  // namespace vt
