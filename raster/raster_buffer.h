#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "raster/clip_rect.h"

namespace vt {

// Fields shared by the 8-bit and 32-bit pixel buffers. Pixel memory is stored top-down
// with no row padding, so a platform adapter can wrap it as an image without copying;
// every access still goes through Rows (byte offset of each image row, top row first),
// never a multiplication per pixel. Bits is 64-byte aligned for the vector kernels.
class TRasterBuffer {
 public:
  TRasterBuffer() = default;
  virtual ~TRasterBuffer() = default;
  TRasterBuffer(const TRasterBuffer&) = delete;
  TRasterBuffer& operator=(const TRasterBuffer&) = delete;

  virtual void SetSize(std::int32_t width, std::int32_t height) = 0;

  // Clips r against this buffer as the source and dst as the destination.
  bool ClipCopy(const TRasterBuffer& dst, ClipRect& r) const {
    return ClipCopyRect(Width, Height, dst.Width, dst.Height, r);
  }

  // Clips a single-buffer fill rectangle: nothing when it lies wholly outside, negative
  // origins move to 0 and shorten the size, the size is cut at the right and bottom.
  // Returns true when a non-empty rectangle remains.
  bool ClipFill(std::int32_t& x, std::int32_t& y, std::int32_t& w, std::int32_t& h) const;

  std::int32_t Width = 0;
  std::int32_t Height = 0;
  std::uint8_t* Bits = nullptr;
  std::vector<std::int32_t> Rows;

 protected:
  // Allocates width x height pixels of bytesPerPixel bytes (contents undefined) and
  // rebuilds Rows.
  void Allocate(std::int32_t width, std::int32_t height, std::int32_t bytesPerPixel);
  // Becomes a copy of the source's size and pixels.
  void CopyPixelsOf(const TRasterBuffer& source, std::int32_t bytesPerPixel);

 private:
  // Frees the pixel memory, or hands tile-sized memory back to the tile pool.
  struct AlignedFree {
    std::size_t bytes;
    void operator()(std::uint8_t* p) const;
  };
  std::unique_ptr<std::uint8_t[], AlignedFree> storage_;
};

}  // namespace vt
