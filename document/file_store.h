#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace vt {

// The files the document layer reads and writes. Saving must never destroy what was
// there: a write either replaces the file whole with the new bytes, durably, or leaves
// the old file exactly as it was and reports failure.
class TFileStore {
 public:
  virtual ~TFileStore() = default;

  // Replaces the file at path with exactly these bytes. False when any step failed; the
  // previous file (or its absence) is then unchanged.
  virtual bool WriteDurably(const std::string& path, std::span<const std::uint8_t> bytes) = 0;
  // The whole file when it exists, is readable and holds at most maxBytes.
  virtual bool ReadAll(const std::string& path, std::size_t maxBytes, std::vector<std::uint8_t>& out) = 0;
  virtual bool Exists(const std::string& path) = 0;
};

}  // namespace vt
