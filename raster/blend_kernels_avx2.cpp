#include "raster/blend_kernels.h"

// Everything below the target switch is compiled for AVX2 and reached only through
// Avx2BlendKernels(), after the processor has been asked. Standard headers come first
// so none of their inline functions is compiled for AVX2.
#include <cstdint>
#include <cstring>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define VT_HAVE_AVX2_KERNELS 1
#include <immintrin.h>
#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx2")
#endif

#include "raster/blend_kernels_simd.h"

namespace vt {
namespace {

struct TAvx2 {
  using V = __m256i;
  static constexpr std::int32_t kPixels = 8;
  static V Load(const std::uint32_t* p) { return _mm256_loadu_si256(reinterpret_cast<const V*>(p)); }
  static void Store(std::uint32_t* p, V v) { _mm256_storeu_si256(reinterpret_cast<V*>(p), v); }
  static V Zero() { return _mm256_setzero_si256(); }
  static V Set16(std::int16_t x) { return _mm256_set1_epi16(x); }
  static V Set32(std::uint32_t x) { return _mm256_set1_epi32(static_cast<int>(x)); }
  // Unpack and pack work within each 128-bit half, so together they keep pixel order.
  static V Lo(V v) { return _mm256_unpacklo_epi8(v, Zero()); }
  static V Hi(V v) { return _mm256_unpackhi_epi8(v, Zero()); }
  static V Pack(V lo, V hi) { return _mm256_packus_epi16(lo, hi); }
  static V Add16(V a, V b) { return _mm256_add_epi16(a, b); }
  static V Sub16(V a, V b) { return _mm256_sub_epi16(a, b); }
  static V MulLo16(V a, V b) { return _mm256_mullo_epi16(a, b); }
  static V MulHiU16(V a, V b) { return _mm256_mulhi_epu16(a, b); }
  static V Srli16(V a, int n) { return _mm256_srli_epi16(a, n); }
  static V Slli16(V a, int n) { return _mm256_slli_epi16(a, n); }
  static V CmpGt16(V a, V b) { return _mm256_cmpgt_epi16(a, b); }
  static V And(V a, V b) { return _mm256_and_si256(a, b); }
  static V AndNot(V a, V b) { return _mm256_andnot_si256(a, b); }
  static V Or(V a, V b) { return _mm256_or_si256(a, b); }
  static V Xor(V a, V b) { return _mm256_xor_si256(a, b); }
  static V AddsU8(V a, V b) { return _mm256_adds_epu8(a, b); }
  static V SubsU8(V a, V b) { return _mm256_subs_epu8(a, b); }
  static bool MaskZero(const std::uint8_t* m) {
    std::uint64_t v;
    std::memcpy(&v, m, 8);
    return v == 0;
  }
  static V MaskBytes(const std::uint8_t* m) {
    const V words = _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(m)));
    const V spread = _mm256_setr_epi8(0, 0, 0, 0, 4, 4, 4, 4, 8, 8, 8, 8, 12, 12, 12, 12, 0, 0, 0, 0, 4, 4, 4,
                                      4, 8, 8, 8, 8, 12, 12, 12, 12);
    return _mm256_shuffle_epi8(words, spread);
  }
};

TBlendKernels MakeAvx2Kernels() { return simd::MakeKernels<TAvx2>("avx2"); }

}  // namespace
}  // namespace vt

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif
#endif

namespace vt {

const TBlendKernels* Avx2BlendKernels() {
#if defined(VT_HAVE_AVX2_KERNELS)
  if (!__builtin_cpu_supports("avx2")) return nullptr;
  static const TBlendKernels kernels = MakeAvx2Kernels();
  return &kernels;
#else
  return nullptr;
#endif
}

}  // namespace vt
