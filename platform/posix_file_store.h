#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "document/file_store.h"

namespace vt {

// Files on a POSIX file system. A durable write goes to a new file beside the target,
// is flushed to the disk, renamed over the target and the folder is flushed, so a crash
// or a failure at any step leaves either the old file or the new one, never a mix.
class TPosixFileStore : public TFileStore {
 public:
  bool WriteDurably(const std::string& path, std::span<const std::uint8_t> bytes) override;
  bool ReadAll(const std::string& path, std::size_t maxBytes, std::vector<std::uint8_t>& out) override;
  bool Exists(const std::string& path) override;

 protected:
  // The system calls of a durable write, one per step, so a test can make any of them fail.
  virtual ssize_t WriteSome(int fd, const std::uint8_t* data, std::size_t n);
  virtual int SyncFile(int fd);
  virtual int RenameFile(const std::string& from, const std::string& to);
  virtual int SyncFolder(int fd);

 private:
  bool WriteAll(int fd, std::span<const std::uint8_t> bytes);
  // Creates a new file beside path and returns its descriptor and name, or -1.
  int CreateTemporary(const std::string& path, std::string& name);
  bool SyncParent(const std::string& path);
};

}  // namespace vt
