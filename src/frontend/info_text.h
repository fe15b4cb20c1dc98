#pragma once

#include <string>

#include "frontend/settings.h"
#include "frontend/window_state.h"

// Returns the value of key `r_name` in section `r_key` of program_folder/info.ini (note the
// order: key first, then section), at most 254 characters, trimmed of spaces.
std::string ReadInfoIni(const std::string& program_folder, const std::string& r_name,
                        const std::string& r_key);

// Returns the content of the file `t_path` decoded as UTF-16LE (a byte-order mark stays a
// character, an odd last byte is dropped); "" when it cannot be read.
std::string GetTextFile(const std::string& t_path);

// Builds the information text of the table `vp_name` (the selected File1 entry) from the
// catalogue in `program_folder` and the text files, and updates the per-table variables of
// `state` as the selection handler does. Returns the text for lblInfo (lines joined by CR LF).
std::string GetInfoText(const std::string& vp_name, const std::string& program_folder,
                        const FrontendSettings& settings, WindowState& state);
