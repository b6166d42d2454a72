#include "raster/blend_kernels.h"

#include "raster/blend_kernels_simd.h"

#include <emmintrin.h>

namespace vt {
namespace {

// SSE2 is part of the x86-64 baseline: no dispatch needed.
struct TSse2 {
  using V = __m128i;
  static constexpr std::int32_t kPixels = 4;
  static V Load(const std::uint32_t* p) { return _mm_loadu_si128(reinterpret_cast<const V*>(p)); }
  static void Store(std::uint32_t* p, V v) { _mm_storeu_si128(reinterpret_cast<V*>(p), v); }
  static V Zero() { return _mm_setzero_si128(); }
  static V Set16(std::int16_t x) { return _mm_set1_epi16(x); }
  static V Set32(std::uint32_t x) { return _mm_set1_epi32(static_cast<int>(x)); }
  static V Lo(V v) { return _mm_unpacklo_epi8(v, Zero()); }
  static V Hi(V v) { return _mm_unpackhi_epi8(v, Zero()); }
  static V Pack(V lo, V hi) { return _mm_packus_epi16(lo, hi); }
  static V Add16(V a, V b) { return _mm_add_epi16(a, b); }
  static V Sub16(V a, V b) { return _mm_sub_epi16(a, b); }
  static V MulLo16(V a, V b) { return _mm_mullo_epi16(a, b); }
  static V MulHiU16(V a, V b) { return _mm_mulhi_epu16(a, b); }
  static V Srli16(V a, int n) { return _mm_srli_epi16(a, n); }
  static V Slli16(V a, int n) { return _mm_slli_epi16(a, n); }
  static V CmpGt16(V a, V b) { return _mm_cmpgt_epi16(a, b); }
  static V And(V a, V b) { return _mm_and_si128(a, b); }
  static V AndNot(V a, V b) { return _mm_andnot_si128(a, b); }
  static V Or(V a, V b) { return _mm_or_si128(a, b); }
  static V Xor(V a, V b) { return _mm_xor_si128(a, b); }
  static V AddsU8(V a, V b) { return _mm_adds_epu8(a, b); }
  static V SubsU8(V a, V b) { return _mm_subs_epu8(a, b); }
  static bool MaskZero(const std::uint8_t* m) {
    std::uint32_t v;
    std::memcpy(&v, m, 4);
    return v == 0;
  }
  // Each pixel's four bytes set to its mask byte.
  static V MaskBytes(const std::uint8_t* m) {
    std::int32_t v;
    std::memcpy(&v, m, 4);
    const V x = _mm_cvtsi32_si128(v);
    const V pairs = _mm_unpacklo_epi8(x, x);
    return _mm_unpacklo_epi16(pairs, pairs);
  }
};

}  // namespace

const TBlendKernels& Sse2BlendKernels() {
  static const TBlendKernels kernels = simd::MakeKernels<TSse2>("sse2");
  return kernels;
}

}  // namespace vt
