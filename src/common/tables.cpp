#include "common/tables.h"

#include "common/codepage.h"
#include "common/paths.h"
#include "common/text.h"

namespace {

// The extension of `file_name` in lower case, dot included; "" for a name of four characters or
// fewer (".vpt" alone is a hidden file, never a table).
std::string LowerExtension(const std::string& file_name) {
  return file_name.size() > 4 ? AsciiLowerCopy(file_name.substr(file_name.size() - 4)) : "";
}

}  // namespace

bool IsTableFile(const std::string& file_name) {
  const std::string extension = LowerExtension(file_name);
  return extension == ".vpt" || extension == ".vpx";
}

std::vector<std::string> ListTableFiles(const std::string& folder, const std::string& pattern) {
  std::vector<std::string> tables;
  for (std::string& name : ListFiles(folder, pattern)) {
    if (IsTableFile(name)) tables.push_back(std::move(name));
  }
  return tables;
}

std::string TableKey(const std::string& file_name) {
  const std::string text = FileNameText(file_name);
  std::string key = LowerExtension(text) == ".vpx" ? text : DropLastChars(text, 4);
  // What a profile file cannot hold as a key is written as "%" and its code: "=" anywhere, "["
  // or ";" at the start; a line break becomes a space, as the profile layer writes it.
  std::string escaped;
  for (size_t i = 0; i < key.size(); ++i) {
    const char c = key[i];
    if (c == '=' || (i == 0 && (c == '[' || c == ';'))) {
      escaped += c == '=' ? "%3D" : c == '[' ? "%5B" : "%3B";
    } else {
      escaped += c == '\r' || c == '\n' ? ' ' : c;
    }
  }
  return escaped;
}
