#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
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

// The table files as the catalogue in `program_folder` last saw them (info.ini [TableFile]): the
// table's key in lower case, and "SIZE|MTIME_NS".
std::unordered_map<std::string, std::string> CataloguedTableFiles(
    const std::string& program_folder);

// What a rescan renewed: the tables catalogued in both `before` and `after` with another file.
size_t RenewedTables(const std::unordered_map<std::string, std::string>& before,
                     const std::unordered_map<std::string, std::string>& after);

// "  (1 changed table renewed)", "  (N changed tables renewed)"; "" for none.
std::string RenewedText(size_t renewed);
