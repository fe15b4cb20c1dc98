#pragma once

#include <QTemporaryDir>
#include <string>

// A fresh folder for one test, removed with everything in it afterwards.
class TempDir {
 public:
  TempDir();
  // Path of the folder, without a trailing separator.
  const std::string& path() const { return path_; }
  // Returns path() + "/" + relative.
  std::string Path(const std::string& relative) const { return path_ + "/" + relative; }
  // Creates the folder `relative` (and its parents) inside; returns its path.
  std::string MakeDir(const std::string& relative) const;
  // Writes `data` to the file `relative` inside (parents created); returns its path.
  std::string WriteFile(const std::string& relative, const std::string& data) const;
  // Returns the bytes of the file `relative` inside, or "" when it cannot be read.
  std::string ReadFile(const std::string& relative) const;
  // True when the file or folder `relative` exists inside.
  bool Exists(const std::string& relative) const;

 private:
  QTemporaryDir dir_;
  std::string path_;
};
