#pragma once

#include <cstdint>

namespace vt {

// Where a paper shows itself after recompositing: a document window paints through its
// view; headless use has none.
class TPaintSink {
 public:
  virtual ~TPaintSink() = default;
  virtual void PaintWindow() = 0;
  // A rectangle of the paper, in paper pixels.
  virtual void PaintRect(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h) = 0;
};

}  // namespace vt
