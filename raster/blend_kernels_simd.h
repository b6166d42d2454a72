#pragma once

// Vector bodies of the blend kernels, written once against a traits class T that wraps
// one instruction set (T::V is the register type, T::kPixels pixels per register). Only
// the per-instruction-set kernel files include this, each with its own traits in an
// anonymous namespace, so every instantiation is compiled for its own target.
//
// All arithmetic runs on 16-bit lanes and reproduces the tables exactly:
// floor(x / 255) for any x in 0..65535 equals (x * 0x8081) >> 23, computed as a high
// multiply and a shift by 7.

#include <cstdint>
#include <cstring>

#include "raster/blend_kernels.h"

namespace vt {
namespace simd {

template <class T>
inline typename T::V Div255(typename T::V x) {
  return T::Srli16(T::MulHiU16(x, T::Set16(static_cast<std::int16_t>(0x8081))), 7);
}

// The table lerp on 16-bit lanes: d + trunc(2 a k / 255), k = (s >> 1) - (d >> 1) in
// -127..127. The quotient is taken on |k| and the sign put back, which truncates toward
// zero like the table. a2 holds 2 x opacity per lane; 2 x 255 x 127 fits 16 bits.
template <class T>
inline typename T::V Lerp16(typename T::V d, typename T::V s, typename T::V a2) {
  using V = typename T::V;
  const V k = T::Sub16(T::Srli16(s, 1), T::Srli16(d, 1));
  const V neg = T::CmpGt16(T::Zero(), k);
  const V ak = T::Sub16(T::Xor(k, neg), neg);
  V q = Div255<T>(T::MulLo16(ak, a2));
  q = T::Sub16(T::Xor(q, neg), neg);
  return T::Add16(d, q);
}

// Source words with the destination's A byte: a lerp of a byte toward itself keeps it.
template <class T>
inline typename T::V WithDestA(typename T::V s, typename T::V d) {
  const typename T::V a = T::Set32(0xFF000000u);
  return T::Or(T::AndNot(a, s), T::And(d, a));
}

template <class T>
void DrawRow(std::uint32_t* dst, const std::uint32_t* src, std::int32_t width, std::uint8_t opacity) {
  if (opacity == 0) return;
  if (opacity == 255) {
    std::memmove(dst, src, static_cast<std::size_t>(width) * 4);
    return;
  }
  const typename T::V a2 = T::Set16(static_cast<std::int16_t>(2 * opacity));
  std::int32_t i = 0;
  for (; i + T::kPixels <= width; i += T::kPixels) {
    const typename T::V d = T::Load(dst + i);
    const typename T::V s = WithDestA<T>(T::Load(src + i), d);
    T::Store(dst + i, T::Pack(Lerp16<T>(T::Lo(d), T::Lo(s), a2), Lerp16<T>(T::Hi(d), T::Hi(s), a2)));
  }
  ReferenceBlendKernels().Draw(dst + i, src + i, width - i, opacity);
}

// floor(opacity x s / 255) per byte, A lane zero.
template <class T>
inline typename T::V ScaledSource(typename T::V s, std::uint8_t opacity) {
  using V = typename T::V;
  s = T::And(s, T::Set32(0x00FFFFFFu));
  if (opacity == 255) return s;
  const V a = T::Set16(opacity);
  return T::Pack(Div255<T>(T::MulLo16(T::Lo(s), a)), Div255<T>(T::MulLo16(T::Hi(s), a)));
}

template <class T>
void AddRow(std::uint32_t* dst, const std::uint32_t* src, std::int32_t width, std::uint8_t opacity) {
  if (opacity == 0) return;
  std::int32_t i = 0;
  for (; i + T::kPixels <= width; i += T::kPixels)
    T::Store(dst + i, T::AddsU8(T::Load(dst + i), ScaledSource<T>(T::Load(src + i), opacity)));
  ReferenceBlendKernels().Add(dst + i, src + i, width - i, opacity);
}

template <class T>
void SubRow(std::uint32_t* dst, const std::uint32_t* src, std::int32_t width, std::uint8_t opacity) {
  if (opacity == 0) return;
  std::int32_t i = 0;
  for (; i + T::kPixels <= width; i += T::kPixels)
    T::Store(dst + i, T::SubsU8(T::Load(dst + i), ScaledSource<T>(T::Load(src + i), opacity)));
  ReferenceBlendKernels().Sub(dst + i, src + i, width - i, opacity);
}

// floor(d x s' / 255) with s' = 255 - floor(a x (255 - s) / 255); the source A lane is
// forced to 255 so the destination's A comes out unchanged.
template <class T>
inline typename T::V Multiply16(typename T::V d, typename T::V s, typename T::V a, bool full) {
  using V = typename T::V;
  const V k255 = T::Set16(255);
  if (!full) s = T::Sub16(k255, Div255<T>(T::MulLo16(a, T::Sub16(k255, s))));
  return Div255<T>(T::MulLo16(d, s));
}

template <class T>
void MultiplyRow(std::uint32_t* dst, const std::uint32_t* src, std::int32_t width, std::uint8_t opacity) {
  using V = typename T::V;
  if (opacity == 0) return;
  const V a = T::Set16(opacity);
  const V opaque = T::Set32(0xFF000000u);
  std::int32_t i = 0;
  if (opacity == 255) {
    for (; i + T::kPixels <= width; i += T::kPixels) {
      const V d = T::Load(dst + i), s = T::Or(T::Load(src + i), opaque);
      T::Store(dst + i, T::Pack(Multiply16<T>(T::Lo(d), T::Lo(s), a, true),
                                Multiply16<T>(T::Hi(d), T::Hi(s), a, true)));
    }
  } else {
    for (; i + T::kPixels <= width; i += T::kPixels) {
      const V d = T::Load(dst + i), s = T::Or(T::Load(src + i), opaque);
      T::Store(dst + i, T::Pack(Multiply16<T>(T::Lo(d), T::Lo(s), a, false),
                                Multiply16<T>(T::Hi(d), T::Hi(s), a, false)));
    }
  }
  ReferenceBlendKernels().Multiply(dst + i, src + i, width - i, opacity);
}

template <class T>
void MaskFillRow(std::uint32_t* dst, const std::uint8_t* mask, std::int32_t width, std::uint32_t colour) {
  using V = typename T::V;
  const V c = T::Set32(colour);
  std::int32_t i = 0;
  for (; i + T::kPixels <= width; i += T::kPixels) {
    if (T::MaskZero(mask + i)) continue;  // a zero mask byte leaves its pixel alone
    const V m = T::MaskBytes(mask + i);
    const V d = T::Load(dst + i);
    const V s = WithDestA<T>(c, d);
    const V lo = Lerp16<T>(T::Lo(d), T::Lo(s), T::Slli16(T::Lo(m), 1));
    const V hi = Lerp16<T>(T::Hi(d), T::Hi(s), T::Slli16(T::Hi(m), 1));
    T::Store(dst + i, T::Pack(lo, hi));
  }
  ReferenceBlendKernels().MaskFill(dst + i, mask + i, width - i, colour);
}

template <class T>
TBlendKernels MakeKernels(const char* name) {
  return {name, DrawRow<T>, AddRow<T>, SubRow<T>, MultiplyRow<T>, MaskFillRow<T>};
}

}  // namespace simd
}  // namespace vt
