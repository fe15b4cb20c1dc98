#pragma once

#include <string>
#include <string_view>

#include "extractor/extractor_state.h"

// File names of the catalogue and settings files in the program folder.
inline constexpr char kNamesIni[] = "names.ini";
inline constexpr char kInfoIni[] = "info.ini";
inline constexpr char kAliasIni[] = "alias.ini";
inline constexpr char kTabrinIni[] = "Tabrin.ini";
inline constexpr char kOutputTxt[] = "output.txt";

// Exact contents of a freshly created names.ini and info.ini.
inline constexpr char kNamesTemplate[] = "[VP]\r\n\r\n[PinMAME]\r\n";
inline constexpr char kInfoTemplate[] = "[Tabrin]\r\n\r\n[PMInfo]\r\n";

// Reads Tabrin.ini into the four settings of `state`.
void ReadSettings(ExtractorState& state);

// Returns the names.ini value of `key` in section "VP" (is_vp) or "PinMAME", replaced by its
// alias from alias.ini unless -noalias is set. "" when there is none.
std::string LookupName(const ExtractorState& state, const std::string& key, bool is_vp);

// Records ResultName under the catalogue key `key` unless an entry exists (then ResultName
// becomes the stored value, or its alias).
void StoreName(ExtractorState& state, const std::string& key, bool is_vp);

// Records `value` under `key` in `section` of the catalogue file `name` (kNamesIni, kInfoIni).
// Reads see it at once; the file gets it with the next WriteCatalogue.
void RecordEntry(const ExtractorState& state, const char* name, const std::string& section,
                 const std::string& key, const std::string& value);

// Writes what was recorded since the last write into the catalogue files, info.ini before
// names.ini: a table that names.ini knows is complete, and one it does not know is read again
// by the next run. With `only_when_due`, writes only when the last write is a second old. A file
// that cannot be written is noted.
void WriteCatalogue(ExtractorState& state, bool only_when_due = false);

// Returns `text` as one field of a "|"-joined catalogue value: each "|" written as "¦", so that
// no field shifts the ones after it, and cut visibly to kMaxTextChars characters.
std::string CatalogueField(std::string_view text);

// Sets ResultName to the base name derived from a table file name with its extension.
void MakeBaseName(ExtractorState& state, const std::string& file_name);

// Writes ResultName and CR LF to output.txt in the program folder, replacing it; notes a
// failure.
void WriteOutput(ExtractorState& state);

// Removes the file `path` names (in any case) when there is one; notes a failure.
void RemoveFile(ExtractorState& state, const std::string& path);

// Notes for the error output that `path` could not be written (`verb` "write") or removed
// ("remove") for errno's `error` (0 when unknown). Each path is noted once.
void NoteNotWritten(ExtractorState& state, const char* verb, const std::string& path, int error);

// Counts an export to `path` that could not be written for errno's `error`; the first is named.
void NoteExportNotWritten(ExtractorState& state, const std::string& path, int error);
