#pragma once

#include <string>
#include <vector>

#include "common/tabrin_exit.h"
#include "extractor/extractor_view.h"

// The whole run of the extractor for `args` (argv without the program name), with the catalogue
// in `program_folder`. Returns the process exit code (common/tabrin_exit.h); every failure is
// also told on the error output.
int RunExtractor(const std::vector<std::string>& args, const std::string& program_folder,
                 ExtractorView& view);
