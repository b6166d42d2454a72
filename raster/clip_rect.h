#pragma once

#include <cstdint>

namespace vt {

// A copy rectangle between two buffers: w x h pixels from (srcX, srcY) of the source
// to (dstX, dstY) of the destination. ClipCopy narrows it to what both buffers hold.
struct ClipRect {
  std::int32_t w = 0;
  std::int32_t h = 0;
  std::int32_t srcX = 0;
  std::int32_t srcY = 0;
  std::int32_t dstX = 0;
  std::int32_t dstY = 0;
};

// Clips r for a source of sw x sh and a destination of dw x dh. Returns true when a
// non-empty rectangle remains. The steps and their order are part of the pixel results
// (a source rectangle reaching past the right edge is shortened, not rejected).
bool ClipCopyRect(std::int32_t sw, std::int32_t sh, std::int32_t dw, std::int32_t dh, ClipRect& r);

}  // namespace vt
