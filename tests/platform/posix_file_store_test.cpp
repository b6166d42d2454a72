#include "platform/posix_file_store.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <fstream>

namespace vt {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

enum class TFault { None, FullDisk, ShortWrite, FailedSync, FailedRename };

// The real store with one of its steps failing as a disk or file system makes it fail.
class TFaultyStore : public TPosixFileStore {
 public:
  TFault fault = TFault::None;

 protected:
  ssize_t WriteSome(int fd, const std::uint8_t* data, std::size_t n) override {
    if (fault == TFault::FullDisk) {
      errno = ENOSPC;
      return -1;
    }
    if (fault == TFault::ShortWrite) {
      // Half of what was asked, then nothing more fits.
      if (written_ > 0) return 0;
      written_ = n / 2;
      return TPosixFileStore::WriteSome(fd, data, written_);
    }
    return TPosixFileStore::WriteSome(fd, data, n);
  }
  int SyncFile(int fd) override {
    if (fault == TFault::FailedSync) {
      errno = EIO;
      return -1;
    }
    return TPosixFileStore::SyncFile(fd);
  }
  int RenameFile(const std::string& from, const std::string& to) override {
    if (fault == TFault::FailedRename) {
      errno = EXDEV;
      return -1;
    }
    return TPosixFileStore::RenameFile(from, to);
  }

 private:
  std::size_t written_ = 0;
};

class PosixFileStore : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("vt_store_" + std::to_string(::getpid()) + "_" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string P(const char* name) const { return (dir_ / name).string(); }
  std::size_t FilesInDir() const {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()));
  }
  fs::path dir_;
};

TEST_F(PosixFileStore, AFailedStepKeepsTheOldFileAndLeavesNoTemporary) {
  const Bytes old{1, 2, 3, 4};
  const Bytes fresh(100000, 7);
  for (TFault f : {TFault::FullDisk, TFault::ShortWrite, TFault::FailedSync, TFault::FailedRename}) {
    SCOPED_TRACE(static_cast<int>(f));
    TPosixFileStore plain;
    ASSERT_TRUE(plain.WriteDurably(P("pic.wpb"), old));
    TFaultyStore store;
    store.fault = f;
    EXPECT_FALSE(store.WriteDurably(P("pic.wpb"), fresh));
    Bytes back;
    ASSERT_TRUE(plain.ReadAll(P("pic.wpb"), 1000, back));
    EXPECT_EQ(back, old);
    EXPECT_EQ(FilesInDir(), 1u);
    // A new file that fails does not appear at all.
    EXPECT_FALSE(store.WriteDurably(P("new.wpb"), fresh));
    EXPECT_FALSE(store.Exists(P("new.wpb")));
  }
}

TEST_F(PosixFileStore, AWriteReplacesTheFileWholeAndKeepsItsPermissions) {
  TPosixFileStore store;
  ASSERT_TRUE(store.WriteDurably(P("a.bin"), Bytes{9, 9, 9, 9, 9, 9}));
  ::chmod(P("a.bin").c_str(), 0640);
  ASSERT_TRUE(store.WriteDurably(P("a.bin"), Bytes{5}));
  Bytes back;
  ASSERT_TRUE(store.ReadAll(P("a.bin"), 10, back));
  EXPECT_EQ(back, Bytes{5});
  struct stat st {};
  ASSERT_EQ(::stat(P("a.bin").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  EXPECT_EQ(FilesInDir(), 1u);
  ASSERT_TRUE(store.WriteDurably(P("empty"), Bytes{}));
  ASSERT_TRUE(store.ReadAll(P("empty"), 0, back));
  EXPECT_TRUE(back.empty());
}

TEST_F(PosixFileStore, ReadingRespectsTheCapAndRefusesFolders) {
  TPosixFileStore store;
  ASSERT_TRUE(store.WriteDurably(P("b.bin"), Bytes(10, 1)));
  Bytes back{42};
  EXPECT_FALSE(store.ReadAll(P("b.bin"), 9, back));
  EXPECT_EQ(back, Bytes{42});
  EXPECT_FALSE(store.ReadAll(dir_.string(), 1000, back));
  EXPECT_FALSE(store.ReadAll(P("missing"), 1000, back));
  EXPECT_TRUE(store.Exists(P("b.bin")));
  EXPECT_FALSE(store.Exists(P("missing")));
  EXPECT_FALSE(store.WriteDurably(P("no/such/folder/x"), Bytes{1}));
}

}  // namespace
}  // namespace vt
