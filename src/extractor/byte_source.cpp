#include "extractor/byte_source.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

#include "common/codepage.h"

namespace {

constexpr size_t kWindowSize = size_t{4} << 20;

unsigned char Fold(char c) { return static_cast<unsigned char>(Cp1252Lower(c)); }

// Horspool search over folded bytes: a table of 256 shifts, no allocation per call.
size_t FindFolded(std::string_view haystack, std::string_view needle, size_t from) {
  const size_t m = needle.size();
  if (from > haystack.size() || haystack.size() - from < m) return ByteSource::kNotFound;
  std::array<size_t, 256> shift;
  shift.fill(m);
  for (size_t i = 0; i + 1 < m; ++i) shift[static_cast<unsigned char>(needle[i])] = m - 1 - i;
  const unsigned char last = static_cast<unsigned char>(needle[m - 1]);
  for (size_t at = from; at + m <= haystack.size();) {
    const unsigned char tail = Fold(haystack[at + m - 1]);
    if (tail == last) {
      size_t i = 0;
      while (i + 1 < m && Fold(haystack[at + i]) == static_cast<unsigned char>(needle[i])) ++i;
      if (i + 1 >= m) return at;
    }
    at += shift[tail];
  }
  return ByteSource::kNotFound;
}

}  // namespace

size_t FindBytes(std::string_view haystack, std::string_view needle, size_t from, bool fold) {
  if (needle.empty() || from >= haystack.size()) return ByteSource::kNotFound;
  if (fold) return FindFolded(haystack, needle, from);
  const void* hit =
      ::memmem(haystack.data() + from, haystack.size() - from, needle.data(), needle.size());
  return hit ? static_cast<size_t>(static_cast<const char*>(hit) - haystack.data())
             : ByteSource::kNotFound;
}

size_t MemorySource::Find(std::string_view needle, size_t from, bool fold) {
  return FindBytes(bytes_, needle, from, fold);
}

std::string MemorySource::Read(size_t position, size_t length) {
  if (position >= bytes_.size()) return {};
  return std::string(bytes_.substr(position, length));
}

FileSource::~FileSource() {
  if (fd_ >= 0) ::close(fd_);
}

bool FileSource::Open(const std::string& path) {
  fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd_ < 0) return false;
  struct stat st;
  if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd_);
    fd_ = -1;
    return false;
  }
  size_ = static_cast<size_t>(st.st_size);
  ::posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL);
  // A small file needs no more window than its own size.
  buffer_.resize(std::min(kWindowSize, size_));
  buffer_length_ = 0;
  window_start_ = 0;
  return true;
}

std::string_view FileSource::Window(size_t position, size_t min_length) {
  if (fd_ < 0 || position >= size_) return {};
  const bool cached = position >= window_start_ && position < window_start_ + buffer_length_;
  const bool reaches_end = window_start_ + buffer_length_ >= size_;
  if (!cached || (window_start_ + buffer_length_ - position < min_length && !reaches_end)) {
    window_start_ = position;
    buffer_length_ = 0;
    while (buffer_length_ < buffer_.size()) {
      const ssize_t got =
          ::pread(fd_, buffer_.data() + buffer_length_, buffer_.size() - buffer_length_,
                  static_cast<off_t>(window_start_ + buffer_length_));
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) break;
      buffer_length_ += static_cast<size_t>(got);
    }
    // A file that shrank while it is read ends where the bytes end.
    if (window_start_ + buffer_length_ < size_ && buffer_length_ < buffer_.size()) {
      size_ = window_start_ + buffer_length_;
    }
  }
  const size_t offset = position - window_start_;
  return std::string_view(buffer_.data() + offset, buffer_length_ - offset);
}

size_t FileSource::Find(std::string_view needle, size_t from, bool fold) {
  if (needle.empty()) return kNotFound;
  // Consecutive windows overlap by the needle's length less one, so no match is split.
  for (size_t at = from; at < size_;) {
    const std::string_view window = Window(at, needle.size());
    if (window.size() < needle.size()) return kNotFound;
    const size_t hit = FindBytes(window, needle, 0, fold);
    if (hit != kNotFound) return at + hit;
    if (at + window.size() >= size_) return kNotFound;
    at += window.size() - (needle.size() - 1);
  }
  return kNotFound;
}

std::string FileSource::Read(size_t position, size_t length) {
  std::string out;
  while (length > 0 && position < size_) {
    const std::string_view window = Window(position, 1);
    if (window.empty()) break;
    const size_t take = std::min(length, window.size());
    out.append(window.data(), take);
    position += take;
    length -= take;
  }
  return out;
}
