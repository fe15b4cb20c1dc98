#pragma once

#include <string>
#include <vector>

#include "extractor/extractor_state.h"

// What the command line holds.
struct CommandLine {
  bool empty = true;      // no arguments at all
  bool has_path = false;  // some argument was not an option word
  std::string path;       // the table path or folder pattern as written, trimmed of spaces
  ExtractorOptions options;
};

// Parses argv (without the program name): the path is the first argument that is not one of the
// nine option words (any case); every other argument is split at spaces into option words.
// -hide sets -exit.
CommandLine ParseCommandLine(const std::vector<std::string>& args);

// Makes `path` absolute against `program_folder`: an absolute path stays, one starting with
// "\" gets the program folder in front, any other the program folder and "/".
std::string MakeTableArgAbsolute(const std::string& path, const std::string& program_folder);
