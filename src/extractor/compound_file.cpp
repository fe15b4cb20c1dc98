#include "extractor/compound_file.h"

#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-input-stdio.h>
#include <gsf/gsf-utils.h>

#include <QString>
#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <system_error>
#include <vector>

#include "common/profile_internal.h"

namespace {

// Streams are copied in pieces of this size: screenshots and documents can be huge.
constexpr size_t kCopyChunk = 64 * 1024;

void IgnoreLog(const gchar*, GLogLevelFlags, const gchar*, gpointer) {}

constexpr auto kQuietLevels =
    static_cast<GLogLevelFlags>(G_LOG_LEVEL_CRITICAL | G_LOG_LEVEL_WARNING | G_LOG_LEVEL_MESSAGE |
                                G_LOG_LEVEL_INFO | G_LOG_LEVEL_DEBUG);

// Damaged tables are ordinary input and the extractor keeps no log: libgsf's complaints about
// them would only clutter the output of hidden runs.
void InitGsf() {
  static const bool initialised = [] {
    gsf_init();
    for (const char* domain : {"libgsf", "libgsf:msole"}) {
      g_log_set_handler(domain, kQuietLevels, IgnoreLog, nullptr);
    }
    return true;
  }();
  (void)initialised;
}

// libgsf reports a child it cannot open in the default domain, which is not only its own, so
// that domain is quiet just for the call.
GsfInput* ChildByIndexQuietly(GsfInfile* parent, int index) {
  const guint handler = g_log_set_handler(nullptr, kQuietLevels, IgnoreLog, nullptr);
  GsfInput* child = gsf_infile_child_by_index(parent, index);
  g_log_remove_handler(nullptr, handler);
  return child;
}

// Names match as in the compound file format: same length in UTF-16 code units, each unit
// compared upper-cased.
bool SameEntryName(const char* stored, std::string_view wanted) {
  const QString a = QString::fromUtf8(stored);
  const QString b = QString::fromUtf8(wanted.data(), static_cast<qsizetype>(wanted.size()));
  if (a.size() != b.size()) return false;
  for (qsizetype i = 0; i < a.size(); ++i) {
    if (a[i].toUpper() != b[i].toUpper()) return false;
  }
  return true;
}

// The first child of `parent` named `name`, when it is of the wanted kind.
InputPtr OpenChild(GsfInfile* parent, std::string_view name, bool want_storage) {
  if (parent == nullptr) return nullptr;
  const int count = gsf_infile_num_children(parent);
  for (int i = 0; i < count; ++i) {
    const char* child_name = gsf_infile_name_by_index(parent, i);
    if (child_name == nullptr || !SameEntryName(child_name, name)) continue;
    InputPtr child(ChildByIndexQuietly(parent, i));
    if (!child) return nullptr;
    const bool is_storage =
        GSF_IS_INFILE(child.get()) && gsf_infile_num_children(GSF_INFILE(child.get())) >= 0;
    if (is_storage != want_storage) return nullptr;
    return child;
  }
  return nullptr;
}

std::uint32_t LittleEndian32(const unsigned char* bytes) {
  return bytes[0] | bytes[1] << 8 | bytes[2] << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

// libgsf never frees directory entries linked beside the root entry, so a hostile table would
// grow the process by its whole directory. The format allows no such links: a file with them,
// or whose root entry cannot be read, is refused before libgsf sees it.
bool RootEntryHasNoSiblings(const std::string& path) {
  constexpr std::size_t kHeaderSize = 512;
  constexpr std::uint32_t kNoEntry = 0xFFFFFFFF;
  std::ifstream in(path, std::ios::binary);
  unsigned char header[kHeaderSize];
  if (!in.read(reinterpret_cast<char*>(header), kHeaderSize)) return false;
  const unsigned shift = header[30] | header[31] << 8;
  if (shift < 6 || shift > 30) return false;  // libgsf refuses these sector sizes as well
  // Where libgsf reads the first directory sector: the header fills at least one sector.
  const std::uint64_t sector_size = std::uint64_t{1} << shift;
  const std::uint64_t root = std::max<std::uint64_t>(kHeaderSize, sector_size) +
                             (std::uint64_t{LittleEndian32(header + 48)} << shift);
  unsigned char entry[128];
  if (!in.seekg(static_cast<std::streamoff>(root)) ||
      !in.read(reinterpret_cast<char*>(entry), sizeof entry)) {
    return false;
  }
  return LittleEndian32(entry + 0x44) == kNoEntry && LittleEndian32(entry + 0x48) == kNoEntry;
}

}  // namespace

void GObjectUnref::operator()(void* object) const {
  if (object != nullptr) g_object_unref(object);
}

InfilePtr OpenCompoundFile(const std::string& path) {
  // Opening a pipe or a device would wait for a writer forever.
  std::error_code error_code;
  if (!std::filesystem::is_regular_file(path, error_code)) return nullptr;
  if (!RootEntryHasNoSiblings(path)) return nullptr;
  InitGsf();
  GError* error = nullptr;
  InputPtr source(gsf_input_stdio_new(path.c_str(), &error));
  g_clear_error(&error);
  if (!source) return nullptr;
  InfilePtr root(gsf_infile_msole_new(source.get(), &error));  // takes its own reference
  g_clear_error(&error);
  return root;
}

InfilePtr OpenStorage(GsfInfile* parent, std::string_view name) {
  InputPtr child = OpenChild(parent, name, true);
  return InfilePtr(child ? GSF_INFILE(child.release()) : nullptr);
}

InputPtr OpenStream(GsfInfile* parent, std::string_view name) {
  return OpenChild(parent, name, false);
}

bool ReadStreamStart(GsfInput* stream, size_t limit, std::string& out) {
  out.clear();
  // gsf_input_seek reports an error as true.
  if (stream == nullptr || gsf_input_seek(stream, 0, G_SEEK_SET)) return false;
  const gsf_off_t size = gsf_input_size(stream);
  if (size < 0) return false;
  const size_t wanted = static_cast<size_t>(std::min<gsf_off_t>(size, limit));
  if (wanted == 0) return true;
  out.resize(wanted);
  if (gsf_input_read(stream, wanted, reinterpret_cast<guint8*>(out.data())) == nullptr) {
    out.clear();
    return false;
  }
  return true;
}

CopyResult CopyStreamToFile(GsfInput* stream, const std::string& path, gsf_off_t max_bytes,
                            std::string_view tail) {
  if (stream == nullptr || gsf_input_seek(stream, 0, G_SEEK_SET)) return CopyResult::kUnreadable;
  // Written beside the target and put in its place only when complete; dropped unfinished, it
  // leaves nothing behind, so no reader ever sees a partial copy.
  profile_internal::FileReplacement file(path);
  if (!file.Open()) return CopyResult::kNotWritten;
  const gsf_off_t size = gsf_input_size(stream);
  const bool cut = max_bytes != kWholeStream && size > max_bytes;
  const gsf_off_t copied = cut ? max_bytes : size;
  // Not cleared: each piece is read into it before it is written out.
  const std::unique_ptr<guint8[]> chunk(
      new guint8[static_cast<size_t>(std::clamp<gsf_off_t>(copied, 1, kCopyChunk))]);
  for (gsf_off_t left = copied; left > 0;) {
    const size_t count = static_cast<size_t>(std::min<gsf_off_t>(left, kCopyChunk));
    if (gsf_input_read(stream, count, chunk.get()) == nullptr) return CopyResult::kUnreadable;
    if (!file.Write(std::string_view(reinterpret_cast<const char*>(chunk.get()), count))) {
      return CopyResult::kNotWritten;
    }
    left -= static_cast<gsf_off_t>(count);
  }
  if (cut && !file.Write(tail)) return CopyResult::kNotWritten;
  return file.Commit() ? CopyResult::kCopied : CopyResult::kNotWritten;
}
