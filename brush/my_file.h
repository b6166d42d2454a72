#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace vt {

// A thin wrapper over one open file. Every operation reports failure: the opens return
// false, Read and Write return the byte counts actually moved, and Failed() stays set
// after any short read or write until the next open.
class TMyFile {
 public:
  TMyFile() = default;
  ~TMyFile() { Close(); }
  TMyFile(const TMyFile&) = delete;
  TMyFile& operator=(const TMyFile&) = delete;

  // Opens an existing file read-only at byte 0.
  bool OpenRead(const std::string& fileName);
  // Creates the file, or truncates an existing one, at byte 0.
  bool OpenWrite(const std::string& fileName);
  void Close();

  std::int32_t Read(void* destination, std::int32_t n);
  std::int32_t Write(const void* source, std::int32_t n);
  // Little-endian int32; 0 (and Failed()) when fewer than 4 bytes could be read.
  std::int32_t ReadInt();
  bool WriteInt(std::int32_t value);

  // Size of the open file in bytes, -1 when none is open or it cannot be measured. The
  // file position is kept.
  std::int64_t Size();

  bool IsOpen() const { return handle_ != nullptr; }
  bool Failed() const { return failed_; }

 private:
  bool Open(const std::string& fileName, const char* mode);

  std::FILE* handle_ = nullptr;
  bool failed_ = false;
};

// Size of the named file in bytes, or -1 when it cannot be opened.
std::int64_t FileSizeOf(const std::string& fileName);

}  // namespace vt
