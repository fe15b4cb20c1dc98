#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <ctime>

#include "common/profile_internal.h"

namespace profile_internal {
namespace {

std::int64_t Nanoseconds(const timespec& time) {
  return static_cast<std::int64_t>(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
}

FileStamp StampOf(const struct stat& info) {
  FileStamp stamp;
  stamp.device = static_cast<std::uint64_t>(info.st_dev);
  stamp.inode = static_cast<std::uint64_t>(info.st_ino);
  stamp.size = static_cast<std::int64_t>(info.st_size);
#ifdef __APPLE__
  stamp.mtime_ns = Nanoseconds(info.st_mtimespec);
  stamp.ctime_ns = Nanoseconds(info.st_ctimespec);
#else
  stamp.mtime_ns = Nanoseconds(info.st_mtim);
  stamp.ctime_ns = Nanoseconds(info.st_ctim);
#endif
  return stamp;
}

// Closes `fd` on every path out of a scope.
class FdCloser {
 public:
  explicit FdCloser(int fd) : fd_(fd) {}
  ~FdCloser() {
    if (fd_ >= 0) close(fd_);
  }
  FdCloser(const FdCloser&) = delete;
  FdCloser& operator=(const FdCloser&) = delete;

 private:
  int fd_;
};

bool WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t written = write(fd, data.data(), data.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    data.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

// Creates a fresh temporary file in `folder`; the mode 0666 lets the umask decide, as for any
// new file. Returns its descriptor, or -1.
int CreateTemporary(const std::string& folder, std::string& temp_path) {
  static std::atomic<unsigned> counter{0};
  for (int attempt = 0; attempt < 100; ++attempt) {
    temp_path =
        folder + "/.profile-" + std::to_string(getpid()) + "-" + std::to_string(counter++) + ".tmp";
    const int fd = open(temp_path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

}  // namespace

bool StatFile(const std::string& path, FileStamp& stamp) {
  struct stat info;
  if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
  stamp = StampOf(info);
  return true;
}

bool ReadFileWithStamp(const std::string& path, std::string& data, FileStamp& stamp) {
  data.clear();
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  FdCloser closer(fd);
  struct stat info;
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) return false;
  stamp = StampOf(info);
  data.resize(static_cast<std::size_t>(info.st_size));
  std::size_t filled = 0;
  for (;;) {
    if (filled == data.size()) data.resize(data.size() + 4096);  // the file grew meanwhile
    const ssize_t got = read(fd, data.data() + filled, data.size() - filled);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      data.clear();
      return false;
    }
    if (got == 0) break;
    filled += static_cast<std::size_t>(got);
  }
  data.resize(filled);
  return true;
}

bool StampIsRecent(const FileStamp& stamp) {
  timespec now;
  clock_gettime(CLOCK_REALTIME, &now);
  // File times follow a clock that steps by a timer tick; a file system that stores no
  // nanoseconds steps by up to two seconds.
  const bool coarse = stamp.ctime_ns % 1'000'000'000 == 0 && stamp.mtime_ns % 1'000'000'000 == 0;
  const std::int64_t margin = coarse ? 2'000'000'000 : 50'000'000;
  return Nanoseconds(now) - stamp.ctime_ns < margin;
}

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

FolderLock::FolderLock(const std::string& folder) {
  fd_ = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd_ < 0) return;
  // Some network file systems refuse locks on a folder; writing unlocked is then the best left.
  while (flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
  }
}

FolderLock::~FolderLock() {
  if (fd_ >= 0) close(fd_);  // releases the lock
}

std::string WriteTargetOf(const std::string& path) {
  struct stat info;
  if (lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
  char* resolved = realpath(path.c_str(), nullptr);
  if (resolved == nullptr) return path;
  std::string target(resolved);
  std::free(resolved);
  return target;
}

bool ReplaceFile(const std::string& path, std::string_view data, FileStamp& stamp) {
  struct stat old_info;
  const bool existed = stat(path.c_str(), &old_info) == 0 && S_ISREG(old_info.st_mode);
  std::string temp_path;
  const int fd = CreateTemporary(FolderOf(path), temp_path);
  if (fd < 0) return false;
  bool ok = !existed || fchmod(fd, old_info.st_mode & 07777) == 0;
  ok = ok && WriteAll(fd, data) && fsync(fd) == 0;
  ok = close(fd) == 0 && ok;
  ok = ok && rename(temp_path.c_str(), path.c_str()) == 0;
  if (!ok) {
    unlink(temp_path.c_str());
    return false;
  }
  return StatFile(path, stamp);
}

}  // namespace profile_internal
