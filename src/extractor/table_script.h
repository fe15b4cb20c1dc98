#pragma once

#include <string>

#include "extractor/compound_file.h"

// The script that runs for a table: the sidecar NAME.vbs beside it when there is one, else the
// script stored in the table's "CODE" record of "GameStg/GameData", else (an old .vpt file that
// is no compound file, or one that holds no readable record) the file's own bytes, as older
// tables were read. A .vpx file that is no compound file has none: the simulator cannot open it.
struct TableScript {
  std::string bytes;  // Windows-1252 text, at most kMaxScriptBytes
  std::string file;   // the file it came from, as on disk
  bool sidecar = false;
  // Why the table has no script to read, when it has none: "not a readable table file", or
  // "the sidecar script NAME.vbs could not be read" (it exists, but is no file that can be read).
  std::string why_none;
};

// Scripts are a few hundred KB; a hostile table must not make the extractor hold gigabytes.
inline constexpr size_t kMaxScriptBytes = size_t{16} << 20;

// Reads the script of the table `path` (as on disk), whose compound file `table` is null when it
// is none. Never fails: a table without any readable script gives empty bytes and the reason.
TableScript ReadTableScript(const std::string& path, CompoundFile* table);

// Reads the "CODE" record of the table's "GameStg/GameData" stream into `script`: records of a
// four-byte little-endian length and a four-byte tag, the CODE tag followed by its own length
// and the text. Returns false when there is none that can be read whole.
bool ReadCodeRecord(CompoundFile* table, std::string& script);
