#pragma once

#include "extractor/extractor_state.h"

// Reads the "TableInfo" streams of CurrentTable into TableInfoFields, writes the info.ini
// "Tabrin" entry and exports blurb, description, rules and the JPEG screenshot under ArtFolder
// (honouring -overwrite, -nodocs, -nopics). A table already named in names.ini "VP" is not
// opened: its stored value fills the fields. Never fails loudly: bad files give empty fields.
void GetTableInfo(ExtractorState& state);
