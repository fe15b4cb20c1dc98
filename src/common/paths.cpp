#include "common/paths.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "common/folder_listing.h"
#include "common/profile_internal.h"

namespace {

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

bool LessIgnoringCase(const std::string& a, const std::string& b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    const unsigned char ca = static_cast<unsigned char>(AsciiLower(a[i]));
    const unsigned char cb = static_cast<unsigned char>(AsciiLower(b[i]));
    if (ca != cb) return ca < cb;
  }
  if (a.size() != b.size()) return a.size() < b.size();
  return a < b;  // names that differ only in case keep a fixed order
}

bool Exists(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0;
}

// Returns the entry of `folder` whose name equals `name` ignoring case: the first in byte
// order, or "" when there is none.
std::string FindEntryIgnoringCase(const std::string& folder, const std::string& name) {
  std::string match;
  if (MatchInListedFolder(folder.empty() ? "/" : folder, name, match)) return match;
  DIR* dir = ::opendir(folder.empty() ? "/" : folder.c_str());
  if (!dir) return {};
  std::string best;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string candidate = entry->d_name;
    if (candidate == "." || candidate == "..") continue;
    if (EqualsIgnoringCase(candidate, name) && (best.empty() || candidate < best)) {
      best = candidate;
    }
  }
  ::closedir(dir);
  return best;
}

// Splits `path` into its components; empty components (doubled or trailing "/") are dropped.
std::vector<std::string> Components(const std::string& path) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= path.size()) {
    const size_t slash = path.find('/', start);
    const size_t end = slash == std::string::npos ? path.size() : slash;
    if (end > start) parts.push_back(path.substr(start, end - start));
    if (slash == std::string::npos) break;
    start = slash + 1;
  }
  return parts;
}

// True when `path` is absolute and has no empty, "." or ".." component: the walk below then
// keeps every component that exists as written.
bool IsPlainAbsolutePath(const std::string& path) {
  if (!IsAbsolutePath(path) || path.size() < 2 || path.back() == '/') return false;
  return path.find("//") == std::string::npos && path.find("/./") == std::string::npos &&
         path.find("/../") == std::string::npos && !path.ends_with("/.") && !path.ends_with("/..");
}

// The walk below for the usual case of a missing file in a folder that exists as written: only
// the last name is matched. Sets `resolved` and returns true when that case applies.
bool ResolveLastName(const std::string& path, std::string& resolved) {
  if (!IsPlainAbsolutePath(path)) return false;
  const size_t slash = path.rfind('/');
  const std::string folder = slash == 0 ? "/" : path.substr(0, slash);
  struct stat st;
  if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
  const std::string entry = FindEntryIgnoringCase(folder, path.substr(slash + 1));
  resolved = entry.empty() ? std::string() : path.substr(0, slash + 1) + entry;
  return true;
}

// Walks `path` component by component, matching case where the exact name is missing.
// `resolved` receives the matched prefix; returns the number of components matched.
size_t ResolvePrefix(const std::string& path, std::string& resolved,
                     std::vector<std::string>& parts) {
  parts = Components(path);
  const bool relative = !IsAbsolutePath(path);
  resolved = relative ? std::string(".") : std::string();
  size_t matched = 0;
  for (const std::string& part : parts) {
    const std::string folder = resolved.empty() ? "/" : resolved;
    std::string next = resolved;
    next += '/';
    next += part;
    if (part != "." && part != ".." && !Exists(next)) {
      const std::string entry = FindEntryIgnoringCase(folder, part);
      if (entry.empty()) break;
      next = resolved;
      next += '/';
      next += entry;
    }
    resolved = next;
    ++matched;
  }
  if (relative && resolved.rfind("./", 0) == 0) resolved.erase(0, 2);
  return matched;
}

}  // namespace

std::string ProgramFolder() {
  if (QCoreApplication::instance()) {
    return QCoreApplication::applicationDirPath().toStdString();
  }
  char buffer[PATH_MAX];
  const ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof(buffer) - 1);
  if (length <= 0) return ".";
  const std::string exe(buffer, static_cast<size_t>(length));
  const size_t slash = exe.rfind('/');
  return slash == 0 ? "/" : exe.substr(0, slash);
}

std::string BackslashesToSlashes(std::string value) {
  std::replace(value.begin(), value.end(), '\\', '/');
  return value;
}

bool IsAbsolutePath(std::string_view path) { return !path.empty() && path.front() == '/'; }

std::string ResolveProgramRelative(const std::string& value, const std::string& program_folder) {
  if (value.empty()) return value;
  if (IsAbsolutePath(value)) return BackslashesToSlashes(value);
  if (value.front() == '\\') return BackslashesToSlashes(program_folder + value);
  return BackslashesToSlashes(program_folder + "/" + value);
}

std::string FindExistingPath(const std::string& path) {
  if (path.empty()) return {};
  if (Exists(path)) return path;
  std::string resolved;
  if (ResolveLastName(path, resolved)) return resolved;
  std::vector<std::string> parts;
  if (ResolvePrefix(path, resolved, parts) != parts.size()) return {};
  return resolved;
}

std::string PathForCreate(const std::string& path) {
  if (path.empty() || Exists(path)) return path;
  std::string resolved;
  if (ResolveLastName(path, resolved)) return resolved.empty() ? path : resolved;
  std::vector<std::string> parts;
  size_t matched = ResolvePrefix(path, resolved, parts);
  for (; matched < parts.size(); ++matched) {
    resolved += (resolved.empty() || resolved.back() != '/' ? "/" : "") + parts[matched];
  }
  if (!IsAbsolutePath(path) && resolved.rfind("./", 0) == 0) resolved.erase(0, 2);
  if (!IsAbsolutePath(path) && !resolved.empty() && resolved.front() == '/') resolved.erase(0, 1);
  return resolved;
}

bool OrdinaryFileExists(const std::string& path) {
  const std::string found = FindExistingPath(path);
  if (found.empty()) return false;
  const std::string name = FileNameOf(found);
  if (name.empty() || name.front() == '.') return false;
  struct stat st;
  return ::stat(found.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool FolderExists(const std::string& path) {
  const std::string found = FindExistingPath(path);
  struct stat st;
  return !found.empty() && ::stat(found.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool WildcardMatch(std::string_view pattern, std::string_view name) {
  // Iterative matcher with one back-track point: linear enough for file names.
  size_t p = 0, n = 0, star = std::string_view::npos, mark = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      mark = n;
    } else if (p < pattern.size() &&
               (pattern[p] == '?' || AsciiLower(pattern[p]) == AsciiLower(name[n]))) {
      ++p;
      ++n;
    } else if (star != std::string_view::npos) {
      p = star + 1;
      n = ++mark;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  if (p == pattern.size()) return true;
  // "*.*" and "*." also match names without a dot, as the classic directory lookup does.
  std::string_view rest = pattern.substr(p);
  while (!rest.empty() && rest.back() == '*') rest.remove_suffix(1);
  return rest == "." && p > 0 && pattern[p - 1] == '*';
}

std::vector<std::string> ListFiles(const std::string& folder, const std::string& pattern) {
  std::vector<std::string> names;
  const std::string found = FindExistingPath(folder.empty() ? "." : folder);
  if (found.empty()) return names;
  DIR* dir = ::opendir(found.c_str());
  if (!dir) return names;
  const int dir_fd = ::dirfd(dir);
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name.empty() || name.front() == '.') continue;  // hidden files are not listed
    if (!WildcardMatch(pattern, name)) continue;
    bool regular = entry->d_type == DT_REG;
    if (entry->d_type == DT_UNKNOWN || entry->d_type == DT_LNK) {
      struct stat st;
      regular = ::fstatat(dir_fd, entry->d_name, &st, 0) == 0 && S_ISREG(st.st_mode);
    }
    if (regular) names.push_back(name);
  }
  ::closedir(dir);
  std::sort(names.begin(), names.end(), LessIgnoringCase);
  return names;
}

std::string DirLookup(const std::string& pattern) {
  const size_t slash = pattern.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : pattern.substr(0, slash);
  const std::string name = slash == std::string::npos ? pattern : pattern.substr(slash + 1);
  if (name.empty()) return {};
  if (name.find_first_of("*?") == std::string::npos) {
    return OrdinaryFileExists(pattern) ? FileNameOf(FindExistingPath(pattern)) : std::string();
  }
  const std::vector<std::string> names = ListFiles(folder.empty() ? "/" : folder, name);
  return names.empty() ? std::string() : names.front();
}

std::string FileNameOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string WithoutTrailingSlashes(std::string folder) {
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return folder;
}

std::string WithTrailingSlash(std::string folder) {
  if (!folder.empty() && folder.back() != '/') folder += '/';
  return folder;
}

std::string PathInFolder(const std::string& folder, const std::string& name) {
  return (folder == "/" ? "" : folder) + "/" + name;
}

bool ReadFileStart(const std::string& path, size_t max_bytes, std::string& out) {
  out.clear();
  // Opened without waiting, so a pipe given a table's or a text's name cannot hang the caller.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return false;
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return false;
  }
  out.resize(std::min(static_cast<size_t>(st.st_size), max_bytes));
  size_t done = 0;
  while (done < out.size()) {
    const ssize_t got = ::read(fd, out.data() + done, out.size() - done);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    done += static_cast<size_t>(got);
  }
  out.resize(done);  // a file that shrank while read gives what was there
  ::close(fd);
  return true;
}

bool ReadWholeFile(const std::string& path, std::string& out) {
  return ReadFileStart(path, SIZE_MAX, out);
}

bool WriteFileAtomically(const std::string& path, std::string_view data) {
  profile_internal::FileStamp ignored;
  return profile_internal::ReplaceFile(path, data, ignored);
}
