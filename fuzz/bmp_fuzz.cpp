// The BMP reader on arbitrary bytes: it must fail cleanly or produce a buffer of the
// size it reports, never read past the input or allocate more than the input justifies.
#include <cstddef>
#include <cstdint>

#include "raster/bmp_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  vt::TPX px;
  if (vt::LoadBMPFromMemory(px, data, size)) {
    // Touch every row so a wrong size shows up under the sanitizers.
    std::uint32_t sum = 0;
    for (std::int32_t y = 0; y < px.Height; ++y) sum += px.Row(y)[px.Width - 1];
    volatile std::uint32_t sink = sum;
    (void)sink;
  }
  return 0;
}
