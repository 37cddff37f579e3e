// Whole-file reads and the steps of a replace-by-rename write on POSIX descriptors.
#include "platform/sdl/posix_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <system_error>

namespace brakkon::platform {
namespace {

// A descriptor that is closed once, by Close or else on destruction.
class PosixWriteFile final : public IWriteFile {
 public:
  explicit PosixWriteFile(int fd) : fd_(fd) {}
  ~PosixWriteFile() override { Close(); }
  PosixWriteFile(const PosixWriteFile&) = delete;
  PosixWriteFile& operator=(const PosixWriteFile&) = delete;

  bool Write(std::string_view bytes) override {
    if (fd_ < 0) return false;
    // write may take fewer bytes than offered (a signal, a pipe, a quota edge): go on
    // from where it stopped until all are in or it reports an error.
    while (!bytes.empty()) {
      const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
      if (n < 0) {
        if (errno == EINTR) continue;
        return false;
      }
      if (n == 0) return false;  // no progress and no error: nothing better will come of retrying
      bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
  }

  bool Sync() override {
    if (fd_ < 0) return false;
    int result;
    do {
      result = ::fsync(fd_);
    } while (result != 0 && errno == EINTR);
    return result == 0;
  }

  bool Close() override {
    if (fd_ < 0) return false;
    const int fd = fd_;
    fd_ = -1;
    // Not retried on EINTR: on Linux the descriptor is gone either way, and a
    // retry could close one another thread has just opened.
    return ::close(fd) == 0;
  }

 private:
  int fd_;
};

int OpenRetrying(const std::string& path, int flags, mode_t mode = 0) {
  int fd;
  do {
    fd = ::open(path.c_str(), flags | O_CLOEXEC, mode);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

}  // namespace

std::optional<std::string> PosixFiles::ReadFile(const std::string& path) {
  const int fd = OpenRetrying(path, O_RDONLY);
  if (fd < 0) return std::nullopt;
  std::string text;
  char buffer[4096];
  bool ok = true;
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      ok = false;
      break;
    }
    if (n == 0) break;
    text.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(fd);
  if (!ok) return std::nullopt;
  return text;
}

bool PosixFiles::CreateFolders(const std::string& path) {
  std::error_code error;
  std::filesystem::create_directories(path, error);
  return !error && std::filesystem::is_directory(path, error);
}

std::unique_ptr<IWriteFile> PosixFiles::CreateFile(const std::string& path) {
  // Read and write for everyone the umask lets through, as any new file of the player's.
  const int fd = OpenRetrying(path, O_WRONLY | O_CREAT | O_TRUNC, 0666);
  if (fd < 0) return nullptr;
  return std::make_unique<PosixWriteFile>(fd);
}

bool PosixFiles::Rename(const std::string& from, const std::string& to) {
  return std::rename(from.c_str(), to.c_str()) == 0;
}

bool PosixFiles::Remove(const std::string& path) {
  return ::unlink(path.c_str()) == 0;
}

bool PosixFiles::SyncFolder(const std::string& path) {
  const int fd = OpenRetrying(path, O_RDONLY | O_DIRECTORY);
  if (fd < 0) return false;
  int result;
  do {
    result = ::fsync(fd);
  } while (result != 0 && errno == EINTR);
  const bool synced = result == 0;
  return ::close(fd) == 0 && synced;
}

bool PosixFiles::Exists(const std::string& path) {
  struct stat info {};
  // A dangling link is something too: the player put it there.
  return ::lstat(path.c_str(), &info) == 0;
}

}  // namespace brakkon::platform
