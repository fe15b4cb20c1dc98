#include "support/temp_dir.h"

#include <filesystem>
#include <fstream>
#include <iterator>

TempDir::TempDir() : path_(dir_.path().toStdString()) {}

std::string TempDir::MakeDir(const std::string& relative) const {
  std::filesystem::create_directories(Path(relative));
  return Path(relative);
}

std::string TempDir::WriteFile(const std::string& relative, const std::string& data) const {
  const std::filesystem::path target(Path(relative));
  std::filesystem::create_directories(target.parent_path());
  std::ofstream out(target, std::ios::binary | std::ios::trunc);
  out.write(data.data(), static_cast<std::streamsize>(data.size()));
  return target.string();
}

std::string TempDir::ReadFile(const std::string& relative) const {
  std::ifstream in(Path(relative), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool TempDir::Exists(const std::string& relative) const {
  return std::filesystem::exists(Path(relative));
}
