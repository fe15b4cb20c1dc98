#include <array>
#include <tuple>
#include <utility>

#include "extractor/mame_info.h"
#include "fuzz_bodies.h"
#include "fuzz_support.h"

namespace {

bool Inside(std::string_view part, std::string_view whole) {
  return part.data() >= whole.data() && part.data() + part.size() <= whole.data() + whole.size();
}

// A cut field is a trimmed piece of the game's text that stops before its closing tag.
std::string CheckField(const std::string& field, std::string_view game_text, std::string_view close,
                       const char* what) {
  if (field.empty()) return "";
  if (game_text.find(field) == std::string_view::npos) {
    return std::string(what) + " is not a piece of the game's text";
  }
  if (field.front() == ' ' || field.back() == ' ') return std::string(what) + " is not trimmed";
  if (field.find(close) != std::string::npos) return std::string(what) + " runs past its end";
  return "";
}

std::string CheckGameText(std::string_view text, std::string_view listing, const std::string& query,
                          bool pinmame_mode) {
  if (!pinmame_mode) {
    return text.data() == listing.data() && text.size() == listing.size()
               ? ""
               : "MAME mode did not give the whole listing";
  }
  if (text.empty()) return "";
  if (!Inside(text, listing)) return "the game's text lies outside the listing";
  const std::string marker = "<game name=\"" + query + "\"";
  const auto start = static_cast<std::size_t>(text.data() - listing.data());
  if (start < marker.size() || listing.substr(start - marker.size(), marker.size()) != marker) {
    return "the game's text does not follow the game's opening tag";
  }
  if (text.find("</game>") != std::string_view::npos) return "the game's text runs past its end";
  return "";
}

}  // namespace

std::string FuzzListing(const std::uint8_t* data, std::size_t size) {
  InputReader in(data, size);
  const bool pinmame_mode = (in.Byte() & 1) != 0;
  const std::string_view rest = in.Rest();
  const std::size_t line_end = rest.find('\n');
  const std::string query(rest.substr(0, line_end));
  const std::string_view listing =
      line_end == std::string_view::npos ? std::string_view() : rest.substr(line_end + 1);

  const std::string_view text = GameText(listing, query, pinmame_mode);
  std::string failure = CheckGameText(text, listing, query, pinmame_mode);
  if (!failure.empty()) return failure;

  const GameInfo info = CutGameFields(text, query);
  const std::array<std::tuple<const std::string&, std::string_view, const char*>, 3> fields = {{
      {info.description, "</description>", "the description"},
      {info.year, "</year>", "the year"},
      {info.manufacturer, "</manufacturer>", "the manufacturer"},
  }};
  for (const auto& [field, close, what] : fields) {
    failure = CheckField(field, text, close, what);
    if (!failure.empty()) return failure;
  }
  if (text.find("cloneof=\"") == std::string_view::npos) {
    return info.parent == query ? "" : "a game without a parent did not get the default";
  }
  return CheckField(info.parent, text, "\"", "the parent");
}
