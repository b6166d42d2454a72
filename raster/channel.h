#pragma once

#include <cstdint>
#include <memory>

#include "raster/raster_buffer.h"

namespace vt {

// One byte per pixel: brush masks and selection masks.
// In the rectangle operations the receiver is the source.
class TChannel : public TRasterBuffer {
 public:
  TChannel() { TChannel::SetSize(4, 4); }
  // A separate copy of the buffer, made in one pass.
  static std::unique_ptr<TChannel> CopyOf(const TChannel& source) {
    auto copy = std::make_unique<TChannel>();
    copy->CopyPixelsOf(source, 1);
    return copy;
  }

  // Always frees and reallocates (contents undefined), even for an unchanged size.
  void SetSize(std::int32_t width, std::int32_t height) override;

  std::uint8_t* Row(std::int32_t y) { return Bits + Rows[static_cast<std::size_t>(y)]; }
  const std::uint8_t* Row(std::int32_t y) const { return Bits + Rows[static_cast<std::size_t>(y)]; }

  void Fill(std::uint8_t value);
  void FillRect(std::int32_t x, std::int32_t y, std::uint8_t value, std::int32_t h, std::int32_t w);
  // Outside the buffer: nothing. Opacity 255 stores the value, else lerps toward it.
  void BlendPixel(std::int32_t x, std::int32_t y, std::uint8_t opacity, std::uint8_t value);
  // Coordinates are clamped into the buffer.
  std::uint8_t PixelAt(std::int32_t x, std::int32_t y) const;

  // d = min(255, d + s), or d + MulTable[opacity][s] below full opacity.
  void AddRect(TChannel& dst, ClipRect r, std::uint8_t opacity) const;
  // d = max(0, d - s), or d - MulTable[opacity][s] below full opacity.
  void SubRect(TChannel& dst, ClipRect r, std::uint8_t opacity) const;
  void AndRect(TChannel& dst, ClipRect r) const;
  void CopyRect(TChannel& dst, ClipRect r) const;
};

}  // namespace vt
