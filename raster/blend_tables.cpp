#include "raster/blend_tables.h"

namespace vt {
namespace {

constexpr TBlendTable MakeLerpTable() {
  TBlendTable t{};
  for (int a = 0; a < 256; ++a) {
    for (int i = 0; i < 256; ++i) {
      const int k = i < 128 ? i : i - 256;
      const int v = 2 * a * k / 255;  // C++ division truncates toward zero
      t[a * 256 + i] = static_cast<std::uint8_t>(v & 255);
    }
  }
  return t;
}

constexpr TBlendTable MakeMulTable() {
  TBlendTable t{};
  for (int a = 0; a < 256; ++a)
    for (int b = 0; b < 256; ++b) t[a * 256 + b] = static_cast<std::uint8_t>(a * b / 255);
  return t;
}

constexpr TBlendTable MakeInvMulTable() {
  TBlendTable t{};
  for (int a = 0; a < 256; ++a)
    for (int b = 0; b < 256; ++b) t[a * 256 + b] = static_cast<std::uint8_t>(255 - a * (255 - b) / 255);
  return t;
}

}  // namespace

alignas(64) constinit const TBlendTable LerpTable = MakeLerpTable();
alignas(64) constinit const TBlendTable MulTable = MakeMulTable();
alignas(64) constinit const TBlendTable InvMulTable = MakeInvMulTable();

}  // namespace vt
