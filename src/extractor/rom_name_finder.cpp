#include "extractor/rom_name_finder.h"

#include "common/catalogue_sections.h"
#include "common/paths.h"
#include "common/profile.h"
#include "common/rom_files.h"
#include "common/tables.h"
#include "common/text.h"
#include "extractor/catalogue.h"
#include "extractor/mame_info.h"
#include "extractor/script_reader.h"
#include "extractor/table_info.h"
#include "extractor/table_script.h"

void FindRomName(ExtractorState& state) {
  // The file as on disk, whatever the case of the path it was named by.
  const std::string path = FindExistingPath(state.CurrentTable);
  if (path.empty() || !OrdinaryFileExists(path)) return;
  state.CurrentTable = path;
  state.rom_finding = {};
  state.script_file.clear();
  if (!state.options.overwrite) {
    const std::string key = TableKey(FileNameOf(path));
    const std::string stored = LookupName(state, key, false);
    // A table with a ROM name but no base name was cut short (a killed run, or another run that
    // is still at it); reading it again gives it its real table name instead of the file's.
    if (!stored.empty() && !LookupName(state, key, true).empty()) {
      state.ResultName = stored;
      GetMAMEInfo(state);
      return;
    }
  }
  // Read once for the table's information and its script, ahead by the scan or now; a table
  // that is no compound file has no file, and both readers fall back.
  std::unique_ptr<TableRead> read = std::move(state.prefetched);
  if (!read || !read->opened || read->path != path) {
    read = std::make_unique<TableRead>(ReadTable(WholeTablePlan(state, path)));
  }
  GetTableInfo(state, *read);
  state.rom_finding = read->finding;
  state.script_file = read->script_file;
  state.ResultName = state.rom_finding.rom;
  if (state.ResultName != "nf") GetMAMEInfo(state);
}

RomFinding FindRomInTable(const std::string& path, CompoundFile* table, std::string& script_file) {
  const TableScript script = ReadTableScript(path, table);
  script_file = script.file;
  return FindRomInTableScript(script);
}

void RecordRomFiles(ExtractorState& state, const std::string& key) {
  const std::string rom = ProfileRead("PinMAME", key, state.InProgramFolder(kNamesIni));
  if (rom.empty()) return;
  if (!state.pinmame_defaults) {
    state.pinmame_defaults = ReadPinMameDefaults(UserFoldersFromEnvironment());
  }
  const std::string folder = state.CurrentTable.substr(0, state.CurrentTable.rfind('/') + 1);
  const auto found = [&](const std::string& name) {
    return CutVisibly(FindRomFile(name, folder, *state.pinmame_defaults).found, kMaxTextChars);
  };
  RecordEntry(state, kInfoIni, kRomFileSection, key, found(rom));
  const std::string info_ini = state.InProgramFolder(kInfoIni);
  const std::string alias = ProfileRead("Alias", rom, state.InProgramFolder(kAliasIni));
  const std::string parent =
      CloneParent(rom, alias, ProfileRead("PMInfo", alias.empty() ? rom : alias, info_ini));
  if (!parent.empty() || ProfileHasKey(kParentRomFileSection, key, info_ini)) {
    RecordEntry(state, kInfoIni, kParentRomFileSection, key,
                parent.empty() ? "" : parent + "|" + found(parent));
  }
}
