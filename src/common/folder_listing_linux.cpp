#include <dirent.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <map>
#include <mutex>
#include <set>
#include <unordered_map>
#include <utility>

#include "common/folder_listing.h"

namespace {

// Folders listed at once; past this the listings start again, so memory stays bounded.
constexpr size_t kMaxFolders = 32;

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

std::string LowerCase(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = AsciiLower(c);
  return lower;
}

// Change notices come from the local kernel: a folder that another machine changes (a network
// share) must be read each time.
bool IsLocalFileSystem(const std::string& folder) {
  struct statfs info;
  if (statfs(folder.c_str(), &info) != 0) return false;
  switch (static_cast<unsigned long>(info.f_type)) {
    case 0xEF53:      // ext2, ext3, ext4
    case 0x9123683E:  // btrfs
    case 0x58465342:  // xfs
    case 0x01021994:  // tmpfs
    case 0xF2F52010:  // f2fs
      return true;
    default:
      return false;
  }
}

class FolderListings {
 public:
  bool Match(const std::string& folder, std::string_view name, std::string& match) {
    const std::lock_guard lock(mutex_);
    if (!Ready()) return false;
    Drain();
    struct stat info;
    if (stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return false;
    const Identity identity{info.st_dev, info.st_ino};
    auto listing = listings_.find(identity);
    if (listing == listings_.end()) {
      if (!IsLocalFileSystem(folder)) return false;
      listing = Start(folder, identity);
      if (listing == listings_.end()) return false;
    }
    auto names = listing->second.names.find(LowerCase(name));
    if (names == listing->second.names.end() && !SameFolder(folder, info, listing->second)) {
      // Not the folder that was listed: it was deleted and another made with its inode number
      // before the notice of the deletion was read.
      Forget(listing);
      listing = Start(folder, identity);
      if (listing == listings_.end()) return false;
      names = listing->second.names.find(LowerCase(name));
    }
    match = names == listing->second.names.end() ? std::string() : *names->second.begin();
    return true;
  }

 private:
  using Identity = std::pair<dev_t, ino_t>;
  struct Listing {
    int watch = -1;
    // The inode's generation, which changes when its number is given to a new file.
    unsigned generation = 0;
    // The folder's change time when its generation was last seen, so that a folder unchanged
    // since needs no second look; kept only once it lies far enough back that no folder made
    // later can share it (time stamps are coarse).
    timespec checked{};
    // Lower-case name -> the entries that spell it, in byte order.
    std::unordered_map<std::string, std::set<std::string>> names;
  };

  // The generation of the folder's inode where the file system tells it, else 0.
  static unsigned GenerationOf(int fd) {
    long generation = 0;  // ext4 writes an int of it, others the whole long
    return ioctl(fd, FS_IOC_GETVERSION, &generation) == 0 ? static_cast<unsigned>(generation) : 0;
  }
  static unsigned GenerationOf(const std::string& folder) {
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return 0;
    const unsigned generation = GenerationOf(fd);
    close(fd);
    return generation;
  }

  // True when `folder` (whose stat is `info`) is the one `listing` was made of. A folder whose
  // change time is the one seen at the last look is; else its generation tells.
  static bool SameFolder(const std::string& folder, const struct stat& info, Listing& listing) {
    if (info.st_ctim.tv_sec == listing.checked.tv_sec &&
        info.st_ctim.tv_nsec == listing.checked.tv_nsec) {
      return true;
    }
    if (GenerationOf(folder) != listing.generation) return false;
    Remember(info.st_ctim, listing);
    return true;
  }

  static void Remember(const timespec& ctime, Listing& listing) {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    const long long age_ns =
        (now.tv_sec - ctime.tv_sec) * 1'000'000'000LL + (now.tv_nsec - ctime.tv_nsec);
    if (age_ns > 50'000'000) listing.checked = ctime;
  }

  void Forget(std::map<Identity, Listing>::iterator listing) {
    inotify_rm_watch(notices_, listing->second.watch);
    watched_.erase(listing->second.watch);
    listings_.erase(listing);
  }

  bool Ready() {
    if (notices_ < 0 && !failed_) {
      notices_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
      failed_ = notices_ < 0;
    }
    return notices_ >= 0;
  }

  // Lists `folder`, watched from before the reading so that no change slips between the two.
  std::map<Identity, Listing>::iterator Start(const std::string& folder, const Identity& identity) {
    if (listings_.size() >= kMaxFolders) Reset();
    const int watch = inotify_add_watch(notices_, folder.c_str(),
                                        IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO |
                                            IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR);
    if (watch < 0) return listings_.end();
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) {
      inotify_rm_watch(notices_, watch);
      return listings_.end();
    }
    struct stat info;
    // The folder the watch is on must be the one whose entries are read.
    if (fstat(dirfd(dir), &info) != 0 || Identity{info.st_dev, info.st_ino} != identity) {
      closedir(dir);
      inotify_rm_watch(notices_, watch);
      return listings_.end();
    }
    Listing listing;
    listing.watch = watch;
    listing.generation = GenerationOf(dirfd(dir));
    struct stat seen;
    if (fstat(dirfd(dir), &seen) == 0) Remember(seen.st_ctim, listing);
    while (const dirent* entry = readdir(dir)) {
      const std::string_view entry_name = entry->d_name;
      if (entry_name == "." || entry_name == "..") continue;
      listing.names[LowerCase(entry_name)].emplace(entry_name);
    }
    closedir(dir);
    watched_[watch] = identity;
    return listings_.insert_or_assign(identity, std::move(listing)).first;
  }

  // Applies the notices that arrived since the last lookup.
  void Drain() {
    alignas(inotify_event) char buffer[16384];
    for (;;) {
      const ssize_t got = read(notices_, buffer, sizeof buffer);
      if (got <= 0) {
        if (got < 0 && errno == EINTR) continue;
        return;  // none left (EAGAIN), or the notices failed: keep what is known
      }
      for (ssize_t at = 0; at < got;) {
        const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
        at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        Apply(*event);
      }
    }
  }

  void Apply(const inotify_event& event) {
    if (event.mask & IN_Q_OVERFLOW) {
      Reset();  // changes were lost: every folder is read again
      return;
    }
    const auto watched = watched_.find(event.wd);
    if (watched == watched_.end()) return;
    const auto listing = listings_.find(watched->second);
    if (event.mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED | IN_UNMOUNT)) {
      if (listing != listings_.end()) listings_.erase(listing);
      if (!(event.mask & IN_IGNORED)) inotify_rm_watch(notices_, event.wd);
      watched_.erase(watched);
      return;
    }
    if (listing == listings_.end() || event.len == 0) return;
    const std::string name(event.name);  // NUL-padded to its length
    const std::string lower = LowerCase(name);
    if (event.mask & (IN_CREATE | IN_MOVED_TO)) {
      listing->second.names[lower].insert(name);
    } else if (event.mask & (IN_DELETE | IN_MOVED_FROM)) {
      const auto spellings = listing->second.names.find(lower);
      if (spellings == listing->second.names.end()) return;
      spellings->second.erase(name);
      if (spellings->second.empty()) listing->second.names.erase(spellings);
    }
  }

  void Reset() {
    for (const auto& [watch, identity] : watched_) inotify_rm_watch(notices_, watch);
    watched_.clear();
    listings_.clear();
  }

  std::mutex mutex_;
  int notices_ = -1;
  bool failed_ = false;
  std::map<Identity, Listing> listings_;
  std::unordered_map<int, Identity> watched_;
};

FolderListings& Listings() {
  static FolderListings listings;
  return listings;
}

}  // namespace

bool MatchInListedFolder(const std::string& folder, std::string_view name, std::string& match) {
  return Listings().Match(folder, name, match);
}

bool FolderSendsChangeNotices(const std::string& folder) { return IsLocalFileSystem(folder); }
