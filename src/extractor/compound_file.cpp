#include "extractor/compound_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QChar>
#include <QString>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <set>

namespace {

constexpr unsigned char kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
constexpr size_t kHeaderSize = 512;
constexpr size_t kHeaderDifatEntries = 109;
constexpr size_t kEntrySize = 128;
constexpr unsigned kMiniShift = 6;
constexpr std::uint64_t kMiniSectorSize = 64;
// Streams shorter than this live in the mini stream.
constexpr std::uint64_t kMiniStreamCutoff = 4096;
constexpr std::uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr std::uint8_t kStorage = 1, kStream = 2, kRootStorage = 5;

std::uint16_t Le16(const char* bytes) {
  const auto* b = reinterpret_cast<const unsigned char*>(bytes);
  return static_cast<std::uint16_t>(b[0] | b[1] << 8);
}

std::uint32_t Le32(const char* bytes) {
  const auto* b = reinterpret_cast<const unsigned char*>(bytes);
  return b[0] | b[1] << 8 | b[2] << 16 | static_cast<std::uint32_t>(b[3]) << 24;
}

// The format upper-cases each UTF-16 unit by the simple mapping; surrogates stay as they are.
char16_t Upper(char16_t unit) {
  if (QChar::isSurrogate(unit)) return unit;
  const char32_t upper = QChar::toUpper(static_cast<char32_t>(unit));
  return upper <= 0xFFFF ? static_cast<char16_t>(upper) : unit;
}

// The order of the format's directory trees: shorter names first, then unit by unit upper-cased.
int CompareNames(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  for (size_t i = 0; i < a.size(); ++i) {
    const char16_t x = Upper(a[i]), y = Upper(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  return 0;
}

// Reads `length` bytes at `offset` of a stream of sectors of 2^shift bytes, sector i lying at
// place(i) of what read_run reads; sectors that lie one after the other are read in one call.
template <typename Place, typename ReadRun>
bool ReadInRuns(std::uint64_t offset, size_t length, unsigned shift, const Place& place,
                const ReadRun& read_run, char* out) {
  const std::uint64_t size = std::uint64_t{1} << shift;
  const std::uint64_t first = offset >> shift, last = (offset + length - 1) >> shift;
  std::uint64_t run_start = 0;
  size_t run_length = 0, done = 0;
  for (std::uint64_t i = first; i <= last; ++i) {
    const std::uint64_t within = i == first ? offset & (size - 1) : 0;
    const size_t piece = static_cast<size_t>(std::min<std::uint64_t>(length - done, size - within));
    const std::uint64_t at = place(i) + within;
    if (run_length > 0 && run_start + run_length != at) {
      if (!read_run(run_start, run_length, out + done - run_length)) return false;
      run_length = 0;
    }
    if (run_length == 0) run_start = at;
    run_length += piece;
    done += piece;
  }
  return read_run(run_start, run_length, out + done - run_length);
}

}  // namespace

std::unique_ptr<CompoundFile> CompoundFile::Open(const std::string& path) {
  std::unique_ptr<CompoundFile> file(new CompoundFile());
  // Not blocking: a pipe given a table's name must not wait for a writer.
  file->fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  struct stat st;
  if (file->fd_ < 0 || ::fstat(file->fd_, &st) != 0 || !S_ISREG(st.st_mode)) return nullptr;
  file->file_size_ = static_cast<std::uint64_t>(st.st_size);
  // A table is read in a few runs scattered over it: the system's read-ahead around each small
  // read would move more from the disk than the reads themselves.
  ::posix_fadvise(file->fd_, 0, 0, POSIX_FADV_RANDOM);
  Entry root;
  if (!file->ReadHeader() || !file->ReadEntry(kRoot, root) || root.type != kRootStorage) {
    return nullptr;
  }
  // The mini stream lies inside the file: a larger size is a lie that bounds nothing.
  const std::uint64_t mini_stream_size = std::min(root.size, file->file_size_);
  file->mini_sector_count_ =
      static_cast<std::uint32_t>((mini_stream_size + kMiniSectorSize - 1) / kMiniSectorSize);
  file->mini_stream_ = file->NewChain(root.start);
  return file;
}

CompoundFile::~CompoundFile() {
  if (fd_ >= 0) ::close(fd_);
}

bool CompoundFile::ReadHeader() {
  char header[kHeaderSize];
  if (file_size_ < kHeaderSize || !ReadAt(0, kHeaderSize, header)) return false;
  if (std::memcmp(header, kSignature, sizeof kSignature) != 0) return false;
  const std::uint16_t major = Le16(header + 26);
  shift_ = Le16(header + 30);
  // Versions 3 and 4 have 512 and 4096-byte sectors; anything else is no file of the format.
  if ((major != 3 && major != 4) || Le16(header + 28) != 0xFFFE || (shift_ != 9 && shift_ != 12) ||
      Le16(header + 32) != kMiniShift) {
    return false;
  }
  version4_ = major == 4;
  sector_size_ = std::uint32_t{1} << shift_;
  // Sector n starts at (n + 1) sectors: the header fills the first.
  const std::uint64_t sectors = (file_size_ + sector_size_ - 1) >> shift_;
  sector_count_ = static_cast<std::uint32_t>(std::min<std::uint64_t>(sectors - 1, 0xFFFFFFFA));
  fat_sectors_ = Le32(header + 44);
  directory_ = NewChain(Le32(header + 48));
  mini_fat_chain_ = NewChain(Le32(header + 60));
  difat_chain_ = NewChain(Le32(header + 68));
  for (size_t i = 0; i < kHeaderDifatEntries; ++i) {
    header_difat_.push_back(Le32(header + 76 + 4 * i));
  }
  return true;
}

bool CompoundFile::ReadAt(std::uint64_t offset, size_t length, char* out) {
  if (offset > file_size_ || length > file_size_ - offset) return false;
  for (size_t done = 0; done < length;) {
    const ssize_t got = ::pread(fd_, out + done, length - done, static_cast<off_t>(offset + done));
    ++read_calls_;
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;  // the file shrank
    done += static_cast<size_t>(got);
    bytes_read_ += static_cast<std::uint64_t>(got);
  }
  return true;
}

bool CompoundFile::ReadTableSector(std::uint32_t sector, std::string& out) {
  if (sector >= sector_count_) return false;
  const std::uint64_t offset = (std::uint64_t{sector} + 1) << shift_;
  out.assign(sector_size_, '\0');
  return ReadAt(offset,
                static_cast<size_t>(std::min<std::uint64_t>(sector_size_, file_size_ - offset)),
                out.data());
}

const std::vector<std::uint32_t>* CompoundFile::TableOf(
    std::map<std::uint32_t, std::vector<std::uint32_t>>& cache, std::uint32_t index,
    std::uint32_t location) {
  if (const auto found = cache.find(index); found != cache.end()) return &found->second;
  std::string bytes;
  if (!ReadTableSector(location, bytes)) return nullptr;
  std::vector<std::uint32_t>& table = cache[index];
  table.resize(sector_size_ / 4);
  for (size_t i = 0; i < table.size(); ++i) table[i] = Le32(bytes.data() + 4 * i);
  return &table;
}

CompoundFile::Chain CompoundFile::NewChain(std::uint32_t first) {
  Chain chain;
  chain.first = first;
  return chain;
}

bool CompoundFile::FatSectorLocation(std::uint32_t index, std::uint32_t& location) {
  const std::uint32_t per_sector = sector_size_ / 4;
  // The FAT has a link for each sector of the file, and no more sectors than the header says.
  if (index >= fat_sectors_ || index > sector_count_ / per_sector) return false;
  if (index < kHeaderDifatEntries) {
    location = header_difat_[index];
    return true;
  }
  // Each DIFAT sector holds the locations of per_sector - 1 FAT sectors, then the next one's.
  const std::uint32_t rest = index - kHeaderDifatEntries;
  const std::uint32_t wanted = rest / (per_sector - 1);
  Chain& chain = difat_chain_;
  while (chain.sectors.size() <= wanted) {
    std::uint32_t sector = chain.first;
    if (chain.broken || (!chain.sectors.empty() && !DifatLink(chain.sectors.size() - 1, sector))) {
      return false;
    }
    if (sector < sector_count_ && chain.seen.size() <= sector) chain.seen.resize(sector + 1);
    chain.broken = sector >= sector_count_ || chain.seen[sector];
    if (chain.broken) return false;
    chain.seen[sector] = true;
    chain.sectors.push_back(sector);
  }
  const auto* table = TableOf(difat_, wanted, chain.sectors[wanted]);
  if (table == nullptr) return false;
  location = (*table)[rest % (per_sector - 1)];
  return true;
}

bool CompoundFile::DifatLink(size_t index, std::uint32_t& next) {
  if (const auto found = difat_.find(static_cast<std::uint32_t>(index)); found != difat_.end()) {
    next = found->second.back();
    return true;
  }
  // Only the link, the sector's last entry, is read of a sector passed on the way.
  char link[4];
  const std::uint64_t offset =
      ((std::uint64_t{difat_chain_.sectors[index]} + 2) << shift_) - sizeof link;
  if (!ReadAt(offset, sizeof link, link)) return false;
  next = Le32(link);
  return true;
}

bool CompoundFile::NextSector(std::uint32_t sector, bool mini, std::uint32_t& next) {
  const std::uint32_t per_sector = sector_size_ / 4;
  const std::uint32_t index = sector / per_sector;
  std::uint32_t location = 0;
  if (mini) {
    if (!Resolve(mini_fat_chain_, size_t{index} + 1, false)) return false;
    location = mini_fat_chain_.sectors[index];
  } else if (!FatSectorLocation(index, location)) {
    return false;
  }
  const auto* table = TableOf(mini ? mini_fat_ : fat_, index, location);
  if (table == nullptr) return false;
  next = (*table)[sector % per_sector];
  return true;
}

bool CompoundFile::Resolve(Chain& chain, size_t count, bool mini) {
  const std::uint32_t limit = mini ? mini_sector_count_ : sector_count_;
  while (chain.sectors.size() < count) {
    if (chain.ended || chain.broken) return false;
    // A sector's link is looked up only when the sector after it is wanted.
    std::uint32_t sector = chain.first;
    if (!chain.sectors.empty() && !NextSector(chain.sectors.back(), mini, sector)) {
      chain.broken = true;
      return false;
    }
    if (sector == kEndOfChain) {
      chain.ended = true;
      return false;
    }
    // A sector met twice is a loop: no chain of the format passes a sector twice.
    if (sector < limit && chain.seen.size() <= sector) chain.seen.resize(sector + 1);
    if (sector >= limit || chain.seen[sector]) {
      chain.broken = true;
      return false;
    }
    chain.seen[sector] = true;
    chain.sectors.push_back(sector);
  }
  return true;
}

bool CompoundFile::ReadEntry(EntryId id, Entry& out) {
  const std::uint32_t per_sector = sector_size_ / kEntrySize;
  const std::uint32_t index = id / per_sector;
  if (id == kNone || !Resolve(directory_, size_t{index} + 1, false)) return false;
  auto cached = directory_sectors_.find(index);
  if (cached == directory_sectors_.end()) {
    std::string bytes;
    if (!ReadTableSector(directory_.sectors[index], bytes)) return false;
    cached = directory_sectors_.emplace(index, std::move(bytes)).first;
  }
  const char* entry = cached->second.data() + (id % per_sector) * kEntrySize;
  // The name's length counts its closing zero, in bytes: at most 32 units.
  const std::uint16_t name_bytes = Le16(entry + 64);
  out.name.clear();
  if (name_bytes >= 2 && name_bytes <= 64 && name_bytes % 2 == 0) {
    for (size_t i = 0; i + 1 < name_bytes / 2u; ++i) {
      out.name.push_back(static_cast<char16_t>(Le16(entry + 2 * i)));
    }
  }
  out.type = static_cast<std::uint8_t>(entry[66]);
  out.left = Le32(entry + 68);
  out.right = Le32(entry + 72);
  out.child = Le32(entry + 76);
  out.start = Le32(entry + 116);
  const std::uint64_t high = Le32(entry + 124);
  // Version 3 files may hold anything in the size's high half.
  out.size = Le32(entry + 120) | (version4_ ? high << 32 : 0);
  return true;
}

CompoundFile::EntryId CompoundFile::FindChild(EntryId parent, std::string_view name,
                                              std::uint8_t type) {
  Entry entry;
  if (!ReadEntry(parent, entry) || (entry.type != kStorage && entry.type != kRootStorage)) {
    return kNone;
  }
  const std::u16string wanted =
      QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())).toStdU16String();
  // A search of the tree, which the format keeps in name order; an entry met twice is a cycle.
  std::set<EntryId> visited;
  for (EntryId id = entry.child; id != kNone && visited.insert(id).second;) {
    if (!ReadEntry(id, entry) || entry.type == 0) return kNone;
    const int order = CompareNames(wanted, entry.name);
    if (order == 0) return entry.type == type ? id : kNone;
    id = order < 0 ? entry.left : entry.right;
  }
  return kNone;
}

CompoundFile::EntryId CompoundFile::FindStorage(EntryId parent, std::string_view name) {
  return FindChild(parent, name, kStorage);
}

CompoundFile::EntryId CompoundFile::FindStream(EntryId parent, std::string_view name) {
  return FindChild(parent, name, kStream);
}

std::uint64_t CompoundFile::StreamSize(EntryId stream) {
  Entry entry;
  return ReadEntry(stream, entry) && entry.type == kStream ? entry.size : 0;
}

bool CompoundFile::ReadFromChain(Chain& chain, std::uint64_t offset, size_t length, char* out) {
  if (!Resolve(chain, static_cast<size_t>((offset + length - 1) >> shift_) + 1, false)) {
    return false;
  }
  return ReadInRuns(
      offset, length, shift_,
      [&](std::uint64_t i) { return (std::uint64_t{chain.sectors[i]} + 1) << shift_; },
      [this](std::uint64_t at, size_t count, char* to) { return ReadAt(at, count, to); }, out);
}

bool CompoundFile::ReadFromMiniStream(Chain& chain, std::uint64_t offset, size_t length,
                                      char* out) {
  if (!Resolve(chain, static_cast<size_t>((offset + length - 1) >> kMiniShift) + 1, true)) {
    return false;
  }
  return ReadInRuns(
      offset, length, kMiniShift,
      [&](std::uint64_t i) { return std::uint64_t{chain.sectors[i]} << kMiniShift; },
      [this](std::uint64_t at, size_t count, char* to) {
        return ReadFromChain(mini_stream_, at, count, to);
      },
      out);
}

bool CompoundFile::Read(EntryId stream, std::uint64_t offset, size_t length, char* out) {
  Entry entry;
  if (!ReadEntry(stream, entry) || entry.type != kStream || offset > entry.size ||
      length > entry.size - offset) {
    return false;
  }
  if (length == 0) return true;
  auto chain = stream_chains_.find(stream);
  if (chain == stream_chains_.end())
    chain = stream_chains_.emplace(stream, NewChain(entry.start)).first;
  return entry.size < kMiniStreamCutoff ? ReadFromMiniStream(chain->second, offset, length, out)
                                        : ReadFromChain(chain->second, offset, length, out);
}

bool ReadStreamStart(CompoundFile& file, CompoundFile::EntryId stream, size_t limit,
                     std::string& out) {
  out.clear();
  if (stream == CompoundFile::kNone) return false;
  out.resize(static_cast<size_t>(std::min<std::uint64_t>(file.StreamSize(stream), limit)));
  if (!file.Read(stream, 0, out.size(), out.data())) {
    out.clear();
    return false;
  }
  return true;
}
