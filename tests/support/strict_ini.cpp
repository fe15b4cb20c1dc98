#include "support/strict_ini.h"

#include <set>

namespace {

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  return out;
}

}  // namespace

const std::string* StrictIni::Find(const std::string& section, const std::string& key) const {
  const auto in = sections.find(section);
  if (in == sections.end()) return nullptr;
  const auto found = in->second.find(key);
  return found == in->second.end() ? nullptr : &found->second;
}

std::string StrictIni::Get(const std::string& section, const std::string& key) const {
  const std::string* value = Find(section, key);
  return value == nullptr ? "(none)" : *value;
}

std::map<std::string, std::string> StrictIni::Section(const std::string& section) const {
  const auto in = sections.find(section);
  return in == sections.end() ? std::map<std::string, std::string>() : in->second;
}

size_t StrictIni::EntryCount() const {
  size_t count = 0;
  for (const auto& [name, entries] : sections) count += entries.size();
  return count;
}

StrictIni ReadStrictIni(std::string_view bytes) {
  StrictIni ini;
  if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);  // a file turned UTF-8
  std::set<std::string> keys;  // of the current section, in lower case
  std::map<std::string, std::string>* section = nullptr;
  for (int number = 1; !bytes.empty() && ini.problem.empty(); ++number) {
    const size_t end = bytes.find("\r\n");
    const std::string_view line = bytes.substr(0, end);
    const std::string where = "line " + std::to_string(number) + ": " + std::string(line);
    bytes.remove_prefix(end == std::string_view::npos ? bytes.size() : end + 2);
    const size_t equals = line.find('=');
    if (end == std::string_view::npos || line.find_first_of("\r\n") != std::string_view::npos) {
      ini.problem = where + " (no CR LF, or a line break inside)";
    } else if (!line.empty() && line.front() == '[' && line.back() == ']') {
      const std::string name = Lower(line.substr(1, line.size() - 2));
      if (ini.sections.contains(name)) ini.problem = where + " (section twice)";
      section = &ini.sections[name];
      keys.clear();
    } else if (line.empty()) {
    } else if (section == nullptr || equals == std::string_view::npos || equals == 0) {
      ini.problem = where + " (not an entry)";
    } else if (!keys.insert(Lower(line.substr(0, equals))).second) {
      ini.problem = where + " (key twice)";
    } else {
      (*section)[std::string(line.substr(0, equals))] = std::string(line.substr(equals + 1));
    }
  }
  return ini;
}

std::string FirstLostEntry(const StrictIni& before, const StrictIni& after) {
  for (const auto& [section, entries] : before.sections) {
    for (const auto& [key, value] : entries) {
      const std::string* kept = after.Find(section, key);
      if (kept == nullptr || *kept != value) return "[" + section + "] " + key + "=" + value;
    }
  }
  return "";
}
