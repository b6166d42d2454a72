#pragma once

#include "brush/ms_clock.h"

#include <QElapsedTimer>

namespace vt {

// Milliseconds since the clock was created, from the monotonic system timer.
class TQtClock : public TMsClock {
 public:
  TQtClock();
  std::uint32_t NowMs() override;

 private:
  QElapsedTimer timer_;
};

}  // namespace vt
