#include "document/capture.h"

#include "document/image_file.h"

namespace vt {

std::string CaptureFileName(TFileStore& store, const std::string& folder, const TLocalDate& date) {
  std::string prefix = folder;
  if (!prefix.empty() && prefix.back() != '/' && prefix.back() != '\\') prefix += '/';
  prefix +=
      std::to_string(date.year) + "-" + std::to_string(date.month) + "-" + std::to_string(date.day) + "-";
  for (std::int32_t n = 0; n <= kMaxCaptureNumber; ++n) {
    std::string name = prefix + std::to_string(n) + ".bmp";
    if (!store.Exists(name)) return name;
  }
  return {};
}

std::string SaveCapture(TFileStore& store, const std::string& folder, const TLocalDate& date,
                        const TPaper& paper) {
  std::string name = CaptureFileName(store, folder, date);
  if (name.empty() || !SaveComposite(store, name, paper, TImageFormat::Bmp, 0)) return {};
  return name;
}

}  // namespace vt
