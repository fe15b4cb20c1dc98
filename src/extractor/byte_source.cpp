#include "extractor/byte_source.h"

#include <fcntl.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace {

constexpr size_t kWindowSize = size_t{4} << 20;

}  // namespace

FileSource::~FileSource() {
  if (fd_ >= 0) ::close(fd_);
}

bool FileSource::Open(const std::string& path) {
  // Not blocking: a FIFO put where a listing belongs must not wait for a writer.
  fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd_ < 0) return false;
  struct stat st;
  if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd_);
    fd_ = -1;
    return false;
  }
  size_ = static_cast<size_t>(st.st_size);
  ::posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL);
  buffer_size_ = std::min(kWindowSize, size_);  // a small file needs no more than its size
  buffer_.reset();
  buffer_length_ = 0;
  window_start_ = 0;
  return true;
}

std::string_view FileSource::Window(size_t position, size_t min_length) {
  if (fd_ < 0 || position >= size_) return {};
  const bool cached = position >= window_start_ && position < window_start_ + buffer_length_;
  const bool reaches_end = window_start_ + buffer_length_ >= size_;
  if (!cached || (window_start_ + buffer_length_ - position < min_length && !reaches_end)) {
    if (!buffer_) buffer_.reset(new char[buffer_size_]);
    window_start_ = position;
    buffer_length_ = 0;
    while (buffer_length_ < buffer_size_) {
      const ssize_t got =
          ::pread(fd_, buffer_.get() + buffer_length_, buffer_size_ - buffer_length_,
                  static_cast<off_t>(window_start_ + buffer_length_));
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) break;
      buffer_length_ += static_cast<size_t>(got);
    }
    if (window_start_ + buffer_length_ < size_ && buffer_length_ < buffer_size_) {
      size_ = window_start_ + buffer_length_;  // the file shrank while it was read
    }
  }
  const size_t offset = position - window_start_;
  return std::string_view(buffer_.get() + offset, buffer_length_ - offset);
}

size_t FileSource::Find(std::string_view needle, size_t from) {
  if (needle.empty()) return kNotFound;
  // Consecutive windows overlap by the needle's length less one, so no match is split.
  for (size_t at = from; at < size_;) {
    const std::string_view window = Window(at, needle.size());
    if (window.size() < needle.size()) return kNotFound;
    const void* hit = ::memmem(window.data(), window.size(), needle.data(), needle.size());
    if (hit != nullptr)
      return at + static_cast<size_t>(static_cast<const char*>(hit) - window.data());
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
