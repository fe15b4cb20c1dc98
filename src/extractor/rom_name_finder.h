#pragma once

#include <string>
#include <string_view>

#include "extractor/extractor_state.h"

class ByteSource;
class FileSource;

// Finds the ROM name that the script in `file_bytes` (a whole table file, Windows-1252, one
// character per byte) assigns to ".GameName". Returns it in lower case (UTF-8), or "nf".
std::string ScanForRomName(std::string_view file_bytes);

// The same scan over a file streamed through `source`.
std::string ScanForRomName(ByteSource& source);

// The same scan over a table file, read once from its start in pieces of `piece_size` bytes up
// to the statement (or to the end when there is none): the assignments passed on the way are
// kept, so that following a name to its literal reads no byte twice that it need not.
std::string ScanForRomName(FileSource& source, size_t piece_size = size_t{1} << 20);

// Sets ResultName for CurrentTable: the catalogued ROM name (or its alias), else the ROM name
// scanned from the file, else "nf". Runs GetTableInfo for a table not yet catalogued and
// GetMAMEInfo when a ROM name is known. Leaves ResultName unchanged when the file is gone.
void FindRomName(ExtractorState& state);
