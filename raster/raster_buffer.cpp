#include "raster/raster_buffer.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "raster/tile_pool.h"

namespace vt {

namespace {
constexpr std::align_val_t kAlign{64};
}

void TRasterBuffer::AlignedFree::operator()(std::uint8_t* p) const {
  if (!tile_pool::Give(p, bytes)) ::operator delete[](p, kAlign);
}

void TRasterBuffer::Allocate(std::int32_t width, std::int32_t height, std::int32_t bytesPerPixel) {
  const std::size_t bytes = static_cast<std::size_t>(width) * static_cast<std::size_t>(height) *
                            static_cast<std::size_t>(bytesPerPixel);
  const std::size_t size = bytes == 0 ? 1 : bytes;
  // A failed allocation throws before the old memory is let go.
  std::uint8_t* memory = tile_pool::Take(size);
  if (!memory) memory = static_cast<std::uint8_t*>(::operator new[](size, kAlign));
  storage_ = std::unique_ptr<std::uint8_t[], AlignedFree>(memory, AlignedFree{size});
  Bits = storage_.get();
  Width = width;
  Height = height;
  Rows.resize(static_cast<std::size_t>(height));
  const std::int32_t stride = width * bytesPerPixel;
  for (std::int32_t y = 0; y < height; ++y) Rows[static_cast<std::size_t>(y)] = y * stride;
}

void TRasterBuffer::CopyPixelsOf(const TRasterBuffer& source, std::int32_t bytesPerPixel) {
  Allocate(source.Width, source.Height, bytesPerPixel);
  std::memcpy(Bits, source.Bits,
              static_cast<std::size_t>(Width) * static_cast<std::size_t>(Height) *
                  static_cast<std::size_t>(bytesPerPixel));
}

bool TRasterBuffer::ClipFill(std::int32_t& x, std::int32_t& y, std::int32_t& w, std::int32_t& h) const {
  const std::int64_t x0 = x, y0 = y, x1 = x0 + w, y1 = y0 + h;
  if (x0 >= Width || y0 >= Height || x1 < 0 || y1 < 0) return false;
  const std::int64_t cx = std::max<std::int64_t>(x0, 0), cy = std::max<std::int64_t>(y0, 0);
  const std::int64_t cw = std::min<std::int64_t>(x1, Width) - cx,
                     ch = std::min<std::int64_t>(y1, Height) - cy;
  if (cw <= 0 || ch <= 0) return false;
  x = static_cast<std::int32_t>(cx);
  y = static_cast<std::int32_t>(cy);
  w = static_cast<std::int32_t>(cw);
  h = static_cast<std::int32_t>(ch);
  return true;
}

bool ClipCopyRect(std::int32_t sw, std::int32_t sh, std::int32_t dw, std::int32_t dh, ClipRect& r) {
  if (r.dstX + r.w <= 0 || r.dstY + r.h <= 0 || r.dstX >= dw || r.dstY >= dh || r.srcX >= sw ||
      r.srcY >= sh || r.srcX + r.w < 0 || r.srcY + r.h < 0)
    return false;
  if (r.srcX + r.w >= sw) r.w = sw - r.srcX;
  if (r.srcY + r.h >= sh) r.h = sh - r.srcY;
  if (r.srcX < 0) {
    r.dstX -= r.srcX;
    r.w += r.srcX;
    r.srcX = 0;
  }
  if (r.srcY < 0) {
    r.dstY -= r.srcY;
    r.h += r.srcY;
    r.srcY = 0;
  }
  if (r.dstX < 0) {
    r.srcX -= r.dstX;
    r.w += r.dstX;
    r.dstX = 0;
  }
  if (r.dstY < 0) {
    r.srcY -= r.dstY;
    r.h += r.dstY;
    r.dstY = 0;
  }
  if (r.dstX + r.w > dw) r.w = dw - r.dstX;
  if (r.dstY + r.h > dh) r.h = dh - r.dstY;
  return r.w > 0 && r.h > 0;
}

}  // namespace vt
