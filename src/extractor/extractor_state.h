#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/process_runner.h"
#include "common/rom_files.h"
#include "extractor/script_reader.h"
#include "extractor/table_read.h"

// The option words of the command line.
struct ExtractorOptions {
  bool txt = false;        // single table: result to output.txt instead of names.ini
  bool clear = false;      // delete names.ini, info.ini and the listing cache first
  bool hide = false;       // never show the window; implies exit
  bool exit = false;       // end when the work is done
  bool overwrite = false;  // replace catalogue entries that exist
  bool noalias = false;    // LookupName does not apply aliases
  bool nopics = false;     // no screenshot export
  bool nodocs = false;     // no document export
  bool norename = false;   // accepted, no effect
  bool why = false;        // print where each table's ROM name comes from; write nothing
  bool report = false;     // print the collection check of the folder; write nothing
  bool operator==(const ExtractorOptions&) const = default;
};

// Everything one extractor run shares between its procedures.
struct ExtractorState {
  std::string program_folder;  // folder of the catalogue files, without a trailing separator

  std::string TableArg;      // table path or folder from the command line, absolute
  std::string CurrentTable;  // full path of the table being processed
  std::string ResultName;    // ROM name ("nf" when none), then base name
  ExtractorOptions options;

  // Settings from Tabrin.ini. Folders end with "/" when set, as names are appended directly.
  std::string MAMEFolder;
  std::string MAMEProgram;
  int16_t UsePinMAME = 0;
  std::string ArtFolder;

  // Table name, author, version, release date, e-mail, website of the current table.
  std::array<std::string, 6> TableInfoFields;
  // True once the table file reader has filled TableInfoFields for the current table.
  bool table_info_read = false;
  // Where the current table's ROM name came from, and the script that gave it ("" when the
  // catalogue did and the script was not read).
  RomFinding rom_finding;
  std::string script_file;
  // CurrentTable as a scan read it ahead, for FindRomName to take; null when it was not.
  std::unique_ptr<TableRead> prefetched;

  // Tables whose file changed since they were catalogued, renewed in this run.
  size_t tables_renewed = 0;
  // The info.ini "TableFile" values of tables recorded since the last write of the catalogue, as
  // key and value in the order of the tables: they are recorded once names.ini holds their
  // entries, so that a run killed before leaves a changed table to be renewed by the next.
  std::vector<std::pair<std::string, std::string>> table_files_noted;

  // Where the simulator looks for ROM files apart from the table's folder, read at first need.
  std::optional<PinMameDefaults> pinmame_defaults;

  // Where a failed wait for the emulator is reported: the window's message box, else standard
  // error.
  WaitFailureReporter report_wait_failure;

  // What could not be written, for the error output at the end: one line per file ("could not
  // write FILE: REASON"), each file once; and the exports that could not be, counted, with the
  // first of them ("FILE: REASON").
  std::vector<std::string> not_written;
  size_t exports_not_written = 0;
  std::string first_export_not_written;

  // The catalogue is written at most once a second; this is when it was written last.
  std::chrono::steady_clock::time_point catalogue_written = std::chrono::steady_clock::now();

  // Returns program_folder + "/" + name: the path of a file beside the program.
  std::string InProgramFolder(const std::string& name) const { return program_folder + "/" + name; }
};
