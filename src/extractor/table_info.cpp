#include "extractor/table_info.h"

#include <cerrno>
#include <string>

#include "common/paths.h"
#include "common/tables.h"
#include "extractor/catalogue.h"

namespace {

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

// Exports `kind` of `read` to `target` unless the target exists and -overwrite is not set:
// puts the file written ahead in place, or writes it now. A file that cannot be written is
// noted.
void Export(ExtractorState& state, TableRead& read, ExportKind kind, const std::string& target) {
  PreparedExport& prepared = read.exports[kind];
  if (prepared.nothing || (!state.options.overwrite && OrdinaryFileExists(target))) return;
  const std::string path = PathForCreate(target);
  if (!prepared.file || prepared.path != path) {
    prepared.file.reset();
    if (!read.file) return;
    const ExportOutcome outcome =
        WriteExport(*read.file, read.table_info, kind, path, prepared.file);
    if (outcome == ExportOutcome::kNotWritten) NoteExportNotWritten(state, path, errno);
    if (outcome != ExportOutcome::kWritten) return;
  }
  errno = 0;
  if (!prepared.file->Commit()) NoteExportNotWritten(state, path, errno);
  prepared.file.reset();
}

}  // namespace

TableReadPlan WholeTablePlan(const ExtractorState& state, const std::string& path,
                             const std::string& stamp) {
  // A catalogued table keeps its exports (GetTableInfo takes its catalogue entry instead).
  const bool exports =
      state.options.overwrite || LookupName(state, TableKey(FileNameOf(path)), true).empty();
  return {.path = path,
          .stamp = stamp,
          .exports = exports,
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
