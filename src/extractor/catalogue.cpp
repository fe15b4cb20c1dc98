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

std::string DropLastChars(const std::string& text, size_t count) {
  size_t end = text.size();
  while (count > 0 && end > 0) {
    --end;
    // Step over UTF-8 continuation bytes so a character is never split.
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    --count;
  }
  return text.substr(0, end);
}

void ReadSettings(ExtractorState& state) {
  const std::string file = state.InProgramFolder(kTabrinIni);
  state.MAMEFolder =
      ResolveProgramRelative(ProfileRead("MAME", "Path", file), state.program_folder);
  state.MAMEProgram = ProfileRead("MAME", "Exe", file);
  state.UsePinMAME = LeadingNumberAsInt16(ProfileRead("MAME", "IsPinMAME", file));
  const std::string art = ProfileRead("VP", "ArtPath", file);
  state.ArtFolder =
      art.empty() ? state.program_folder + "/" : ResolveProgramRelative(art, state.program_folder);
}

std::string LookupName(const ExtractorState& state, const std::string& key, bool is_vp) {
  std::string value = ProfileRead(SectionFor(is_vp), key, state.InProgramFolder(kNamesIni));
  if (!state.options.noalias && !value.empty()) {
    const std::string alias = ProfileRead("Alias", value, state.InProgramFolder(kAliasIni));
    if (!alias.empty()) value = alias;
  }
  return value;
}

void StoreName(ExtractorState& state, std::string& file_name, bool is_vp) {
  file_name = DropLastChars(file_name, 4);
  if (!state.options.overwrite) {
    const std::string stored = LookupName(state, file_name, is_vp);
    if (!stored.empty()) {
      state.ResultName = stored;
      return;
    }
  }
  if (state.hold_name_writes) {
    state.held_name_writes.push_back({SectionFor(is_vp), file_name, state.ResultName});
    return;
  }
  ProfileWrite(SectionFor(is_vp), file_name, state.ResultName, state.InProgramFolder(kNamesIni));
}

void WriteHeldNames(ExtractorState& state) {
  state.hold_name_writes = false;
  if (state.held_name_writes.empty()) return;
  ProfileWriteAll(state.held_name_writes, state.InProgramFolder(kNamesIni));
  state.held_name_writes.clear();
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
