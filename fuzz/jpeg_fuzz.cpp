// The JPEG loader on arbitrary bytes: decoder errors, truncation, huge dimensions and
// scan bombs must all end in a clean failure within bounded time and memory.
#include <cstddef>
#include <cstdint>

#include "raster/jpeg_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  vt::TPX px;
  if (vt::LoadJPEGFromMemory(px, data, size)) {
    std::uint32_t sum = 0;
    for (std::int32_t y = 0; y < px.Height; ++y) sum += px.Row(y)[px.Width - 1];
    volatile std::uint32_t sink = sum;
    (void)sink;
  }
  return 0;
}
