#pragma once

#include "raster/px.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vt {

// Progressive files stop after this many scans: a file of thousands of tiny scans would
// otherwise cost seconds to decode.
constexpr int kMaxJpegScans = 100;
// Cap on the decoder's working memory (a progressive image keeps all its coefficients).
// Enough for a progressive picture of the program's largest size at full colour detail.
constexpr long kMaxJpegMemory = 256L * 1024 * 1024;

// Decodes a JPEG (greyscale, YCbCr or RGB) into the buffer with A = 0xFF. Any decoder
// error, a truncated file, an image side above kMaxImageSide, too many scans or too much
// decoder memory yields false and leaves the buffer unchanged.
bool LoadJPEGFromMemory(TPX& px, const std::uint8_t* data, std::size_t size);
bool LoadJPEG(TPX& px, const std::string& path);

// Encodes the B, G, R bytes of the buffer; quality 1..100 (0 acts as 1, above 100 as 100).
bool EncodeJPEG(const TPX& px, std::uint8_t quality, std::vector<std::uint8_t>& out);
bool SaveJPEG(const TPX& px, const std::string& path, std::uint8_t quality);

}  // namespace vt
