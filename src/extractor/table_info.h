#pragma once

#include <gsf/gsf-infile.h>

#include "extractor/extractor_state.h"

// Reads the "TableInfo" streams of CurrentTable, whose compound file is `table` (null when it
// is none), into TableInfoFields, records the info.ini "Tabrin" entry and exports blurb,
// description, rules and the JPEG screenshot under ArtFolder (honouring -overwrite, -nodocs,
// -nopics). A table already named in names.ini "VP" is not read: its stored value fills the
// fields. Never fails loudly: bad files give empty fields.
void GetTableInfo(ExtractorState& state, GsfInfile* table);

// The same for CurrentTable, opened here.
void GetTableInfo(ExtractorState& state);
