#include "extractor/table_exports.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <string_view>
#include <system_error>

namespace {

// Streams are copied in pieces of this size: screenshots can be huge.
constexpr size_t kCopyChunk = 64 * 1024;
// Export file names take ".txt" or ".jpg" after the stem and must fit in a folder entry.
constexpr size_t kMaxStemBytes = 251;

constexpr std::array<const char*, kExportKinds> kExportFolders = {"Blurb", "Description", "Rules",
                                                                  "snap"};

// Table names come from the internet: a name that could leave its folder, make an odd file
// name or be too long for one gets no files at all.
bool IsSafeStem(std::string_view stem) {
  if (stem.empty() || stem == "." || stem == ".." || stem.size() > kMaxStemBytes) return false;
  for (const unsigned char c : stem) {
    if (c < 0x20 || c == 0x7F || c == '/' || c == '\\') return false;
  }
  return true;
}

// The last line of a document that was cut, in the document's UTF-16LE.
std::string CutNote(std::uint64_t stream_bytes) {
  const std::string note = "\r\n[Cut here: the table's text is " +
                           std::to_string(stream_bytes / 2) + " characters long; the first " +
                           std::to_string(kMaxDocumentBytes / 2) + " are shown.]\r\n";
  std::string utf16;
  for (const char c : note) utf16 += {c, '\0'};
  return utf16;
}

// The JPEG start-of-image marker, or the "JFIF" signature of older writers.
bool LooksLikeJpeg(std::string_view head) {
  return static_cast<unsigned char>(head[0]) == 0xFF || (head.size() >= 7 && head[6] == 'J');
}

}  // namespace

std::array<std::string, kExportKinds> ExportTargets(const std::string& art_folder,
                                                    const std::string& table_name) {
  std::string stem = table_name;
  std::erase(stem, ':');
  std::array<std::string, kExportKinds> targets;
  if (!IsSafeStem(stem)) return targets;
  for (size_t kind = 0; kind < kExportKinds; ++kind) {
    targets[kind] =
        art_folder + kExportFolders[kind] + "/" + stem + (kind == kScreenshot ? ".jpg" : ".txt");
  }
  return targets;
}

ExportOutcome WriteExport(CompoundFile& table, CompoundFile::EntryId table_info, ExportKind kind,
                          const std::string& path,
                          std::unique_ptr<profile_internal::FileReplacement>& file) {
  const CompoundFile::EntryId stream = table.FindStream(table_info, kExportStreams[kind]);
  const std::uint64_t size = table.StreamSize(stream);
  std::string chunk;
  if (!ReadStreamStart(table, stream,
                       static_cast<size_t>(std::min<std::uint64_t>(size, kCopyChunk)), chunk)) {
    return stream == CompoundFile::kNone ? ExportOutcome::kNothing : ExportOutcome::kUnreadable;
  }
  if (chunk.empty() || (kind == kScreenshot && !LooksLikeJpeg(chunk))) {
    return ExportOutcome::kNothing;
  }
  // The export folders are made when missing: a fresh art folder has none.
  std::error_code error;
  std::filesystem::create_directories(std::filesystem::path(path).parent_path(), error);
  if (error) {
    errno = error.value();
    return ExportOutcome::kNotWritten;
  }
  // Written beside the target and put in its place only when complete; dropped unfinished, it
  // leaves nothing behind, so no reader ever sees a partial copy.
  auto replacement = std::make_unique<profile_internal::FileReplacement>(path);
  errno = 0;
  if (!replacement->Open()) return ExportOutcome::kNotWritten;
  const std::uint64_t copied = kind == kScreenshot ? size : std::min(size, kMaxDocumentBytes);
  for (std::uint64_t at = 0; at < copied; at += chunk.size()) {
    chunk.resize(static_cast<size_t>(std::min<std::uint64_t>(copied - at, kCopyChunk)));
    if (at > 0 && !table.Read(stream, at, chunk.size(), chunk.data())) {
      return ExportOutcome::kUnreadable;
    }
    if (!replacement->Write(chunk)) return ExportOutcome::kNotWritten;
  }
  if ((copied < size && !replacement->Write(CutNote(size))) || !replacement->Sync()) {
    return ExportOutcome::kNotWritten;
  }
  file = std::move(replacement);
  return ExportOutcome::kWritten;
}
