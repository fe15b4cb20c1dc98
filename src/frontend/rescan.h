#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "frontend/browser.h"

// The extractor's arguments for a rescan of `folder` (as the file list reports it, without a
// trailing separator): the quoted folder pattern, then " -exit", and " -hide" unless
// `show_command_prompt` is exactly 1.
std::string RescanArguments(const std::string& folder, int16_t show_command_prompt);

// The message for a table folder that does not exist.
std::string TableFolderMissingText(const std::string& table_path);

// The caption that shows a rescan's progress: how many of the table files `tables` (File1's
// entries) names.ini in `program_folder` knows by now.
std::string RescanProgressText(const std::string& program_folder,
                               const std::vector<std::string>& tables);
