#pragma once

#include <string>

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

// Cuts the last four characters off `file_name` (leaving the catalogue key) and records
// ResultName under it unless an entry exists (then ResultName becomes the stored value).
void StoreName(ExtractorState& state, std::string& file_name, bool is_vp);

// Makes the names.ini writes that StoreName held back, in one rewrite of the file, and stops
// holding them back.
void WriteHeldNames(ExtractorState& state);

// Sets ResultName to the base name derived from a table file name with its extension.
void MakeBaseName(ExtractorState& state, const std::string& file_name);

// Writes ResultName and CR LF to output.txt in the program folder, replacing it.
void WriteOutput(const ExtractorState& state);

// Returns `text` with the last `count` characters (UTF-8 code points) removed.
std::string DropLastChars(const std::string& text, size_t count);
