#include "raster/blend_kernels.h"

#include "raster/blend_tables.h"

#include <algorithm>
#include <cstring>

namespace vt {
namespace {

inline std::uint32_t Channel(std::uint32_t p, int shift) { return (p >> shift) & 255u; }

// Applies op to B, G, R of d and s; A of d is kept.
template <typename Op>
inline std::uint32_t PerChannel(std::uint32_t d, std::uint32_t s, Op op) {
  std::uint32_t out = d & 0xFF000000u;
  for (int shift = 0; shift < 24; shift += 8) out |= op(Channel(d, shift), Channel(s, shift)) << shift;
  return out;
}

void DrawRowRef(std::uint32_t* dst, const std::uint32_t* src, std::int32_t width, std::uint8_t opacity) {
  if (opacity == 0) return;
  if (opacity == 255) {
    std::memmove(dst, src, static_cast<std::size_t>(width) * 4);
    return;
  }
  for (std::int32_t i = width - 1; i >= 0; --i)
    dst[i] = PerChannel(dst[i], src[i], [opacity](std::uint32_t d, std::uint32_t s) -> std::uint32_t {
      return Lerp(static_cast<std::uint8_t>(d), static_cast<std::uint8_t>(s), opacity);
    });
}

void AddRowRef(std::uint32_t* dst, const std::uint32_t* src, std::int32_t width, std::uint8_t opacity) {
  if (opacity == 0) return;
  for (std::int32_t i = width - 1; i >= 0; --i)
    dst[i] = PerChannel(dst[i], src[i], [opacity](std::uint32_t d, std::uint32_t s) {
      if (opacity != 255) s = MulTable[opacity * 256 + s];
      return std::min(255u, d + s);
    });
}

void SubRowRef(std::uint32_t* dst, const std::uint32_t* src, std::int32_t width, std::uint8_t opacity) {
  if (opacity == 0) return;
  for (std::int32_t i = width - 1; i >= 0; --i)
    dst[i] = PerChannel(dst[i], src[i], [opacity](std::uint32_t d, std::uint32_t s) {
      if (opacity != 255) s = MulTable[opacity * 256 + s];
      return d > s ? d - s : 0u;
    });
}

void MultiplyRowRef(std::uint32_t* dst, const std::uint32_t* src, std::int32_t width, std::uint8_t opacity) {
  if (opacity == 0) return;
  for (std::int32_t i = width - 1; i >= 0; --i)
    dst[i] = PerChannel(dst[i], src[i], [opacity](std::uint32_t d, std::uint32_t s) -> std::uint32_t {
      if (opacity != 255) s = InvMulTable[opacity * 256 + s];
      return MulTable[d * 256 + s];
    });
}

void MaskFillRowRef(std::uint32_t* dst, const std::uint8_t* mask, std::int32_t width, std::uint32_t colour) {
  for (std::int32_t i = width - 1; i >= 0; --i) {
    const std::uint8_t m = mask[i];
    if (m == 0) continue;
    dst[i] = PerChannel(dst[i], colour, [m](std::uint32_t d, std::uint32_t s) -> std::uint32_t {
      return Lerp(static_cast<std::uint8_t>(d), static_cast<std::uint8_t>(s), m);
    });
  }
}

}  // namespace

const TBlendKernels& ReferenceBlendKernels() {
  static const TBlendKernels kernels{"reference", DrawRowRef,     AddRowRef,
                                     SubRowRef,   MultiplyRowRef, MaskFillRowRef};
  return kernels;
}

}  // namespace vt
