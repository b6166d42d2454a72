#pragma once

#include <cstdint>
#include <string>

#include "document/file_store.h"
#include "document/paper.h"

namespace vt {

struct TLocalDate {
  std::int32_t year = 0;
  std::int32_t month = 0;
  std::int32_t day = 0;
};

// Captures try numbers up to this; beyond it the folder is taken as full.
inline constexpr std::int32_t kMaxCaptureNumber = 100000;

// folder + "Y-M-D-n.bmp", plain decimal numbers, with n the smallest number whose file does
// not exist yet. A separator is put between folder and name when the folder lacks one.
// Empty when every number up to kMaxCaptureNumber is taken.
std::string CaptureFileName(TFileStore& store, const std::string& folder, const TLocalDate& date);

// Writes the composite as a bitmap under the next capture name and returns that name, or
// an empty string when nothing was written.
std::string SaveCapture(TFileStore& store, const std::string& folder, const TLocalDate& date,
                        const TPaper& paper);

}  // namespace vt
