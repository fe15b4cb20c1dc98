#pragma once

#include <string>
#include <vector>

#include "extractor/extractor_state.h"

// What the command line holds.
struct CommandLine {
  bool empty = true;               // no arguments at all
  bool help = false;               // "-h" or "--help" was given
  std::vector<std::string> paths;  // table paths, folders and patterns as written, trimmed
  std::string unknown;             // the first word that is no option word ("" when none)
  ExtractorOptions options;
};

// Parses argv (without the program name). An argument that starts with "-" holds option words
// (any case, several may share one argument, split at spaces); every other argument is a path,
// and so is every argument after "--". Empty arguments count for nothing. -why and -report set
// -hide, which sets -exit.
CommandLine ParseCommandLine(const std::vector<std::string>& args);

// True when the run may show its window: no arguments at all, or work to do without -hide.
bool MayShowWindow(const CommandLine& line);

// Makes the command-line path `path` absolute. An absolute path stays; one that starts with "\"
// is in `program_folder`; any other relative path is taken from `current_folder` when what it
// names exists there (for a pattern: its folder), else from `program_folder`. Backslashes
// become "/" after these tests.
std::string MakeTableArgAbsolute(const std::string& path, const std::string& current_folder,
                                 const std::string& program_folder);

// True when the last name of `path` holds a wildcard ("*.*", "*.vpx", "at*.*").
bool IsPattern(const std::string& path);

// The folder that a table argument names: the path itself, or the folder of a pattern, as
// spelt on disk; "" when that is no folder.
std::string FolderOfArgument(const std::string& table_arg);

// Fills `paths` with the tables that the absolute `table_arg` names, spelt as on disk: the table
// file itself; the table files of a folder, or those of a pattern's folder that match it, in
// name order. Returns false when it names nothing (no ordinary file, no such folder) or a folder
// that cannot be read.
bool ListTablesOf(const std::string& table_arg, std::vector<std::string>& paths);
