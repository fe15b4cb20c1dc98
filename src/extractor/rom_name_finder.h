#pragma once

#include "extractor/extractor_state.h"

// Sets ResultName for CurrentTable: the catalogued ROM name (or its alias), else the ROM name
// that the table's script gives the PinMAME controller, else "nf". Runs GetTableInfo for a table
// not yet catalogued and GetMAMEInfo when a ROM name is known. Leaves ResultName unchanged when
// the file is gone.
void FindRomName(ExtractorState& state);
