#include "frontend/wizard.h"

#include <QDir>
#include <functional>
#include <utility>
#include <vector>

#include "common/paths.h"
#include "common/profile.h"
#include "common/text.h"

namespace {

constexpr char kTitle[] = "First Run Wizard";

// The artwork folders, in the order they are asked and written.
struct ArtRow {
  const char* folder_word;
  const char* label;
  const char* key;
};
constexpr ArtRow kArtRows[] = {
    {"snap", "Snap Shot", "SnapPath"},
    {"marquees", "Back Glass", "BackglassPath"},
    {"cabinets", "Cabinet", "CabPath"},
    {"flyers", "Flyer", "FlyerPath"},
};

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
  using Test = std::function<bool(const std::string&)>;

  // Shows the input box until it returns an answer that is not empty and passes `test` (when
  // there is one); returns that answer trimmed. Cancel offers to leave the setup.
  std::string Ask(const std::string& prompt, const std::string& default_text,
                  const Test& test = nullptr) {
    std::string answer;
    while (answer.empty()) {
      answer = dialogs_.InputBox(prompt, kTitle, default_text);
      if (answer.empty() && YesTo("Leave the setup?  Nothing you answered is saved, and the "
                                  "program closes; the setup starts again next time.")) {
        throw LeftWizard();
      }
      if (!answer.empty() && test && !test(answer)) answer.clear();
    }
    return TrimSpaces(answer);
  }

  // Keeps a write for the end, when every question is answered: a setup left halfway writes
  // nothing.
  void Write(const std::string& file, const char* section, const std::string& key,
             const std::string& value) {
    writes_.push_back({file, {section, key, value}});
  }

  // Makes the kept writes, each file in one rewrite.
  void Commit() {
    for (const std::string& file : {orvane_ini_, tabrin_ini_}) {
      std::vector<ProfileEntry> entries;
      for (const auto& [target, entry] : writes_) {
        if (target == file) entries.push_back(entry);
      }
      if (!entries.empty()) ProfileWriteAll(entries, file);
    }
    writes_.clear();
  }

  // A folder answer as the program uses it: the same rule as the extractor's MAME folder, so
  // the test, the value kept and both readers agree on where it points.
  std::string Folder(const std::string& answer) const {
    return ResolveProgramRelative(answer, program_folder_);
  }
  Test FolderTest() const {
    return [this](const std::string& answer) { return !FindExistingPath(Folder(answer)).empty(); };
  }
  static Test ProgramTest(const std::string& folder) {
    return [folder](const std::string& answer) {
      return OrdinaryFileExists(folder + BackslashesToSlashes(answer));
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
  const std::vector<std::string> vpx = ListFiles(settings_.VPPath, "VPinballX*");
  settings_.VPExe = BackslashesToSlashes(
      Ask("Type the Name of your Visual Pinball exe or to your Visual Pinball wrapper.",
          vpx.empty() ? "VPinball912.exe" : vpx.front(), ProgramTest(settings_.VPPath)));
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
  Write(tabrin_ini_, "MAME", "Path", settings_.MAMEPath);

  settings_.MAMEExe = BackslashesToSlashes(
      Ask("Type the Name of your MAME exe.", "mame.exe", ProgramTest(settings_.MAMEPath)));
  Write(tabrin_ini_, "MAME", "Exe", settings_.MAMEExe);
}

void Wizard::AskArtwork() {
  // The one box without the wizard's title: it has always shown the program's name.
  if (!YesTo("Now to Setup the Artwork.  This FE normally checks your local artwork folders first "
             "and then your MAME artwork folders if nothing is found.  However, you can setup "
             "each path individually.  Would you like to setup your paths individually?",
             "")) {
    for (const ArtRow& row : kArtRows) {
      Write(orvane_ini_, "Dirs", row.key, "");
      Write(orvane_ini_, "Dirs", std::string(row.key) + "2", "");
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

bool FirstRun(const std::string& program_folder, FrontendSettings& settings, Dialogs& dialogs,
              WizardHost& host) {
  try {
    return Wizard(program_folder, settings, dialogs, host).Run();
  } catch (const LeftWizard&) {
    return false;
  }
}
