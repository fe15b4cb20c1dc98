#pragma once

#include <QRect>
#include <optional>
#include <string>
#include <vector>

// Where the window was left, kept in orvane.ini section [Window], and where it may go now.

// The whole-number value of `key` in orvane.ini section [Window], or nothing.
std::optional<int> WindowValue(const std::string& program_folder, const char* key);

// The window's place as orvane.ini section [Window] keeps it; nothing when it keeps none that
// fits on a screen of any size (a width and height of at least 200 pixels).
std::optional<QRect> ReadWindowPlace(const std::string& program_folder);
bool WindowWasMaximized(const std::string& program_folder);

// Keeps the window's place (its normal geometry) and whether it is maximized in [Window].
// Returns false when orvane.ini could not be written.
bool WriteWindowPlace(const std::string& program_folder, const QRect& place, bool maximized);

// Returns `place` when one of `screens` (their available areas) shows enough of it to be
// grabbed and moved (kGrabPixels of its width and of its height); else the same size on
// `primary`, at its top left corner and no larger than it, so that a window left on a screen
// since removed is not restored out of sight.
inline constexpr int kGrabPixels = 64;
QRect PlaceOnScreens(const QRect& place, const std::vector<QRect>& screens, const QRect& primary);
