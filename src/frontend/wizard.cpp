#include "frontend/wizard.h"

#include <QDir>
#include <QFileInfo>
#include <functional>
#include <utility>
#include <vector>

#include "common/paths.h"
#include "common/profile.h"
#include "common/text.h"
#include "frontend/notices.h"

namespace {

constexpr char kTitle[] = "First Run Wizard";

// The artwork folders, in the order they are asked and written, with the folder each has in
// the Visual Pinball folder when not set.
struct ArtRow {
  const char* folder_word;
  const char* label;
  const char* key;
  const char* local_word;
};
constexpr ArtRow kArtRows[] = {
    {"snap", "Snap Shot", "SnapPath", "snap"},
    {"marquees", "Back Glass", "BackglassPath", "backglass"},
    {"cabinets", "Cabinet", "CabPath", "cabinets"},
    {"flyers", "Flyer", "FlyerPath", "flyers"},
};

// The first program in `folder` whose name matches one of `patterns`, tried in their order (any
// case); "" when there is none. Only programs count: "mame*" must not offer mame.ini.
std::string FindProgram(const std::string& folder, std::initializer_list<const char*> patterns) {
  for (const char* pattern : patterns) {
    for (const std::string& name : ListFiles(folder, pattern)) {
      if (QFileInfo(QString::fromStdString(PathInFolder(WithoutTrailingSlashes(folder), name)))
              .isExecutable()) {
        return name;
      }
    }
  }
  return {};
}

// Thrown when the user leaves the wizard.
struct LeftWizard {};

class Wizard {
 public:
  Wizard(const std::string& program_folder, FrontendSettings& settings, Dialogs& dialogs,
         WizardHost& host)
      : program_folder_(program_folder),
        orvane_ini_(SettingsFile(program_folder)),
        tabrin_ini_(program_folder + "/tabrin.ini"),
        settings_(settings),
        dialogs_(dialogs),
        host_(host) {}

  // Returns false when the user left.
  bool Run();

 private:
  // Returns what is wrong with an answer, "" when nothing is.
  using Test = std::function<std::string(const std::string&)>;

  // Shows the input box until it returns an answer that is not empty and passes `test` (when
  // there is one); returns that answer trimmed. An answer that fails is refused with a message
  // saying why, and the box comes back holding it to be mended. Cancel offers to leave the
  // setup.
  std::string Ask(const std::string& prompt, const std::string& default_text,
                  const Test& test = nullptr) {
    std::string shown = default_text;
    for (;;) {
      const std::string answer = dialogs_.InputBox(prompt, kTitle, shown);
      if (answer.empty()) {
        if (YesTo("Leave the setup?  Nothing you answered is saved, and the program closes; the "
                  "setup starts again next time.")) {
          throw LeftWizard();
        }
        continue;
      }
      const std::string wrong = test ? test(answer) : std::string();
      if (wrong.empty()) return TrimSpaces(answer);
      dialogs_.MessageBox(wrong, MessageButtons::kOk, kTitle);
      shown = answer;
    }
  }

  // Keeps a write for the end, when every question is answered: a setup left halfway writes
  // nothing.
  void Write(const std::string& file, const char* section, const std::string& key,
             const std::string& value) {
    writes_.push_back({file, {section, key, value}});
  }

  // Makes the kept writes, each file in one rewrite; a file that cannot be written is told.
  void Commit() {
    for (const std::string& file : {orvane_ini_, tabrin_ini_}) {
      std::vector<ProfileEntry> entries;
      for (const auto& [target, entry] : writes_) {
        if (target == file) entries.push_back(entry);
      }
      if (!entries.empty() && !ProfileWriteAll(entries, file)) {
        dialogs_.MessageBox(FileNotWrittenText(file, "Your answers for it were"),
                            MessageButtons::kOk, kTitle);
      }
    }
    writes_.clear();
  }

  // A folder answer as the program uses it: the same rule as the extractor's MAME folder, so
  // the test, the value kept and both readers agree on where it points.
  std::string Folder(const std::string& answer) const {
    return ResolveProgramRelative(answer, program_folder_);
  }
  Test FolderTest() const {
    return [this](const std::string& answer) {
      const std::string folder = Folder(answer);
      return FindExistingPath(folder).empty()
                 ? "There is no folder \"" + folder + "\".  Type the path of an existing folder."
                 : std::string();
    };
  }
  static Test ProgramTest(const std::string& folder) {
    return [folder](const std::string& answer) {
      const std::string program = BackslashesToSlashes(TrimSpaces(answer));
      return OrdinaryFileExists(folder + program)
                 ? std::string()
                 : "There is no program \"" + program + "\" in the folder \"" + folder + "\".";
    };
  }

  bool YesTo(const std::string& text, const std::string& title = kTitle) {
    return dialogs_.MessageBox(text, MessageButtons::kYesNo, title) == MessageResult::kYes;
  }

  void AskVisualPinball();
  void AskMame();
  void AskArtwork();

  const std::string program_folder_;
  const std::string orvane_ini_;
  const std::string tabrin_ini_;
  FrontendSettings& settings_;
  Dialogs& dialogs_;
  WizardHost& host_;
  std::vector<std::pair<std::string, ProfileEntry>> writes_;  // file, entry
};

void Wizard::AskVisualPinball() {
  const std::string home = QDir::homePath().toStdString();
  settings_.VPPath =
      WithTrailingSlash(Folder(Ask("Type the Path to your Visual Pinball folder.  (Full path "
                                   "please, and end with a /)",
                                   home + "/Visual Pinball/", FolderTest())));
  Write(orvane_ini_, "Dirs", "VPPath", settings_.VPPath);
  // The extractor exports texts and screenshots where the front-end looks for them.
  Write(tabrin_ini_, "VP", "ArtPath", settings_.VPPath);

  // Visual Pinball X, when the folder holds it, is what the user most likely runs today.
  const std::string vpx = FindProgram(settings_.VPPath, {"VPinballX*"});
  settings_.VPExe = BackslashesToSlashes(
      Ask("Type the Name of your Visual Pinball exe or to your Visual Pinball wrapper.",
          vpx.empty() ? "VPinball912.exe" : vpx, ProgramTest(settings_.VPPath)));
  Write(orvane_ini_, "Dirs", "VPExe", settings_.VPExe);

  // The launch and the extractor's listing join this folder directly to file names.
  settings_.TablePath = WithTrailingSlash(Folder(Ask("Type the Path to your Visual Pinball tables.",
                                                     settings_.VPPath + "tables/", FolderTest())));
  host_.PointFile1At(settings_.TablePath);
  Write(orvane_ini_, "Dirs", "TablePath", settings_.TablePath);
}

void Wizard::AskMame() {
  if (!YesTo("This FE uses MAME (or PinMAME) to gather extended info about Tables.  This feature "
             "is optional but reccomened.  Would you like to setup MAME usage?")) {
    // orvane.ini keeps what it had: an empty emulator folder there would put the MAME art
    // folders in the current folder.
    Write(tabrin_ini_, "MAME", "Path", "");
    Write(tabrin_ini_, "MAME", "Exe", "");
    return;
  }
  const bool mame = YesTo(
      "Click Yes to use MAME (NOT PinMAME) to parse data.  MAME is reccomended because PinMAME "
      "currently won't let you get info for one game at a time.");
  Write(tabrin_ini_, "MAME", "IsPinMAME", mame ? "0" : "1");

  // With the separator added, the program question below can be answered at all.
  settings_.MAMEPath = WithTrailingSlash(
      Folder(Ask("Type the Path to your MAME folder.  (Full path please, and end with a /)",
                 "/usr/games/", FolderTest())));
  // Both programs use the emulator: Tabrin for game information, Orvane for its art folders.
  Write(tabrin_ini_, "MAME", "Path", settings_.MAMEPath);
  Write(orvane_ini_, "Dirs", "MAMEPath", settings_.MAMEPath);

  // The emulator found in the folder, the one chosen first.
  const std::string found =
      mame ? FindProgram(settings_.MAMEPath, {"mame", "mame*", "pinmame", "pinmame*"})
           : FindProgram(settings_.MAMEPath, {"pinmame", "pinmame*", "mame", "mame*"});
  settings_.MAMEExe =
      BackslashesToSlashes(Ask("Type the Name of your MAME exe.", found.empty() ? "mame" : found,
                               ProgramTest(settings_.MAMEPath)));
  Write(tabrin_ini_, "MAME", "Exe", settings_.MAMEExe);
  Write(orvane_ini_, "Dirs", "MAMEExe", settings_.MAMEExe);
}

void Wizard::AskArtwork() {
  // The one box without the wizard's title: it has always shown the program's name.
  if (!YesTo("Now to Setup the Artwork.  This FE normally checks your local artwork folders first "
             "and then your MAME artwork folders if nothing is found.  However, you can setup "
             "each path individually.  Would you like to setup your paths individually?",
             "")) {
    // The default folders, which follow the Visual Pinball and emulator folders: an empty value
    // would mean the program folder instead. A key set before is set to its default, the others
    // stay unset.
    for (const ArtRow& row : kArtRows) {
      const std::string local_key = std::string(row.key) + "2";
      if (ProfileHasKey("Dirs", row.key, orvane_ini_)) {
        Write(orvane_ini_, "Dirs", row.key, settings_.MAMEPath + row.folder_word + "/");
      }
      if (ProfileHasKey("Dirs", local_key, orvane_ini_)) {
        Write(orvane_ini_, "Dirs", local_key, settings_.VPPath + row.local_word + "/");
      }
    }
    return;
  }
  for (const ArtRow& row : kArtRows) {
    const std::string answer =
        Ask(std::string("Type the Path to your MAME ") + row.label + " folder.",
            settings_.MAMEPath + row.folder_word + "/");
    Write(orvane_ini_, "Dirs", row.key, answer);
  }
  // Written as typed: the settings read takes a leading "\" as the program folder.
  for (const ArtRow& row : kArtRows) {
    const std::string answer =
        Ask(std::string("Type the Path to your Local ") + row.label + " folder.",
            std::string("\\") + row.folder_word + "\\");
    Write(orvane_ini_, "Dirs", std::string(row.key) + "2", answer);
  }
}

bool Wizard::Run() {
  dialogs_.MessageBox(
      "It looks like this the the first time you've launched this program.  I'm going to ask you "
      "some questions to set things up.",
      MessageButtons::kOk, kTitle);
  AskVisualPinball();
  AskMame();
  AskArtwork();

  Write(orvane_ini_, "Settings", "RescanOnStart", "0");
  Write(orvane_ini_, "Settings", "ScanIfNotFound", "1");
  const bool show_prompt = YesTo(
      "For Debugging Purposes you can have the command line window visible when you rescan "
      "for roms.  Would you like to turn on the command line?");
  Write(orvane_ini_, "Settings", "ShowCommandPrompt", show_prompt ? "1" : "0");
  // Cleared before the scan, so a scan that never returns does not bring the wizard back; the
  // scan needs the extractor's settings on disk.
  Write(orvane_ini_, "Settings", "FirstRun", "0");
  Commit();

  if (dialogs_.MessageBox("We will now parse your tables for rom name.  It could take a while.  "
                          "Click cancel if you'd rather do it later.",
                          MessageButtons::kOkCancel, kTitle) == MessageResult::kOk) {
    host_.Rescan();
  }
  dialogs_.MessageBox(
      "Setup Complete!  Note that any of these settings can be found and changed manually in "
      "the orvane.ini.",
      MessageButtons::kOk, kTitle);
  return true;
}

}  // namespace

bool NeedsFirstRun(const std::string& program_folder, const FrontendSettings& settings) {
  return settings.FirstRun == 1 || FindExistingPath(SettingsFile(program_folder)).empty();
}

bool FirstRun(const std::string& program_folder, FrontendSettings& settings, Dialogs& dialogs,
              WizardHost& host) {
  try {
    return Wizard(program_folder, settings, dialogs, host).Run();
  } catch (const LeftWizard&) {
    return false;
  }
}
