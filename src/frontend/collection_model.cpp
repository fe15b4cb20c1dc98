#include "frontend/collection_model.h"

#include <utility>

#include "common/paths.h"
#include "frontend/play_stats.h"

CollectionModel::CollectionModel(std::string program_folder, QObject* parent)
    : QObject(parent),
      program_folder_(std::move(program_folder)),
      watch_(std::make_unique<FolderWatch>()),
      scan_(std::make_unique<BackgroundScan>(program_folder_)) {
  connect(watch_.get(), &FolderWatch::changed, this, [this] {
    Reload();
    std::vector<std::string> new_tables;
    for (const TableEntry& entry : entries_) {
      if (!entry.catalogued) new_tables.push_back(PathOf(entry));
    }
    if (!new_tables.empty()) scan_->Add(new_tables);
  });
  connect(scan_.get(), &BackgroundScan::scanned, this, [this] { Reload(); });
}

void CollectionModel::WatchFolder(bool listing) {
  watch_->Watch(WithoutTrailingSlashes(settings_.TablePath), listing);
}

void CollectionModel::SetSettings(const FrontendSettings& settings) {
  settings_ = settings;
  if (!watch_->folder().empty()) WatchFolder(watch_->polling());
  Reload();
}

namespace {

// The stamps of the catalogue files that the collection is read from; a missing file has the
// empty stamp.
std::array<profile_internal::FileStamp, 4> CatalogueStamps(const std::string& program_folder) {
  std::array<profile_internal::FileStamp, 4> stamps;
  const char* const files[] = {"names.ini", "info.ini", "alias.ini", kStatsIni};
  for (size_t i = 0; i < stamps.size(); ++i) {
    if (!profile_internal::StatFile(program_folder + "/" + files[i], stamps[i])) stamps[i] = {};
  }
  return stamps;
}

}  // namespace

bool CollectionModel::CatalogueChanged() const {
  return CatalogueStamps(program_folder_) != catalogue_stamps_;
}

void CollectionModel::Reload() {
  const std::string selected_file = selected_ >= 0 ? entries_[selected_].file : std::string();
  const int old_index = selected_;
  // Taken before the reading: a file written meanwhile shows as changed next time.
  catalogue_stamps_ = CatalogueStamps(program_folder_);
  entries_ = LoadCollection(program_folder_, settings_);
  media_folders_.Forget();
  int index = IndexOf(selected_file);
  if (index < 0 && !entries_.empty() && old_index >= 0) {
    index = std::min(old_index, static_cast<int>(entries_.size()) - 1);
  }
  selected_ = index;
  media_.clear();
  emit collectionChanged();
  if (index != old_index || index < 0 || entries_[index].file != selected_file) {
    emit selectionChanged(selected_);
  }
}

const TableEntry* CollectionModel::Selected() const {
  return selected_ >= 0 ? &entries_[static_cast<size_t>(selected_)] : nullptr;
}

void CollectionModel::Select(int index, bool again) {
  if (index < -1 || index >= static_cast<int>(entries_.size())) index = -1;
  if (index == selected_ && !again) return;
  selected_ = index;
  emit selectionChanged(selected_);
}

bool CollectionModel::SelectFile(const std::string& file) {
  const int index = IndexOf(file);
  if (index < 0) return false;
  Select(index);
  return true;
}

int CollectionModel::IndexOf(const std::string& file) const {
  if (file.empty()) return -1;
  for (size_t i = 0; i < entries_.size(); ++i) {
    if (entries_[i].file == file) return static_cast<int>(i);
  }
  return -1;
}

std::string CollectionModel::PathOf(const TableEntry& entry) const {
  return WithTrailingSlash(settings_.TablePath) + entry.file;
}

const FoundMedia& CollectionModel::MediaOf(int index, MediaRole role) {
  static const FoundMedia none;
  if (index < 0 || index >= static_cast<int>(entries_.size())) return none;
  const auto at = static_cast<size_t>(role);
  KnownMedia& known = media_[index];
  if (!known.found[at]) {
    const TableEntry& entry = entries_[static_cast<size_t>(index)];
    const MediaSubject subject{PathOf(entry), entry.vp_only ? "" : entry.rom, entry.alias,
                               entry.parent, entry.base_name};
    known.media[at] = FindMedia(role, settings_, subject, media_folders_);
    known.found[at] = true;
  }
  return known.media[at];
}

bool CollectionModel::SetFavourite(bool favourite) {
  if (selected_ < 0) return false;
  TableEntry& entry = entries_[static_cast<size_t>(selected_)];
  ::SetFavourite(program_folder_, entry.key, favourite);
  ShareWithDetailsFile(program_folder_, PathOf(entry), entry.key);
  entry.favourite = ReadPlayStats(program_folder_, entry.key).favourite;
  return entry.favourite == favourite;
}

void CollectionModel::RefreshStats(int index) {
  if (index < 0 || index >= static_cast<int>(entries_.size())) return;
  TableEntry& entry = entries_[static_cast<size_t>(index)];
  const PlayStats stats = ReadPlayStats(program_folder_, entry.key);
  entry.favourite = stats.favourite;
  entry.plays = stats.plays;
  entry.last_played = stats.last_played;
  entry.seconds_played = stats.seconds_played;
}
