#include "extractor/table_info.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <string>
#include <string_view>

#include "common/paths.h"
#include "common/profile_internal.h"
#include "common/tables.h"
#include "extractor/catalogue.h"

namespace {

// Streams are copied from the file in pieces of this size: screenshots can be huge.
constexpr size_t kCopyChunk = 64 * 1024;

// Fills the fields from the names.ini "VP" value of `key` (alias applied). Returns false when
// the table is not catalogued yet.
bool TakeCataloguedFields(ExtractorState& state, const std::string& key) {
  const std::string known = LookupName(state, key, true);
  if (known.empty()) return false;
  // Slots the value does not reach are emptied rather than left from the previous table.
  state.TableInfoFields.fill({});
  size_t start = 0;
  for (std::string& field : state.TableInfoFields) {
    const size_t bar = known.find('|', start);
    field = known.substr(start, bar == std::string::npos ? std::string::npos : bar - start);
    if (bar == std::string::npos) break;
    start = bar + 1;
  }
  return true;
}

std::string JoinFields(const ExtractorState& state) {
  std::string value;
  for (const std::string& field : state.TableInfoFields) value += field + "|";
  value.pop_back();
  return value;
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

// Writes the export `kind` of `read` to `file` (a new file that replaces it when complete): the
// bytes held, else its stream copied from the table in pieces; a document is cut. Returns false
// when the table's stream cannot be read.
bool WriteExport(TableRead& read, ExportKind kind, profile_internal::FileReplacement& file,
                 bool& written) {
  const HeldStream& held = read.exports[kind];
  const std::uint64_t copied =
      kind == kScreenshot ? held.size : std::min(held.size, kMaxDocumentBytes);
  written = false;
  if (held.held) {
    if (!file.Write(held.bytes)) return true;
  } else {
    const CompoundFile::EntryId stream =
        read.file->FindStream(read.table_info, kExportStreams[kind]);
    std::string chunk;
    for (std::uint64_t at = 0; at < copied; at += chunk.size()) {
      chunk.resize(static_cast<size_t>(std::min<std::uint64_t>(copied - at, kCopyChunk)));
      if (!read.file->Read(stream, at, chunk.size(), chunk.data())) return false;
      if (!file.Write(chunk)) return true;
    }
  }
  written = (copied == held.size || file.Write(CutNote(held.size))) && file.Commit();
  return true;
}

// Exports `kind` of `read` to `target` unless the target exists and -overwrite is not set.
// Only streams with content are written, a screenshot only when it is a JPEG. A file that
// cannot be written is noted.
void Export(ExtractorState& state, TableRead& read, ExportKind kind, const std::string& target) {
  if (!state.options.overwrite && OrdinaryFileExists(target)) return;
  HeldStream& held = read.exports[kind];
  if (!held.held) {
    // Not read ahead: its first bytes tell whether it is exported at all.
    if (!read.file) return;
    const CompoundFile::EntryId stream =
        read.file->FindStream(read.table_info, kExportStreams[kind]);
    held.size = read.file->StreamSize(stream);
    if (!ReadStreamStart(*read.file, stream, 7, held.bytes)) return;
    held.held = held.size == held.bytes.size();
  }
  if (held.bytes.empty() || (kind == kScreenshot && !LooksLikeJpeg(held.bytes))) return;
  // The export folders are made when missing: a fresh art folder has none.
  const std::string path = PathForCreate(target);
  std::error_code error;
  std::filesystem::create_directories(std::filesystem::path(path).parent_path(), error);
  if (error) {
    NoteExportNotWritten(state, path, error.value());
    return;
  }
  // Written beside the target and put in its place only when complete; dropped unfinished, it
  // leaves nothing behind, so no reader ever sees a partial copy.
  profile_internal::FileReplacement file(path);
  errno = 0;
  bool written = false;
  if (!file.Open() || (WriteExport(read, kind, file, written) && !written)) {
    NoteExportNotWritten(state, path, errno);
  }
}

}  // namespace

TableReadPlan WholeTablePlan(const ExtractorState& state, const std::string& path,
                             const std::string& stamp) {
  return {.path = path,
          .stamp = stamp,
          .overwrite = state.options.overwrite,
          .nodocs = state.options.nodocs,
          .nopics = state.options.nopics,
          .art_folder = state.ArtFolder.empty() ? state.program_folder + "/" : state.ArtFolder};
}

void GetTableInfo(ExtractorState& state) {
  TableRead read = ReadTable(WholeTablePlan(state, FindExistingPath(state.CurrentTable)));
  GetTableInfo(state, read);
}

void GetTableInfo(ExtractorState& state, TableRead& read) {
  if (state.ArtFolder.empty()) state.ArtFolder = state.program_folder + "/";
  const std::string key = TableKey(FileNameOf(state.CurrentTable));
  if (!state.options.overwrite && TakeCataloguedFields(state, key)) {
    state.table_info_read = true;
    return;
  }
  state.TableInfoFields = read.fields;
  state.table_info_read = true;

  const std::string& name = state.TableInfoFields[0];
  if (name.find_first_not_of(':') == std::string::npos) return;
  RecordEntry(state, kInfoIni, "Tabrin", name, JoinFields(state));

  const auto targets = ExportTargets(state.ArtFolder, name);
  if (targets[0].empty()) return;
  for (size_t kind = 0; kind < kExportKinds; ++kind) {
    if (kind == kScreenshot ? state.options.nopics : state.options.nodocs) continue;
    Export(state, read, static_cast<ExportKind>(kind), targets[kind]);
  }
}
