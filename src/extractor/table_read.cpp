#include "extractor/table_read.h"

#include <string_view>

#include "common/codepage.h"
#include "common/paths.h"
#include "common/text.h"
#include "extractor/catalogue.h"

namespace {

// The information streams, in the order of the fields of the info.ini entry.
constexpr std::array<const char*, 6> kFieldStreams = {
    "TableName", "AuthorName", "TableVersion", "ReleaseDate", "AuthorEmail", "AuthorWebsite"};

// Enough of a field's stream to tell whether its text is longer than a field may be.
constexpr size_t kMaxFieldBytes = (kMaxTextChars + 1) * 4;
// A screenshot is held for the scan's thread up to this size; a larger one is copied from the
// file when it is exported, so that reads ahead never hold much.
constexpr std::uint64_t kMaxHeldPictureBytes = std::uint64_t{4} << 20;
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

// Reads what the export `kind` needs of its stream into `held`, unless that is too much to hold.
void Hold(CompoundFile& file, CompoundFile::EntryId table_info, ExportKind kind, HeldStream& held) {
  const CompoundFile::EntryId stream = file.FindStream(table_info, kExportStreams[kind]);
  held.size = file.StreamSize(stream);
  const std::uint64_t needed =
      kind == kScreenshot ? held.size : std::min(held.size, kMaxDocumentBytes);
  if (needed > kMaxHeldPictureBytes) return;
  held.held = needed == 0 || ReadStreamStart(file, stream, static_cast<size_t>(needed), held.bytes);
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

TableRead ReadTable(const TableReadPlan& plan) {
  TableRead read;
  read.path = plan.path;
  read.stamp = plan.stamp;
  if (!plan.open) return read;
  read.opened = true;
  read.file = CompoundFile::Open(plan.path);
  if (read.file) {
    CompoundFile& file = *read.file;
    read.table_info = file.FindStorage(CompoundFile::kRoot, "TableInfo");
    // A stream that is missing or cannot be read gives an empty field.
    for (size_t i = 0; i < kFieldStreams.size(); ++i) {
      std::string bytes;
      ReadStreamStart(file, file.FindStream(read.table_info, kFieldStreams[i]), kMaxFieldBytes,
                      bytes);
      read.fields[i] = CatalogueField(Utf16LeToUtf8(bytes));
    }
    const auto targets = ExportTargets(plan.art_folder, read.fields[0]);
    for (size_t kind = 0; plan.exports && !targets[0].empty() && kind < kExportKinds; ++kind) {
      if (kind == kScreenshot ? plan.nopics : plan.nodocs) continue;
      if (!plan.overwrite && OrdinaryFileExists(targets[kind])) continue;
      Hold(file, read.table_info, static_cast<ExportKind>(kind), read.exports[kind]);
    }
  }
  read.script = ReadTableScript(plan.path, read.file.get());
  return read;
}
