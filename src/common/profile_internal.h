#pragma once

// The file-system side of the profile layer, one implementation per platform.

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

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
// (or any other file) until destroyed. When the lock cannot be had, the holder goes on unlocked.
// A process that holds it must not take it again: the second wait would never end.
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

// Replaces `path` with `data` through a temporary file in the same folder, synced, and a rename,
// keeping an existing file's permission bits. Fills `stamp` for the new file. Returns false, with
// the old file untouched and no temporary file left, when anything fails. Temporary files that
// killed processes left in the folder are removed on the way.
bool ReplaceFile(const std::string& path, std::string_view data, FileStamp& stamp);

// A new file that replaces `path` (the exact name to create) only when it is complete. Until
// Commit its bytes go to a file without a name in the same folder where the system has such
// files, else to a hidden temporary one: a process killed meanwhile leaves nothing behind, and
// no reader ever sees a partial file. An existing file's permission bits are kept; a new file
// gets 0666 less the umask.
class FileReplacement {
 public:
  explicit FileReplacement(std::string path) : path_(std::move(path)) {}
  ~FileReplacement();  // drops what was written unless committed
  FileReplacement(const FileReplacement&) = delete;
  FileReplacement& operator=(const FileReplacement&) = delete;

  // Starts the new file. False when it cannot be created.
  bool Open();
  // Appends `bytes`. False when they cannot all be written.
  bool Write(std::string_view bytes);
  // Syncs the new file ahead of Commit: files synced on several threads at once share the
  // disk's flushes. False when that fails.
  bool Sync();
  // Syncs the new file (unless Sync did) and puts it in the place of `path`. False, with `path`
  // as it was, when that fails.
  bool Commit();

 private:
  std::string path_;
  std::string temp_path_;  // "" while the new file has no name
  int fd_ = -1;
  bool synced_ = false;
};

}  // namespace profile_internal
