#include "brush/my_memory.h"

#include "brush/my_file.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <stdexcept>

namespace vt {

namespace {

constexpr std::int64_t kMaxCapacity = std::numeric_limits<std::int32_t>::max();

std::unique_ptr<std::uint8_t[]> Allocate(std::int32_t n) {
  // Value-initialised: bytes beyond the written data read as zeros, never as garbage.
  return std::make_unique<std::uint8_t[]>(static_cast<std::size_t>(std::max(n, 0)));
}

}  // namespace

TMyMemory::TMyMemory(std::int32_t initialCapacity)
    : buffer_(Allocate(initialCapacity)),
      capacity_(std::max(initialCapacity, 0)),
      growthStep_(std::max(initialCapacity, 0)) {}

void TMyMemory::Reserve(std::int32_t n) {
  if (n <= 0 || static_cast<std::int64_t>(writePos_) + n <= capacity_) return;
  const std::int64_t grow = std::max(n, growthStep_);
  // Linear growth: a rare, whole copy per step rather than doubling.
  const std::int64_t capacity = capacity_ + grow;
  if (capacity > kMaxCapacity) throw std::length_error("TMyMemory: buffer of 2 GB or more");
  auto grown = Allocate(static_cast<std::int32_t>(capacity));
  if (capacity_ > 0) std::memcpy(grown.get(), buffer_.get(), static_cast<std::size_t>(capacity_));
  buffer_ = std::move(grown);
  capacity_ = static_cast<std::int32_t>(capacity);
}

void TMyMemory::WriteLE(std::uint32_t value, std::int32_t size, std::int32_t offset) {
  Reserve(offset > 0 ? offset + size : size);
  const std::int64_t at = static_cast<std::int64_t>(writePos_) + offset;
  if (at < 0 || at + size > capacity_) return;
  for (std::int32_t i = 0; i < size; ++i)
    buffer_[static_cast<std::size_t>(at + i)] = (value >> (8 * i)) & 0xFF;
  if (offset == 0) writePos_ += size;
}

std::uint32_t TMyMemory::ReadLE(std::int32_t size, std::int32_t offset) {
  const std::int64_t at = static_cast<std::int64_t>(readPos_) + offset;
  std::uint32_t value = 0;
  if (at >= 0 && at + size <= writePos_) {
    for (std::int32_t i = 0; i < size; ++i)
      value |= std::uint32_t{buffer_[static_cast<std::size_t>(at + i)]} << (8 * i);
  }
  if (offset == 0) readPos_ = ClampPosition(static_cast<std::int64_t>(readPos_) + size);
  return value;
}

std::int32_t TMyMemory::ClampPosition(std::int64_t position) const {
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(position, 0, capacity_));
}

void TMyMemory::WriteByte(std::uint8_t value, std::int32_t offset) { WriteLE(value, 1, offset); }
void TMyMemory::WriteWord(std::uint16_t value, std::int32_t offset) { WriteLE(value, 2, offset); }
void TMyMemory::WriteSmallInt(std::int16_t value, std::int32_t offset) {
  WriteLE(static_cast<std::uint16_t>(value), 2, offset);
}
void TMyMemory::WriteInt(std::int32_t value, std::int32_t offset) {
  WriteLE(static_cast<std::uint32_t>(value), 4, offset);
}

void TMyMemory::WriteBytes(const void* source, std::int32_t n) {
  if (n <= 0) return;
  Reserve(n);
  std::memcpy(buffer_.get() + writePos_, source, static_cast<std::size_t>(n));
  writePos_ += n;
}

std::uint8_t TMyMemory::ReadByte(std::int32_t offset) { return static_cast<std::uint8_t>(ReadLE(1, offset)); }
std::uint16_t TMyMemory::ReadWord(std::int32_t offset) {
  return static_cast<std::uint16_t>(ReadLE(2, offset));
}
std::int16_t TMyMemory::ReadSmallInt(std::int32_t offset) {
  return static_cast<std::int16_t>(ReadLE(2, offset));
}
std::int32_t TMyMemory::ReadInt(std::int32_t offset) { return static_cast<std::int32_t>(ReadLE(4, offset)); }

bool TMyMemory::ReadBytes(void* destination, std::int32_t n) {
  if (n < 0 || n > Remaining()) return false;
  if (n > 0) std::memcpy(destination, buffer_.get() + readPos_, static_cast<std::size_t>(n));
  readPos_ += n;
  return true;
}

void TMyMemory::SkipRead(std::int32_t n) {
  readPos_ = ClampPosition(static_cast<std::int64_t>(readPos_) + n);
}

void TMyMemory::SkipWrite(std::int32_t n) {
  SetSize(static_cast<std::int32_t>(
      std::clamp<std::int64_t>(static_cast<std::int64_t>(writePos_) + n, 0, kMaxCapacity)));
}

void TMyMemory::SetSize(std::int32_t n) {
  if (n > capacity_) Reserve(n - writePos_);
  writePos_ = ClampPosition(n);
}

void TMyMemory::Compact() {
  const std::int32_t remaining = std::max(Remaining(), 0);
  if (readPos_ > 0 && remaining > 0) {
    std::memmove(buffer_.get(), buffer_.get() + readPos_, static_cast<std::size_t>(remaining));
  }
  readPos_ = 0;
  writePos_ = remaining;
}

bool TMyMemory::LoadFromFile(const std::string& fileName) {
  TMyFile file;
  if (!file.OpenRead(fileName)) return false;
  const std::int64_t size = file.Size();
  if (size < 0 || size > kMaxCapacity) return false;
  const auto n = static_cast<std::int32_t>(size);
  auto loaded = Allocate(n);
  if (file.Read(loaded.get(), n) != n) return false;
  buffer_ = std::move(loaded);
  readPos_ = 0;
  writePos_ = capacity_ = n;
  return true;
}

float TMyMemory::ReadProgress() const {
  if (capacity_ == 0 || writePos_ == 0) return 100.0f;
  return static_cast<float>(static_cast<double>(readPos_) / writePos_ * 100.0);
}

}  // namespace vt
