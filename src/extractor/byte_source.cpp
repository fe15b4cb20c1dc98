#include "extractor/byte_source.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <system_error>

#include "common/codepage.h"

namespace {

constexpr size_t kWindowSize = size_t{4} << 20;

unsigned char Fold(char c) { return static_cast<unsigned char>(Cp1252Lower(c)); }

// Knuth-Morris-Pratt search over folded bytes: linear in the haystack whatever the needle.
size_t FindFoldedLinear(std::string_view haystack, std::string_view needle, size_t from) {
  const size_t m = needle.size();
  std::vector<size_t> border(m, 0);  // longest proper border of each prefix of the needle
  for (size_t i = 1, k = 0; i < m; ++i) {
    while (k > 0 && needle[i] != needle[k]) k = border[k - 1];
    if (needle[i] == needle[k]) ++k;
    border[i] = k;
  }
  for (size_t at = from, k = 0; at < haystack.size(); ++at) {
    const unsigned char c = Fold(haystack[at]);
    while (k > 0 && c != static_cast<unsigned char>(needle[k])) k = border[k - 1];
    if (c == static_cast<unsigned char>(needle[k])) ++k;
    if (k == m) return at + 1 - m;
  }
  return ByteSource::kNotFound;
}

// Horspool search over folded bytes: a table of 256 shifts, no allocation per call. A hostile
// script (a long needle of repeated bytes over a run of them) makes it compare the needle's
// length at every byte, so past twice the haystack's length in comparisons the linear search
// takes over.
size_t FindFolded(std::string_view haystack, std::string_view needle, size_t from) {
  const size_t m = needle.size();
  if (from > haystack.size() || haystack.size() - from < m) return ByteSource::kNotFound;
  std::array<size_t, 256> shift;
  shift.fill(m);
  for (size_t i = 0; i + 1 < m; ++i) shift[static_cast<unsigned char>(needle[i])] = m - 1 - i;
  const unsigned char last = static_cast<unsigned char>(needle[m - 1]);
  size_t budget = 2 * (haystack.size() - from);
  for (size_t at = from; at + m <= haystack.size();) {
    const unsigned char tail = Fold(haystack[at + m - 1]);
    if (tail == last) {
      size_t i = 0;
      while (i + 1 < m && Fold(haystack[at + i]) == static_cast<unsigned char>(needle[i])) ++i;
      if (i + 1 >= m) return at;
      if (i >= budget) return FindFoldedLinear(haystack, needle, at);
      budget -= i;
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
  buffer_size_ = std::min(kWindowSize, size_);
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
    // A file that shrank while it is read ends where the bytes end.
    if (window_start_ + buffer_length_ < size_ && buffer_length_ < buffer_size_) {
      size_ = window_start_ + buffer_length_;
    }
  }
  const size_t offset = position - window_start_;
  return std::string_view(buffer_.get() + offset, buffer_length_ - offset);
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

size_t FileSource::ReadAt(size_t position, char* buffer, size_t length) {
  if (fd_ < 0 || position >= size_) return 0;
  length = std::min(length, size_ - position);
  size_t done = 0;
  while (done < length) {
    const ssize_t got =
        ::pread(fd_, buffer + done, length - done, static_cast<off_t>(position + done));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      size_ = position + done;  // a file that shrank while it is read ends where the bytes end
      break;
    }
    done += static_cast<size_t>(got);
  }
  return done;
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

PieceReader::PieceReader(FileSource& source, size_t piece_size, size_t headroom)
    : source_(source), piece_size_(std::max<size_t>(piece_size, 1)), headroom_(headroom) {
  const bool ahead = source.Size() / 2 > piece_size_;
  for (Slot& slot : slots_) {
    if (ahead || &slot == slots_) slot.bytes.reset(new char[headroom_ + piece_size_ + 1]);
  }
  if (!ahead) return;
  try {
    thread_ = std::thread(&PieceReader::ReadAhead, this);
  } catch (const std::system_error&) {
    // No thread to be had (a process limit): the pieces are read when asked for.
  }
}

PieceReader::~PieceReader() {
  if (!thread_.joinable()) return;
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

size_t PieceReader::Fill(Slot& slot, size_t position) {
  char* const piece = slot.bytes.get() + headroom_;
  slot.length = source_.ReadAt(position, piece, piece_size_);
  piece[slot.length] = '\0';
  return slot.length;
}

void PieceReader::ReadAhead() {
  size_t position = 0;
  for (size_t piece = 0;; ++piece) {
    Slot& slot = slots_[piece % 2];
    {
      std::unique_lock<std::mutex> lock(mutex_);
      changed_.wait(lock, [&] { return stop_ || !slot.full; });
      if (stop_) return;
    }
    // The slot is this thread's until it is marked full.
    const size_t got = Fill(slot, position);
    position += got;
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      slot.full = true;
    }
    changed_.notify_all();
    if (got < piece_size_) return;
  }
}

char* PieceReader::Next(size_t& length) {
  if (!thread_.joinable()) {
    length = Fill(slots_[0], inline_position_);
    inline_position_ += length;
    return slots_[0].bytes.get() + headroom_;
  }
  Slot& slot = slots_[pieces_taken_ % 2];
  {
    std::unique_lock<std::mutex> lock(mutex_);
    if (pieces_taken_ > 0) slots_[(pieces_taken_ - 1) % 2].full = false;  // done with it
    changed_.notify_all();
    changed_.wait(lock, [&] { return slot.full; });
  }
  ++pieces_taken_;
  length = slot.length;
  return slot.bytes.get() + headroom_;
}
