#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// A compound file (the published structured-storage format, versions 3 and 4, 512 and 4096-byte
// sectors) opened read-only. Only what a lookup or a read passes through is read, and each
// sector of the file's own tables once: the header at open; directory, DIFAT, FAT and mini FAT
// sectors when they are first needed. A table of hundreds of megabytes thus costs a few
// kilobytes beyond the streams read. Damaged or hostile files give missing entries and failed
// reads, never a hang: every walk is bounded by the file's size. One thread at a time.
class CompoundFile {
 public:
  // A directory entry: a storage or a stream.
  using EntryId = std::uint32_t;
  static constexpr EntryId kNone = 0xFFFFFFFF;
  static constexpr EntryId kRoot = 0;

  // Opens the ordinary file `path` without waiting on a pipe or a device. Null when it cannot
  // be read or is no compound file.
  static std::unique_ptr<CompoundFile> Open(const std::string& path);
  ~CompoundFile();
  CompoundFile(const CompoundFile&) = delete;
  CompoundFile& operator=(const CompoundFile&) = delete;

  // Returns the storage `name` (UTF-8) of the storage `parent`, names matched as the format
  // matches them: by length, then upper-cased unit by unit, through the tree of the storage's
  // children. kNone when there is none, or the entry is a stream.
  EntryId FindStorage(EntryId parent, std::string_view name);
  // Returns the stream `name` of `parent`, matched the same way. kNone when there is none, or
  // the entry is a storage.
  EntryId FindStream(EntryId parent, std::string_view name);
  // Returns the size of the stream `stream`; 0 for kNone.
  std::uint64_t StreamSize(EntryId stream);
  // Reads `length` bytes of `stream` from `offset` into `out`. False when the stream does not
  // hold them all or the file is damaged on the way (`out` then holds anything).
  bool Read(EntryId stream, std::uint64_t offset, size_t length, char* out);

  // What was read from the file so far: bytes, and read calls.
  std::uint64_t bytes_read() const { return bytes_read_; }
  std::uint64_t read_calls() const { return read_calls_; }

 private:
  struct Entry {
    std::u16string name;
    std::uint8_t type = 0;  // 1 storage, 2 stream, 5 root
    EntryId left = kNone, right = kNone, child = kNone;
    std::uint32_t start = 0;
    std::uint64_t size = 0;
  };
  // The sectors of a chain (of the FAT, or of the mini FAT), resolved as far as needed.
  struct Chain {
    std::uint32_t first = 0;
    bool ended = false;   // no sector follows the last one
    bool broken = false;  // a link leads out of the file, back into the chain or is unreadable
    std::vector<std::uint32_t> sectors;
    std::vector<bool> seen;
  };

  CompoundFile() = default;
  bool ReadHeader();
  bool ReadAt(std::uint64_t offset, size_t length, char* out);
  // Reads sector `sector` of the file's own tables, bytes past the file's end as zeros.
  bool ReadTableSector(std::uint32_t sector, std::string& out);
  // The link after `sector` in the FAT (`mini`: the mini FAT); false when it cannot be read.
  bool NextSector(std::uint32_t sector, bool mini, std::uint32_t& next);
  // Where the index-th sector of the FAT lies; false when the header and DIFAT do not tell.
  bool FatSectorLocation(std::uint32_t index, std::uint32_t& location);
  // The link after the index-th sector of the DIFAT's chain; false when it cannot be read.
  bool DifatLink(size_t index, std::uint32_t& next);
  // The links held by the table sector at `location`, the index-th of its table (FAT, mini FAT
  // or DIFAT), read once into `cache`. Null when it cannot be read.
  const std::vector<std::uint32_t>* TableOf(
      std::map<std::uint32_t, std::vector<std::uint32_t>>& cache, std::uint32_t index,
      std::uint32_t location);
  // Resolves `chain` to at least `count` sectors. False when it has fewer.
  bool Resolve(Chain& chain, size_t count, bool mini);
  static Chain NewChain(std::uint32_t first);
  // Reads the directory entry `id`. False when the directory does not reach it.
  bool ReadEntry(EntryId id, Entry& out);
  // The child `name` of the storage `parent` when it is of `type`; else kNone.
  EntryId FindChild(EntryId parent, std::string_view name, std::uint8_t type);
  // Reads from a chain of whole sectors (a stream of the FAT, or the mini stream itself).
  bool ReadFromChain(Chain& chain, std::uint64_t offset, size_t length, char* out);
  bool ReadFromMiniStream(Chain& chain, std::uint64_t offset, size_t length, char* out);

  int fd_ = -1;
  std::uint64_t file_size_ = 0;
  unsigned shift_ = 9;
  std::uint32_t sector_size_ = 512;
  std::uint32_t sector_count_ = 0;       // sectors that start inside the file
  std::uint32_t mini_sector_count_ = 0;  // mini sectors inside the mini stream
  bool version4_ = false;
  std::uint32_t fat_sectors_ = 0;
  std::vector<std::uint32_t> header_difat_;
  Chain difat_chain_;  // its links are the last entry of each DIFAT sector
  Chain directory_;
  Chain mini_fat_chain_;
  Chain mini_stream_;  // the root entry's chain
  std::map<std::uint32_t, std::vector<std::uint32_t>> fat_, mini_fat_, difat_;
  std::map<std::uint32_t, std::string> directory_sectors_;
  std::map<EntryId, Chain> stream_chains_;
  std::uint64_t bytes_read_ = 0;
  std::uint64_t read_calls_ = 0;
};

// Reads the first `limit` bytes of `stream` (all of it when shorter) into `out`. Returns false,
// with `out` empty, when they cannot be read.
bool ReadStreamStart(CompoundFile& file, CompoundFile::EntryId stream, size_t limit,
                     std::string& out);
