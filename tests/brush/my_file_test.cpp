#include "brush/my_file.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace vt {
namespace {

class MyFileTest : public ::testing::Test {
 protected:
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::string Path(const char* name) {
    std::filesystem::create_directories(dir_);
    return (dir_ / name).string();
  }
  std::filesystem::path dir_ =
      std::filesystem::temp_directory_path() /
      ("vt_my_file_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
};

TEST_F(MyFileTest, WriteThenReadBack) {
  const std::string name = Path("a.bin");
  {
    TMyFile file;
    ASSERT_TRUE(file.OpenWrite(name));
    EXPECT_TRUE(file.WriteInt(-2));
    EXPECT_EQ(file.Write("xyz", 3), 3);
    EXPECT_FALSE(file.Failed());
  }
  EXPECT_EQ(FileSizeOf(name), 7);
  TMyFile file;
  ASSERT_TRUE(file.OpenRead(name));
  EXPECT_EQ(file.Size(), 7);
  EXPECT_EQ(file.ReadInt(), -2);
  char text[8] = {};
  EXPECT_EQ(file.Read(text, 8), 3);  // only 3 remain
  EXPECT_STREQ(text, "xyz");
  EXPECT_TRUE(file.Failed());
}

TEST_F(MyFileTest, OpenWriteTruncates) {
  const std::string name = Path("b.bin");
  TMyFile file;
  ASSERT_TRUE(file.OpenWrite(name));
  file.WriteInt(1);
  file.WriteInt(2);
  ASSERT_TRUE(file.OpenWrite(name));  // closes the first handle, truncates
  file.Close();
  EXPECT_EQ(FileSizeOf(name), 0);
}

TEST_F(MyFileTest, FailuresAreReported) {
  TMyFile file;
  EXPECT_FALSE(file.OpenRead(Path("missing.bin")));
  EXPECT_TRUE(file.Failed());
  EXPECT_FALSE(file.IsOpen());
  char byte = 0;
  EXPECT_EQ(file.Read(&byte, 1), 0);
  EXPECT_EQ(file.Write(&byte, 1), 0);
  EXPECT_EQ(file.ReadInt(), 0);
  EXPECT_FALSE(file.WriteInt(1));
  EXPECT_FALSE(file.OpenRead(dir_.string()));  // a directory is not a file
  EXPECT_FALSE(file.OpenWrite((dir_ / "no" / "such" / "dir.bin").string()));
  EXPECT_EQ(FileSizeOf(Path("missing.bin")), -1);
  file.Close();  // closing nothing is harmless
}

}  // namespace
}  // namespace vt
