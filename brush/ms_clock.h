#pragma once

#include <cstdint>

namespace vt {

// A millisecond clock. Times wrap around after about 49 days, so callers compare them
// by unsigned difference (now - then), never by ordering.
class TMsClock {
 public:
  virtual ~TMsClock() = default;
  virtual std::uint32_t NowMs() = 0;
};

}  // namespace vt
