#pragma once

#include <cstdint>

namespace vt {

// Row kernels behind the rectangle blends of TPX. Every family shares one signature
// (destination row, source row, width, opacity) and handles every opacity itself,
// including 0 (nothing) and 255. Each exists as a plain scalar reference and as faster
// versions that must give bit-identical results; ActiveBlendKernels() picks the fastest
// one the processor supports, once.
//
// All kernels change B, G, R only and keep the destination's A byte, except DrawRow at
// opacity 255, which copies whole words.
using TBlendRowFn = void (*)(std::uint32_t* dst, const std::uint32_t* src, std::int32_t width,
                             std::uint8_t opacity);
// Mask fill: for each mask byte m > 0, lerp B, G, R of dst toward colour with opacity m.
using TMaskFillRowFn = void (*)(std::uint32_t* dst, const std::uint8_t* mask, std::int32_t width,
                                std::uint32_t colour);

struct TBlendKernels {
  const char* Name;
  TBlendRowFn Draw;      // lerp toward the source; 255 copies the word
  TBlendRowFn Add;       // min(255, d + s'), s' = s at 255 else MulTable[opacity][s]
  TBlendRowFn Sub;       // max(0, d - s')
  TBlendRowFn Multiply;  // floor(d * s' / 255), s' = s at 255 else InvMulTable[opacity][s]
  TMaskFillRowFn MaskFill;
};

const TBlendKernels& ReferenceBlendKernels();
const TBlendKernels& Sse2BlendKernels();
// Null when the processor or the compiler lacks AVX2.
const TBlendKernels* Avx2BlendKernels();
const TBlendKernels& ActiveBlendKernels();

}  // namespace vt
