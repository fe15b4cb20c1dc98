#pragma once

#include "extractor/extractor_state.h"
#include "extractor/table_read.h"

// Takes the "TableInfo" fields of `read` (CurrentTable, read with ReadTable) into
// TableInfoFields, records the info.ini "Tabrin" entry and exports blurb, description, rules and
// the JPEG screenshot under ArtFolder (honouring -overwrite, -nodocs, -nopics): puts the files
// that `read` wrote ahead in place, or writes them from its file. A table already named in
// names.ini "VP" is not taken: its stored value fills the fields. Never fails loudly: bad files
// give empty fields.
void GetTableInfo(ExtractorState& state, TableRead& read);

// The same for CurrentTable, read here.
void GetTableInfo(ExtractorState& state);

// The plan that reads CurrentTable's `path` (as on disk) for the scan, with `stamp` for its
// file and the options of `state`: whole, its exports written ahead unless the table is
// catalogued.
TableReadPlan WholeTablePlan(const ExtractorState& state, const std::string& path,
                             const std::string& stamp = "");
