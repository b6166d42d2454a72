#pragma once

#include <chrono>
#include <functional>

namespace vt::test {

// Calls step until done() holds; false when the time limit passes first. Tests that
// wait on sockets or sessions never wait without bound.
inline bool RunUntil(const std::function<void()>& step, const std::function<bool()>& done,
                     std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    step();
  }
  return true;
}

}  // namespace vt::test
