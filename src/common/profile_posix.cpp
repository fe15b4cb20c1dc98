#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <mutex>
#include <set>
#include <string>
#include <utility>

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

// The temporary files of this layer: ".profile-PID-N.tmp", ".replace-PID-N.tmp", and the
// ".tmp-XXXXXX" of older versions. Returns the PID in the name, 0 for an older one, -1 for a
// name of another kind.
long TemporaryOwner(const std::string& name) {
  if (name.size() == 11 && name.starts_with(".tmp-")) return 0;
  std::size_t at = 0;
  for (const char* prefix : {".profile-", ".replace-"}) {
    if (name.starts_with(prefix)) at = std::string_view(prefix).size();
  }
  if (at == 0 || !name.ends_with(".tmp")) return -1;
  long pid = 0;
  for (; at < name.size() && name[at] >= '0' && name[at] <= '9' && pid < 1'000'000'000; ++at) {
    pid = pid * 10 + (name[at] - '0');
  }
  return at < name.size() && name[at] == '-' && pid > 0 ? pid : -1;
}

// Removes the temporary files that killed processes left in `folder`: those whose process is
// gone, and those of older versions, once they are old enough that no write can still be
// making them (a folder on a share may be written from another machine, whose processes are
// not seen here). Once per folder and process: a scan costs a folder listing.
void SweepStaleTemporaries(const std::string& folder) {
  static std::mutex mutex;
  static std::set<std::string> swept;
  {
    const std::lock_guard lock(mutex);
    if (swept.size() > 256) swept.clear();
    if (!swept.insert(folder).second) return;
  }
  DIR* dir = opendir(folder.c_str());
  if (dir == nullptr) return;
  timespec now;
  clock_gettime(CLOCK_REALTIME, &now);
  while (const dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    const long owner = TemporaryOwner(name);
    if (owner < 0 || owner == getpid()) continue;
    struct stat info;
    if (fstatat(dirfd(dir), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0 ||
        !S_ISREG(info.st_mode)) {
      continue;
    }
    const std::int64_t age_s = now.tv_sec - info.st_mtim.tv_sec;
    const bool gone = owner > 0 && kill(static_cast<pid_t>(owner), 0) != 0 && errno == ESRCH;
    if ((gone && age_s >= 60) || (owner == 0 && age_s >= 600))
      unlinkat(dirfd(dir), name.c_str(), 0);
  }
  closedir(dir);
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
  fd_ = open(folder.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
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
  SweepStaleTemporaries(FolderOf(path));
  const int fd = CreateTemporary(FolderOf(path), temp_path);
  if (fd < 0) return false;
  bool ok = !existed || fchmod(fd, old_info.st_mode & 07777) == 0;
  // On disk before the rename: a power loss then leaves the old file or the new one, whole, on
  // every file system, not only on those that keep a rename in order with the data.
  ok = ok && WriteAll(fd, data) && fsync(fd) == 0;
  ok = close(fd) == 0 && ok;
  ok = ok && rename(temp_path.c_str(), path.c_str()) == 0;
  if (!ok) {
    unlink(temp_path.c_str());
    return false;
  }
  return StatFile(path, stamp);
}

FileReplacement::~FileReplacement() {
  if (fd_ < 0) return;
  close(fd_);
  if (!temp_path_.empty()) unlink(temp_path_.c_str());
}

bool FileReplacement::Open() {
  struct stat old_info;
  const bool existed = stat(path_.c_str(), &old_info) == 0 && S_ISREG(old_info.st_mode);
  // Until its permission bits are set, only we may open the file.
  const mode_t mode = existed ? 0600 : 0666;
  SweepStaleTemporaries(FolderOf(path_));
#ifdef O_TMPFILE
  fd_ = open(FolderOf(path_).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
#endif
  if (fd_ < 0) {
    // No file without a name here: a hidden one, left behind only by a killed process.
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
      temp_path_ = FolderOf(path_) + "/.replace-" + std::to_string(getpid()) + "-" +
                   std::to_string(counter++) + ".tmp";
      fd_ = open(temp_path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
      if (fd_ < 0 && errno != EEXIST) break;
    }
    if (fd_ < 0) {
      temp_path_.clear();
      return false;
    }
  }
  return !existed || fchmod(fd_, old_info.st_mode & 07777) == 0;
}

bool FileReplacement::Write(std::string_view bytes) { return fd_ >= 0 && WriteAll(fd_, bytes); }

bool FileReplacement::Sync() {
  synced_ = fd_ >= 0 && fsync(fd_) == 0;
  return synced_;
}

bool FileReplacement::Commit() {
  if (fd_ < 0 || (!synced_ && fsync(fd_) != 0)) return false;
  bool ok = true;
  if (temp_path_.empty()) {
    // The nameless file gets the name itself when it is new, else a temporary one first, which
    // is then renamed over the old file.
    const std::string self = "/proc/self/fd/" + std::to_string(fd_);
    if (linkat(AT_FDCWD, self.c_str(), AT_FDCWD, path_.c_str(), AT_SYMLINK_FOLLOW) == 0) {
      return close(std::exchange(fd_, -1)) == 0;
    }
    if (errno != EEXIST) return false;
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
      temp_path_ = FolderOf(path_) + "/.replace-" + std::to_string(getpid()) + "-" +
                   std::to_string(counter++) + ".tmp";
      if (linkat(AT_FDCWD, self.c_str(), AT_FDCWD, temp_path_.c_str(), AT_SYMLINK_FOLLOW) == 0) {
        break;
      }
      const bool taken = errno == EEXIST;
      temp_path_.clear();
      if (!taken) return false;
    }
    if (temp_path_.empty()) return false;
  }
  ok = close(std::exchange(fd_, -1)) == 0;
  ok = ok && rename(temp_path_.c_str(), path_.c_str()) == 0;
  if (!ok) unlink(temp_path_.c_str());
  temp_path_.clear();
  return ok;
}

}  // namespace profile_internal
