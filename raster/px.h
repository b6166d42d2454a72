#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "raster/channel.h"

namespace vt {

// Four bytes per pixel, one little-endian word 0xAARRGGBB (bytes B, G, R, A in memory).
// The A byte is not a layer alpha: blends work on B, G, R and leave A alone; only
// CompositeKeyed reads it as alpha. In the rectangle operations the receiver is the
// source, except MaskFillRect, whose receiver is the destination.
class TPX : public TRasterBuffer {
 public:
  TPX() { TPX::SetSize(4, 4); }
  // A width x height buffer (sides <= 0 become 2) with every pixel set to `fill`, written
  // in one pass: the way tiles are made.
  TPX(std::int32_t width, std::int32_t height, std::uint32_t fill);
  // A separate copy of the buffer, made in one pass.
  static std::unique_ptr<TPX> CopyOf(const TPX& source) {
    std::unique_ptr<TPX> copy(new TPX(TNoPixels{}));
    copy->CopyPixelsOf(source, 4);
    return copy;
  }
  // A width x height buffer (sides of at least 1) whose pixels are unspecified: for a
  // caller that writes every one of them.
  static std::unique_ptr<TPX> ForOverwrite(std::int32_t width, std::int32_t height) {
    std::unique_ptr<TPX> px(new TPX(TNoPixels{}));
    px->Allocate(width > 0 ? width : 1, height > 0 ? height : 1, 4);
    return px;
  }

  // No-op for an unchanged size (the pixels are kept). A side <= 0 becomes 2. A new
  // allocation is made opaque: OrAll(0xFF000000).
  void SetSize(std::int32_t width, std::int32_t height) override;

  std::uint32_t* Row(std::int32_t y) {
    return reinterpret_cast<std::uint32_t*>(Bits + Rows[static_cast<std::size_t>(y)]);
  }
  const std::uint32_t* Row(std::int32_t y) const {
    return reinterpret_cast<const std::uint32_t*>(Bits + Rows[static_cast<std::size_t>(y)]);
  }

  void Fill(std::uint32_t colour);
  void FillRect(std::int32_t x, std::int32_t y, std::uint32_t colour, std::int32_t h, std::int32_t w);
  void FillRectBlend(std::int32_t x, std::int32_t y, std::uint8_t opacity, std::uint32_t colour,
                     std::int32_t h, std::int32_t w);
  void SetPixel(std::int32_t x, std::int32_t y, std::uint32_t colour);
  void BlendPixel(std::int32_t x, std::int32_t y, std::uint8_t opacity, std::uint32_t colour);
  std::uint32_t PixelAt(std::int32_t x, std::int32_t y) const;
  // Clamped read; adds the four bytes to the counters when accumulate is set, else stores them.
  void SamplePixel(std::int32_t x, std::int32_t y, bool accumulate, std::int32_t& b, std::int32_t& g,
                   std::int32_t& r, std::int32_t& a) const;
  void OrAll(std::uint32_t mask);
  // True when every pixel's low 24 bits equal the colour's.
  bool IsUniform(std::uint32_t colour) const;

  void CopyRect(TPX& dst, ClipRect r) const;
  void DrawRect(TPX& dst, ClipRect r, std::uint8_t opacity) const;
  void DrawRect(TPX& dst, std::int32_t x, std::int32_t y, std::uint8_t opacity) const;
  void AddRect(TPX& dst, ClipRect r, std::uint8_t opacity) const;
  void SubRect(TPX& dst, ClipRect r, std::uint8_t opacity) const;
  void MultiplyRect(TPX& dst, ClipRect r, std::uint8_t opacity) const;
  // Receiver is the destination: each mask byte m > 0 lerps B, G, R toward the colour
  // with opacity m. The rectangle is clipped against this buffer on both sides.
  void MaskFillRect(const TChannel& mask, ClipRect r, std::uint32_t colour);
  void CompositeKeyed(TPX& dst, std::int32_t x, std::int32_t y, std::uint8_t opacity,
                      std::uint32_t key) const;

  void Line(std::uint32_t colour, bool antiAlias, float x1, float y1, float x2, float y2);
  void LineFaded(std::uint32_t colour, bool antiAlias, float x1, float y1, float opacity1, float x2, float y2,
                 float opacity2);
  void Outline(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h, std::uint32_t colour);
  void Disc(std::uint32_t colour, bool soft, float opacity, float radius, float cx, float cy);

  void ShrinkBox(TPX& dst) const;
  void Shrink4x4(TPX& dst) const;
  void ShrinkBoxRect(TPX& dst, std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h) const;
  void RotateCW(TPX& dst) const;
  void RotateCCW(TPX& dst) const;
  void AffineResample(TPX& dst, double originX, double originY, double scale, double angle) const;
  void AffineResampleRect(TPX& dst, double originX, double originY, double scale, double angle,
                          std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h) const;

  // 24-bit bottom-up BMP. Returns false when the file cannot be written whole.
  bool SaveBMP(const std::string& fileName) const;

 private:
  // No memory yet; the factories allocate right after.
  struct TNoPixels {};
  explicit TPX(TNoPixels) {}
};

// The display buffer of a paper or an interface preview. Off Windows it needs no device
// context: it is a TPX whose top-down rows a platform adapter wraps as an image without
// copying.
class TPXDC : public TPX {};

}  // namespace vt
