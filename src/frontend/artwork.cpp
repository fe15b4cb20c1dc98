#include "frontend/artwork.h"

#include <algorithm>
#include <filesystem>
#include <optional>

#include "common/collection_check.h"
#include "common/paths.h"
#include "frontend/bitmap.h"

namespace {

struct ArtFolders {
  const std::string& local;
  const std::string& mame;
};

ArtFolders FoldersOf(ArtKind kind, const FrontendSettings& settings) {
  switch (kind) {
    case ArtKind::kSnapShot:
      return {settings.SnapPath2, settings.SnapPath};
    case ArtKind::kBackglass:
      return {settings.BackglassPath2, settings.BackglassPath};
    case ArtKind::kCabinet:
      return {settings.CabPath2, settings.CabPath};
    case ArtKind::kFlyer:
      break;
  }
  return {settings.FlyerPath2, settings.FlyerPath};
}

// The path variable of `kind`, for a mutable or a read-only state.
template <typename State>
auto& ArtFileIn(ArtKind kind, State& state) {
  switch (kind) {
    case ArtKind::kSnapShot:
      return state.SnapFile;
    case ArtKind::kBackglass:
      return state.BackglassFile;
    case ArtKind::kCabinet:
      return state.CabFile;
    case ArtKind::kFlyer:
      break;
  }
  return state.FlyerFile;
}

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c; }

bool EqualsIgnoringCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return AsciiLower(x) == AsciiLower(y);
         });
}

// Reads `folder` once and returns, for each of `names`, the entry that equals it ignoring ASCII
// case, the first in byte order, or "".
std::vector<std::string> MatchIgnoringCase(const std::string& folder,
                                           const std::vector<std::string>& names) {
  std::vector<std::string> matches(names.size());
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
    const std::string entry_name = entry.path().filename().string();
    for (size_t i = 0; i < names.size(); ++i) {
      if (EqualsIgnoringCase(entry_name, names[i]) &&
          (matches[i].empty() || entry_name < matches[i])) {
        matches[i] = entry_name;
      }
    }
  }
  return matches;
}

bool IsOrdinaryFile(const std::filesystem::path& path) {
  const std::string name = path.filename().string();
  std::error_code error;
  return !name.empty() && name.front() != '.' && std::filesystem::is_regular_file(path, error);
}

// Returns the first of `candidates` (all of them `folder` + a file name) that names an existing
// ordinary file, spelt as on disk, or "". Same answer as OrdinaryFileExists one by one, but a
// large MAME folder is read at most once instead of once per name that is not spelt exactly.
std::string FindFirstInFolder(const std::string& folder,
                              const std::vector<std::string>& candidates) {
  const bool one_folder = folder.size() > 1 && folder.back() == '/' &&
                          std::all_of(candidates.begin(), candidates.end(), [&](const auto& path) {
                            return path.find('/', folder.size()) == std::string::npos;
                          });
  if (!one_folder) {
    for (const std::string& candidate : candidates) {
      if (OrdinaryFileExists(candidate)) return FindExistingPath(candidate);
    }
    return {};
  }
  const std::string on_disk = FindExistingPath(folder.substr(0, folder.size() - 1));
  if (on_disk.empty()) return {};

  // For each candidate, its first case-insensitive match in byte order; filled on the first
  // name whose exact spelling is missing.
  std::vector<std::string> names;
  for (const std::string& candidate : candidates) names.push_back(candidate.substr(folder.size()));
  std::optional<std::vector<std::string>> matches;
  for (size_t i = 0; i < names.size(); ++i) {
    const std::filesystem::path exact = std::filesystem::path(on_disk) / names[i];
    std::error_code error;
    if (std::filesystem::exists(std::filesystem::symlink_status(exact, error))) {
      if (IsOrdinaryFile(exact)) return exact.string();
      continue;  // present but not a file: no other spelling is tried
    }
    if (!matches) matches = MatchIgnoringCase(on_disk, names);
    if ((*matches)[i].empty()) continue;
    const std::filesystem::path variant = std::filesystem::path(on_disk) / (*matches)[i];
    if (IsOrdinaryFile(variant)) return variant.string();
  }
  return {};
}

}  // namespace

std::string ArtCaption(ArtKind kind) {
  switch (kind) {
    case ArtKind::kSnapShot:
      return "  Showing:  SnapShot";
    case ArtKind::kBackglass:
      return "  Showing:  Backglass";
    case ArtKind::kCabinet:
      return "  Showing:  Cabinet";
    case ArtKind::kFlyer:
      break;
  }
  return "  Showing:  Flyer";
}

std::string& ArtFile(ArtKind kind, WindowState& state) { return ArtFileIn(kind, state); }

const std::string& ArtFile(ArtKind kind, const WindowState& state) {
  return ArtFileIn(kind, state);
}

std::vector<std::string> ArtCandidates(ArtKind kind, const FrontendSettings& settings,
                                       const WindowState& state) {
  const ArtFolders folders = FoldersOf(kind, settings);
  const std::array<std::string, 3> names =
      ArtStems(state.RomName, state.RomAlias, state.PMParent, state.BaseName);
  std::vector<std::string> candidates;
  candidates.reserve(12);
  for (const std::string* folder : {&folders.local, &folders.mame}) {
    for (const std::string& name : names) {
      for (const char* extension : kArtExtensions) candidates.push_back(*folder + name + extension);
    }
  }
  return candidates;
}

std::string FindArtwork(ArtKind kind, const FrontendSettings& settings, const WindowState& state) {
  const std::vector<std::string> candidates = ArtCandidates(kind, settings, state);
  const ArtFolders folders = FoldersOf(kind, settings);
  const size_t per_folder = candidates.size() / 2;
  size_t first = 0;
  for (const std::string* folder : {&folders.local, &folders.mame}) {
    const std::vector<std::string> in_folder(candidates.begin() + first,
                                             candidates.begin() + first + per_folder);
    first += per_folder;
    const std::string found = FindFirstInFolder(*folder, in_folder);
    if (!found.empty()) return found;
  }
  return {};
}

std::array<QPixmap, 4> LoadArtwork(const FrontendSettings& settings, WindowState& state) {
  std::array<QPixmap, 4> pictures;
  cBitmap loader;
  for (ArtKind kind : kArtKinds) {
    std::string& file = ArtFile(kind, state);
    file = FindArtwork(kind, settings, state);
    // Also for an empty path, so the holder is cleared; the status is of no interest here.
    loader.LoadFromFile(QString::fromStdString(file));
    pictures[ArtIndex(kind)] = loader.Picture();
  }
  return pictures;
}

TwipsRect SizeImage(float picture_width, float picture_height, float frame_width,
                    float frame_height, const TwipsRect& current) {
  // A holder without a picture may report no size; there is nothing to fit then.
  if (!(picture_width > 0.0f && picture_height > 0.0f)) return current;
  TwipsRect art = current;
  if (picture_width > picture_height) {
    const float ratio = picture_height / picture_width;
    art.Width = frame_width - 400.0f;
    art.Height = (frame_width - 400.0f) * ratio;
    art.Left = 200.0f;
    art.Top = (frame_height - 400.0f - art.Height) / 2.0f;
  } else {
    const float ratio = picture_width / picture_height;
    art.Height = frame_height - 800.0f;
    art.Width = (frame_height - 800.0f) * ratio;
    art.Top = 400.0f;
    art.Left = (frame_width - 200.0f - art.Width) / 2.0f;
  }
  return art;
}

TwipsRect FitPicture(const QPixmap& picture, const TwipsRect& frame, const TwipsRect& current) {
  if (picture.isNull()) return current;
  const QSizeF size = picture.deviceIndependentSize();
  return SizeImage(static_cast<float>(size.width()) * kTwipsPerPixel,
                   static_cast<float>(size.height()) * kTwipsPerPixel, frame.Width, frame.Height,
                   current);
}
