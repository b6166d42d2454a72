#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace vt {

// A growable little-endian byte buffer with independent read and write positions. Every
// serialised form (event records, network messages, image files) is built and parsed in
// one. The write position is also the length of the valid data.
//
// Typed writers and readers take an offset: 0 appends at the write position (readers:
// take at the read position) and advances it by the value's size; a non-zero offset
// stores at write position + offset (readers: fetch from read position + offset) and
// moves nothing, which is how a count written earlier is patched in place.
//
// Reads never leave the buffer: a typed read of bytes outside [0, write position) gives 0
// (and still advances with offset 0), so a parser that tested Remaining first sees real
// data and one that did not sees zeros. Writes whose target would start before the
// buffer are dropped. Both positions always stay within [0, capacity].
class TMyMemory {
 public:
  explicit TMyMemory(std::int32_t initialCapacity);
  TMyMemory(const TMyMemory&) = delete;
  TMyMemory& operator=(const TMyMemory&) = delete;

  // Ensures write position + n <= capacity, growing by max(n, growth step).
  void Reserve(std::int32_t n);

  void WriteByte(std::uint8_t value, std::int32_t offset = 0);
  void WriteWord(std::uint16_t value, std::int32_t offset = 0);
  void WriteSmallInt(std::int16_t value, std::int32_t offset = 0);
  void WriteInt(std::int32_t value, std::int32_t offset = 0);
  void WriteBytes(const void* source, std::int32_t n);

  std::uint8_t ReadByte(std::int32_t offset = 0);
  std::uint16_t ReadWord(std::int32_t offset = 0);
  std::int16_t ReadSmallInt(std::int32_t offset = 0);
  std::int32_t ReadInt(std::int32_t offset = 0);
  // Copies n bytes and advances, or does nothing at all (returns false) when fewer remain.
  bool ReadBytes(void* destination, std::int32_t n);

  void SkipRead(std::int32_t n);
  void SkipWrite(std::int32_t n);
  // Sets the length of the valid data, growing the buffer when n exceeds the capacity.
  void SetSize(std::int32_t n);
  void RewindRead() { readPos_ = 0; }
  // Keeps the buffer and its capacity.
  void Clear() { readPos_ = writePos_ = 0; }
  // Moves the unread bytes to the start of the buffer: read position 0, write position
  // Remaining. Offsets taken earlier shift down by the old read position.
  void Compact();

  // Replaces the contents with the whole file: read position 0, write position = capacity
  // = file size; the growth step is kept. On failure (missing or unreadable file, or one
  // of 2 GB or more) returns false and leaves the stream untouched.
  bool LoadFromFile(const std::string& fileName);

  // Percentage read, 100 for an empty stream.
  float ReadProgress() const;

  std::uint8_t* Memory() { return buffer_.get(); }
  const std::uint8_t* Memory() const { return buffer_.get(); }
  std::uint8_t* ReadPointer() { return buffer_.get() + readPos_; }
  std::uint8_t* WritePointer() { return buffer_.get() + writePos_; }
  std::int32_t Remaining() const { return writePos_ - readPos_; }

  std::int32_t ReadPosition() const { return readPos_; }
  std::int32_t WritePosition() const { return writePos_; }
  std::int32_t Size() const { return writePos_; }
  std::int32_t Capacity() const { return capacity_; }
  std::int32_t GrowthStep() const { return growthStep_; }

 private:
  void WriteLE(std::uint32_t value, std::int32_t size, std::int32_t offset);
  std::uint32_t ReadLE(std::int32_t size, std::int32_t offset);
  std::int32_t ClampPosition(std::int64_t position) const;

  std::unique_ptr<std::uint8_t[]> buffer_;
  std::int32_t readPos_ = 0;
  std::int32_t capacity_ = 0;
  std::int32_t writePos_ = 0;
  std::int32_t growthStep_ = 0;
};

}  // namespace vt
