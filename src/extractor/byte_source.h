#pragma once

#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
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

// The bytes of a file from its start, in pieces of a fixed size, for a scan that reads each byte
// once. A file of more than two pieces is read one piece ahead on a second thread, so that
// copying the next piece out of the page cache overlaps the scan of this one.
class PieceReader {
 public:
  // `headroom` bytes before each piece are the caller's, to put bytes of the piece before in.
  PieceReader(FileSource& source, size_t piece_size, size_t headroom);
  ~PieceReader();
  PieceReader(const PieceReader&) = delete;
  PieceReader& operator=(const PieceReader&) = delete;

  // Returns the next piece, valid (with its headroom) until the next call, and sets `length`:
  // fewer bytes than a piece only at the end of the file. A zero byte follows the piece.
  char* Next(size_t& length);

 private:
  struct Slot {
    std::unique_ptr<char[]> bytes;
    size_t length = 0;
    bool full = false;
  };
  size_t Fill(Slot& slot, size_t position);
  void ReadAhead();

  FileSource& source_;
  const size_t piece_size_;
  const size_t headroom_;
  Slot slots_[2];
  size_t pieces_taken_ = 0;
  size_t inline_position_ = 0;  // where the next piece starts, without a second thread
  std::mutex mutex_;
  std::condition_variable changed_;
  bool stop_ = false;
  std::thread thread_;
};

// Returns the position of `needle` in `haystack` at or after `from` (kNotFound when absent),
// comparing after Cp1252Lower when `fold` is set (then `needle` is lower case already).
size_t FindBytes(std::string_view haystack, std::string_view needle, size_t from, bool fold);
