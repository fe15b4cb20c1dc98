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

}  // namespace

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
      PreparedExport& prepared = read.exports[kind];
      prepared.nothing =
          file.StreamSize(file.FindStream(read.table_info, kExportStreams[kind])) == 0;
      if (prepared.nothing || (!plan.overwrite && OrdinaryFileExists(targets[kind]))) continue;
      // A file that cannot be written here is written again, and told of, by the scan.
      prepared.path = PathForCreate(targets[kind]);
      const ExportOutcome outcome = WriteExport(
          file, read.table_info, static_cast<ExportKind>(kind), prepared.path, prepared.file);
      prepared.nothing =
          outcome == ExportOutcome::kNothing || outcome == ExportOutcome::kUnreadable;
    }
  }
  // The script is read and searched here, off the scan's thread: of a table, it takes longest.
  if (plan.script_slots != nullptr) plan.script_slots->acquire();
  const TableScript script = ReadTableScript(plan.path, read.file.get());
  read.finding = FindRomInTableScript(script);
  read.script_file = script.file;
  if (plan.script_slots != nullptr) plan.script_slots->release();
  return read;
}

RomFinding FindRomInTableScript(const TableScript& script) {
  if (!script.why_none.empty()) return RomFinding{.why_plain = script.why_none};
  return FindRomInScript(script.bytes);
}
