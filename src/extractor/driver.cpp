#include "extractor/driver.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "common/codepage.h"
#include "common/paths.h"
#include "common/profile_internal.h"
#include "common/tables.h"
#include "extractor/catalogue.h"
#include "extractor/command_line.h"
#include "extractor/rom_name_finder.h"

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
  std::string temp = state.InProgramFolder(".tmp-XXXXXX");
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) return;
  const std::string_view text(content);
  bool written = ::fchmod(fd, 0644) == 0 &&
                 ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size()) &&
                 ::fsync(fd) == 0;
  written = ::close(fd) == 0 && written;
  if (!written || ::rename(temp.c_str(), path.c_str()) != 0) ::unlink(temp.c_str());
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
  } else {
    TakeBaseName(state, file_name);
    if (txt) {
      WriteOutput(state);
    } else {
      StoreName(state, key, true);
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
    std::string folder =
        FindExistingPath(state.TableArg.substr(0, state.TableArg.size() - pattern.size()));
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    if (!state.options.hide) view.Show();
    for (const std::string& name : ListTableFiles(folder, pattern)) {
      state.CurrentTable = (folder == "/" ? "" : folder) + "/" + name;
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
