#pragma once

#include <string>
#include <string_view>

#include "extractor/extractor_state.h"

// The four fields of a game's [PMInfo] entry, cut from an emulator listing.
struct GameInfo {
  std::string description;
  std::string year;
  std::string manufacturer;
  std::string parent;
};

// Returns the part of `listing` that describes `query_name`: in MAME mode the whole listing,
// in PinMAME mode the text after `<game name="query_name"` up to "</game>" ("" when absent).
std::string_view GameText(std::string_view listing, const std::string& query_name,
                          bool pinmame_mode);

// Cuts description, year, manufacturer and cloneof parent out of `game_text` (bytes as in the
// listing). A missing parent becomes `default_parent`.
GameInfo CutGameFields(std::string_view game_text, const std::string& default_parent);

// Returns `text` (UTF-8) with the XML entities of an emulator listing decoded: &amp; &lt; &gt;
// &quot; &apos; and the character references &#NN; and &#xHH;. Anything else stays as written.
std::string DecodeXmlEntities(std::string_view text);

// Asks the configured emulator about ResultName and stores the [PMInfo] entry in info.ini.
// Does nothing without an emulator program, for a known ROM (unless -overwrite), or for a
// query name that is unsafe to hand to the emulator. Each field is decoded (DecodeXmlEntities)
// and made a CatalogueField; a listing script that cannot be written is noted.
void GetMAMEInfo(ExtractorState& state);
