#pragma once

#include <QListWidget>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "common/process_runner.h"
#include "common/settings.h"
#include "frontend/browser.h"
#include "frontend/collection_model.h"
#include "frontend/dialogs.h"
#include "frontend/info_text.h"
#include "frontend/layout.h"
#include "frontend/play_stats.h"
#include "frontend/table_list.h"
#include "frontend/window_state.h"

class FrmCheck;
class QGroupBox;
class QKeyEvent;
class QLineEdit;
class QScrollArea;
class QLabel;
class QPlainTextEdit;
class QPushButton;

// The front-end's one window: the table list on the left, the display buttons and the data
// frame on the right. Controls carry their names as members and as object names. The
// window only shows data and forwards actions; the logic is in settings, layout and browser.
class Form1 : public QWidget {
 public:
  // `program_folder` (no trailing separator) holds orvane.ini, the catalogue and tabrin;
  // `dialogs` asks the user and must outlive the window.
  Form1(std::string program_folder, Dialogs& dialogs, QWidget* parent = nullptr);

  // Start-up: settings, wizard, launcher mode, table list, first selection, focus and the window's
  // place as it was left; a start-up rescan is queued to run once the window shows. Call once,
  // before the window is first shown.
  // Returns false when the user left the first-run wizard: the program then ends.
  bool Form_Load();
  // Lays the controls out for the window's current outer size. Runs on every resize.
  void Form_Resize();
  // Reads orvane.ini into settings().
  void GetSettings();

  // Reads the catalogue identity of the File1 entry `vp_name`, scanning it when asked to.
  // Returns false when another table was selected while the scan ran.
  bool ReadIni(const std::string& vp_name);
  // The selection handlers of the two lists and the view button.
  void File1_Click();
  void List1_Click();
  void cmdList_Click();
  // Keys pressed in the lists, as virtual key codes; `shift` is ignored.
  void File1_KeyDown(int16_t key_code, int16_t shift);
  void List1_KeyDown(int16_t key_code, int16_t shift);
  void cmdLaunch_Click();

  // Narrows both lists to the tables whose file name (without its extension) or shown name
  // holds the filter's text, without regard to case and accents; a leading "*" keeps only the
  // favourites. The row shown and played is always a visible one.
  // Without `select`, only hides and shows rows.
  void ApplyFilter(bool select = true);
  // Esc: empties the filter, keeping the table selected (or, when the filter hid every table,
  // the one selected before) in sight, and gives the keys to the list.
  void ClearFilter();
  // F2: marks or unmarks the selected table as a favourite. Unmarked in the favourites' view,
  // it stays there until the selection moves on.
  void ToggleFavourite();
  // F3: the next sort order of the file view, which the name views follow.
  void CycleSortOrder();
  // F4: checks the collection and shows what needs attention.
  void cmdCheck_Click();
  // F6: every setting of orvane.ini; what is saved takes effect at once.
  void cmdSettings_Click();
  // Selects the table `file_name` in the view shown, clearing a filter that hides it.
  void JumpToTable(const std::string& file_name);

  // Filled in by the wizard, the rescan, the information panel and the artwork display.
  // FirstRun returns false when the user left the wizard.
  virtual bool FirstRun();
  virtual void cmdRescan_Click();
  virtual void cmdPRescan_Click();
  virtual void GetInfo();
  virtual void LoadPictures();
  // Shows the settings window; true when the user saved.
  virtual bool EditSettings();

  // Starts `program` in `folder` and returns when it has ended, answering events meanwhile; a
  // failed wait is reported in a message box. Says whether it started and how it ended.
  RunOutcome RunAndWaitHere(std::string& folder, const std::string& program,
                            const std::string& arguments, double style);
  // Tells the user that `file` could not be written, once until a write of it succeeds again,
  // and what `lost` was lost; a `written` file is noted as writable again.
  void NoteWrite(bool written, const std::string& file, const std::string& lost);
  // Notes how a run of tabrin ended: one that could not write the catalogue is told, `once`
  // until a run writes it again.
  void NoteCatalogueWrite(const RunOutcome& outcome, bool once = true);
  // Gives the focus to List1 when it is shown, else to File1.
  void FocusList();
  // Selects `row` of File1 or List1 so that its click handler runs once, also when the row was
  // selected already.
  void SelectRow(QListWidget* list, int row);
  // Sets the caption of cmdRescan and repaints it at once.
  void SetRescanCaption(const char* caption);
  // Applies the twips geometry of layout() to every control.
  void PlaceControls();
  // Puts the window where orvane.ini says it was last, and writes there where it is now.
  void RestoreWindowPlace();
  void SaveWindowPlace();

  const std::string& program_folder() const { return program_folder_; }
  FrontendSettings& settings() { return settings_; }
  WindowState& state() { return state_; }
  CollectionModel& model() { return model_; }
  MainLayout& layout() { return layout_; }

  FileListBox* File1;
  TableList* List1;
  QPushButton* cmdRescan;
  QPushButton* cmdPRescan;
  QPushButton* cmdList;
  QPushButton* cmdLaunch;
  QPushButton* cmdInfo;
  QPushButton* cmdSnapShot;
  QPushButton* cmdGlass;
  QPushButton* cmdCab;
  QPushButton* cmdFlyer;
  QPushButton* cmdRules;
  QPushButton* cmdDesc;
  QPushButton* cmdEditInfo;
  QPushButton* cmdDelInfo;
  QGroupBox* FraData;
  QLabel* lblInfo;
  QScrollArea* lblInfoScroll;  // lets a long information text be read whole
  QPlainTextEdit* txtRules;
  QLabel* imgArt;
  QLabel* PicSnap;
  QLabel* PicMarquee;
  QLabel* picCabinet;
  QLabel* PicFlyer;
  QLineEdit* txtFilter;
  QPushButton* cmdSort;
  QPushButton* cmdFavourite;
  QPushButton* cmdCheck;
  QPushButton* cmdSettings;
  FrmCheck* frmCheck = nullptr;  // made when first needed

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void CreateControls();
  void Launch();
  // Fills the name list for the view: one entry per file, in the view's order.
  void FillNameList();
  // Puts the name list's entries in the view's order again, with their names as they are.
  void ArrangeNameList();
  // Re-reads the table folder, keeping the selected table selected when it is still there.
  void RereadFolder();
  // Selects the table of File1's `row` in the list shown; when there is none, or the filter
  // hides it, the first table shown; when no table is shown, says so in the frame.
  void SelectFileRow(int row);
  // Selects the row of List1 that stands for File1's `row` while the name list is shown,
  // without running its handler: the highlighted row is always the table shown and launched.
  void FollowInNameList(int row);
  // Shows the favourite mark in both lists and, for the selected table, on cmdFavourite.
  void MarkFavourites();
  void ShowFavouriteButton();
  // Shows `note` in the frame above the selected table's information.
  void ShowNote(const std::string& note);
  // Shows the progress of a rescan in the frame's caption while the extractor runs.
  void ShowRescanProgress();
  // The keys of the filter field: the arrows move in the list, Enter plays, Esc clears, the
  // function keys act as in the lists. Returns true when the key was taken.
  bool FilterKey(QKeyEvent* key);
  // Fills List1 with `entries` (in the file list's order), put in the view's order, linked to
  // File1 and marked.
  void SetNameRows(std::vector<NameEntry>& entries);
  // The list of the view shown: List1 in a name view, else File1.
  QListWidget* ShownList() const;
  // Lists the folder again in the current sort order, keeping the name list's entries and the
  // selection.
  void Resort();
  // Records one play of `file_name`, started at `started`, of `seconds`.
  void RecordPlayOf(const std::string& file_name, const std::string& started, long long seconds);
  // True when the file set of File1 differs from `before` (sorted).
  bool FilesChanged(std::vector<std::string> before) const;

  std::string program_folder_;
  Dialogs& dialogs_;
  int selection_serial_ = 0;  // raised by every selection, so a superseded one gives way
  bool launching_ = false;    // a game is running: further launches are ignored
  bool ctrl_alone_ = false;   // Ctrl is down and no other key came since
  // A table unmarked in the favourites' view, shown there until the selection moves on.
  std::string kept_favourite_;
  // The table selected before the filter hid every table, to come back to.
  std::string hidden_selection_;
  // Files whose failed write was told, until a write of them succeeds.
  std::unordered_set<std::string> unwritten_;
  SortOrder sort_order_ = SortOrder::kByName;
  FrontendSettings settings_;
  WindowState state_;
  MainLayout layout_;
  // The collection both faces share: the selected table, and the table folder followed while the
  // window is open.
  CollectionModel model_;
  // Takes what the folder watch found: tables added or gone, or catalogued in the background.
  void CollectionChanged();

  // The information panel and the artwork display (main_window_display.cpp).
 public:
  // Show the information text, the rules or the description in FraData.
  void cmdInfo_Click();
  void cmdRules_Click();
  void cmdDesc_Click();
  // Opens the shown rules or description file, when there is one.
  void txtRules_Click();
  // Ask for, or delete, the alias of the selected table and select it again; nothing for a
  // table without a ROM name.
  void cmdEditInfo_Click();
  void cmdDelInfo_Click();
  // Writes RomAlias under RomName into alias.ini; a failed write is told.
  void WriteAlias();
  // Show the snapshot, backglass, cabinet or flyer fitted into FraData.
  void cmdSnapShot_Click();
  void cmdGlass_Click();
  void cmdCab_Click();
  void cmdFlyer_Click();
  // Opens the shown picture's file, when there is one.
  void imgArt_Click();
  // Fits imgArt to the picture of the holder `t_pic` inside FraData and shows it; with no
  // picture in the holder, imgArt shows none and stays where it was.
  void SizeImage(QLabel* t_pic);

 protected:
  // Opens `path` in the system's viewer without waiting for it.
  virtual void OpenFileExternally(const std::string& path);

 private:
  // Connects the display buttons and the clicks on txtRules and imgArt. Called once, by the
  // constructor.
  void ConnectDisplay();
  // Runs each handler on its button's click and gives the list the keys again afterwards, so
  // the arrows keep browsing tables.
  void ConnectButtons(std::initializer_list<std::pair<QPushButton*, void (Form1::*)()>> buttons);
  // The frame switching for ShowState -1, -2, -3, and for 1 to 4.
  void ShowText(int16_t show_state);
  void ShowArt(int16_t show_state);
  // Fits what the frame shows to the frame's size again, after a resize.
  void RefitFrame();

  // The text folders as read at the start of the name view being filled; empty otherwise.
  std::optional<TextFolderCache> text_folders_;
};
