#include "frontend/window_place.h"

#include <algorithm>

#include "common/profile.h"
#include "common/settings.h"

std::optional<int> WindowValue(const std::string& program_folder, const char* key) {
  const std::string text = ProfileRead("Window", key, SettingsFile(program_folder));
  if (text.empty()) return std::nullopt;
  size_t used = 0;
  try {
    const int value = std::stoi(text, &used);
    if (used == text.size()) return value;
  } catch (const std::exception&) {
  }
  return std::nullopt;
}

std::optional<QRect> ReadWindowPlace(const std::string& program_folder) {
  const auto left = WindowValue(program_folder, "Left");
  const auto top = WindowValue(program_folder, "Top");
  const auto width = WindowValue(program_folder, "Width");
  const auto height = WindowValue(program_folder, "Height");
  if (!left || !top || !width || !height || *width < 200 || *height < 200) return std::nullopt;
  return QRect(*left, *top, *width, *height);
}

bool WindowWasMaximized(const std::string& program_folder) {
  return WindowValue(program_folder, "Maximized").value_or(0) == 1;
}

bool WriteWindowPlace(const std::string& program_folder, const QRect& place, bool maximized) {
  return ProfileWriteAll({{"Window", "Left", std::to_string(place.x())},
                          {"Window", "Top", std::to_string(place.y())},
                          {"Window", "Width", std::to_string(place.width())},
                          {"Window", "Height", std::to_string(place.height())},
                          {"Window", "Maximized", maximized ? "1" : "0"}},
                         SettingsFile(program_folder));
}

QRect PlaceOnScreens(const QRect& place, const std::vector<QRect>& screens, const QRect& primary) {
  const int wide = std::min(kGrabPixels, place.width());
  const int high = std::min(kGrabPixels, place.height());
  for (const QRect& screen : screens) {
    const QRect seen = place.intersected(screen);
    if (seen.width() >= wide && seen.height() >= high) return place;
  }
  return QRect(primary.topLeft(), place.size().boundedTo(primary.size()));
}
