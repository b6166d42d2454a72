#include "app/cli/cli_io.h"

#ifdef VT_CLI_HAVE_PLATFORM
#include <QBuffer>
#include <QImage>

#include "platform/posix_file_store.h"
#else
#include <filesystem>
#include <fstream>
#include <iterator>
#endif

namespace vt {

#ifdef VT_CLI_HAVE_PLATFORM

TFileStore& CliFileStore() {
  static TPosixFileStore store;
  return store;
}

bool EncodePNG(const TPX& px, std::vector<std::uint8_t>& out) {
  // Rows are contiguous top-down 0xAARRGGBB words; the A byte is not alpha.
  const QImage image(reinterpret_cast<const uchar*>(px.Row(0)), px.Width, px.Height, px.Width * 4,
                     QImage::Format_RGB32);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  if (!buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "PNG")) return false;
  out.assign(bytes.begin(), bytes.end());
  return true;
}

#else

namespace {

// Without the platform layer: a write to a file beside the target renamed over it.
class TPlainFileStore : public TFileStore {
 public:
  bool WriteDurably(const std::string& path, std::span<const std::uint8_t> bytes) override {
    const std::string temporary = path + ".tmp";
    {
      std::ofstream f(temporary, std::ios::binary | std::ios::trunc);
      f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
      if (!f.flush()) return false;
    }
    std::error_code ec;
    std::filesystem::rename(temporary, path, ec);
    if (ec) std::filesystem::remove(temporary, ec);
    return !ec;
  }
  bool ReadAll(const std::string& path, std::size_t maxBytes, std::vector<std::uint8_t>& out) override {
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    if (ec || size > maxBytes) return false;
    std::ifstream f(path, std::ios::binary);
    if (!f) return false;
    out.assign(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
    return true;
  }
  bool Exists(const std::string& path) override {
    std::error_code ec;
    return std::filesystem::exists(path, ec);
  }
};

}  // namespace

TFileStore& CliFileStore() {
  static TPlainFileStore store;
  return store;
}

bool EncodePNG(const TPX&, std::vector<std::uint8_t>&) { return false; }

#endif

}  // namespace vt
