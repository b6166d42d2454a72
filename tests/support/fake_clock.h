#pragma once

#include "brush/ms_clock.h"

namespace vt {

// A clock that tests step by hand.
class TFakeClock : public TMsClock {
 public:
  explicit TFakeClock(std::uint32_t start = 0) : now_(start) {}
  std::uint32_t NowMs() override { return now_; }
  void Advance(std::uint32_t ms) { now_ += ms; }
  void Set(std::uint32_t ms) { now_ = ms; }

 private:
  std::uint32_t now_;
};

}  // namespace vt
