#pragma once

// The file-system side of the profile layer, one implementation per platform.

#include <cstdint>
#include <string>
#include <string_view>

namespace profile_internal {

// What stat tells about a file; any difference means the file may have changed.
struct FileStamp {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  std::int64_t size = 0;
  std::int64_t mtime_ns = 0;
  std::int64_t ctime_ns = 0;
  bool operator==(const FileStamp&) const = default;
};

// Fills `stamp` for the ordinary file `path`. Returns false when there is none.
bool StatFile(const std::string& path, FileStamp& stamp);

// Reads the ordinary file `path` whole; `stamp` is taken before the bytes are read, so a change
// made during the read shows as a changed stamp later. Returns false when it cannot be read.
bool ReadFileWithStamp(const std::string& path, std::string& data, FileStamp& stamp);

// True when the file was changed so recently that a further change within the file system's
// clock step could leave every field of `stamp` as it is.
bool StampIsRecent(const FileStamp& stamp);

// Returns the folder part of `path` ("." when it has none).
std::string FolderOf(const std::string& path);

// Holds an advisory lock, honoured by every process using this layer, on the folder `folder`
// until destroyed. When the lock cannot be had, the holder goes on unlocked.
class FolderLock {
 public:
  explicit FolderLock(const std::string& folder);
  ~FolderLock();
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;
  // False when the folder could not be opened (it is missing).
  bool folder_exists() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

// Returns the file that writing `path` must replace: the target of a symbolic link, else `path`.
std::string WriteTargetOf(const std::string& path);

// Replaces `path` with `data` through a synced temporary file in the same folder and a rename,
// keeping an existing file's permission bits. Fills `stamp` for the new file. Returns false, with
// the old file untouched and no temporary file left, when anything fails.
bool ReplaceFile(const std::string& path, std::string_view data, FileStamp& stamp);

}  // namespace profile_internal
