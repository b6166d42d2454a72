#pragma once

#include <cstdint>
#include <initializer_list>

namespace vt {

// The keys the tools and the pen pipeline look at.
enum class TKey : std::uint16_t {
  Space = 1 << 0,
  Ctrl = 1 << 1,
  Alt = 1 << 2,
  Shift = 1 << 3,
  X = 1 << 4,
  M = 1 << 5,
  A = 1 << 6,
  S = 1 << 7,
  D = 1 << 8,
  F = 1 << 9,
  E = 1 << 10,
  R = 1 << 11,
};

// Which of those keys are held, as plain bits filled in by the window from its events.
struct TKeyState {
  std::uint16_t held = 0;

  constexpr TKeyState() = default;
  constexpr TKeyState(std::initializer_list<TKey> keys) {
    for (TKey k : keys) held = static_cast<std::uint16_t>(held | static_cast<std::uint16_t>(k));
  }
  constexpr bool Has(TKey k) const { return (held & static_cast<std::uint16_t>(k)) != 0; }
  constexpr bool Any(TKeyState keys) const { return (held & keys.held) != 0; }
  constexpr bool None() const { return held == 0; }
};

}  // namespace vt
