#include "frontend/backglass_cache.h"

#include <sys/stat.h>

#include <QBuffer>
#include <QByteArray>
#include <QCryptographicHash>
#include <QImage>
#include <filesystem>

#include "common/directb2s.h"
#include "common/paths.h"

namespace {

// What tells one version of a backglass file from another.
std::string VersionOf(const std::string& path) {
  struct stat info;
  if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return {};
  return std::to_string(info.st_size) + "-" + std::to_string(info.st_mtim.tv_sec) + "." +
         std::to_string(info.st_mtim.tv_nsec);
}

}  // namespace

std::string BackglassFileOf(const std::string& table_path) {
  const size_t dot = table_path.rfind('.');
  if (dot == std::string::npos || dot < table_path.rfind('/')) return {};
  const std::string path = table_path.substr(0, dot) + ".directb2s";
  return OrdinaryFileExists(path) ? FindExistingPath(path) : std::string();
}

std::string BackglassPicture(const std::string& program_folder, const std::string& b2s_path) {
  const std::string version = VersionOf(b2s_path);
  if (version.empty()) return {};
  // Named after the file and its version: a changed file gets a picture of its own, and the
  // old one is replaced below.
  const QByteArray name =
      QCryptographicHash::hash(QByteArray::fromStdString(b2s_path), QCryptographicHash::Sha1)
          .toHex()
          .left(16);
  const std::string folder = program_folder + "/cache/backglass";
  const std::string picture = folder + "/" + name.toStdString() + ".png";
  const std::string stamp = picture + ".version";
  std::string kept;
  if (OrdinaryFileExists(picture) && ReadFileStart(stamp, 256, kept) && kept == version) {
    return picture;
  }
  const std::string bytes = ReadDirectB2SPicture(b2s_path, {"BackglassImage", "BackglassOffImage"});
  QImage image;
  if (bytes.empty() || !image.loadFromData(reinterpret_cast<const uchar*>(bytes.data()),
                                           static_cast<int>(bytes.size()))) {
    return {};
  }
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  std::error_code ignored;
  std::filesystem::create_directories(folder, ignored);
  if (!image.save(&buffer, "PNG") || !WriteFileAtomically(picture, png.toStdString()) ||
      !WriteFileAtomically(stamp, version)) {
    return {};
  }
  return picture;
}
