#include "platform/qt_clock.h"

namespace vt {

TQtClock::TQtClock() { timer_.start(); }

// Truncation to 32 bits wraps after about 49 days, as the clock's users expect.
std::uint32_t TQtClock::NowMs() { return static_cast<std::uint32_t>(timer_.elapsed()); }

}  // namespace vt
