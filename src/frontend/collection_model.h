#pragma once

#include <QObject>
#include <array>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "common/profile_internal.h"
#include "common/settings.h"
#include "frontend/collection.h"
#include "frontend/folder_watch.h"
#include "frontend/media.h"

// The collection and the selected table, shared by the desktop window and cabinet mode: both
// show what is here and call here to change it; neither keeps table data of its own.
class CollectionModel : public QObject {
  Q_OBJECT

 public:
  // `program_folder` (no trailing separator) holds the catalogue, aliases and play history.
  explicit CollectionModel(std::string program_folder, QObject* parent = nullptr);

  const std::string& program_folder() const { return program_folder_; }
  const FrontendSettings& settings() const { return settings_; }
  // Takes new settings; the collection is read again.
  void SetSettings(const FrontendSettings& settings);

  // Reads the table folder and the catalogue again. The selected table stays selected when its
  // file is still there, else the selection moves to the table now at its place (none for an
  // empty collection). Emits collectionChanged, then selectionChanged when the selection moved.
  void Reload();

  const std::vector<TableEntry>& entries() const { return entries_; }
  // True when a catalogue file (names.ini, info.ini, alias.ini, stats.ini) changed on disk since
  // entries() were read: by a rescan, an edit or another program.
  bool CatalogueChanged() const;
  // The index of the selected table in entries(), -1 when none is.
  int selected() const { return selected_; }
  // The selected table, nullptr when none is.
  const TableEntry* Selected() const;
  // Selects entries()[index] (-1 for none). Emits selectionChanged when it changes, or always
  // with `again` (a table read afresh).
  void Select(int index, bool again = false);
  // Selects the table with this file name (its own bytes); false when there is none.
  bool SelectFile(const std::string& file);
  // The index of the table with this file name, -1 when there is none.
  int IndexOf(const std::string& file) const;

  // The media of `role` for the selected table.
  const FoundMedia& Media(MediaRole role) { return MediaOf(selected_, role); }
  // The media of `role` for entries()[index] (none for an index out of range); each is looked
  // for once until the collection is read again.
  const FoundMedia& MediaOf(int index, MediaRole role);
  // The table's full path, by its own bytes.
  std::string PathOf(const TableEntry& entry) const;

  // Marks or unmarks the selected table as a favourite. False when stats.ini could not be
  // written (the mark is then unchanged).
  bool SetFavourite(bool favourite);
  // Reads the play history of the table `index` again (after a game).
  void RefreshStats(int index);

  // Follows the table folder from now on: tables added, removed or renamed show at once (the
  // selection stays where it was), and new ones are catalogued in the background. With
  // `listing`, the folder is listed every few seconds (as for a network share).
  void WatchFolder(bool listing = false);
  FolderWatch& folder_watch() { return *watch_; }
  BackgroundScan& background_scan() { return *scan_; }

 signals:
  void collectionChanged();
  void selectionChanged(int index);

 private:
  std::string program_folder_;
  FrontendSettings settings_;
  std::vector<TableEntry> entries_;
  std::array<profile_internal::FileStamp, 4> catalogue_stamps_;  // as entries_ were read
  int selected_ = -1;
  MediaFolders media_folders_;
  struct KnownMedia {
    std::array<FoundMedia, kMediaRoles.size()> media;
    std::array<bool, kMediaRoles.size()> found{};
  };
  std::unordered_map<int, KnownMedia> media_;  // by index in entries_
  std::unique_ptr<FolderWatch> watch_;
  std::unique_ptr<BackgroundScan> scan_;
};
