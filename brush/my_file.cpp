#include "brush/my_file.h"

#include <filesystem>
#include <system_error>

namespace vt {

bool TMyFile::Open(const std::string& fileName, const char* mode) {
  Close();
  handle_ = std::fopen(fileName.c_str(), mode);
  failed_ = handle_ == nullptr;
  return handle_ != nullptr;
}

bool TMyFile::OpenRead(const std::string& fileName) {
  // A directory opens as a stream on some systems; it is not a file to read.
  std::error_code error;
  if (std::filesystem::is_directory(fileName, error)) {
    Close();
    failed_ = true;
    return false;
  }
  return Open(fileName, "rb");
}

bool TMyFile::OpenWrite(const std::string& fileName) { return Open(fileName, "wb"); }

void TMyFile::Close() {
  if (handle_ == nullptr) return;
  if (std::fclose(handle_) != 0) failed_ = true;
  handle_ = nullptr;
}

std::int32_t TMyFile::Read(void* destination, std::int32_t n) {
  if (handle_ == nullptr || n <= 0) {
    if (n > 0) failed_ = true;
    return 0;
  }
  const auto count =
      static_cast<std::int32_t>(std::fread(destination, 1, static_cast<std::size_t>(n), handle_));
  if (count != n) failed_ = true;
  return count;
}

std::int32_t TMyFile::Write(const void* source, std::int32_t n) {
  if (handle_ == nullptr || n <= 0) {
    if (n > 0) failed_ = true;
    return 0;
  }
  const auto count = static_cast<std::int32_t>(std::fwrite(source, 1, static_cast<std::size_t>(n), handle_));
  if (count != n) failed_ = true;
  return count;
}

std::int32_t TMyFile::ReadInt() {
  std::uint8_t bytes[4] = {};
  if (Read(bytes, 4) != 4) return 0;
  const std::uint32_t value = bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (std::uint32_t{bytes[3]} << 24);
  return static_cast<std::int32_t>(value);
}

bool TMyFile::WriteInt(std::int32_t value) {
  const auto bits = static_cast<std::uint32_t>(value);
  const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(bits), static_cast<std::uint8_t>(bits >> 8),
                                 static_cast<std::uint8_t>(bits >> 16),
                                 static_cast<std::uint8_t>(bits >> 24)};
  return Write(bytes, 4) == 4;
}

std::int64_t TMyFile::Size() {
  if (handle_ == nullptr) return -1;
  const long here = std::ftell(handle_);
  if (here < 0 || std::fseek(handle_, 0, SEEK_END) != 0) return -1;
  const long size = std::ftell(handle_);
  if (std::fseek(handle_, here, SEEK_SET) != 0) return -1;
  return size;
}

std::int64_t FileSizeOf(const std::string& fileName) {
  TMyFile file;
  if (!file.OpenRead(fileName)) return -1;
  return file.Size();
}

}  // namespace vt
