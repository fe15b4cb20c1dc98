#include "extractor/rom_source.h"

#include "common/paths.h"

RomSource DescribeRomFinding(const RomFinding& finding, const std::string& script_file) {
  RomSource source;
  if (finding.rom == "nf") {
    source.found = "plain: " + finding.why_plain;
    return source;
  }
  // The line that gave the name is the literal's: the last assignment followed, else the
  // statement itself.
  const bool followed = !finding.names.empty();
  const int line = followed ? finding.names.back().line : finding.line;
  const std::string& text = followed ? finding.names.back().line_text : finding.line_text;
  source.found =
      "found in " + FileNameOf(script_file) + ", line " + std::to_string(line) + ": " + text;
  if (followed) {
    for (const RomFinding::Step& step : finding.names) source.via += step.name + " -> ";
    source.via += "\"" + finding.rom + "\", given to the controller on line " +
                  std::to_string(finding.line) + ": " + finding.line_text;
  }
  return source;
}
