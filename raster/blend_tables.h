#pragma once

#include <array>
#include <cstdint>

namespace vt {

// The three 256 x 256 byte tables behind every opacity blend, indexed [a * 256 + b].
// They are computed at compile time, so they exist before any buffer is used and
// never change.
//
// LerpTable[a][k]: k is a signed byte (-128..127, stored at index k mod 256);
//   the entry is trunc(2 * a * k / 255) mod 256.
// MulTable[a][b] = floor(a * b / 255).
// InvMulTable[a][b] = 255 - floor(a * (255 - b) / 255): b lifted toward white by 255 - a.
using TBlendTable = std::array<std::uint8_t, 256 * 256>;

extern const TBlendTable LerpTable;
extern const TBlendTable MulTable;
extern const TBlendTable InvMulTable;

// Blend d toward s with opacity a. The difference is taken on 7-bit halves so it fits a
// signed byte; therefore a = 255 yields 2 * (s >> 1) + (d & 1), not exactly s. Callers
// that need an exact copy test a == 255 first. The result never leaves 0..255.
inline std::uint8_t Lerp(std::uint8_t d, std::uint8_t s, std::uint8_t a) {
  const std::uint8_t k = static_cast<std::uint8_t>((s >> 1) - (d >> 1));
  return static_cast<std::uint8_t>(d + LerpTable[a * 256 + k]);
}

inline std::uint8_t MulByte(std::uint8_t a, std::uint8_t b) { return MulTable[a * 256 + b]; }
inline std::uint8_t InvMulByte(std::uint8_t a, std::uint8_t b) { return InvMulTable[a * 256 + b]; }

}  // namespace vt
