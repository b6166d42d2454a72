#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "document/draw_document.h"
#include "document/file_store.h"

namespace vt {

// What a file name's extension (compared upper-cased) stands for.
enum class TImageFormat { Unknown, Native, Bmp, Jpeg, EventFile };
TImageFormat ImageFormatOf(const std::string& path);

// Decodes a BMP or JPEG picture (refused pictures return false and change nothing) into a
// new one-layer paper of at most MaxSide x MaxSide: the history restarts with a PaperNew of
// that size, the picture goes into layer 0 cropped to it, and export is blocked since no
// event can rebuild those pixels. The paper is recomposited and named `name`.
bool ImportImage(TDrawDocument& document, std::span<const std::uint8_t> bytes, TImageFormat format,
                 const std::string& name);
bool ImportImageFile(TFileStore& store, TDrawDocument& document, const std::string& path);

// The composite as a 24-bit BMP or a JPEG of the quality; false for other formats.
bool EncodeComposite(const TPaper& paper, TImageFormat format, std::uint8_t quality,
                     std::vector<std::uint8_t>& out);
bool SaveComposite(TFileStore& store, const std::string& path, const TPaper& paper, TImageFormat format,
                   std::uint8_t quality);

// Largest picture file read for import.
inline constexpr std::size_t kMaxImageFileBytes = 512u * 1024 * 1024;

}  // namespace vt
