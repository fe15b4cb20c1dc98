#pragma once

#include <string>

// The picture inside a table's backglass file (NAME.directb2s), decoded once and kept as a PNG
// in the program folder's cache/backglass/, so that showing it costs a picture's read, not the
// decoding of megabytes of text. Renewed when the backglass file changes.

// The backglass file beside the table `table_path` (NAME.directb2s, any case), as on disk; ""
// when there is none.
std::string BackglassFileOf(const std::string& table_path);

// The PNG of the picture in the backglass file `b2s_path`, made or renewed when needed in
// program_folder/cache/backglass/; "" when the file holds no picture of a known format, or the
// cache cannot be written (the picture is then not shown rather than decoded every time).
std::string BackglassPicture(const std::string& program_folder, const std::string& b2s_path);
