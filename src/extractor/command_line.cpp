#include "extractor/command_line.h"

#include <algorithm>

#include "common/paths.h"
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

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& args) {
  CommandLine line;
  line.empty = args.empty();
  for (const std::string& arg : args) {
    ExtractorOptions scratch;
    if (!line.has_path && !SetOption(AsciiLowerCopy(arg), scratch)) {
      line.has_path = true;
      line.path = TrimSpaces(arg);
      continue;
    }
    // Option words may also arrive as one argument ("-exit -hide"); unknown words are ignored.
    size_t start = 0;
    while (start <= arg.size()) {
      const size_t space = arg.find(' ', start);
      const size_t end = space == std::string::npos ? arg.size() : space;
      SetOption(AsciiLowerCopy(arg.substr(start, end - start)), line.options);
      if (space == std::string::npos) break;
      start = space + 1;
    }
  }
  // The two questions answer on standard output and change nothing.
  if (line.options.why || line.options.report) line.options.hide = true;
  if (line.options.hide) line.options.exit = true;
  return line;
}

std::string MakeTableArgAbsolute(const std::string& path, const std::string& program_folder) {
  if (path.empty()) return program_folder + "/";
  return ResolveProgramRelative(path, program_folder);
}
