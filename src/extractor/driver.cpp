#include "extractor/driver.h"

#include <cerrno>
#include <filesystem>
#include <iostream>

#include "common/catalogue_sections.h"
#include "common/paths.h"
#include "common/profile.h"
#include "common/profile_internal.h"
#include "common/tables.h"
#include "extractor/catalogue.h"
#include "extractor/command_line.h"
#include "extractor/messages.h"
#include "extractor/questions.h"
#include "extractor/read_ahead.h"
#include "extractor/rom_name_finder.h"
#include "extractor/rom_source.h"
#include "extractor/table_changes.h"

namespace {

constexpr char kCrLf[] = "\r\n";

// Creates `name` in the program folder with `content` unless a file of that name (in any case)
// exists. The file is made whole beside it and put in place under the lock that every writer of
// the catalogue takes, so a file that another run created meanwhile is kept, never replaced:
// file systems without hard links (FAT, exFAT) allow no other way to do that.
void CreateFromTemplate(ExtractorState& state, const char* name, const char* content) {
  const std::string path = state.InProgramFolder(name);
  if (!FindExistingPath(path).empty()) return;
  const profile_internal::FolderLock lock(state.program_folder);
  if (!FindExistingPath(path).empty()) return;
  errno = 0;
  if (!WriteFileAtomically(path, content)) NoteNotWritten(state, "write", path, errno);
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
           "Vpt Name:  " + ShownName(txt ? file_name : key) + kCrLf +
           "ROM Name:  " + Shown(state.ResultName);
    TakeBaseName(state, file_name);
    if (!txt) StoreName(state, key, true);
    text += std::string(kCrLf) + "Base Name:  " + Shown(state.ResultName);
    if (!txt) RecordRomSource(state, key);
    if (!txt) RecordRomFiles(state, key);
  } else {
    TakeBaseName(state, file_name);
    if (txt) {
      WriteOutput(state);
    } else {
      StoreName(state, key, true);
      // A table renewed as plain names its old ROM no more.
      const std::string names_ini = state.InProgramFolder(kNamesIni);
      if (state.options.overwrite && !ProfileRead("PinMAME", key, names_ini).empty()) {
        RecordEntry(state, kNamesIni, "PinMAME", key, "");
      }
      RecordRomSource(state, key);
    }
    text = std::string("Table Type:  Visual Pinball") + kCrLf + kCrLf +
           "Vpt Name:  " + ShownName(file_name) + kCrLf + "Base Name:  " + Shown(state.ResultName);
  }
  view.SetText(text);
}

// Processes CurrentTable, renewed as -overwrite would renew it alone when its file changed since
// it was catalogued, and notes its file for the catalogue (not with -txt, which records nothing).
void ProcessAndNoteTable(ExtractorState& state, bool txt, ExtractorView& view) {
  const std::string path = FindExistingPath(state.CurrentTable);
  const std::string key = TableKey(FileNameOf(path));
  const std::string stamp = state.prefetched ? state.prefetched->stamp : FileStampText(path);
  const bool overwrite = state.options.overwrite;
  const bool renew = !overwrite && TableChanged(state, key, stamp);
  state.options.overwrite = overwrite || renew;
  ProcessTable(state, txt, view);
  state.options.overwrite = overwrite;
  state.prefetched.reset();
  if (txt || !OrdinaryFileExists(path)) return;
  state.tables_renewed += renew;
  NoteTableFile(state, key, stamp);
}

// Tells of a misuse of the command line: `problem`, then the usage, on the error output.
int Misuse(const std::string& problem) {
  PrintError(problem);
  std::cerr << UsageText() << std::flush;
  return kExitUsage;
}

// Tells that `table_arg` names nothing: on the error output, and in the window unless -exit.
void ReportNotFound(const ExtractorState& state, const std::string& table_arg,
                    ExtractorView& view) {
  PrintError(NotFoundText(table_arg));
  if (state.options.exit) return;
  view.SetText(std::string("Error!  File Not Found!") + kCrLf + "The file \"" +
               ShownName(table_arg) + "\" could not be found.");
  view.Beep();
  view.Show();
}

// Prints what could not be written. Returns true when anything could not.
bool ReportNotWritten(const ExtractorState& state) {
  for (const std::string& line : state.not_written) PrintError(line);
  if (state.exports_not_written > 0) {
    PrintError("could not write " + std::to_string(state.exports_not_written) +
               " exported file(s); the first: " + state.first_export_not_written);
  }
  return !state.not_written.empty() || state.exports_not_written > 0;
}

// The work on the tables that `table_args` name, in their order. Returns the exit status.
int Scan(ExtractorState& state, const std::vector<std::string>& table_args, ExtractorView& view) {
  if (state.options.txt) RemoveFile(state, state.InProgramFolder(kOutputTxt));
  if (state.options.clear) {
    RemoveFile(state, state.InProgramFolder(kNamesIni));
    RemoveFile(state, state.InProgramFolder(kInfoIni));
    if (!state.MAMEFolder.empty()) RemoveFile(state, state.MAMEFolder + "lx.xml");
    // Where a listing goes when the emulator's folder is not the user's to write.
    RemoveFile(state, state.InProgramFolder("lx.xml"));
  }
  CreateFromTemplate(state, kNamesIni, kNamesTemplate);
  CreateFromTemplate(state, kInfoIni, kInfoTemplate);
  state.ResultName.clear();

  bool not_found = false;
  std::vector<std::string> tables;
  for (const std::string& table_arg : table_args) {
    state.TableArg = table_arg;
    if (!ListTablesOf(table_arg, tables)) {
      not_found = true;
      ReportNotFound(state, table_arg, view);
      continue;
    }
    if (IsPattern(table_arg) || !FolderOfArgument(table_arg).empty()) {
      if (!state.options.hide) view.Show();
      // The tables are read a few at once, and recorded one by one in their order.
      ReadAhead reads(tables,
                      [&state](const std::string& path) { return PlanTableRead(state, path); });
      for (size_t i = 0; i < tables.size(); ++i) {
        state.CurrentTable = tables[i];
        state.prefetched = reads.Take(i);
        ProcessAndNoteTable(state, false, view);
        WriteCatalogue(state, /*only_when_due=*/true);
        if (!state.options.hide) view.Repaint();
      }
    } else {
      state.CurrentTable = tables.front();
      ProcessAndNoteTable(state, state.options.txt, view);
      if (!state.options.hide) view.Show();
    }
  }
  WriteCatalogue(state);
  if (state.tables_renewed > 0) {
    // For the front-end to show: the changed tables it lists anew.
    std::cout << "tabrin: " << state.tables_renewed << " changed "
              << (state.tables_renewed == 1 ? "table" : "tables") << " renewed\n"
              << std::flush;
  }
  const int status = ReportNotWritten(state) ? kExitNotWritten
                     : not_found             ? kExitNotFound
                                             : kExitOk;
  if (!state.options.exit) view.WaitUntilClosed();
  return status;
}

// The folder the process was started in; "" when it is gone.
std::string CurrentFolder() {
  std::error_code error;
  const std::filesystem::path folder = std::filesystem::current_path(error);
  return error ? std::string() : folder.string();
}

}  // namespace

int RunExtractor(const std::vector<std::string>& args, const std::string& program_folder,
                 ExtractorView& view) {
  const CommandLine line = ParseCommandLine(args);
  if (line.help) {
    std::cout << UsageText() << std::flush;
    return kExitOk;
  }
  if (line.empty) {
    view.SetText(WindowUsageText());
    view.Show();
    view.WaitUntilClosed();
    return kExitUsage;
  }
  if (!line.unknown.empty()) return Misuse("unknown option \"" + Shown(line.unknown) + "\"");
  if (line.paths.empty()) return Misuse("no table or folder given");

  // Every path is made absolute before anything runs: the emulator's runs change the folder.
  const std::string current_folder = CurrentFolder();
  std::vector<std::string> table_args;
  for (const std::string& path : line.paths) {
    table_args.push_back(MakeTableArgAbsolute(path, current_folder, program_folder));
  }
  const std::string& first = table_args.front();
  if (line.options.txt &&
      (table_args.size() > 1 || IsPattern(first) || !FolderOfArgument(first).empty())) {
    return Misuse("-txt takes one table file");
  }
  if (line.options.report || line.options.why) {
    int status = kExitOk;
    for (const std::string& table_arg : table_args) {
      const int answer = line.options.report ? PrintReport(program_folder, table_arg)
                                             : PrintWhy(program_folder, table_arg);
      if (answer != kExitOk) status = answer;
    }
    return status;
  }

  ExtractorState state;
  state.program_folder = program_folder;
  state.options = line.options;
  state.report_wait_failure = [&view](const std::string& message) { view.ReportFailure(message); };
  ReadSettings(state);
  return Scan(state, table_args, view);
}
