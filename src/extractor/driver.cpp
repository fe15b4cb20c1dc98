#include "extractor/driver.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <iostream>

#include "common/catalogue_sections.h"
#include "common/codepage.h"
#include "common/collection_check.h"
#include "common/paths.h"
#include "common/profile.h"
#include "common/profile_internal.h"
#include "common/settings.h"
#include "common/tables.h"
#include "extractor/catalogue.h"
#include "extractor/command_line.h"
#include "extractor/compound_file.h"
#include "extractor/rom_name_finder.h"
#include "extractor/rom_source.h"

namespace {

constexpr char kCrLf[] = "\r\n";

// Creates `name` in the program folder with `content` unless a file of that name (in any case)
// exists. The file is made whole beside it and put in place under the lock that every writer of
// the catalogue takes, so a file that another run created meanwhile is kept, never replaced:
// file systems without hard links (FAT, exFAT) allow no other way to do that.
void CreateFromTemplate(const ExtractorState& state, const char* name, const char* content) {
  const std::string path = state.InProgramFolder(name);
  if (!FindExistingPath(path).empty()) return;
  const profile_internal::FolderLock lock(state.program_folder);
  if (!FindExistingPath(path).empty()) return;
  WriteFileAtomically(path, content);
}

void DeleteIfExists(const std::string& path) {
  const std::string found = FindExistingPath(path);
  if (!found.empty()) ::unlink(found.c_str());
}

// The base name of the current table: its stored table name, else one made from its file name.
void TakeBaseName(ExtractorState& state, const std::string& file_name) {
  if (!state.TableInfoFields[0].empty()) {
    state.ResultName = state.TableInfoFields[0];
  } else {
    MakeBaseName(state, file_name);
  }
}

// Records where the table's ROM name came from, when its script was read and the catalogue
// holds the name that the script gives (an entry kept from before may hold another).
void RecordRomSource(const ExtractorState& state, const std::string& key) {
  if (state.script_file.empty()) return;
  const std::string& rom = state.rom_finding.rom;
  const std::string names_ini = state.InProgramFolder(kNamesIni);
  if (ProfileRead("PinMAME", key, names_ini) != (rom == "nf" ? "" : rom)) return;
  const RomSource source = DescribeRomFinding(state.rom_finding, state.script_file);
  RecordEntry(state, kInfoIni, kRomSourceSection, key, source.found);
  const std::string info_ini = state.InProgramFolder(kInfoIni);
  if (!source.via.empty() || ProfileHasKey(kRomViaSection, key, info_ini)) {
    RecordEntry(state, kInfoIni, kRomViaSection, key, source.via);
  }
}

// The folder of a folder argument: the path itself, or the folder of a pattern ("/t/*.*").
std::string FolderOfArgument(const std::string& table_arg) {
  const std::string last = FileNameOf(table_arg);
  return FindExistingPath(
      WithoutTrailingSlashes(last.find_first_of("*?") == std::string::npos
                                 ? table_arg
                                 : table_arg.substr(0, table_arg.size() - last.size())));
}

// -report: the collection check of the folder, on standard output.
int PrintReport(const ExtractorState& state) {
  const std::string folder = FolderOfArgument(state.TableArg);
  if (folder.empty() || !FolderExists(folder)) {
    std::cerr << "tabrin: no folder \"" << state.TableArg << "\"\n";
    return kExitNotFound;
  }
  FrontendSettings settings;
  GetSettings(state.program_folder, settings);
  settings.TablePath = folder + "/";
  std::cout << CheckReportText(CheckCollection(state.program_folder, settings)) << std::flush;
  return kExitOk;
}

// -why: where the ROM name of each table named comes from, read afresh, on standard output.
int PrintWhy(const ExtractorState& state) {
  std::vector<std::string> paths;
  const std::string pattern = FileNameOf(state.TableArg);
  if (pattern.find_first_of("*?") != std::string::npos) {
    const std::string folder = FolderOfArgument(state.TableArg);
    for (const std::string& name : ListTableFiles(folder, pattern)) {
      paths.push_back(PathInFolder(folder, name));
    }
  } else {
    paths.push_back(FindExistingPath(state.TableArg));
  }
  if (paths.empty() || !OrdinaryFileExists(paths.front())) {
    std::cerr << "tabrin: no table \"" << state.TableArg << "\"\n";
    return kExitNotFound;
  }
  for (const std::string& path : paths) {
    std::string script_file;
    const InfilePtr table = OpenCompoundFile(path);
    const RomFinding finding = FindRomInTable(path, table.get(), script_file);
    const RomSource source = DescribeRomFinding(finding, script_file);
    std::cout << FileNameOf(path) << ": "
              << (finding.rom == "nf" ? std::string("plain table") : "ROM " + finding.rom) << "\n  "
              << source.found << "\n";
    if (!source.via.empty()) std::cout << "  via " << source.via << "\n";
  }
  std::cout << std::flush;
  return kExitOk;
}

// Finds, records and describes CurrentTable. A table that is gone by now records nothing.
void ProcessTable(ExtractorState& state, bool txt, ExtractorView& view) {
  state.TableInfoFields = {};
  state.table_info_read = false;
  if (!OrdinaryFileExists(state.CurrentTable)) return;

  FindRomName(state);  // also spells CurrentTable as on disk
  const std::string file_name = FileNameOf(state.CurrentTable);
  const std::string key = TableKey(file_name);
  std::string text;
  if (state.ResultName != "nf") {
    if (txt) {
      WriteOutput(state);
    } else {
      StoreName(state, key, false);
    }
    text = std::string("Table Type:  PinMAME") + kCrLf + kCrLf +
           "Vpt Name:  " + (txt ? file_name : key) + kCrLf + "ROM Name:  " + state.ResultName;
    TakeBaseName(state, file_name);
    if (!txt) StoreName(state, key, true);
    text += std::string(kCrLf) + "Base Name:  " + state.ResultName;
    if (!txt) RecordRomSource(state, key);
  } else {
    TakeBaseName(state, file_name);
    if (txt) {
      WriteOutput(state);
    } else {
      StoreName(state, key, true);
      RecordRomSource(state, key);
    }
    text = std::string("Table Type:  Visual Pinball") + kCrLf + kCrLf + "Vpt Name:  " + file_name +
           kCrLf + "Base Name:  " + state.ResultName;
  }
  view.SetText(text);
}

}  // namespace

std::string UsageText() {
  return std::string("Error!  No Parameters Specified!!!") + kCrLf + kCrLf +
         "USAGE:  tabrin \"path/vptname.vpt\" [-txt] [-clear] [-hide] [-exit]";
}

int RunExtractor(const std::vector<std::string>& args, const std::string& program_folder,
                 ExtractorView& view) {
  const CommandLine line = ParseCommandLine(args);
  if (line.empty || !line.has_path) {
    // Without a path there is nothing to do; only a run that may show a window explains why.
    if (!line.empty && line.options.exit) return kExitUsage;
    view.SetText(UsageText());
    view.Show();
    view.WaitUntilClosed();
    return kExitUsage;
  }

  ExtractorState state;
  state.program_folder = program_folder;
  state.options = line.options;
  state.report_wait_failure = [&view](const std::string& message) { view.ReportFailure(message); };
  ReadSettings(state);
  state.TableArg = MakeTableArgAbsolute(line.path, program_folder);
  if (state.options.report) return PrintReport(state);
  if (state.options.why) return PrintWhy(state);

  if (state.options.clear) {
    DeleteIfExists(state.InProgramFolder(kNamesIni));
    DeleteIfExists(state.InProgramFolder(kInfoIni));
    if (!state.MAMEFolder.empty()) DeleteIfExists(state.MAMEFolder + "lx.xml");
    // Where a listing goes when the emulator's folder is not the user's to write.
    DeleteIfExists(state.InProgramFolder("lx.xml"));
  }
  CreateFromTemplate(state, kNamesIni, kNamesTemplate);
  CreateFromTemplate(state, kInfoIni, kInfoTemplate);
  state.ResultName.clear();

  if (DirLookup(state.TableArg).empty()) {
    if (state.options.exit) return kExitNotFound;
    view.SetText(std::string("Error!  File Not Found!") + kCrLf + "The file \"" + state.TableArg +
                 "\" could not be found.");
    view.Beep();
    view.Show();
    view.WaitUntilClosed();
    return kExitNotFound;
  }

  // A folder pattern has a wildcard in its last name: "*.*", "*.vpx", "te*.*".
  const std::string pattern = FileNameOf(state.TableArg);
  if (pattern.find_first_of("*?") != std::string::npos) {
    const std::string folder = FolderOfArgument(state.TableArg);
    if (!state.options.hide) view.Show();
    for (const std::string& name : ListTableFiles(folder, pattern)) {
      state.CurrentTable = PathInFolder(folder, name);
      ProcessTable(state, false, view);
      WriteCatalogue(state, /*only_when_due=*/true);
      if (!state.options.hide) view.Repaint();
    }
  } else {
    state.CurrentTable = state.TableArg;
    ProcessTable(state, state.options.txt, view);
    if (!state.options.hide) view.Show();
  }
  WriteCatalogue(state);

  if (!state.options.exit) view.WaitUntilClosed();
  return kExitOk;
}
