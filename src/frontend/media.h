#pragma once

#include <array>
#include <string>
#include <unordered_map>

#include "common/settings.h"

// Which picture or video each screen of a cabinet shows for a table: plain functions over the
// settings and the table's names, so that they are tested without a window.

// The screens of a cabinet and the other media a table may have.
enum class MediaRole { kPlayfield, kBackglass, kDMD, kFullDMD, kTopper, kWheel, kGameHelp };

inline constexpr std::array<MediaRole, 7> kMediaRoles = {
    MediaRole::kPlayfield, MediaRole::kBackglass, MediaRole::kDMD,     MediaRole::kFullDMD,
    MediaRole::kTopper,    MediaRole::kWheel,     MediaRole::kGameHelp};

// The role's word as media files are named: "(Playfield) NAME.png".
const char* MediaRoleName(MediaRole role);

// Picture and video file extensions, in the order they are looked for.
inline constexpr std::array<const char*, 4> kPictureExtensions = {".png", ".jpg", ".jpeg", ".gif"};
inline constexpr std::array<const char*, 3> kVideoExtensions = {".mp4", ".webm", ".mkv"};

// What media files are named after.
struct MediaSubject {
  std::string table_path;  // the table file, by its own bytes
  std::string rom;         // the ROM name, "" for a plain table
  std::string alias;       // the ROM's alias, "" when it has none
  std::string parent;      // the parent ROM, "" when none
  std::string base_name;   // the table's name as the catalogue gives it
};

// The media of one role for one table; each path spelt as on disk, "" when there is none.
struct FoundMedia {
  std::string picture;
  std::string video;
  std::string backglass_file;  // NAME.directb2s beside the table (the backglass role only)
};

// Folder listings read once each and kept, so that a search for thousands of tables lists every
// folder once. Names match without regard to ASCII case, the first in byte order winning, as
// everywhere else. Forget() after the folders may have changed.
class MediaFolders {
 public:
  // The entry of `folder` (ending with "/", or "" for none) named `name` in any case, as a path
  // spelt as on disk; "" when there is none or it is no ordinary file.
  std::string Find(const std::string& folder, const std::string& name);
  void Forget() { folders_.clear(); }

 private:
  struct Listing {
    std::string on_disk;  // the folder as on disk, with "/"; "" when it does not exist
    std::unordered_map<std::string, std::string> by_lower_case;
  };
  const Listing& ListingOf(const std::string& folder);
  std::unordered_map<std::string, Listing> folders_;
};

// Finds the media of `role` for `subject`, in this order, the picture and the video each from
// the first place that has one: the front-end's art folders (snapshots for the playfield,
// backglasses for the backglass; pictures only, named as the artwork display names them), the
// folder "medias/" beside the table ("(Role) NAME.ext", NAME the table file's name without its
// extension), the whole-collection folder of the role (PlayfieldPath, WheelPath, DMDPath for the
// DMD and full DMD, TopperPath; "NAME.ext", then the alias or ROM, the parent, the table name),
// then VideoPath for videos ("(Role) NAME.ext", and "NAME.ext" for the playfield). The backglass
// role also names the table's NAME.directb2s.
FoundMedia FindMedia(MediaRole role, const FrontendSettings& settings, const MediaSubject& subject,
                     MediaFolders& folders);
