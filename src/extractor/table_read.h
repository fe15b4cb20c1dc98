#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <semaphore>
#include <string>

#include "common/profile_internal.h"
#include "extractor/compound_file.h"
#include "extractor/script_reader.h"
#include "extractor/table_exports.h"
#include "extractor/table_script.h"

// One table file read into plain data (and its exports written ahead), on any thread, so that
// the catalogue work on it (on the scan's own thread, in the folder's order) waits for no disk.

// What to read of one table.
struct TableReadPlan {
  std::string path;        // the table, as on disk
  std::string stamp;       // its file's FileStampText when planned
  bool open = true;        // false: the catalogue knows the table, nothing is read
  bool exports = true;     // write the exports ahead
  bool overwrite = false;  // exports replace files that exist
  bool nodocs = false;     // no blurb, description or rules
  bool nopics = false;     // no screenshot
  std::string art_folder;  // ends with "/"
  // Bounds the scripts read (and held) at once by several reads, when given.
  std::counting_semaphore<>* script_slots = nullptr;
};

// An export written ahead of the scan's decision on it, which then only puts it in place.
struct PreparedExport {
  bool nothing = false;                                     // the table has nothing to export there
  std::string path;                                         // where `file` is to go
  std::unique_ptr<profile_internal::FileReplacement> file;  // null when not written ahead
};

// What ReadTable read of a table.
struct TableRead {
  std::string path;
  std::string stamp;
  bool opened = false;                 // the table was read (the plan asked for it)
  std::unique_ptr<CompoundFile> file;  // null when the table is no compound file
  CompoundFile::EntryId table_info = CompoundFile::kNone;
  std::array<std::string, 6> fields;  // the "TableInfo" texts, as catalogue fields
  std::array<PreparedExport, kExportKinds> exports;
  RomFinding finding;       // the ROM name that the table's script gives, or why it gives none
  std::string script_file;  // the file that script came from
};

// Reads what `plan` asks for: the information fields and the ROM name of the script whenever
// the table is opened; and writes the exports ahead (WriteExport) unless they are not wanted or
// their files are there and may not be replaced. The file stays open for anything else.
TableRead ReadTable(const TableReadPlan& plan);

// Finds the ROM name that `script`, read for a table, gives the controller.
RomFinding FindRomInTableScript(const TableScript& script);
