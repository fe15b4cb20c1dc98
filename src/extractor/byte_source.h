#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// The bytes of one table file as the ROM-name scan sees them. Searches run forward from a
// position, so a file is streamed through a small window instead of being held whole.
class ByteSource {
 public:
  static constexpr size_t kNotFound = static_cast<size_t>(-1);
  virtual ~ByteSource() = default;
  virtual size_t Size() const = 0;
  // Returns the position of the first occurrence of `needle` at or after `from`, or kNotFound.
  // With `fold`, bytes compare after Cp1252Lower and `needle` must already be in lower case.
  virtual size_t Find(std::string_view needle, size_t from, bool fold) = 0;
  // Returns up to `length` bytes from `position`.
  virtual std::string Read(size_t position, size_t length) = 0;
};

// A source over bytes held by the caller.
class MemorySource : public ByteSource {
 public:
  explicit MemorySource(std::string_view bytes) : bytes_(bytes) {}
  size_t Size() const override { return bytes_.size(); }
  size_t Find(std::string_view needle, size_t from, bool fold) override;
  std::string Read(size_t position, size_t length) override;

 private:
  std::string_view bytes_;
};

// A source over a file read in windows of a few MiB; memory stays small whatever the file's
// size, and a file that shrinks while it is read only ends early.
class FileSource : public ByteSource {
 public:
  FileSource() = default;
  ~FileSource() override;
  FileSource(const FileSource&) = delete;
  FileSource& operator=(const FileSource&) = delete;

  // Opens `path` read-only. Returns false when it cannot be opened.
  bool Open(const std::string& path);
  size_t Size() const override { return size_; }
  size_t Find(std::string_view needle, size_t from, bool fold) override;
  std::string Read(size_t position, size_t length) override;
  // Reads up to `length` bytes at `position` into `buffer`, past the window, which stays as it
  // is. Returns how many were read: fewer only at the end of the file.
  size_t ReadAt(size_t position, char* buffer, size_t length);

 private:
  // Returns the buffered bytes from `position`, reloading the window there when fewer than
  // `min_length` are buffered and the file has more.
  std::string_view Window(size_t position, size_t min_length);

  int fd_ = -1;
  size_t size_ = 0;
  size_t window_start_ = 0;
  // Allocated at the first use of the window and never cleared: a scan that reads the file in
  // one pass needs no window, and clearing megabytes costs more than reading them.
  std::unique_ptr<char[]> buffer_;
  size_t buffer_size_ = 0;
  size_t buffer_length_ = 0;
};

// Returns the position of `needle` in `haystack` at or after `from` (kNotFound when absent),
// comparing after Cp1252Lower when `fold` is set (then `needle` is lower case already).
size_t FindBytes(std::string_view haystack, std::string_view needle, size_t from, bool fold);
