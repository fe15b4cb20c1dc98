#pragma once

// Running the real tabrin under attack: a child process with a bounded wait and its peak memory,
// a view of a folder tree, and the patching of compound files into hostile shapes.

#include <sys/types.h>

#include <cstdint>
#include <set>
#include <string>
#include <vector>

// How a started program ended.
struct Outcome {
  bool ended = false;   // false: still running at the bound, then killed
  int exit_code = -1;   // -1 when a signal ended it
  int signal = 0;       // the signal that ended it, 0 for none
  long max_rss_kb = 0;  // its peak resident memory
};

// Starts `program` with `args` in "/", without a display, with `extra_env` ("NAME=value") added
// to the environment; with `as_nobody` (and root privileges) under the unprivileged user, so
// that file permissions bite. Returns the process id, or -1.
pid_t StartProgram(const std::string& program, const std::vector<std::string>& args,
                   const std::vector<std::string>& extra_env = {}, bool as_nobody = false);

// Waits for `pid` at most `bound_ms`, then kills it. Each child is waited for once.
Outcome WaitForProgram(pid_t pid, int bound_ms = 60000);

// Every path under `root`, relative to it; folders end with "/".
std::set<std::string> Tree(const std::string& root);

// The paths under `root` that `before` (a Tree of it) lacks.
std::set<std::string> Added(const std::set<std::string>& before, const std::string& root);

// A compound file as the table writer writes it (512-byte sectors, one FAT sector list in the
// header), opened for patching links between its sectors and directory entries.
class CompoundPatch {
 public:
  // Reads `path`. ok() is false when it is not such a file.
  explicit CompoundPatch(const std::string& path);
  bool ok() const { return ok_; }
  // Writes the patched bytes to `path`.
  bool Save(const std::string& path) const;

  // The index of the directory entry `name`, or -1.
  int Entry(const std::string& name) const;
  // Fields of directory entry `index`.
  uint32_t StartSector(int index) const;
  void SetLeft(int index, uint32_t target);
  void SetRight(int index, uint32_t target);
  void SetChild(int index, uint32_t target);

  // The sector chain from `first` in the FAT (or the mini FAT), at most 10000 long.
  std::vector<uint32_t> Chain(uint32_t first, bool mini = false) const;
  // Makes `sector` link to `next` in the FAT (or the mini FAT).
  void Link(uint32_t sector, uint32_t next, bool mini = false);
  // The first sector of the directory.
  uint32_t DirectoryStart() const;

 private:
  uint32_t Get(size_t at) const;
  void Put(size_t at, uint32_t value);
  size_t SectorAt(uint32_t sector) const { return 512 + static_cast<size_t>(sector) * 512; }
  size_t LinkAt(uint32_t sector, bool mini) const;
  size_t EntryAt(int index) const;
  size_t FieldAt(int index, size_t offset) const;

  std::string bytes_;
  bool ok_ = false;
};

// A tmpfs of `bytes` mounted on the existing folder `path` while the object lives. ok() is false
// when the system refuses (no privileges).
class TmpfsMount {
 public:
  TmpfsMount(const std::string& path, size_t bytes);
  ~TmpfsMount();
  TmpfsMount(const TmpfsMount&) = delete;
  TmpfsMount& operator=(const TmpfsMount&) = delete;
  bool ok() const { return ok_; }

 private:
  std::string path_;
  bool ok_ = false;
};

// Makes the folder `path` read-only while the object lives: a read-only bind mount, else the
// immutable attribute. how() says which; "" when neither was allowed.
class ReadOnlyFolder {
 public:
  explicit ReadOnlyFolder(const std::string& path);
  ~ReadOnlyFolder();
  ReadOnlyFolder(const ReadOnlyFolder&) = delete;
  ReadOnlyFolder& operator=(const ReadOnlyFolder&) = delete;
  const std::string& how() const { return how_; }

 private:
  std::string path_;
  std::string how_;
};

// Fills the file system of `path` with the file `path` until at most `leave` bytes are free.
bool FillDisk(const std::string& path, size_t leave);
