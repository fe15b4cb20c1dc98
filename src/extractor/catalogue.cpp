#include "extractor/catalogue.h"

#include <cmath>
#include <cstdlib>

#include "common/codepage.h"
#include "common/paths.h"
#include "common/profile.h"
#include "common/text.h"

namespace {

// The number at the start of `text` (0 when there is none), rounded half to even into 16 bits;
// values beyond the range are clamped rather than failing the whole settings read.
int16_t LeadingNumberAsInt16(const std::string& text) {
  size_t i = text.find_first_not_of(" \t");
  if (i == std::string::npos) return 0;
  std::string number;
  if (text[i] == '+' || text[i] == '-') number += text[i++];
  while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) number += text[i++];
  if (i < text.size() && text[i] == '.') {
    number += text[i++];
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
      number += text[i++];
    }
  }
  const double value = std::strtod(number.c_str(), nullptr);
  if (!std::isfinite(value)) return 0;
  const double rounded = std::nearbyint(value);  // the default mode rounds halves to even
  if (rounded > 32767) return 32767;
  if (rounded < -32768) return -32768;
  return static_cast<int16_t>(rounded);
}

const char* SectionFor(bool is_vp) { return is_vp ? "VP" : "PinMAME"; }

}  // namespace

void ReadSettings(ExtractorState& state) {
  const std::string file = state.InProgramFolder(kTabrinIni);
  // File names are joined to the folders directly; people write "/usr/games" as often as
  // "/usr/games/".
  const auto folder = [&state](const std::string& value) {
    return WithTrailingSlash(ResolveProgramRelative(value, state.program_folder));
  };
  state.MAMEFolder = folder(ProfileRead("MAME", "Path", file));
  state.MAMEProgram = ProfileRead("MAME", "Exe", file);
  state.UsePinMAME = LeadingNumberAsInt16(ProfileRead("MAME", "IsPinMAME", file));
  const std::string art = ProfileRead("VP", "ArtPath", file);
  state.ArtFolder = art.empty() ? state.program_folder + "/" : folder(art);
}

std::string LookupName(const ExtractorState& state, const std::string& key, bool is_vp) {
  std::string value = ProfileRead(SectionFor(is_vp), key, state.InProgramFolder(kNamesIni));
  if (!state.options.noalias && !value.empty()) {
    const std::string alias = ProfileRead("Alias", value, state.InProgramFolder(kAliasIni));
    if (!alias.empty()) value = alias;
  }
  return value;
}

void StoreName(ExtractorState& state, const std::string& key, bool is_vp) {
  if (!state.options.overwrite) {
    const std::string stored = LookupName(state, key, is_vp);
    if (!stored.empty()) {
      state.ResultName = stored;
      return;
    }
  }
  RecordEntry(state, kNamesIni, SectionFor(is_vp), key, state.ResultName);
}

void RecordEntry(const ExtractorState& state, const char* name, const std::string& section,
                 const std::string& key, const std::string& value) {
  ProfileWriteLater({{section, key, value}}, state.InProgramFolder(name));
}

void WriteCatalogue(ExtractorState& state, bool only_when_due) {
  const auto now = std::chrono::steady_clock::now();
  if (only_when_due && now - state.catalogue_written < std::chrono::seconds(1)) return;
  FlushProfileWrites({state.InProgramFolder(kInfoIni), state.InProgramFolder(kNamesIni)});
  state.catalogue_written = now;
}

void MakeBaseName(ExtractorState& state, const std::string& file_name) {
  std::string name = DropLastChars(file_name, 4);
  for (const char* separator : {"(", "[", ".", "VP91x", "VP9"}) {
    const std::string before = name.substr(0, name.find(separator));
    if (!TrimSpaces(before).empty()) name = before;
  }
  for (char& c : name) {
    if (c == '_') c = ' ';
  }
  name = TrimSpaces(name);
  // A file named only ".vpt" leaves nothing; its whole name keeps the entry usable.
  state.ResultName = name.empty() ? file_name : name;
}

void WriteOutput(const ExtractorState& state) {
  WriteFileAtomically(PathForCreate(state.InProgramFolder(kOutputTxt)),
                      Utf8ToCp1252(state.ResultName) + "\r\n");
}
