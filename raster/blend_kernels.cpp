#include "raster/blend_kernels.h"

namespace vt {

const TBlendKernels& ActiveBlendKernels() {
  static const TBlendKernels& active = []() -> const TBlendKernels& {
    if (const TBlendKernels* avx2 = Avx2BlendKernels()) return *avx2;
    return Sse2BlendKernels();
  }();
  return active;
}

}  // namespace vt
