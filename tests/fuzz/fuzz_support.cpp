#include "fuzz_support.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "common/codepage.h"
#include "fuzz_bodies.h"

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kBlanks = " \t\r\v\f";

void RemoveWorkFolder() {
  std::error_code ignored;
  fs::remove_all(FuzzWorkFolder(), ignored);
}

}  // namespace

std::string FuzzWorkFolder() {
  // Never destroyed: the removal at exit runs after static objects are gone.
  static const std::string& folder = *new std::string([] {
    std::error_code error;
    std::string base = fs::is_directory("/dev/shm", error) && access("/dev/shm", W_OK) == 0
                           ? "/dev/shm"
                           : fs::temp_directory_path(error).string();
    std::string path = base + "/orvane-fuzz-" + std::to_string(getpid());
    fs::create_directories(path, error);
    std::atexit(RemoveWorkFolder);
    return path;
  }());
  return folder;
}

std::string FreshFolder(const std::string& name) {
  const std::string path = FuzzWorkFolder() + "/" + name;
  std::error_code ignored;
  fs::remove_all(path, ignored);
  fs::create_directories(path, ignored);
  return path;
}

bool ReadBytes(const std::string& path, std::string& out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

bool WriteBytes(const std::string& path, std::string_view data) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(data.data(), static_cast<std::streamsize>(data.size()));
  return static_cast<bool>(out);
}

std::uint8_t InputReader::Byte() {
  if (rest_.empty()) return 0;
  const auto byte = static_cast<std::uint8_t>(rest_.front());
  rest_.remove_prefix(1);
  return byte;
}

std::string_view InputReader::Take(std::size_t count) {
  const std::string_view taken = rest_.substr(0, count);
  rest_.remove_prefix(taken.size());
  return taken;
}

std::vector<std::string_view> ProfileLines(std::string_view bytes) {
  std::vector<std::string_view> lines;
  while (!bytes.empty()) {
    const std::size_t end = bytes.find('\n');
    std::string_view line = bytes.substr(0, end);
    bytes.remove_prefix(end == std::string_view::npos ? bytes.size() : end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
  }
  return lines;
}

std::string_view TrimBlanks(std::string_view text) {
  const std::size_t first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

bool IsSectionLine(std::string_view line, std::string* name) {
  line = TrimBlanks(line);
  if (line.empty() || line.front() != '[') return false;
  const std::size_t close = line.rfind(']');
  if (close == std::string_view::npos) return false;
  const std::string_view after = TrimBlanks(line.substr(close + 1));
  if (!after.empty() && after.front() != ';') return false;
  if (name != nullptr) {
    const std::string_view inner = line.substr(1, close - 1);
    *name = Cp1252ToLower(TrimBlanks(inner.substr(0, inner.find('\0'))));
  }
  return true;
}

void AbortOnFailure(const std::string& failure) {
  if (failure.empty()) return;
  std::fprintf(stderr, "fuzz invariant broken: %s\n", failure.c_str());
  std::abort();
}
