#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Helpers of the fuzz bodies: a work folder, an input reader and a plain view of profile text.

// Returns a folder of this process (on a memory file system when there is one, as the profile
// layer syncs every write), created on first use and removed at exit.
std::string FuzzWorkFolder();

// Returns FuzzWorkFolder() + "/" + name, emptied: every input starts from the same state.
std::string FreshFolder(const std::string& name);

// Reads the whole file `path`. Returns false when it cannot.
bool ReadBytes(const std::string& path, std::string& out);

// Replaces `path` with `data`. Returns false when it cannot.
bool WriteBytes(const std::string& path, std::string_view data);

// Takes bytes from the front of a fuzz input; past its end every byte is 0 and every run empty.
class InputReader {
 public:
  InputReader(const std::uint8_t* data, std::size_t size)
      : rest_(reinterpret_cast<const char*>(data), size) {}
  bool empty() const { return rest_.empty(); }
  std::uint8_t Byte();
  std::string_view Take(std::size_t count);
  std::string_view Rest() { return Take(rest_.size()); }

 private:
  std::string_view rest_;
};

// The lines of a profile file as the profile layer splits them: at LF, one CR before it dropped.
std::vector<std::string_view> ProfileLines(std::string_view bytes);

// True when `line` is a section line ("[name]" with only blanks or a comment after its last
// "]"); `name` then gets the name, trimmed, cut at a NUL and in lower case.
bool IsSectionLine(std::string_view line, std::string* name = nullptr);

// Returns `text` without the blanks the profile layer trims (space, TAB, CR, VT, FF).
std::string_view TrimBlanks(std::string_view text);
