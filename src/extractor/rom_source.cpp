#include "extractor/rom_source.h"

#include <algorithm>

#include "common/codepage.h"
#include "common/paths.h"
#include "extractor/shown_text.h"

namespace {

// A file name longer than this is cut where it is shown.
constexpr size_t kMaxFileText = 60;
// However many names were followed, their chain leaves this much room for the rest.
constexpr size_t kMinChainText = 24;

}  // namespace

RomSource DescribeRomFinding(const RomFinding& finding, const std::string& script_file) {
  RomSource source;
  if (finding.rom == "nf") {
    source.found = CutText("plain: " + finding.why_plain, kMaxRomSourceText);
    return source;
  }
  // The line that gave the name is the literal's: the last assignment followed, else the
  // statement itself.
  const bool followed = !finding.names.empty();
  const int line = followed ? finding.names.back().line : finding.line;
  const std::string& text = followed ? finding.names.back().line_text : finding.line_text;
  source.found =
      CutText("found in " + CutText(FileNameText(FileNameOf(script_file)), kMaxFileText) +
                  ", line " + std::to_string(line) + ": " + text,
              kMaxRomSourceText);
  if (followed) {
    const std::string rest = "\"" + finding.rom + "\", given to the controller on line " +
                             std::to_string(finding.line) + ": " + finding.line_text;
    std::string chain;
    for (const RomFinding::Step& step : finding.names) {
      chain += (chain.empty() ? "" : " -> ") + step.name;
    }
    const size_t room = kMaxRomSourceText - std::min(kMaxRomSourceText, CharCount(rest) + 4);
    source.via =
        CutText(CutText(chain, std::max(room, kMinChainText)) + " -> " + rest, kMaxRomSourceText);
  }
  return source;
}
