#include "extractor/table_changes.h"

#include "common/catalogue_sections.h"
#include "common/paths.h"
#include "common/profile.h"
#include "common/profile_internal.h"
#include "common/tables.h"
#include "extractor/catalogue.h"
#include "extractor/table_info.h"

std::string FileStampText(const std::string& path) {
  profile_internal::FileStamp stamp;
  if (path.empty() || !profile_internal::StatFile(path, stamp)) return "";
  return std::to_string(stamp.size) + "|" + std::to_string(stamp.mtime_ns);
}

namespace {

// The file recorded for `key`: noted in this run, else in info.ini.
std::string RecordedTableFile(const ExtractorState& state, const std::string& key) {
  for (auto noted = state.table_files_noted.rbegin(); noted != state.table_files_noted.rend();
       ++noted) {
    if (noted->first == key) return noted->second;
  }
  return ProfileRead(kTableFileSection, key, state.InProgramFolder(kInfoIni));
}

}  // namespace

bool TableChanged(const ExtractorState& state, const std::string& key, const std::string& stamp) {
  const std::string recorded = RecordedTableFile(state, key);
  return !stamp.empty() && !recorded.empty() && recorded != stamp;
}

void NoteTableFile(ExtractorState& state, const std::string& key, const std::string& stamp) {
  if (stamp.empty() || RecordedTableFile(state, key) == stamp) return;
  state.table_files_noted.emplace_back(key, stamp);
}

void RecordNotedTableFiles(ExtractorState& state) {
  for (const auto& [key, stamp] : state.table_files_noted) {
    RecordEntry(state, kInfoIni, kTableFileSection, key, stamp);
  }
  state.table_files_noted.clear();
}

TableReadPlan PlanTableRead(const ExtractorState& state, const std::string& path) {
  const std::string found = FindExistingPath(path);
  TableReadPlan plan = WholeTablePlan(state, found.empty() ? path : found, FileStampText(found));
  const std::string key = TableKey(FileNameOf(plan.path));
  plan.overwrite = plan.overwrite || TableChanged(state, key, plan.stamp);
  const bool known_table = !LookupName(state, key, true).empty();
  plan.open = plan.overwrite || !known_table || LookupName(state, key, false).empty();
  plan.exports = plan.overwrite || !known_table;
  return plan;
}
