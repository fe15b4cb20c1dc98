#include "hostile_support.h"

#include <fcntl.h>
#include <grp.h>
#include <linux/fs.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string_view>

extern char** environ;

namespace {

constexpr uid_t kNobody = 65534;
constexpr uint32_t kLastRegularSector = 0xFFFFFFF9;
constexpr size_t kNowhere = static_cast<size_t>(-1);

}  // namespace

pid_t StartProgram(const std::string& program, const std::vector<std::string>& args,
                   const std::vector<std::string>& extra_env, bool as_nobody) {
  std::vector<std::string> env;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const std::string_view text(*entry);
    if (text.starts_with("DISPLAY=") || text.starts_with("WAYLAND_DISPLAY=") ||
        text.starts_with("QT_QPA_PLATFORM=")) {
      continue;
    }
    env.emplace_back(text);
  }
  env.insert(env.end(), extra_env.begin(), extra_env.end());
  // Everything the child needs is made before the fork: after it only system calls are safe.
  std::vector<char*> argv{const_cast<char*>(program.c_str())};
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  std::vector<char*> envp;
  for (std::string& entry : env) envp.push_back(entry.data());
  envp.push_back(nullptr);
  const bool drop = as_nobody && geteuid() == 0;

  const pid_t pid = fork();
  if (pid != 0) return pid;
  // Its own process group, so that a bounded wait can end the programs it started too.
  setpgid(0, 0);
  if (chdir("/") != 0) _exit(126);
  if (drop && (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0)) {
    _exit(126);
  }
  execve(program.c_str(), argv.data(), envp.data());
  _exit(127);
}

Outcome WaitForProgram(pid_t pid, int bound_ms) {
  Outcome outcome;
  if (pid <= 0) return outcome;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(bound_ms);
  int status = 0;
  rusage usage{};
  pid_t got = 0;
  for (;;) {
    got = wait4(pid, &status, WNOHANG, &usage);
    if (got != 0 && !(got < 0 && errno == EINTR)) break;
    if (std::chrono::steady_clock::now() >= deadline) break;
    usleep(1000);
  }
  if (got == 0) {
    kill(-pid, SIGKILL);
    kill(pid, SIGKILL);
    while ((got = wait4(pid, &status, 0, &usage)) < 0 && errno == EINTR) {
    }
  } else {
    outcome.ended = got == pid;
  }
  if (got != pid) return outcome;
  outcome.max_rss_kb = usage.ru_maxrss;
  if (WIFEXITED(status)) outcome.exit_code = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) outcome.signal = WTERMSIG(status);
  return outcome;
}

std::set<std::string> Tree(const std::string& root) {
  namespace fs = std::filesystem;
  std::set<std::string> paths;
  std::error_code error;
  for (fs::recursive_directory_iterator
           it(root, fs::directory_options::skip_permission_denied, error),
       end;
       !error && it != end; it.increment(error)) {
    std::string relative = it->path().lexically_relative(root).string();
    if (it->is_directory(error) && !it->is_symlink(error)) relative += "/";
    paths.insert(relative);
  }
  return paths;
}

std::set<std::string> Added(const std::set<std::string>& before, const std::string& root) {
  std::set<std::string> added;
  for (const std::string& path : Tree(root)) {
    if (before.count(path) == 0) added.insert(path);
  }
  return added;
}

CompoundPatch::CompoundPatch(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  bytes_.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  ok_ = bytes_.size() >= 1024 && bytes_.compare(0, 8, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1") == 0 &&
        bytes_[30] == 9 && bytes_[31] == 0;
}

bool CompoundPatch::Save(const std::string& path) const {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes_.data(), static_cast<std::streamsize>(bytes_.size()));
  return static_cast<bool>(out);
}

uint32_t CompoundPatch::Get(size_t at) const {
  if (at == kNowhere || at + 4 > bytes_.size()) return 0xFFFFFFFF;
  const auto byte = [&](size_t i) {
    return static_cast<uint32_t>(static_cast<uint8_t>(bytes_[i]));
  };
  return byte(at) | byte(at + 1) << 8 | byte(at + 2) << 16 | byte(at + 3) << 24;
}

void CompoundPatch::Put(size_t at, uint32_t value) {
  if (at == kNowhere || at + 4 > bytes_.size()) return;
  for (int i = 0; i < 4; ++i) bytes_[at + i] = static_cast<char>(value >> (8 * i));
}

size_t CompoundPatch::LinkAt(uint32_t sector, bool mini) const {
  if (sector > kLastRegularSector) return kNowhere;
  uint32_t table_sector;
  if (mini) {
    const std::vector<uint32_t> mini_fat = Chain(Get(60));
    if (sector / 128 >= mini_fat.size()) return kNowhere;
    table_sector = mini_fat[sector / 128];
  } else {
    if (sector / 128 >= 109) return kNowhere;
    table_sector = Get(76 + 4 * (sector / 128));
  }
  if (table_sector > kLastRegularSector) return kNowhere;
  return SectorAt(table_sector) + 4 * (sector % 128);
}

std::vector<uint32_t> CompoundPatch::Chain(uint32_t first, bool mini) const {
  std::vector<uint32_t> chain;
  for (uint32_t sector = first; sector <= kLastRegularSector && chain.size() < 10000;
       sector = Get(LinkAt(sector, mini))) {
    chain.push_back(sector);
  }
  return chain;
}

void CompoundPatch::Link(uint32_t sector, uint32_t next, bool mini) {
  Put(LinkAt(sector, mini), next);
}

uint32_t CompoundPatch::DirectoryStart() const { return Get(48); }

size_t CompoundPatch::EntryAt(int index) const {
  const std::vector<uint32_t> directory = Chain(DirectoryStart());
  if (index < 0 || static_cast<size_t>(index) / 4 >= directory.size()) return kNowhere;
  return SectorAt(directory[index / 4]) + (index % 4) * 128;
}

int CompoundPatch::Entry(const std::string& name) const {
  for (int index = 0; EntryAt(index) != kNowhere; ++index) {
    const size_t at = EntryAt(index);
    const size_t length = static_cast<uint8_t>(bytes_[at + 64]);  // bytes, the final NUL included
    if (length != 2 * (name.size() + 1)) continue;
    bool same = true;
    for (size_t i = 0; i < name.size() && same; ++i) {
      same = bytes_[at + 2 * i] == name[i] && bytes_[at + 2 * i + 1] == 0;
    }
    if (same) return index;
  }
  return -1;
}

size_t CompoundPatch::FieldAt(int index, size_t offset) const {
  const size_t at = EntryAt(index);
  return at == kNowhere ? kNowhere : at + offset;
}

uint32_t CompoundPatch::StartSector(int index) const { return Get(FieldAt(index, 116)); }

void CompoundPatch::SetLeft(int index, uint32_t target) { Put(FieldAt(index, 68), target); }
void CompoundPatch::SetRight(int index, uint32_t target) { Put(FieldAt(index, 72), target); }
void CompoundPatch::SetChild(int index, uint32_t target) { Put(FieldAt(index, 76), target); }

TmpfsMount::TmpfsMount(const std::string& path, size_t bytes) : path_(path) {
  const std::string options = "size=" + std::to_string(bytes);
  ok_ = mount("tmpfs", path.c_str(), "tmpfs", 0, options.c_str()) == 0;
}

TmpfsMount::~TmpfsMount() {
  if (ok_) umount2(path_.c_str(), MNT_DETACH);
}

ReadOnlyFolder::ReadOnlyFolder(const std::string& path) : path_(path) {
  if (mount(path.c_str(), path.c_str(), nullptr, MS_BIND, nullptr) == 0) {
    if (mount(nullptr, path.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) == 0) {
      how_ = "read-only bind mount";
      return;
    }
    umount2(path.c_str(), MNT_DETACH);
  }
  const int fd = open(path.c_str(), O_RDONLY | O_DIRECTORY);
  int flags = 0;
  if (fd >= 0 && ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
    flags |= FS_IMMUTABLE_FL;
    if (ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0) how_ = "immutable folder";
  }
  if (fd >= 0) close(fd);
}

ReadOnlyFolder::~ReadOnlyFolder() {
  if (how_ == "read-only bind mount") umount2(path_.c_str(), MNT_DETACH);
  if (how_ != "immutable folder") return;
  const int fd = open(path_.c_str(), O_RDONLY | O_DIRECTORY);
  int flags = 0;
  if (fd >= 0 && ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
    flags &= ~FS_IMMUTABLE_FL;
    ioctl(fd, FS_IOC_SETFLAGS, &flags);
  }
  if (fd >= 0) close(fd);
}

bool FillDisk(const std::string& path, size_t leave) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
  if (fd < 0) return false;
  const std::string chunk(64 * 1024, 'f');
  // Big pieces first, then single pages, so that the last free page goes too.
  for (size_t piece : {chunk.size(), size_t{4096}, size_t{1}}) {
    while (write(fd, chunk.data(), piece) == static_cast<ssize_t>(piece)) {
    }
  }
  bool ok = fsync(fd) == 0 || errno == ENOSPC;
  if (leave > 0) {
    const off_t size = lseek(fd, 0, SEEK_END);
    ok = ok && size > static_cast<off_t>(leave) && ftruncate(fd, size - leave) == 0;
  }
  close(fd);
  return ok;
}
