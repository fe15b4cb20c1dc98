#pragma once

#include <cstdint>
#include <string>

// The extractor's program name, in the program folder.
inline constexpr char kExtractorProgram[] = "tabrin";

// The extractor's arguments for a rescan of `folder` (as the file list reports it, without a
// trailing separator): the quoted folder pattern, then " -exit", and " -hide" unless
// `show_command_prompt` is exactly 1.
std::string RescanArguments(const std::string& folder, int16_t show_command_prompt);

// The message for a table folder that does not exist.
std::string TableFolderMissingText(const std::string& table_path);
