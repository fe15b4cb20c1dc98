#pragma once

#include <string>

#include "extractor/compound_file.h"
#include "extractor/extractor_state.h"

// Sets ResultName for CurrentTable: the catalogued ROM name (or its alias), else the ROM name
// that the table's script gives the PinMAME controller, else "nf". Runs GetTableInfo for a table
// not yet catalogued (on the scan's read of it, when there is one) and GetMAMEInfo when a ROM
// name is known. Leaves ResultName unchanged when the file is gone.
void FindRomName(ExtractorState& state);

// Reads the script that runs for the table `path` (as on disk), whose compound file `table` is
// null when it is none, and finds the ROM name it gives the controller. `script_file` receives
// the file the script came from.
RomFinding FindRomInTable(const std::string& path, CompoundFile* table, std::string& script_file);

// Records in info.ini where the simulator finds the ROM file of the PinMAME table CurrentTable,
// catalogued under `key` ([RomFile]), and, for a clone, its parent's ([ParentRomFile]).
void RecordRomFiles(ExtractorState& state, const std::string& key);
