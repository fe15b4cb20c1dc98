#pragma once

#include <QPixmap>
#include <array>
#include <string>
#include <vector>

#include "common/settings.h"
#include "frontend/layout.h"
#include "frontend/window_state.h"

// The four kinds of artwork, numbered as ShowState numbers them.
enum class ArtKind { kSnapShot = 1, kBackglass = 2, kCabinet = 3, kFlyer = 4 };

inline constexpr std::array<ArtKind, 4> kArtKinds = {ArtKind::kSnapShot, ArtKind::kBackglass,
                                                     ArtKind::kCabinet, ArtKind::kFlyer};

// Returns the caption of FraData while `kind` is shown ("  Showing:  SnapShot", ...).
std::string ArtCaption(ArtKind kind);

// Returns the candidate paths for `kind`, in search order: local folder then MAME folder; the
// alias (or ROM name), the parent, the base name without colons; ".png" then ".jpg".
std::vector<std::string> ArtCandidates(ArtKind kind, const FrontendSettings& settings,
                                       const WindowState& state);

// Returns the first candidate that names an existing ordinary file (names match without regard
// to case; the path comes back spelt as on disk), or "".
std::string FindArtwork(ArtKind kind, const FrontendSettings& settings, const WindowState& state);

// Returns the geometry of imgArt for a picture of `picture_width` by `picture_height` twips in
// a frame of `frame_width` by `frame_height` twips. A picture with no size leaves `current`.
TwipsRect SizeImage(float picture_width, float picture_height, float frame_width,
                    float frame_height, const TwipsRect& current);

// Returns 0 to 3 for the snapshot, backglass, cabinet and flyer, to index per-kind arrays.
inline constexpr size_t ArtIndex(ArtKind kind) { return static_cast<size_t>(kind) - 1; }

// Returns the path variable of `kind` in `state` (SnapFile, BackglassFile, CabFile, FlyerFile).
std::string& ArtFile(ArtKind kind, WindowState& state);
const std::string& ArtFile(ArtKind kind, const WindowState& state);

// The search and load of a selection: sets the four path variables with FindArtwork and decodes
// each found file once through one cBitmap. Returns the pictures for the holders, indexed by
// ArtIndex; a null pixmap for a kind without a file or with a file that does not decode.
std::array<QPixmap, 4> LoadArtwork(const FrontendSettings& settings, WindowState& state);

// SizeImage for a held picture (its device-independent size at 15 twips per pixel) in the frame
// `frame`. A null picture leaves `current`.
TwipsRect FitPicture(const QPixmap& picture, const TwipsRect& frame, const TwipsRect& current);
