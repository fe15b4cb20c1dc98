#pragma once

#include <QTemporaryDir>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

// A fresh folder for one test, removed with everything in it afterwards. Paths are relative to
// it; folders on the way are made.
class TempDir {
 public:
  const std::string& path() const { return path_; }  // without a trailing separator
  std::string Path(const std::string& relative) const { return path_ + "/" + relative; }
  std::string MakeDir(const std::string& relative) const {  // returns its path
    std::filesystem::create_directories(Path(relative));
    return Path(relative);
  }
  std::string WriteFile(const std::string& relative, const std::string& data) const {
    std::filesystem::create_directories(std::filesystem::path(Path(relative)).parent_path());
    std::ofstream(Path(relative), std::ios::binary)
        .write(data.data(), std::streamsize(data.size()));
    return Path(relative);
  }
  std::string ReadFile(const std::string& relative) const {  // "" when it cannot be read
    std::ifstream in(Path(relative), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  bool Exists(const std::string& relative) const { return std::filesystem::exists(Path(relative)); }

 private:
  QTemporaryDir dir_;
  std::string path_ = dir_.path().toStdString();
};
