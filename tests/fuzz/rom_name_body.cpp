#include <algorithm>
#include <set>

#include "common/codepage.h"
#include "extractor/byte_source.h"
#include "extractor/rom_name_finder.h"
#include "fuzz_bodies.h"
#include "fuzz_support.h"

namespace {

// The file source reads in windows of this size; padded inputs put the script across a border.
constexpr std::size_t kFileWindow = std::size_t{4} << 20;
constexpr std::uint8_t kPadMarker = 0x01;

// Line breaks, then the script: a padded file. Cleaning turns a line break into a space, so no
// searched name, token or "=" can match in the padding: it only moves the script across the
// border. Kept between inputs, as fresh megabytes per input would cost more than the scan.
std::string_view Padded(std::size_t padding, std::string_view script) {
  static std::string& buffer = *new std::string();
  if (buffer.size() < padding + script.size()) buffer.resize(padding + script.size(), '\n');
  std::copy(script.begin(), script.end(), buffer.begin() + static_cast<std::ptrdiff_t>(padding));
  return std::string_view(buffer).substr(0, padding + script.size());
}

void Unpad(std::size_t padding, std::size_t script_size) {
  std::string_view used = Padded(padding, {});
  std::fill_n(const_cast<char*>(used.data()) + padding, script_size, '\n');
}

// The scan as documented, written plainly over a lower-case copy of the whole file: each
// occurrence of a name looked at in turn, each array step searching from the start again.
std::string Cleaned(std::string_view text) {
  text = text.substr(0, text.find('\''));
  std::string out;
  for (const char c : text) {
    if (c != '\t') out += c == '\r' || c == '\n' ? ' ' : c;
  }
  const std::size_t first = out.find_first_not_of(' ');
  return first == std::string::npos ? "" : out.substr(first, out.find_last_not_of(' ') - first + 1);
}

std::string Quoted(const std::string& text) {
  const std::size_t open = text.find('"');
  if (open == std::string::npos) return "";
  const std::size_t close = text.find('"', open + 1);
  return text.substr(open + 1, close == std::string::npos ? std::string::npos : close - open - 1);
}

std::string SpacesTrimmed(std::string_view text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return "";
  return std::string(text.substr(first, text.find_last_not_of(' ') - first + 1));
}

// The first element of an array: every "array(" deleted in one pass from the left (one that
// a deletion forms stays), cut at the first ",", trimmed.
std::string FirstElement(std::string text) {
  for (std::size_t at = text.find("array("); at != std::string::npos;
       at = text.find("array(", at)) {
    text.erase(at, 6);
  }
  return SpacesTrimmed(std::string_view(text).substr(0, text.find(',')));
}

// Follows `needle` to the literal assigned to it; "" when there is none.
std::string ReferenceResolve(const std::string& lower, std::string needle) {
  std::set<std::string> searched;
  // The two documented limits: names of at most 255 characters, at most 8 array steps.
  if (needle.size() > 255) return "";
  for (int steps = 0; !needle.empty() && searched.insert(needle).second;) {
    std::string next;
    for (std::size_t at = lower.find(needle); at != std::string::npos && next.empty();
         at = lower.find(needle, at + needle.size())) {
      std::string window = Cleaned(std::string_view(lower).substr(at + needle.size(), 50));
      if (window.empty() || window.front() != '=') continue;
      window = Cleaned(std::string_view(window).substr(1));
      if (!window.empty() && window.front() == '"') return Quoted(window);
      if (window.rfind("array(", 0) == 0) {
        next = Cp1252ToLower(FirstElement(window));
        if (next.empty()) return "";
      }
    }
    if (next.empty() || ++steps > 8) return "";
    needle = next;
  }
  return "";
}

std::string ReferenceScan(std::string_view file) {
  std::size_t token = file.find(".GameName");
  if (token == std::string_view::npos) token = file.find(".Gamename");
  if (token == std::string_view::npos) return "nf";
  const std::string_view rest = file.substr(token + 9);
  const std::size_t equals = rest.find('=');
  if (equals == std::string_view::npos) return "nf";
  const std::size_t second = rest.find('=', equals + 1);
  const std::string value = Cleaned(
      rest.substr(equals + 1, second == std::string_view::npos ? second : second - equals - 1));
  std::string result;
  if (!value.empty() && value.front() == '"') {
    result = Cp1252ToLower(Cleaned(Quoted(value)));
  } else {
    const std::string name = Cleaned(std::string_view(value).substr(0, value.find(' ')));
    std::string needle = Cp1252ToLower(name);
    if (needle.rfind("array(", 0) == 0) {
      needle = Cp1252ToLower(FirstElement(
          Cp1252ToLower(SpacesTrimmed(std::string_view(name).substr(0, name.find(','))))));
    }
    result = ReferenceResolve(Cp1252ToLower(file), needle);
  }
  return result.empty() ? "nf" : Cp1252ToUtf8(result);
}

std::string CheckResult(const std::string& result) {
  if (result == "nf") return "";
  if (result.empty()) return "an empty ROM name instead of \"nf\"";
  const std::string bytes = Utf8ToCp1252(result);
  if (Cp1252ToLower(bytes) != bytes) return "a ROM name not in lower case: " + result;
  // These end a literal or a script line, so a name holding one was cut wrongly.
  if (bytes.find_first_of("\r\n\t\"'") != std::string::npos) {
    return "a ROM name holding a line break, TAB, quote or comment: " + result;
  }
  return "";
}

// The folded search against a plain one, for the script's last line as the needle: repeated
// bytes drive the search onto its second, linear path.
std::string CheckFoldedSearch(std::string_view script) {
  const std::size_t line = script.rfind('\n');
  const std::string needle =
      Cp1252ToLower(script.substr(line == std::string_view::npos ? 0 : line + 1).substr(0, 64));
  if (needle.empty()) return "";
  for (std::size_t from = 0, found = 0; found != ByteSource::kNotFound; from = found + 1) {
    std::size_t plain = from;
    while (plain + needle.size() <= script.size() &&
           Cp1252ToLower(script.substr(plain, needle.size())) != needle) {
      ++plain;
    }
    if (plain + needle.size() > script.size()) plain = ByteSource::kNotFound;
    found = FindBytes(script, needle, from, true);
    if (found != plain) return "the folded search missed or invented a match";
  }
  return "";
}

// The scan over memory and over a file of `bytes` must both give `expected`.
std::string ScanBoth(std::string_view bytes, const std::string& expected) {
  const std::string from_memory = ScanForRomName(bytes);
  const std::string path = FreshFolder("rom") + "/t.vpt";
  if (!WriteBytes(path, bytes)) return "cannot write the input";
  FileSource source;
  if (!source.Open(path)) return "cannot open the input";
  const std::string from_file = ScanForRomName(source);
  if (from_file != from_memory) {
    return "the file scan gave \"" + from_file + "\", the memory scan \"" + from_memory + "\"";
  }
  if (from_memory != expected) {
    return "the scan gave \"" + from_memory + "\", the documented steps \"" + expected + "\"";
  }
  return CheckResult(from_memory);
}

}  // namespace

std::string FuzzRomName(const std::uint8_t* data, std::size_t size) {
  InputReader in(data, size);
  std::size_t padding = 0;
  if (size >= 3 && data[0] == kPadMarker) {
    in.Byte();
    padding = kFileWindow - (in.Byte() | (std::size_t{in.Byte()} << 8));
  }
  const std::string_view script = in.Rest();
  // The padding is neutral, so the script alone gives the expected name.
  const std::string expected = ReferenceScan(script);
  if (padding == 0) {
    const std::string failure = ScanBoth(script, expected);
    return failure.empty() ? CheckFoldedSearch(script) : failure;
  }
  const std::string failure = ScanBoth(Padded(padding, script), expected);
  Unpad(padding, script.size());
  return failure;
}
