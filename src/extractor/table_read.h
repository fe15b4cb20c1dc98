#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "extractor/compound_file.h"
#include "extractor/table_script.h"

// One table file read into plain data, on any thread, so that the catalogue work on it (on the
// scan's own thread, in the folder's order) waits for no disk.

// The exports of a table, in this order; their streams of "TableInfo".
enum ExportKind : size_t { kBlurb, kDescription, kRules, kScreenshot, kExportKinds };
inline constexpr std::array<const char*, kExportKinds> kExportStreams = {
    "TableBlurb", "TableDescription", "TableRules", "Screenshot"};

// An exported document holds at most this much of its stream, then a last line that says it
// was cut: a table's rules of a gigabyte would otherwise be read whole at each selection.
inline constexpr std::uint64_t kMaxDocumentBytes = (std::uint64_t{1} << 20) - 512;

// What to read of one table.
struct TableReadPlan {
  std::string path;        // the table, as on disk
  std::string stamp;       // its file's FileStampText when planned
  bool open = true;        // false: the catalogue knows the table, nothing is read
  bool exports = true;     // read what the exports need
  bool overwrite = false;  // exports replace files that exist
  bool nodocs = false;     // no blurb, description or rules
  bool nopics = false;     // no screenshot
  std::string art_folder;  // ends with "/"
};

// The part of an export's stream that the export needs, when it was read ahead.
struct HeldStream {
  bool held = false;       // `bytes` hold what the export needs: its whole stream, or a
                           // document's first kMaxDocumentBytes
  std::uint64_t size = 0;  // the stream's whole size
  std::string bytes;
};

struct TableRead {
  std::string path;
  std::string stamp;
  bool opened = false;                 // the table was read (the plan asked for it)
  std::unique_ptr<CompoundFile> file;  // null when the table is no compound file
  CompoundFile::EntryId table_info = CompoundFile::kNone;
  std::array<std::string, 6> fields;  // the "TableInfo" texts, as catalogue fields
  std::array<HeldStream, kExportKinds> exports;
  TableScript script;
};

// Reads what `plan` asks for: the information fields and the script whenever the table is
// opened; the exports' streams unless their files are there (and may not be replaced) or are
// not wanted, a screenshot only when it is small. The file stays open for what was not read.
TableRead ReadTable(const TableReadPlan& plan);

// The files that the exports of the table named `table_name` go to under `art_folder`: its
// name with the colons removed, in the export folders. All "" when that makes no safe file
// name: empty, "." or "..", a path separator or a control character, or too long.
std::array<std::string, kExportKinds> ExportTargets(const std::string& art_folder,
                                                    const std::string& table_name);
