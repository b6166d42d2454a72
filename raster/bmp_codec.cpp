#include "raster/bmp_codec.h"

#include <cstring>
#include <fstream>
#include <limits>

namespace vt {

namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::size_t kInfoHeaderSize = 40;
// Largest file worth reading: a 32-bit image of the largest accepted size plus headers.
constexpr std::size_t kMaxBmpFileBytes = static_cast<std::size_t>(kMaxImageSide) * kMaxImageSide * 4 + 4096;

void Put16(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t v) {
  out[at] = static_cast<std::uint8_t>(v);
  out[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

void Put32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t v) {
  Put16(out, at, v);
  Put16(out, at + 2, v >> 16);
}

std::uint32_t Get16(const std::uint8_t* p) { return p[0] | static_cast<std::uint32_t>(p[1]) << 8; }
std::uint32_t Get32(const std::uint8_t* p) { return Get16(p) | Get16(p + 2) << 16; }

// What the headers of a BMP say, checked against the file before any pixel is touched.
struct TBmpLayout {
  std::int32_t width = 0;
  std::int32_t height = 0;
  bool topDown = false;
  std::uint32_t bitCount = 0;
  std::size_t pixelOffset = 0;
  std::size_t rowBytes = 0;
  const std::uint8_t* palette = nullptr;  // 4 bytes per entry: B, G, R, reserved
  std::uint32_t paletteSize = 0;
};

bool ParseLayout(const std::uint8_t* data, std::size_t size, TBmpLayout& l) {
  if (size < kFileHeaderSize + kInfoHeaderSize || data[0] != 'B' || data[1] != 'M') return false;
  const std::uint8_t* info = data + kFileHeaderSize;
  const std::uint32_t infoSize = Get32(info);
  // The 40-byte header and its later extensions share the fields read here.
  if (infoSize != 40 && infoSize != 52 && infoSize != 56 && infoSize != 108 && infoSize != 124) return false;
  if (infoSize > size - kFileHeaderSize) return false;
  const std::int32_t width = static_cast<std::int32_t>(Get32(info + 4));
  const std::int32_t height = static_cast<std::int32_t>(Get32(info + 8));
  l.bitCount = Get16(info + 14);
  const std::uint32_t compression = Get32(info + 16);
  if (Get16(info + 12) != 1 || compression != 0) return false;
  if (l.bitCount != 8 && l.bitCount != 24 && l.bitCount != 32) return false;
  if (width <= 0 || width > kMaxImageSide || height == 0 || height < -kMaxImageSide || height > kMaxImageSide)
    return false;
  l.width = width;
  l.topDown = height < 0;
  l.height = l.topDown ? -height : height;
  l.pixelOffset = Get32(data + 10);
  l.rowBytes = (static_cast<std::size_t>(width) * l.bitCount + 31) / 32 * 4;
  // The last row may lack its padding; everything else the header promises must be there.
  const std::size_t lastRow = (static_cast<std::size_t>(width) * l.bitCount + 7) / 8;
  const std::size_t pixelBytes = l.rowBytes * static_cast<std::size_t>(l.height - 1) + lastRow;
  if (l.pixelOffset > size || size - l.pixelOffset < pixelBytes) return false;
  if (l.bitCount != 8) return true;
  const std::uint32_t used = Get32(info + 32);
  l.paletteSize = used == 0 ? 256 : used;
  if (l.paletteSize > 256) return false;
  const std::size_t paletteAt = kFileHeaderSize + infoSize;
  if (paletteAt + 4 * static_cast<std::size_t>(l.paletteSize) > size) return false;
  l.palette = data + paletteAt;
  return true;
}

const std::uint8_t* FileRow(const std::uint8_t* data, const TBmpLayout& l, std::int32_t y) {
  const std::int32_t stored = l.topDown ? y : l.height - 1 - y;
  return data + l.pixelOffset + static_cast<std::size_t>(stored) * l.rowBytes;
}

bool PaletteIndexesValid(const std::uint8_t* data, const TBmpLayout& l) {
  for (std::int32_t y = 0; y < l.height; ++y) {
    const std::uint8_t* row = FileRow(data, l, y);
    for (std::int32_t x = 0; x < l.width; ++x)
      if (row[x] >= l.paletteSize) return false;
  }
  return true;
}

std::uint32_t Bgr(const std::uint8_t* p) {
  return 0xFF000000u | static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[1]) << 8 | p[0];
}

void DecodeRow(const std::uint8_t* in, const TBmpLayout& l, std::uint32_t* out) {
  if (l.bitCount == 8) {
    for (std::int32_t x = 0; x < l.width; ++x) out[x] = Bgr(l.palette + 4 * in[x]);
    return;
  }
  const std::size_t step = l.bitCount / 8;
  for (std::int32_t x = 0; x < l.width; ++x) out[x] = Bgr(in + step * static_cast<std::size_t>(x));
}

}  // namespace

std::vector<std::uint8_t> EncodeBMP(const TPX& px) {
  const std::size_t rowBytes = (static_cast<std::size_t>(px.Width) * 3 + 3) / 4 * 4;
  const std::size_t fileSize = 54 + rowBytes * static_cast<std::size_t>(px.Height);
  std::vector<std::uint8_t> out(fileSize, 0);
  out[0] = 'B';
  out[1] = 'M';
  Put32(out, 2, static_cast<std::uint32_t>(fileSize));
  Put32(out, 10, 54);
  Put32(out, 14, 40);
  Put32(out, 18, static_cast<std::uint32_t>(px.Width));
  Put32(out, 22, static_cast<std::uint32_t>(px.Height));
  Put16(out, 26, 1);
  Put16(out, 28, 24);
  std::uint8_t* p = out.data() + 54;
  for (std::int32_t y = px.Height - 1; y >= 0; --y, p += rowBytes) {
    const std::uint32_t* row = px.Row(y);
    for (std::int32_t x = 0; x < px.Width; ++x) {
      p[3 * x] = static_cast<std::uint8_t>(row[x]);
      p[3 * x + 1] = static_cast<std::uint8_t>(row[x] >> 8);
      p[3 * x + 2] = static_cast<std::uint8_t>(row[x] >> 16);
    }
  }
  return out;
}

bool LoadBMPFromMemory(TPX& px, const std::uint8_t* data, std::size_t size) {
  TBmpLayout l;
  if (data == nullptr || !ParseLayout(data, size, l)) return false;
  if (l.bitCount == 8 && !PaletteIndexesValid(data, l)) return false;
  px.SetSize(l.width, l.height);
  for (std::int32_t y = 0; y < l.height; ++y) DecodeRow(FileRow(data, l, y), l, px.Row(y));
  return true;
}

bool LoadBMP(TPX& px, const std::string& path) {
  std::vector<std::uint8_t> bytes;
  if (!ReadFileBytes(path, kMaxBmpFileBytes, bytes)) return false;
  return LoadBMPFromMemory(px, bytes.data(), bytes.size());
}

bool ReadFileBytes(const std::string& path, std::size_t maxBytes, std::vector<std::uint8_t>& out) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  if (!in) return false;
  const std::streamoff size = in.tellg();
  if (size < 0 || static_cast<std::uint64_t>(size) > maxBytes) return false;
  out.resize(static_cast<std::size_t>(size));
  in.seekg(0);
  return static_cast<bool>(in.read(reinterpret_cast<char*>(out.data()), size));
}

bool WriteFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) return false;
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  out.close();
  return static_cast<bool>(out);
}

}  // namespace vt
