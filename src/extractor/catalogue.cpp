#include "extractor/catalogue.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "common/codepage.h"
#include "common/paths.h"
#include "common/profile.h"
#include "common/text.h"
#include "extractor/messages.h"
#include "extractor/table_changes.h"

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

std::string Reason(int error) { return error == 0 ? "failed" : std::strerror(error); }

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
  std::vector<std::string> failed;
  errno = 0;
  const std::string names_ini = state.InProgramFolder(kNamesIni);
  if (!FlushProfileWrites({state.InProgramFolder(kInfoIni), names_ini}, &failed)) {
    const int error = errno;
    for (const std::string& file : failed) NoteNotWritten(state, "write", file, error);
  }
  state.catalogue_written = now;
  // The files of the tables that names.ini now holds; they are written with info.ini next time,
  // or at once at the end of a run.
  if (state.table_files_noted.empty()) return;
  if (std::find(failed.begin(), failed.end(), names_ini) != failed.end()) {
    state.table_files_noted.clear();
    return;
  }
  RecordNotedTableFiles(state);
  if (!only_when_due) WriteCatalogue(state);
}

std::string CatalogueField(std::string_view text) {
  std::string field;
  for (const char c : text) {
    if (c == '|') {
      field += "\u00A6";
    } else {
      field += c;
    }
  }
  return CutVisibly(field, kMaxTextChars);
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

void WriteOutput(ExtractorState& state) {
  const std::string path = PathForCreate(state.InProgramFolder(kOutputTxt));
  errno = 0;
  if (!WriteFileAtomically(path, Utf8ToCp1252(state.ResultName) + "\r\n")) {
    NoteNotWritten(state, "write", path, errno);
  }
}

void RemoveFile(ExtractorState& state, const std::string& path) {
  const std::string found = FindExistingPath(path);
  if (!found.empty() && ::unlink(found.c_str()) != 0) NoteNotWritten(state, "remove", found, errno);
}

void NoteNotWritten(ExtractorState& state, const char* verb, const std::string& path, int error) {
  const std::string line = "could not " + std::string(verb) + " " + ShownName(path) + ": ";
  for (const std::string& noted : state.not_written) {
    if (noted.starts_with(line)) return;
  }
  state.not_written.push_back(line + Reason(error));
}

void NoteExportNotWritten(ExtractorState& state, const std::string& path, int error) {
  if (state.exports_not_written++ == 0) {
    state.first_export_not_written = ShownName(path) + ": " + Reason(error);
  }
}
