#include "frontend/media.h"

#include <dirent.h>
#include <sys/stat.h>

#include <vector>

#include "common/collection_check.h"
#include "common/paths.h"
#include "common/text.h"

namespace {

// The table file's name without its extension, and its folder with "/".
std::string StemOf(const std::string& table_path) {
  const std::string name = FileNameOf(table_path);
  const size_t dot = name.rfind('.');
  return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

std::string FolderOfTable(const std::string& table_path) {
  const size_t slash = table_path.rfind('/');
  return slash == std::string::npos ? std::string("./") : table_path.substr(0, slash + 1);
}

// The whole-collection folder of `role`, "" when it has none.
const std::string& RoleFolder(MediaRole role, const FrontendSettings& settings) {
  static const std::string none;
  switch (role) {
    case MediaRole::kPlayfield:
      return settings.PlayfieldPath;
    case MediaRole::kWheel:
      return settings.WheelPath;
    case MediaRole::kDMD:
    case MediaRole::kFullDMD:
      return settings.DMDPath;
    case MediaRole::kTopper:
      return settings.TopperPath;
    case MediaRole::kBackglass:
    case MediaRole::kGameHelp:
      break;
  }
  return none;
}

// Looks for `name` + each extension of `extensions` in `folder`; the first found wins.
template <size_t N>
std::string FirstOf(MediaFolders& folders, const std::string& folder, const std::string& name,
                    const std::array<const char*, N>& extensions) {
  if (folder.empty() || name.empty()) return {};
  for (const char* extension : extensions) {
    std::string found = folders.Find(folder, name + extension);
    if (!found.empty()) return found;
  }
  return {};
}

}  // namespace

const char* MediaRoleName(MediaRole role) {
  switch (role) {
    case MediaRole::kPlayfield:
      return "Playfield";
    case MediaRole::kBackglass:
      return "Backglass";
    case MediaRole::kDMD:
      return "DMD";
    case MediaRole::kFullDMD:
      return "FullDMD";
    case MediaRole::kTopper:
      return "Topper";
    case MediaRole::kWheel:
      return "Wheel";
    case MediaRole::kGameHelp:
      break;
  }
  return "GameHelp";
}

const MediaFolders::Listing& MediaFolders::ListingOf(const std::string& folder) {
  const auto known = folders_.find(folder);
  if (known != folders_.end()) return known->second;
  Listing& listing = folders_[folder];
  const std::string found = FindExistingPath(WithoutTrailingSlashes(folder));
  struct stat info;
  if (found.empty() || ::stat(found.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return listing;
  DIR* dir = ::opendir(found.c_str());
  if (dir == nullptr) return listing;
  listing.on_disk = WithTrailingSlash(found);
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name.empty() || name.front() == '.') continue;  // hidden files are no media
    auto [at, added] = listing.by_lower_case.try_emplace(AsciiLowerCopy(name), name);
    if (!added && name < at->second) at->second = name;
  }
  ::closedir(dir);
  return listing;
}

std::string MediaFolders::Find(const std::string& folder, const std::string& name) {
  const Listing& listing = ListingOf(folder);
  const auto found = listing.by_lower_case.find(AsciiLowerCopy(name));
  if (found == listing.by_lower_case.end()) return {};
  const std::string path = listing.on_disk + found->second;
  struct stat info;
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) ? path : std::string();
}

FoundMedia FindMedia(MediaRole role, const FrontendSettings& settings, const MediaSubject& subject,
                     MediaFolders& folders) {
  FoundMedia media;
  const auto take_picture = [&media](std::string found) {
    if (media.picture.empty()) media.picture = std::move(found);
  };
  const auto take_video = [&media](std::string found) {
    if (media.video.empty()) media.video = std::move(found);
  };
  const std::string stem = StemOf(subject.table_path);
  const std::array<std::string, 3> art_stems =
      ArtStems(subject.rom, subject.alias, subject.parent, subject.base_name);

  // The artwork the desktop window shows.
  if (role == MediaRole::kPlayfield || role == MediaRole::kBackglass) {
    const bool playfield = role == MediaRole::kPlayfield;
    for (const std::string* folder : {playfield ? &settings.SnapPath2 : &settings.BackglassPath2,
                                      playfield ? &settings.SnapPath : &settings.BackglassPath}) {
      for (const std::string& name : art_stems) {
        for (const char* extension : kArtExtensions) {
          if (media.picture.empty() && !name.empty()) {
            take_picture(folders.Find(*folder, name + extension));
          }
        }
      }
    }
  }

  // The table's own media folder.
  const std::string medias = FolderOfTable(subject.table_path) + "medias/";
  const std::string own = std::string("(") + MediaRoleName(role) + ") " + stem;
  take_picture(FirstOf(folders, medias, own, kPictureExtensions));
  take_video(FirstOf(folders, medias, own, kVideoExtensions));

  // The collection's folder of the role.
  const std::string& role_folder = RoleFolder(role, settings);
  for (const std::string& name : {stem, art_stems[0], art_stems[1], art_stems[2]}) {
    take_picture(FirstOf(folders, role_folder, name, kPictureExtensions));
    take_video(FirstOf(folders, role_folder, name, kVideoExtensions));
  }
  take_video(FirstOf(folders, settings.VideoPath, own, kVideoExtensions));
  if (role == MediaRole::kPlayfield) {
    take_video(FirstOf(folders, settings.VideoPath, stem, kVideoExtensions));
  }

  if (role == MediaRole::kBackglass) {
    media.backglass_file = folders.Find(FolderOfTable(subject.table_path), stem + ".directb2s");
  }
  return media;
}
