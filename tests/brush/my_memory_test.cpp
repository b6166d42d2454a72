#include "brush/my_memory.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <vector>

namespace vt {
namespace {

TEST(MyMemory, TypedValuesAreLittleEndianAndAdvance) {
  TMyMemory m(4);
  m.WriteByte(0xAB);
  m.WriteWord(0x1234);
  m.WriteSmallInt(-2);
  m.WriteInt(-559038737);  // 0xDEADBEEF
  ASSERT_EQ(m.WritePosition(), 9);
  const std::vector<std::uint8_t> expected = {0xAB, 0x34, 0x12, 0xFE, 0xFF, 0xEF, 0xBE, 0xAD, 0xDE};
  EXPECT_EQ(std::vector<std::uint8_t>(m.Memory(), m.Memory() + 9), expected);

  EXPECT_EQ(m.ReadByte(), 0xAB);
  EXPECT_EQ(m.ReadWord(), 0x1234);
  EXPECT_EQ(m.ReadWord(-2), 0x1234);  // the value just read, fetched again without moving
  EXPECT_EQ(m.ReadSmallInt(), -2);
  EXPECT_EQ(m.ReadInt(), -559038737);
  EXPECT_EQ(m.Remaining(), 0);
}

TEST(MyMemory, NegativeOffsetPatchesCountInPlace) {
  for (std::int32_t n : {0, 1, 5}) {
    TMyMemory m(8);
    m.WriteWord(0);
    for (std::int32_t i = 0; i < n; ++i) {
      m.WriteSmallInt(static_cast<std::int16_t>(i));
      m.WriteSmallInt(static_cast<std::int16_t>(-i));
      m.WriteWord(512);
    }
    const std::int32_t end = m.WritePosition();
    m.WriteWord(static_cast<std::uint16_t>(n), -(6 * n) - 2);
    EXPECT_EQ(m.WritePosition(), end) << n;
    EXPECT_EQ(m.ReadWord(), n) << n;
  }
}

TEST(MyMemory, OffsetWritesOutsideTheBufferAreSafe) {
  TMyMemory m(4);
  m.WriteInt(7);
  m.WriteInt(9, -8);   // would start before the buffer: dropped
  m.WriteByte(1, 10);  // beyond the data: reserved, stored, the length unchanged
  EXPECT_EQ(m.WritePosition(), 4);
  EXPECT_GE(m.Capacity(), 15);
  EXPECT_EQ(m.ReadInt(), 7);
}

TEST(MyMemory, ReadsPastTheDataGiveZerosAndStayInTheBuffer) {
  TMyMemory m(16);
  m.WriteWord(0x0102);
  EXPECT_EQ(m.ReadInt(), 0);  // only 2 bytes written
  EXPECT_EQ(m.Remaining(), -2);
  m.RewindRead();
  EXPECT_EQ(m.ReadByte(-1), 0);
  EXPECT_EQ(m.ReadWord(1000), 0);
  m.SkipRead(1 << 30);
  EXPECT_LE(m.ReadPosition(), m.Capacity());
  m.SkipRead(-(1 << 30));
  EXPECT_EQ(m.ReadPosition(), 0);
  EXPECT_EQ(m.ReadWord(), 0x0102);
}

TEST(MyMemory, ReadBytesRefusesShortReadWithoutMoving) {
  TMyMemory m(8);
  const std::uint8_t data[3] = {1, 2, 3};
  m.WriteBytes(data, 3);
  std::uint8_t out[4] = {9, 9, 9, 9};
  EXPECT_FALSE(m.ReadBytes(out, 4));
  EXPECT_FALSE(m.ReadBytes(out, -1));
  EXPECT_EQ(m.ReadPosition(), 0);
  EXPECT_EQ(out[0], 9);
  EXPECT_TRUE(m.ReadBytes(out, 3));
  EXPECT_EQ(out[2], 3);
  EXPECT_EQ(m.Remaining(), 0);
}

TEST(MyMemory, GrowsLinearlyByTheStepAndClearKeepsCapacity) {
  TMyMemory m(1000);
  std::vector<std::uint8_t> block(1500, 7);
  m.WriteBytes(block.data(), 600);
  EXPECT_EQ(m.Capacity(), 1000);
  m.WriteBytes(block.data(), 600);  // needs 200 more: grows by the step
  EXPECT_EQ(m.Capacity(), 2000);
  m.WriteBytes(block.data(), 700);  // fits
  EXPECT_EQ(m.Capacity(), 2000);
  m.Reserve(1800);  // larger than the step: grows by the request
  EXPECT_EQ(m.Capacity(), 3800);
  EXPECT_EQ(m.ReadByte(1899), 7);

  m.Clear();
  EXPECT_EQ(m.WritePosition(), 0);
  std::vector<std::uint8_t> big(3800, 1);
  m.WriteBytes(big.data(), 3800);
  EXPECT_EQ(m.Capacity(), 3800);
}

TEST(MyMemory, SkipWriteDropsTrailingBytesAndSetSizeStaysInside) {
  TMyMemory m(8);
  m.WriteInt(0x11223344);
  m.WriteWord(0xFFFF);
  m.SkipWrite(-2);
  EXPECT_EQ(m.Size(), 4);
  m.WriteByte(5);
  EXPECT_EQ(m.ReadByte(4), 5);
  m.SkipWrite(-100);
  EXPECT_EQ(m.Size(), 0);
  m.SetSize(20);  // grows so that the data stays inside the buffer
  EXPECT_EQ(m.Size(), 20);
  EXPECT_GE(m.Capacity(), 20);
}

TEST(MyMemory, CompactMovesUnreadBytesToTheStart) {
  TMyMemory m(8);
  for (std::uint8_t i = 0; i < 6; ++i) m.WriteByte(i);
  m.SkipRead(4);
  m.Compact();
  EXPECT_EQ(m.ReadPosition(), 0);
  EXPECT_EQ(m.Size(), 2);
  EXPECT_EQ(m.ReadByte(), 4);
  EXPECT_EQ(m.ReadByte(), 5);
}

TEST(MyMemory, ReadProgress) {
  TMyMemory m(16);
  EXPECT_FLOAT_EQ(m.ReadProgress(), 100.0f);
  m.WriteInt(1);
  m.WriteInt(2);
  EXPECT_FLOAT_EQ(m.ReadProgress(), 0.0f);
  m.ReadInt();
  EXPECT_FLOAT_EQ(m.ReadProgress(), 50.0f);
}

class MyMemoryFile : public ::testing::Test {
 protected:
  std::filesystem::path Write(const std::vector<std::uint8_t>& bytes) {
    std::ofstream(path_, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return path_;
  }
  void TearDown() override { std::filesystem::remove(path_); }
  std::filesystem::path path_ =
      std::filesystem::temp_directory_path() /
      ("vt_my_memory_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
       ::testing::UnitTest::GetInstance()->current_test_info()->name());
};

TEST_F(MyMemoryFile, LoadFromFileReplacesContents) {
  TMyMemory m(64);
  m.WriteInt(99);
  ASSERT_TRUE(m.LoadFromFile(Write({1, 2, 3, 4, 5}).string()));
  EXPECT_EQ(m.ReadPosition(), 0);
  EXPECT_EQ(m.Size(), 5);
  EXPECT_EQ(m.Capacity(), 5);
  EXPECT_EQ(m.GrowthStep(), 64);
  EXPECT_EQ(m.ReadInt(), 0x04030201);
}

TEST_F(MyMemoryFile, EmptyFileThenGrowsByStepOrWrite) {
  TMyMemory m(64);
  ASSERT_TRUE(m.LoadFromFile(Write({}).string()));
  EXPECT_EQ(m.Capacity(), 0);
  EXPECT_EQ(m.Size(), 0);
  m.WriteInt(1);
  EXPECT_EQ(m.Capacity(), 64);

  TMyMemory small(2);
  ASSERT_TRUE(small.LoadFromFile(path_.string()));
  std::vector<std::uint8_t> block(10);
  small.WriteBytes(block.data(), 10);
  EXPECT_EQ(small.Capacity(), 10);
}

TEST_F(MyMemoryFile, FailedLoadLeavesStreamUntouched) {
  TMyMemory m(8);
  m.WriteInt(42);
  m.ReadByte();
  EXPECT_FALSE(m.LoadFromFile((path_ / "missing").string()));
  EXPECT_FALSE(m.LoadFromFile(std::filesystem::temp_directory_path().string()));  // a directory
  EXPECT_EQ(m.Size(), 4);
  EXPECT_EQ(m.ReadPosition(), 1);
  EXPECT_EQ(m.Capacity(), 8);
  m.RewindRead();
  EXPECT_EQ(m.ReadInt(), 42);
}

}  // namespace
}  // namespace vt
