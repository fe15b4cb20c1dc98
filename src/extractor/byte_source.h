#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

// A file read through a window of a few MiB, for searching listings of any size: memory stays
// small whatever the file's size, and a file that shrinks while it is read only ends early.
class FileSource {
 public:
  static constexpr size_t kNotFound = static_cast<size_t>(-1);

  FileSource() = default;
  ~FileSource();
  FileSource(const FileSource&) = delete;
  FileSource& operator=(const FileSource&) = delete;

  // Opens the ordinary file `path` read-only, without waiting on a pipe or device. Returns false
  // when it cannot be opened.
  bool Open(const std::string& path);
  size_t Size() const { return size_; }
  // Returns the position of the first `needle` at or after `from`, or kNotFound.
  size_t Find(std::string_view needle, size_t from);
  // Returns up to `length` bytes from `position`.
  std::string Read(size_t position, size_t length);

 private:
  // Returns the buffered bytes from `position`, reloading the window there when fewer than
  // `min_length` are buffered and the file has more.
  std::string_view Window(size_t position, size_t min_length);

  int fd_ = -1;
  size_t size_ = 0;
  size_t window_start_ = 0;
  std::unique_ptr<char[]> buffer_;
  size_t buffer_size_ = 0;
  size_t buffer_length_ = 0;
};
