#include "extractor/command_line.h"

#include <unistd.h>

#include "common/paths.h"
#include "common/tables.h"
#include "common/text.h"

namespace {

// Sets the flag of `word` (already in lower case); returns false for any other word.
bool SetOption(const std::string& word, ExtractorOptions& options) {
  struct Entry {
    const char* word;
    bool ExtractorOptions::*flag;
  };
  static constexpr Entry kOptions[] = {
      {"-txt", &ExtractorOptions::txt},
      {"-clear", &ExtractorOptions::clear},
      {"-hide", &ExtractorOptions::hide},
      {"-exit", &ExtractorOptions::exit},
      {"-overwrite", &ExtractorOptions::overwrite},
      {"-noalias", &ExtractorOptions::noalias},
      {"-nopics", &ExtractorOptions::nopics},
      {"-nodocs", &ExtractorOptions::nodocs},
      {"-norename", &ExtractorOptions::norename},
      {"-why", &ExtractorOptions::why},
      {"-report", &ExtractorOptions::report},
  };
  for (const Entry& entry : kOptions) {
    if (word == entry.word) {
      options.*(entry.flag) = true;
      return true;
    }
  }
  return false;
}

// Takes the option words of one argument ("-exit -hide" arrives as one from some callers).
void TakeOptionWords(const std::string& arg, CommandLine& line) {
  size_t start = 0;
  while (start < arg.size()) {
    size_t end = arg.find(' ', start);
    if (end == std::string::npos) end = arg.size();
    const std::string word = AsciiLowerCopy(arg.substr(start, end - start));
    start = end + 1;
    if (word.empty() || SetOption(word, line.options)) continue;
    if (word == "-h" || word == "--help") {
      line.help = true;
    } else if (line.unknown.empty()) {
      line.unknown = word;
    }
  }
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& args) {
  CommandLine line;
  line.empty = args.empty();
  bool only_paths = false;
  for (const std::string& arg : args) {
    const std::string trimmed = TrimSpaces(arg);
    if (trimmed.empty()) continue;
    if (!only_paths && trimmed == "--") {
      only_paths = true;
    } else if (!only_paths && trimmed.front() == '-') {
      TakeOptionWords(trimmed, line);
    } else {
      line.paths.push_back(trimmed);
    }
  }
  // The two questions answer on standard output and change nothing.
  if (line.options.why || line.options.report) line.options.hide = true;
  if (line.options.hide) line.options.exit = true;
  return line;
}

bool MayShowWindow(const CommandLine& line) {
  return line.empty ||
         (!line.help && line.unknown.empty() && !line.paths.empty() && !line.options.hide);
}

std::string MakeTableArgAbsolute(const std::string& path, const std::string& current_folder,
                                 const std::string& program_folder) {
  if (!path.empty() && !IsAbsolutePath(path) && path.front() != '\\' && !current_folder.empty()) {
    const std::string here = PathInFolder(current_folder, BackslashesToSlashes(path));
    if (IsPattern(here) ? !FolderOfArgument(here).empty() : !FindExistingPath(here).empty()) {
      return here;
    }
  }
  return ResolveProgramRelative(path, program_folder);
}

bool IsPattern(const std::string& path) {
  return FileNameOf(path).find_first_of("*?") != std::string::npos;
}

std::string FolderOfArgument(const std::string& table_arg) {
  const std::string last = FileNameOf(table_arg);
  const std::string folder = FindExistingPath(WithoutTrailingSlashes(
      IsPattern(table_arg) ? table_arg.substr(0, table_arg.size() - last.size()) : table_arg));
  return FolderExists(folder) ? folder : std::string();
}

bool ListTablesOf(const std::string& table_arg, std::vector<std::string>& paths) {
  paths.clear();
  const std::string folder = FolderOfArgument(table_arg);
  if (!folder.empty()) {
    // A folder that cannot be read would look empty: nothing to do, when all is to be done.
    if (::access(folder.c_str(), R_OK | X_OK) != 0) return false;
    for (const std::string& name :
         ListTableFiles(folder, IsPattern(table_arg) ? FileNameOf(table_arg) : "*")) {
      paths.push_back(PathInFolder(folder, name));
    }
    return true;
  }
  if (IsPattern(table_arg) || !OrdinaryFileExists(table_arg)) return false;
  paths.push_back(FindExistingPath(table_arg));
  return true;
}
