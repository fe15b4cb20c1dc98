#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "common/profile_internal.h"
#include "extractor/compound_file.h"

// The files exported from a table's "TableInfo" streams: blurb, description and rules as
// documents, the screenshot as a JPEG picture.

enum ExportKind : size_t { kBlurb, kDescription, kRules, kScreenshot, kExportKinds };
inline constexpr std::array<const char*, kExportKinds> kExportStreams = {
    "TableBlurb", "TableDescription", "TableRules", "Screenshot"};

// An exported document holds at most this much of its stream, then a last line that says it
// was cut: a table's rules of a gigabyte would otherwise be read whole at each selection.
inline constexpr std::uint64_t kMaxDocumentBytes = (std::uint64_t{1} << 20) - 512;

// The files that the exports of the table named `table_name` go to under `art_folder`: its
// name with the colons removed, in the export folders. All "" when that makes no safe file
// name: empty, "." or "..", a path separator or a control character, or too long.
std::array<std::string, kExportKinds> ExportTargets(const std::string& art_folder,
                                                    const std::string& table_name);

// How writing an export ended.
enum class ExportOutcome {
  kNothing,     // the stream is missing, empty or (a screenshot) no JPEG: there is no export
  kUnreadable,  // the stream could not be read: the table is damaged; nothing was written
  kNotWritten,  // the file could not be written (errno says why); nothing was left behind
  kWritten,     // `file` holds the export whole, synced, to be committed in place of `path`
};

// Writes the export `kind` of `table`, whose "TableInfo" storage is `table_info`, into a new
// file that replaces `path` (the exact name to create) once committed; the folders on the way
// are made. A document is cut to kMaxDocumentBytes. `file` receives it when written.
ExportOutcome WriteExport(CompoundFile& table, CompoundFile::EntryId table_info, ExportKind kind,
                          const std::string& path,
                          std::unique_ptr<profile_internal::FileReplacement>& file);
