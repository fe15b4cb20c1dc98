#include "common/settings.h"

#include <cmath>
#include <cstdint>
#include <optional>
#include <string_view>

#include "common/codepage.h"
#include "common/paths.h"
#include "common/profile.h"

namespace {

// The text as a 16-bit integer the way the settings have always been converted: a decimal
// number, a fraction rounded half to even. Anything else (an empty text included), or a number
// outside 16 bits, is no number.
std::optional<int16_t> ToInt16(const std::string& text) {
  size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  const size_t digits_start = i;
  double value = 0;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
    value = value * 10 + (text[i++] - '0');
    if (value > 1e6) return std::nullopt;
  }
  size_t digits = i - digits_start;
  if (i < text.size() && text[i] == '.') {
    double scale = 0.1;
    for (++i; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, ++digits) {
      value += (text[i] - '0') * scale;
      scale /= 10;
    }
  }
  if (digits == 0 || i != text.size()) return std::nullopt;
  value = std::nearbyint(negative ? -value : value);  // the default rounding is half to even
  if (value < INT16_MIN || value > INT16_MAX) return std::nullopt;
  return static_cast<int16_t>(value);
}

}  // namespace

std::string SettingsFile(const std::string& program_folder) {
  return program_folder + "/orvane.ini";
}

void GetSettings(const std::string& program_folder, FrontendSettings& settings) {
  const std::string file = SettingsFile(program_folder);
  // A missing key takes its default; a present but empty art folder takes another one.
  const auto read = [&](const char* section, const char* key, const std::string& fallback) {
    return ProfileHasKey(section, key, file) ? ProfileRead(section, key, file) : fallback;
  };
  // A switch that is no number reads as its default; the read used to stop there and leave
  // every later setting unset.
  const auto read_switch = [&](const char* key, int16_t fallback) {
    return ToInt16(read("Settings", key, std::to_string(fallback))).value_or(fallback);
  };

  settings.FirstRun = read_switch("FirstRun", 0);
  settings.RescanOnStart = read_switch("RescanOnStart", 0);
  settings.ScanIfNotFound = read_switch("ScanIfNotFound", 1);
  settings.ShowCommandPrompt = read_switch("ShowCommandPrompt", 0);

  // Values keep their backslashes until the program-relative test has seen them.
  const std::string program = program_folder + "\\";
  std::string vp_path = read("Dirs", "VPPath", program);
  const std::string vp_exe = read("Dirs", "VPExe", "VPinball912.exe");
  const std::string table_path = read("Dirs", "TablePath", program + "tables\\");
  const std::string mame_path = read("Dirs", "MAMEPath", "c:\\mame\\");
  const std::string mame_exe = read("Dirs", "MAMEExe", "mame.exe");

  struct ArtFolder {
    std::string* value;
    const char* key;
    std::string when_missing;
    std::string when_empty;
  };
  const ArtFolder art_folders[] = {
      {&settings.SnapPath, "SnapPath", mame_path + "snap\\", mame_path + "snap\\"},
      {&settings.SnapPath2, "SnapPath2", vp_path + "snap\\", program + "snap\\"},
      {&settings.BackglassPath, "BackglassPath", mame_path + "marquees\\",
       mame_path + "marquees\\"},
      {&settings.BackglassPath2, "BackglassPath2", vp_path + "backglass\\",
       program + "backglass\\"},
      {&settings.CabPath, "CabPath", mame_path + "cabinets\\", mame_path + "cabinets\\"},
      {&settings.CabPath2, "CabPath2", vp_path + "cabinets\\", program + "cabinets\\"},
      {&settings.FlyerPath, "FlyerPath", mame_path + "flyers\\", mame_path + "flyers\\"},
      {&settings.FlyerPath2, "FlyerPath2", vp_path + "flyers\\", program + "flyers\\"},
      {&settings.BlurbPath, "BlurbPath", vp_path + "blurb\\", program + "blurb\\"},
      {&settings.DescPath, "DescPath", vp_path + "description\\", program + "description\\"},
      {&settings.RulesPath, "RulesPath", vp_path + "rules\\", program + "rules\\"},
  };
  for (const ArtFolder& folder : art_folders) {
    std::string value = read("Dirs", folder.key, folder.when_missing);
    if (value.empty()) value = folder.when_empty;
    if (value.front() == '\\') value = program_folder + value;
    *folder.value = BackslashesToSlashes(value);
  }

  // Media folders are off unless set; a set one ends with "/" whatever was typed.
  for (const auto& [value, key] : {std::pair{&settings.PlayfieldPath, "PlayfieldPath"},
                                   {&settings.WheelPath, "WheelPath"},
                                   {&settings.DMDPath, "DMDPath"},
                                   {&settings.TopperPath, "TopperPath"},
                                   {&settings.VideoPath, "VideoPath"}}) {
    *value = WithTrailingSlash(ResolveProgramRelative(read("Dirs", key, ""), program_folder));
  }

  // VPPath is only ever the folder that Visual Pinball starts in, and the runner takes a
  // leading "\" there as the program folder; here it would otherwise turn into the root.
  if (!vp_path.empty() && vp_path.front() == '\\') vp_path = program_folder + vp_path;
  settings.VPPath = BackslashesToSlashes(vp_path);
  settings.VPExe = BackslashesToSlashes(vp_exe);
  settings.TablePath = BackslashesToSlashes(table_path);
  settings.MAMEPath = BackslashesToSlashes(mame_path);
  settings.MAMEExe = BackslashesToSlashes(mame_exe);
}
