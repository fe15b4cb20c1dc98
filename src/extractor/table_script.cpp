#include "extractor/table_script.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>

#include "common/codepage.h"
#include "common/paths.h"
#include "common/tables.h"
#include "extractor/shown_text.h"

namespace {

std::uint32_t LittleEndian32(const unsigned char* bytes) {
  return bytes[0] | bytes[1] << 8 | bytes[2] << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

// A script file saved by an editor may be UTF-8 or UTF-16 with a byte-order mark; the script
// language reads it as text either way, as Windows-1252 here. UTF-16 is converted a piece at a
// time, so that a script of the greatest size is never held in three forms at once.
std::string AsWindows1252(std::string bytes) {
  if (bytes.starts_with("\xEF\xBB\xBF")) return bytes.erase(0, 3);
  if (!bytes.starts_with("\xFF\xFE")) return bytes;
  constexpr size_t kPiece = size_t{64} << 10;
  const std::string_view utf16(bytes);
  std::string text;
  text.reserve(utf16.size() / 2);
  for (size_t at = 2; at + 1 < utf16.size();) {
    size_t end = std::min(at + kPiece, utf16.size() & ~size_t{1});
    // A surrogate pair stays whole: a piece never ends between its two halves.
    if (end < utf16.size() - 1 && (static_cast<unsigned char>(utf16[end - 1]) & 0xFC) == 0xD8) {
      end -= 2;
    }
    text += Utf8ToCp1252(Utf16LeToUtf8(utf16.substr(at, end - at)));
    at = end;
  }
  return text;
}

// A stream's records read through a window of it: they are small and lie one after another, and
// most of a table's script follows them.
class StreamWindow {
 public:
  StreamWindow(CompoundFile& file, CompoundFile::EntryId stream, std::uint64_t size)
      : file_(file), stream_(stream), size_(size) {}
  // Reads `length` bytes from `position`: what the window holds from there, the rest from the
  // file. A short read moves the window to `position` first.
  bool Read(std::uint64_t position, size_t length, char* out) {
    if (length <= kWindow && (position < start_ || position + length > start_ + bytes_.size())) {
      start_ = position;
      bytes_.resize(static_cast<size_t>(std::min<std::uint64_t>(kWindow, size_ - position)));
      if (!file_.Read(stream_, position, bytes_.size(), bytes_.data())) bytes_.clear();
    }
    size_t held = 0;
    if (position >= start_ && position < start_ + bytes_.size()) {
      held = std::min<size_t>(length, static_cast<size_t>(start_ + bytes_.size() - position));
      std::memcpy(out, bytes_.data() + (position - start_), held);
    }
    return held == length || file_.Read(stream_, position + held, length - held, out + held);
  }

 private:
  static constexpr size_t kWindow = size_t{64} << 10;
  CompoundFile& file_;
  CompoundFile::EntryId stream_;
  std::uint64_t size_;
  std::uint64_t start_ = 0;
  std::string bytes_;
};

// True when `path` ends in ".vpx" in any letter case.
bool IsVpx(const std::string& path) {
  return path.size() > 4 && Cp1252ToLower(path.substr(path.size() - 4)) == ".vpx";
}

}  // namespace

bool ReadCodeRecord(CompoundFile* table, std::string& script) {
  script.clear();
  if (table == nullptr) return false;
  const CompoundFile::EntryId data =
      table->FindStream(table->FindStorage(CompoundFile::kRoot, "GameStg"), "GameData");
  if (data == CompoundFile::kNone) return false;
  const std::uint64_t size = table->StreamSize(data);
  StreamWindow records(*table, data, size);
  for (std::uint64_t position = 0; position + 8 <= size;) {
    char header[8];
    if (!records.Read(position, 8, header)) return false;
    position += 8;
    const std::uint32_t length = LittleEndian32(reinterpret_cast<unsigned char*>(header));
    if (std::memcmp(header + 4, "ENDB", 4) == 0) return false;
    if (std::memcmp(header + 4, "CODE", 4) == 0) {
      // Unlike the other records, CODE holds only its tag; the text's own length follows.
      unsigned char count_bytes[4];
      if (size - position < 4 || !records.Read(position, 4, reinterpret_cast<char*>(count_bytes))) {
        return false;
      }
      const std::uint32_t count = LittleEndian32(count_bytes);
      if (count > size - position - 4) return false;  // cut short
      script.resize(std::min<size_t>(count, kMaxScriptBytes));
      if (!records.Read(position + 4, script.size(), script.data())) {
        script.clear();
        return false;
      }
      return true;
    }
    if (length < 4 || length - 4 > size - position) return false;
    position += length - 4;
  }
  return false;
}

TableScript ReadTableScript(const std::string& path, CompoundFile* table) {
  TableScript script;
  if (table == nullptr && IsVpx(path)) {
    script.file = path;
    script.why_none = "not a readable table file";
    return script;
  }
  // Whatever has the sidecar's name replaces the table's script, readable or not.
  const std::string sidecar = IsTableFile(FileNameOf(path))
                                  ? FindExistingPath(path.substr(0, path.size() - 4) + ".vbs")
                                  : "";
  if (!sidecar.empty()) {
    script.file = sidecar;
    script.sidecar = true;
    if (!ReadFileStart(sidecar, kMaxScriptBytes, script.bytes)) {
      script.why_none = "the sidecar script " + CutText(FileNameText(FileNameOf(sidecar)), 60) +
                        " could not be read";
    }
    script.bytes = AsWindows1252(std::move(script.bytes));
  } else {
    script.file = path;
    if (!ReadCodeRecord(table, script.bytes)) ReadFileStart(path, kMaxScriptBytes, script.bytes);
  }
  return script;
}
