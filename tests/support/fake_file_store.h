#pragma once

#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <vector>

#include "document/file_store.h"

namespace vt {

// Files in memory. Writes can be made to fail (a full disk, a short write, a failed rename
// all look the same from above); a failed write leaves the old contents, as the real
// store guarantees.
class TFakeFileStore : public TFileStore {
 public:
  bool WriteDurably(const std::string& path, std::span<const std::uint8_t> bytes) override {
    ++writes;
    if (failWrites) return false;
    files[path].assign(bytes.begin(), bytes.end());
    return true;
  }
  bool ReadAll(const std::string& path, std::size_t maxBytes, std::vector<std::uint8_t>& out) override {
    const auto it = files.find(path);
    if (it == files.end() || it->second.size() > maxBytes) return false;
    out = it->second;
    return true;
  }
  bool Exists(const std::string& path) override { return files.count(path) != 0; }

  std::map<std::string, std::vector<std::uint8_t>> files;
  bool failWrites = false;
  std::int32_t writes = 0;
};

}  // namespace vt
