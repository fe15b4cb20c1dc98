#pragma once

#include <array>
#include <string>
#include <vector>

#include "frontend/layout.h"
#include "frontend/settings.h"
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

// Returns the first candidate that names an existing ordinary file, or "".
std::string FindArtwork(ArtKind kind, const FrontendSettings& settings, const WindowState& state);

// Returns the geometry of imgArt for a picture of `picture_width` by `picture_height` twips in
// a frame of `frame_width` by `frame_height` twips. A picture with no size leaves `current`.
TwipsRect SizeImage(float picture_width, float picture_height, float frame_width,
                    float frame_height, const TwipsRect& current);
