#pragma once

#include <string>
#include <vector>

#include "extractor/extractor_view.h"

// Exit codes of tabrin.
inline constexpr int kExitOk = 0;
inline constexpr int kExitNotFound = 1;
inline constexpr int kExitUsage = 2;

// Text shown for an empty command line.
std::string UsageText();

// The whole run of the extractor for `args` (argv without the program name), with the catalogue
// in `program_folder`. Returns the process exit code.
int RunExtractor(const std::vector<std::string>& args, const std::string& program_folder,
                 ExtractorView& view);
