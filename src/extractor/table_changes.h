#pragma once

#include <string>

#include "extractor/extractor_state.h"
#include "extractor/table_read.h"

// Tables replaced by a newer version under the same name: each table's file is recorded in
// info.ini [TableFile] (common/catalogue_sections.h), and a scan renews a table whose file
// changed since, as -overwrite would renew it alone.

// Returns "SIZE|MTIME_NS" for the ordinary file `path`: its size in bytes and its modification
// time in nanoseconds since 1970. "" when there is no such file.
std::string FileStampText(const std::string& path);

// True when the table `key` was catalogued from a file that `stamp` (FileStampText) does not
// describe. A table catalogued without a record of its file, or a file that cannot be stated,
// is no change.
bool TableChanged(const ExtractorState& state, const std::string& key, const std::string& stamp);

// Notes `stamp` as the file of the table `key`; WriteCatalogue records it once names.ini holds
// the table's entries. An empty stamp, or one recorded already, is not noted.
void NoteTableFile(ExtractorState& state, const std::string& key, const std::string& stamp);

// Records the noted files in info.ini [TableFile] (written with the next WriteCatalogue).
void RecordNotedTableFiles(ExtractorState& state);

// What a scan must read of the table `path` (any case) as the catalogue stands: nothing when
// it is catalogued and unchanged (unless -overwrite), else its fields and script, and its
// exports when it is new, changed or -overwrite is set.
TableReadPlan PlanTableRead(const ExtractorState& state, const std::string& path);
