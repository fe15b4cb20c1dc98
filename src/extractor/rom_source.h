#pragma once

#include <string>

#include "extractor/script_reader.h"

// Each text is at most this long, as much as one catalogue entry is read back.
inline constexpr size_t kMaxRomSourceText = 250;

// The two lines that say where a table's ROM name came from, or why it has none: what info.ini
// keeps, Orvane shows under the ROM name and `tabrin PATH -why` prints.
struct RomSource {
  // "found in FILE, line N: TEXT" with the line that gave the name, or "plain: REASON"; cut to
  // kMaxRomSourceText characters.
  std::string found;
  // "NAME -> ... -> "ROM", given to the controller on line N: TEXT" when the name was followed
  // through names; "" when the statement holds it. Cut the same way, the names first.
  std::string via;
};

// Describes `finding` for the script read from the file `script_file` (a path or a name; only
// its file name is shown).
RomSource DescribeRomFinding(const RomFinding& finding, const std::string& script_file);
