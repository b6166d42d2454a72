#include "platform/posix_file_store.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

namespace vt {

namespace {

std::string ParentOf(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::atomic<unsigned> temporaryCounter{0};

}  // namespace

ssize_t TPosixFileStore::WriteSome(int fd, const std::uint8_t* data, std::size_t n) {
  return ::write(fd, data, n);
}

int TPosixFileStore::SyncFile(int fd) { return ::fsync(fd); }

int TPosixFileStore::RenameFile(const std::string& from, const std::string& to) {
  return ::rename(from.c_str(), to.c_str());
}

int TPosixFileStore::SyncFolder(int fd) { return ::fsync(fd); }

bool TPosixFileStore::WriteAll(int fd, std::span<const std::uint8_t> bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = WriteSome(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

int TPosixFileStore::CreateTemporary(const std::string& path, std::string& name) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    name = path + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(temporaryCounter++);
    const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

bool TPosixFileStore::SyncParent(const std::string& path) {
  const int fd = ::open(ParentOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  // Some file systems cannot flush a folder; the rename is then as durable as they allow.
  const bool ok = SyncFolder(fd) == 0 || errno == EINVAL;
  ::close(fd);
  return ok;
}

bool TPosixFileStore::WriteDurably(const std::string& path, std::span<const std::uint8_t> bytes) {
  std::string temporary;
  const int fd = CreateTemporary(path, temporary);
  if (fd < 0) return false;
  // A replaced file keeps its permissions.
  struct stat old {};
  if (::stat(path.c_str(), &old) == 0) ::fchmod(fd, old.st_mode & 07777);
  bool ok = WriteAll(fd, bytes) && SyncFile(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  if (!ok || RenameFile(temporary, path) != 0) {
    ::unlink(temporary.c_str());
    return false;
  }
  return SyncParent(path);
}

bool TPosixFileStore::ReadAll(const std::string& path, std::size_t maxBytes, std::vector<std::uint8_t>& out) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st {};
  bool ok =
      ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && static_cast<std::uint64_t>(st.st_size) <= maxBytes;
  std::vector<std::uint8_t> bytes;
  if (ok) {
    bytes.resize(static_cast<std::size_t>(st.st_size));
    std::size_t done = 0;
    while (ok && done < bytes.size()) {
      const ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0)
        ok = false;
      else
        done += static_cast<std::size_t>(n);
    }
  }
  ::close(fd);
  if (ok) out = std::move(bytes);
  return ok;
}

bool TPosixFileStore::Exists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

}  // namespace vt
