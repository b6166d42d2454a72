#pragma once

#include "raster/px.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vt {

// The largest image side any decoder accepts. Checked before pixel memory is allocated.
constexpr std::int32_t kMaxImageSide = 10000;

// 24-bit bottom-up BMP of the whole buffer: 54 header bytes, rows bottom to top as B, G, R,
// each padded with zeros to a multiple of 4 bytes.
std::vector<std::uint8_t> EncodeBMP(const TPX& px);

// Reads uncompressed BMPs of 24 or 32 bits per pixel (bottom-up or top-down) and
// palettised 8-bit ones. On success the buffer takes the image's size and pixels with
// A = 0xFF; on any other format or a malformed file it is left unchanged and false is
// returned.
bool LoadBMPFromMemory(TPX& px, const std::uint8_t* data, std::size_t size);
bool LoadBMP(TPX& px, const std::string& path);

// Reads a whole file of at most maxBytes into out. False when missing, unreadable or larger.
bool ReadFileBytes(const std::string& path, std::size_t maxBytes, std::vector<std::uint8_t>& out);
bool WriteFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);

}  // namespace vt
